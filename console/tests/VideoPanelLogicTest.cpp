// The video panel's own rules, with files made by the recorder's writer and
// read back by the playback library: titles, speeds, the frame period, the
// history, and files the player must refuse or cannot decode.
#include <gtest/gtest.h>
#include <kvqfeatures.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AviFilePatch.h"
#include "AviWriter.h"
#include "FramePictures.h"
#include "LanguageText.h"
#include "LiveFramePath.h"
#include "OsdKind.h"
#include "PanelTestSupport.h"
#include "RecordVideo.h"
#include "SkinButton.h"
#include "StopRecordDialog.h"
#include "VideoPanel.h"
#include "VideoRecorder.h"
#include "kvqdoccam.h"

namespace {

using frametest::ReadBytes;
using frametest::TempFile;
using frametest::WriteBytes;
using paneltest::DialogDriver;

TEST(FileTitleOf, IsTheFileNameWithoutItsExtension)
{
    const struct {
        const wchar_t* path;
        const wchar_t* title;
    } cases[] = {
        {L"C:\\films\\lesson.avi", L"lesson"},
        {L"C:\\films.2024\\lesson", L"lesson"},  // a dot in a folder is no extension
        {L"C:\\films\\lesson.part.2.avi", L"lesson.part.2"},
        {L"D:/films/lesson.avi", L"lesson"},
        {L"lesson.avi", L"lesson"},
        {L"C:\\films\\.avi", L".avi"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.title, FileTitleOf(c.path)) << c.path;
}

TEST(SpeedIndexOfWheel, TenPositionsASpeedFromMinus4To4)
{
    const struct {
        int position;
        int index;
        float speed;
    } cases[] = {{-4, 0, -4.0f}, {4, 0, -4.0f}, {5, 1, -2.0f}, {20, 2, -1.0f}, {35, 4, 0.0f},
                 {44, 4, 0.0f},  {60, 6, 1.0f}, {70, 7, 2.0f}, {84, 8, 4.0f},  {200, 8, 4.0f}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.index, SpeedIndexOfWheel(c.position)) << c.position;
        EXPECT_EQ(c.speed, SpeedOfIndex(SpeedIndexOfWheel(c.position))) << c.position;
    }
    EXPECT_STREQ(L"PAUSE", SpeedLabel(4));
    EXPECT_STREQ(L"-0.5X", SpeedLabel(3));
}

TEST(RecordFramePeriod, TheMeanIntervalMadeEven)
{
    const struct {
        DWORD intervals[3];
        UINT period;
    } cases[] = {{{33, 33, 33}, 34},
                 {{34, 34, 34}, 34},
                 {{66, 66, 66}, 66},
                 {{32, 33, 35}, 34},
                 {{0, 0, 0}, kDefaultFramePeriodMs},
                 {{0xFFFFFFF0, 0xFFFFFFF0, 0xFFFFFFF0}, 0xFFFFFFF0}};
    for (const auto& c : cases) EXPECT_EQ(c.period, RecordFramePeriod(c.intervals)) << c.intervals[0];
}

class NoTarget : public IPlaybackTarget {
public:
    void RepaintFilm() override {}
    void ShowFilm(bool shown) override { this->shown = shown; }
    bool shown = false;
};

// A film of four small frames, uncompressed, at 25 frames per second, as
// the recorder leaves it.
std::wstring WriteFilm(const std::wstring& path)
{
    AviWriter* writer = AviWriterOpen(path.c_str(), 40, nullptr);
    if (!writer) return L"";
    CFrameBuffer frame;
    frame.Resize(64, 48);
    RecordVideo video(RecordSize::Native);
    for (int i = 0; i < 4; ++i) video.WriteFrame(writer, frame.Header(), frame.WritablePlane().pixels);
    AviWriterClose(writer);
    // As the recorder leaves its files.
    CorrectAviFrameRate(path.c_str(), 160, 4);
    RepairAviLayout(path.c_str());
    return path;
}

class VideoPanelFiles : public ::testing::Test {
protected:
    VideoPanelFiles() : panel(host, live, target)
    {
        parent.CreateEx(0, CWnd::RegisterWndClass(0), L"panel host", WS_POPUP, 0, 0, 700, 200, nullptr, nullptr);
        CreateSkinButton(panel, host.SkinLibrary(), PanelImages(SKIN_VIDEO_PANEL_FACE), BUTTON_STYLE_MOUSE, 0, 0,
                         &parent, &parent, 0);
        panel.CreateControls(0);
    }

