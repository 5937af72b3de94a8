// The video panel's own rules, with files made by the recorder's writer and
// read back by the playback library: titles, speeds, the frame period, the
// history, and files the player must refuse or cannot decode.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AviFilePatch.h"
#include "AviWriter.h"
#include "FramePictures.h"
#include "LiveFramePath.h"
#include "OsdKind.h"
#include "PanelTestSupport.h"
#include "RecordVideo.h"
#include "SkinButton.h"
#include "VideoPanel.h"
#include "VideoRecorder.h"

namespace {

using frametest::ReadBytes;
using frametest::TempFile;
using frametest::WriteBytes;

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
        CreateSkinButton(panel, host.SkinLibrary(), ButtonImages{649, 649, 649, 123, 0}, BUTTON_STYLE_MOUSE, 0, 0,
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

}  // namespace
