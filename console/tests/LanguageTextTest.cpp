#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "LanguageText.h"

namespace {

std::wstring ExeDirectory()
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

bool EndsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class LanguageText : public ::testing::Test {
protected:
    void SetUp() override { SelectLanguageFile(kLanguageFiles, kLanguageFileRows); }
};

TEST_F(LanguageText, ChoosesTheSystemLanguagesFileBesideTheProgram)
{
    // This prefix runs in English (see language_choice_test for others).
    ASSERT_EQ(GetSystemDefaultLangID(), 0x0409);
    EXPECT_EQ(SelectLanguageFile(kLanguageFiles, kLanguageFileRows), 1);
    EXPECT_EQ(std::wstring(LanguageFilePath()), ExeDirectory() + L"\\Language\\DCstring_en.ini");
    EXPECT_NE(GetFileAttributesW(LanguageFilePath()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(std::wstring(GetModuleDirectory(nullptr)), ExeDirectory());
}

TEST_F(LanguageText, ReadsTextsWithDefaultsForWhatIsMissing)
{
    EXPECT_STREQ(ReadIniString(L"CNetworkPanel", L"staticUsbUnconnected", L"x"), L"Usb unconnected");
    EXPECT_STREQ(ReadIniString(L"Messages", L"hintCancel", L"No"), L"No");
    EXPECT_STREQ(ReadIniString(L"CMainFrame", L"noSuchKey", L"Fallback"), L"Fallback");
    EXPECT_STREQ(ReadIniString(L"NoSuchSection", L"tipAbout", L"About"), L"About");
    EXPECT_STREQ(ReadIniString(L"CMainFrame", L"noSuchKey", nullptr), L"");
}

TEST_F(LanguageText, UnknownLanguageTakesRowZeroAndMissingFileGivesDefaults)
{
    const LanguageFileRow german[] = {{0x0000, L"Language\\DCstring_ger.ini"}, {0x7777, L"Language\\DCstring_en.ini"}};
    EXPECT_EQ(SelectLanguageFile(german, 2), 0);
    EXPECT_TRUE(EndsWith(LanguageFilePath(), L"\\Language\\DCstring_ger.ini"));
    EXPECT_STREQ(ReadIniString(L"CMainFrame", L"tipClose", L"Close"), L"Schlie\u00dfen");
    EXPECT_STREQ(ReadIniString(L"CNetworkPanel", L"staticUsbUnconnected", L"x"), L"USB nicht verbunden");

    const LanguageFileRow missing[] = {{0x0000, L"Language\\DCstring_xx.ini"}};
    EXPECT_EQ(SelectLanguageFile(missing, 1), 0);
    EXPECT_STREQ(ReadIniString(L"CMainFrame", L"tipClose", L"Close"), L"Close");
}

TEST_F(LanguageText, PickByLangIdUsesTheSystemLanguage)
{
    const LangIdValue widths[] = {{0x0000, 90}, {0x0407, 120}, {0x0409, 97}};
    EXPECT_EQ(PickByLangId(widths, 3), 97);
    EXPECT_EQ(PickByLangId(widths, 2), 90);
    wchar_t text[16];
    FormatText(text, 16, L"%d%%", 250);
    EXPECT_STREQ(text, L"250%");
}

// Message boxes are answered on this thread: a hook notes the box as it is
// activated, and a timer, run by the box's own message loop once it is up,
// records what it shows and presses the answer.
struct ShownBox {
    HWND window = nullptr;
    std::wstring title, text;
    bool icon = false;
    bool yesNo = false;
    int answer = IDOK;
};
ShownBox g_box;

LRESULT CALLBACK NoteBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && !g_box.window) g_box.window = reinterpret_cast<HWND>(wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK ReadAndAnswer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = g_box.window;
    if (!box || !IsWindowVisible(box)) return;
    wchar_t buffer[512];
    GetWindowTextW(box, buffer, 512);
    g_box.title = buffer;
    GetDlgItemTextW(box, 0xFFFF, buffer, 512);
    g_box.text = buffer;
    // The icon control is 0x14 on Windows and 0x440 on Wine.
    HWND icon = GetDlgItem(box, 0x14) ? GetDlgItem(box, 0x14) : GetDlgItem(box, 0x440);
    g_box.icon = icon && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0);
    g_box.yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO);
    PostMessageW(box, WM_COMMAND, g_box.answer, 0);
    g_box.window = nullptr;
}

int ShowAndAnswer(int answer, const wchar_t* textKey, const wchar_t* titleKey, UINT flags)
{
    g_box = ShownBox{};
    g_box.answer = answer;
    HHOOK hook = SetWindowsHookExW(WH_CBT, NoteBox, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, ReadAndAnswer);
    const int result = IniMessageBox(nullptr, L"Messages", textKey, titleKey, flags);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    return result;
}

TEST_F(LanguageText, MessageBoxesTakeTextAndTitleFromTheFile)
{
    EXPECT_EQ(ShowAndAnswer(IDOK, L"warnNoResFile", nullptr, 0), IDOK);
    EXPECT_EQ(g_box.text, ReadIniString(L"Messages", L"warnNoResFile", L""));
    EXPECT_TRUE(g_box.text.find(L"orbileres.dll") != std::wstring::npos);
    EXPECT_EQ(g_box.title, L"");
    EXPECT_TRUE(g_box.icon);
    EXPECT_FALSE(g_box.yesNo);

    EXPECT_EQ(ShowAndAnswer(IDNO, L"hintStopRecordingAndQuit", nullptr, MB_YESNO), IDNO);
    EXPECT_FALSE(g_box.icon);
    EXPECT_TRUE(g_box.yesNo);

    EXPECT_EQ(ShowAndAnswer(IDOK, L"noSuchText", L"noSuchTitle", 0), IDOK);
    EXPECT_EQ(g_box.text, L"Caution!");
    EXPECT_EQ(g_box.title, L"Caution!");
}

// Every text the English file holds, the German one holds too, and none is empty.
std::map<std::wstring, std::set<std::wstring>> KeysOf(const std::wstring& file)
{
    std::map<std::wstring, std::set<std::wstring>> keys;
    std::vector<wchar_t> names(8192), section(32768);
    GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), file.c_str());
    for (const wchar_t* name = names.data(); *name; name += wcslen(name) + 1) {
        GetPrivateProfileSectionW(name, section.data(), static_cast<DWORD>(section.size()), file.c_str());
        for (const wchar_t* line = section.data(); *line; line += wcslen(line) + 1) {
            const std::wstring entry(line);
            const size_t equals = entry.find(L'=');
            EXPECT_NE(equals, std::wstring::npos) << entry;
            EXPECT_LT(equals + 1, entry.size()) << "empty text: " << std::string(entry.begin(), entry.end());
            keys[name].insert(entry.substr(0, equals));
        }
    }
    return keys;
}

TEST(LanguageFiles, GermanHoldsEveryEnglishText)
{
    const auto english = KeysOf(ExeDirectory() + L"\\Language\\DCstring_en.ini");
    const auto german = KeysOf(ExeDirectory() + L"\\Language\\DCstring_ger.ini");
    EXPECT_EQ(english.size(), 12u);
    EXPECT_EQ(english, german);
    // A sample of keys that start-up and the main window read.
    EXPECT_EQ(english.at(L"Messages").count(L"warnNoVideoCapture"), 1u);
    EXPECT_EQ(english.at(L"CMessageDialog").count(L"msgDlgTitle"), 1u);
    EXPECT_EQ(english.at(L"CMainFrame").count(L"osdSharig"), 1u);
}

}  // namespace