    paneltest::FakeHost host;
    LiveFramePath live;
    NoTarget target;
    CWnd parent;
    CVideoPanel panel;
};

TEST_F(VideoPanelFiles, WithoutACameraItsButtonsDoNothing)
{
    EXPECT_FALSE(panel.OnButtonEvent(59718));
    EXPECT_FALSE(panel.OnButtonEvent(59723));
    EXPECT_TRUE(panel.IsLiveMode());
}

// Paths stay short: the platform's AVI reader opens none of more than 128
// characters.
TEST_F(VideoPanelFiles, AFileIsListedOnceAndOpensAgainFromTheList)
{
    const std::wstring path = WriteFilm(TempFile(L"film.take.2.avi"));
    ASSERT_TRUE(panel.OpenPlayback(path.c_str()));
    EXPECT_TRUE(target.shown);
    EXPECT_EQ(3, panel.ProgressSlider().GetRangeMax());  // frames 0..3
    ASSERT_TRUE(panel.OpenPlayback(path.c_str()));
    ASSERT_EQ(1u, panel.History().size());
    EXPECT_EQ(L"film.take.2", panel.History()[0].title);
    EXPECT_EQ(path, panel.History()[0].path);
    EXPECT_EQ(0, SendMessageW(panel.HistoryList(), CB_GETCURSEL, 0, 0));

    EXPECT_TRUE(panel.OpenHistoryEntry(0));
    EXPECT_FALSE(panel.OpenHistoryEntry(1));
    EXPECT_FALSE(panel.OpenHistoryEntry(-1));
    DeleteFileW(path.c_str());
}

TEST_F(VideoPanelFiles, AStreamWithoutARateIsRefused)
{
    const std::wstring path = WriteFilm(TempFile(L"film_rate0.avi"));
    std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 136u);
    std::memset(&bytes[132], 0, 4);  // the video stream header's dwRate
    WriteBytes(path, bytes);
    EXPECT_FALSE(panel.OpenPlayback(path.c_str()));
    EXPECT_TRUE(panel.IsLiveMode());
    EXPECT_TRUE(panel.History().empty());
    DeleteFileW(path.c_str());
}

// The main window writes the label of the speed in use while the panel
// announces it: on play, and on each wheel turn to another speed.
TEST_F(VideoPanelFiles, ASpeedChangeAnnouncesTheLabelOfTheNewSpeed)
{
    KVQDocCamController camera;
    host.controller = &camera;
    const std::wstring path = WriteFilm(TempFile(L"film_speeds.avi"));
    ASSERT_TRUE(panel.OpenAndPlay(path.c_str()));
    EXPECT_EQ(OSD_PLAYBACK_SPEED, host.osd);
    EXPECT_STREQ(L"   1X", panel.SpeedLabelInUse());
    const struct {
        int position;
        const wchar_t* label;
        bool announced;
    } turns[] = {
        {70, L"   2X", true}, {74, L"   2X", false}, {40, L"PAUSE", true}, {20, L"  -1X", true}, {84, L"   4X", true}};
    for (const auto& turn : turns) {
        host.osd = OSD_NONE;
        panel.SpeedWheel().SetPos(turn.position);
        panel.OnButtonEvent(59728);
        EXPECT_EQ(turn.announced ? OSD_PLAYBACK_SPEED : OSD_NONE, host.osd) << turn.position;
        EXPECT_STREQ(turn.label, panel.SpeedLabelInUse()) << turn.position;
    }
    panel.ClosePlayer();
    host.controller = nullptr;
    DeleteFileW(path.c_str());
}

// The index entries of the film's last two frames claim a few bytes only, as
// in a file cut off while recording: the progress ends at the last frame
// that decodes.
TEST_F(VideoPanelFiles, TheProgressEndsAtTheLastFrameThatDecodes)
{
    const std::wstring path = WriteFilm(TempFile(L"film_cut.avi"));
    std::vector<unsigned char> bytes = ReadBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    const size_t index = text.rfind("idx1");
    ASSERT_NE(std::string::npos, index);
    for (size_t entry : {index + 8 + 2 * 16, index + 8 + 3 * 16}) {
        const DWORD claimed = 16;
        std::memcpy(&bytes[entry + 12], &claimed, 4);
    }
    WriteBytes(path, bytes);
    ASSERT_TRUE(panel.OpenAndPlay(path.c_str()));
    EXPECT_EQ(4u, panel.Player().Frames());
    EXPECT_EQ(1, panel.ProgressSlider().GetRangeMax());
    panel.ClosePlayer();
    DeleteFileW(path.c_str());
}

struct StopQuestion {
    std::wstring caption, question, yes, no;
    INT_PTR answer = 0;
};

