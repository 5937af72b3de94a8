#include "LanguageText.h"

#include <cstdarg>
#include <cwchar>

namespace {

wchar_t g_languageFile[256];
wchar_t g_text[512];
wchar_t g_moduleDirectory[256];

constexpr wchar_t kCaution[] = L"Caution!";
constexpr int kMessageChars = 256;

// The module that holds this code: the console program, or the TWAIN data
// source that carries the same catalogue.
HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

void CopyText(wchar_t (&out)[kMessageChars], const wchar_t* text)
{
    wcsncpy(out, text, kMessageChars - 1);
    out[kMessageChars - 1] = L'\0';
}

}  // namespace

int SelectLanguageFile(const LanguageFileRow* table, int count)
{
    const wchar_t* folder = GetModuleDirectory(ThisModule());
    return SelectLanguageFileIn(table, count, folder, folder);
}

int SelectLanguageFileIn(const LanguageFileRow* table, int count, const wchar_t* matchedFolder,
                         const wchar_t* fallbackFolder)
{
    const int row = FindLanguageRow(table, count, GetSystemDefaultLangID());
    _snwprintf(g_languageFile, 255, L"%ls\\%ls", row < 0 ? fallbackFolder : matchedFolder,
               table[row < 0 ? 0 : row].file);
    g_languageFile[255] = L'\0';
    return row >= 0;
}

const wchar_t* LanguageFilePath() { return g_languageFile; }

const wchar_t* ReadIniString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText)
{
    GetPrivateProfileStringW(section, key, defaultText ? defaultText : L"", g_text, 512, g_languageFile);
    return g_text;
}

int IniMessageBox(HWND owner, const wchar_t* section, const wchar_t* textKey, const wchar_t* titleKey, UINT flags)
{
    wchar_t text[kMessageChars];
    wchar_t title[kMessageChars] = L"";
    CopyText(text, ReadIniString(section, textKey, kCaution));
    if (titleKey) CopyText(title, ReadIniString(section, titleKey, kCaution));
    return MessageBoxW(owner, text, title, flags ? flags : MB_ICONHAND);
}

const wchar_t* GetModuleDirectory(HMODULE module)
{
    const DWORD length = GetModuleFileNameW(module, g_moduleDirectory, 256);
    if (length == 0 || length >= 256) g_moduleDirectory[0] = L'\0';
    CutToDirectory(g_moduleDirectory);
    return g_moduleDirectory;
}

unsigned short PickByLangId(const LangIdValue* table, int count)
{
    return ValueForLangId(table, count, GetSystemDefaultLangID());
}

void FormatText(wchar_t* buffer, size_t size, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    vswprintf(buffer, size, format, args);
    va_end(args);
}