// Shows the question and answers it as a user would: a click on a button,
// or the window's close box.
StopQuestion AskToStop(UINT click)
{
    StopQuestion shown;
    auto text = [](HWND window) {
        wchar_t buffer[128] = L"";
        GetWindowTextW(window, buffer, 128);
        return std::wstring(buffer);
    };
    CStopRecordDialog dialog;
    {
        DialogDriver user([&](HWND box) {
            shown.caption = text(box);
            shown.question = text(GetDlgItem(box, 1003));
            shown.yes = text(GetDlgItem(box, IDOK));
            shown.no = text(GetDlgItem(box, IDCANCEL));
            if (click)
                SendDlgItemMessageW(box, static_cast<int>(click), BM_CLICK, 0, 0);
            else
                PostMessageW(box, WM_CLOSE, 0, 0);
        });
        shown.answer = dialog.DoModal();
        EXPECT_TRUE(user.Found());
    }
    return shown;
}

// Without a language file the built-in texts stand; with one, its texts.
TEST(StopRecordDialog, AsksInTheCataloguesWordsAndOnlyYesConfirms)
{
    const struct {
        UINT click;  // 0: the close box
        INT_PTR answer;
    } answers[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}, {0, IDCANCEL}};
    for (const auto& a : answers) {
        const StopQuestion shown = AskToStop(a.click);
        EXPECT_EQ(a.answer, shown.answer) << a.click;
        EXPECT_EQ(L"Record", shown.caption);
        EXPECT_EQ(L"Stop recording", shown.question);
        EXPECT_EQ(L"Yes", shown.yes);
        EXPECT_EQ(L"No", shown.no);
    }

    const std::wstring file = TempFile(L"stop_record_texts.ini");
    WritePrivateProfileStringW(L"Messages", L"hintStopRecording", L"Aufnahme beenden?", file.c_str());
    WritePrivateProfileStringW(L"Messages", L"hintOk", L"Ja", file.c_str());
    WritePrivateProfileStringW(L"Messages", L"hintCancel", L"Nein", file.c_str());
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
    const LanguageFileRow only{0, L"stop_record_texts.ini"};
    SelectLanguageFileIn(&only, 1, folder.c_str(), folder.c_str());
    const StopQuestion translated = AskToStop(IDOK);
    DeleteFileW(file.c_str());
    EXPECT_EQ(IDOK, translated.answer);
    EXPECT_EQ(L"Aufnahme beenden?", translated.question);
    EXPECT_EQ(L"Ja", translated.yes);
    EXPECT_EQ(L"Nein", translated.no);
}

// The options the main window saves in the profile and the machine-wide
// silence count come back in the next panel.
class RecordSettings : public ::testing::Test {
protected:
    RecordSettings() : app(L"video_panel_logic_test")
    {
        app.SetRegistryKey(kCompany);
        parent.CreateEx(0, CWnd::RegisterWndClass(0), L"panel host", WS_POPUP, 0, 0, 700, 200, nullptr, nullptr);
        controller.m_status.modelCode = 0x60;
        host.controller = &controller;
    }
    ~RecordSettings() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kCompany).c_str());
        for (const wchar_t* suffix : {L"_11", L"_20"}) SetSilence(suffix, nullptr);
    }

    std::unique_ptr<CVideoPanel> OpenPanel()
    {
        auto panel = std::make_unique<CVideoPanel>(host, live, target);
        CreateSkinButton(*panel, host.SkinLibrary(), ButtonImages{649, 649, 649, 123, 0}, BUTTON_STYLE_MOUSE, 0, 0,
                         &parent, &parent, 0);
        panel->CreateControls(0);
        return panel;
    }
    std::wstring SilenceName(const wchar_t* suffix)
    {
        return std::wstring(L"bAudioSilence") + controller.GetDocCamModelName(0) + suffix;
    }
    // Writes the value, or deletes it with null.
    void SetSilence(const wchar_t* suffix, const DWORD* value)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORBILE2", &key));
        if (value)
            RegSetValueExW(key, SilenceName(suffix).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(value),
                           sizeof *value);
        else
            RegDeleteValueW(key, SilenceName(suffix).c_str());
        RegCloseKey(key);
    }
    long StoredSilence(const wchar_t* suffix)
    {
        DWORD value = 0, size = sizeof value;
        const LONG read = RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORBILE2", SilenceName(suffix).c_str(),
                                       RRF_RT_REG_DWORD, nullptr, &value, &size);
        return read == ERROR_SUCCESS ? static_cast<long>(value) : -1;
    }
    int Stored(const wchar_t* name)
    {
        DWORD value = 0, size = sizeof value;
        const std::wstring key = std::wstring(L"Software\\") + kCompany + L"\\video_panel_logic_test\\Settings";
        const LONG read = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return read == ERROR_SUCCESS ? static_cast<int>(value) : -1;
    }

    static constexpr const wchar_t* kCompany = L"OrbileRecordSettingsTest";
    CWinApp app;
    paneltest::FakeHost host;
    KVQDocCamController controller;
    LiveFramePath live;
    NoTarget target;
    CWnd parent;
};

TEST_F(RecordSettings, TheOptionsGoToTheProfileAndComeBack)
{
    app.WriteProfileInt(L"Settings", L"bDownToQVGA", 1);
    app.WriteProfileInt(L"Settings", L"bAnnotated", 0);
    app.WriteProfileInt(L"Settings", L"bAudio", 0);
    auto panel = OpenPanel();
    EXPECT_TRUE(panel->Button(CVideoPanel::QVGA).GetCheckState());
    EXPECT_FALSE(panel->Button(CVideoPanel::XGA).GetCheckState());
    EXPECT_FALSE(panel->Button(CVideoPanel::ANNOTATION).GetCheckState());
    EXPECT_FALSE(panel->Button(CVideoPanel::AUDIO).GetCheckState());

    // The user picks SVGA and sound.
    panel->OnButtonEvent(59731);
    panel->Button(CVideoPanel::AUDIO).SetCheck(1);
    panel->SaveRecordSettings(app);
    const struct {
        const wchar_t* name;
        int value;
    } stored[] = {{L"bDownToSVGA", 1}, {L"bDownToVGA", 0}, {L"bDownToQVGA", 0}, {L"bAnnotated", 0}, {L"bAudio", 1}};
    for (const auto& s : stored) EXPECT_EQ(s.value, Stored(s.name)) << s.name;

    panel = OpenPanel();
    EXPECT_TRUE(panel->Button(CVideoPanel::SVGA).GetCheckState());
    EXPECT_FALSE(panel->Button(CVideoPanel::QVGA).GetCheckState());
    EXPECT_TRUE(panel->Button(CVideoPanel::AUDIO).GetCheckState());
    EXPECT_FALSE(panel->Button(CVideoPanel::ANNOTATION).GetCheckState());
}

// Large-frame cameras start in their motion mode, whose pictures are smaller
// than the camera's own: full size is offered only outside that mode.
TEST_F(RecordSettings, FullSizeIsOfferedOnlyOutsideTheMotionMode)
{
    controller.m_status.modelCode = 0xE0;  // a model with the full-size mode
    controller.m_feature = kFeatureLargeFrame;
    auto panel = OpenPanel();
    KVQButton& fullSize = panel->Button(CVideoPanel::XGA);
    EXPECT_FALSE(fullSize.IsWindowEnabled());
    EXPECT_TRUE(panel->Button(CVideoPanel::SVGA).GetCheckState()) << "the stored full size gave way to 800 x 600";

    panel->AllowFullSize(true);
    EXPECT_TRUE(fullSize.IsWindowEnabled()) << "the motion mode ended";
    panel->OnButtonEvent(59712);
    panel->AllowFullSize(false);
    EXPECT_FALSE(fullSize.IsWindowEnabled());
    EXPECT_FALSE(fullSize.GetCheckState());
    EXPECT_TRUE(panel->Button(CVideoPanel::SVGA).GetCheckState());

    controller.m_status.modelCode = 0x60;
    panel->AllowFullSize(true);
    EXPECT_FALSE(fullSize.IsWindowEnabled()) << "a model without the full-size mode never gets it";
}

// The count is kept per model and per kind of status report: a camera that
// pushes its state with the frames reads the "_20" value.
TEST_F(RecordSettings, TheSilenceCountIsTheStoredValuesLowByte)
{
    const DWORD polledValue = 0x105, pushedValue = 7;
    SetSilence(L"_11", &polledValue);
    SetSilence(L"_20", &pushedValue);
    const struct {
        bool polled;
        int blocks;
    } cases[] = {{true, 5}, {false, 7}};
    for (const auto& c : cases) {
        host.polled = c.polled;
        EXPECT_EQ(c.blocks, OpenPanel()->SilenceBlocks()) << c.polled;
    }

    host.polled = true;
    SetSilence(L"_11", nullptr);
    auto panel = OpenPanel();
    EXPECT_EQ(0, panel->SilenceBlocks()) << "no stored value";
    SetSilence(L"_11", &polledValue);
    panel = OpenPanel();
    SetSilence(L"_11", nullptr);
    panel->SaveRecordSettings(app);
    EXPECT_EQ(5, StoredSilence(L"_11")) << "the count read is the count written back";
    EXPECT_EQ(7, StoredSilence(L"_20")) << "the other kind's value stays";
}

}  // namespace
