// The video panel against the simulated camera, on the live path as the main
// window runs it: video_panel_probe <output folder>. Records through the
// panel's recorder and writes, for outside readers to check:
//   plain.avi   10 s at the camera's size (10 frames per second), without sound
//   sound.avi   10 s at the camera's size, with sound from the wave input
//   qvga.avi    3 s at 320 x 240
//   motion.avi  3 s with the camera in its motion mode: every frame twice
//   seek_<n>.bmp  the picture the picture window shows after a seek to frame n of sound.avi
// and checks playback of sound.avi through the panel into a picture window
// in video mode, as the main window's embedded one: play, pause, seek,
// reverse, speed 2x, volume and the history. Prints one line per check;
// exit code 0 when all passed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "CommandIds.h"
#include "FrameBuffer.h"
#include "LiveFramePath.h"
#include "PanelTestSupport.h"
#include "PictureTestSupport.h"
#include "PictureWindow.h"
#include "SimCameraFrames.h"
#include "SkinButton.h"
#include "VideoPanel.h"
#include "kvqdoccam.h"

namespace {

// Frames of the camera's size are 2.3 MB each: a slower camera keeps the
// disk from setting the pace.
const int kCameraFramesPerSecond = 10;
const unsigned short kStopId = 59660, kPlayId = 59718, kPauseId = 59719, kProgressId = 59725, kVolumeId = 59726,
                     kWheelId = 59728;

int g_failures = 0;

void Check(bool ok, const char* what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    std::fflush(stdout);
    if (!ok) ++g_failures;
}

// Runs the UI thread's messages until done() or the limit.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limitMs) return false;
        paneltest::Pump();
        Sleep(5);
    }
    return true;
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// The main window's part: the live path's host, and the film's target, its
// embedded picture window in video mode.
class Window : public ILiveFrameHost, public IPlaybackTarget, public IPictureVideoSource {
public:
    CVideoPanel* panel = nullptr;
    picturetest::FakePictureHost pictureHost;
    CPictureWindow pictures{&pictureHost};

    bool IsLocalCameraShown() override { return true; }
    void RequestRepaint() override {}
    void PostLargeFrame(bool) override {}
    bool IsAviWriterOpen() override { return panel && panel->IsRecording(); }
    bool GetRecorderClock(RecorderClock* clock) override { return panel && panel->GetRecorderClock(clock); }
    void RecordFrame(CFrameBuffer& frame) override
    {
        if (panel) panel->RecordFrame(frame);
    }
    void RepaintFilm() override
    {
        ++filmRepaints;
        InvalidateRect(pictures.m_hWnd, nullptr, FALSE);
    }
    void ShowFilm(bool shown) override
    {
        filmShown = shown;
        if (shown) pictures.SetVideoSource(this);
    }
    void DrawFrame(HDC dc, const RECT& area) override
    {
        if (panel) panel->Picture().DrawFrame(dc, area);
    }
    void StopFilm() override {}

    std::atomic<int> filmRepaints{0};
    bool filmShown = false;
};

class Console {
public:
    Console() : camera(0x60), io(camera), road(io)
    {
        controller = std::make_unique<KVQDocCamController>();
        controller->AttachDevice(0, 1);
        controller->SetResolution(RES_1024x768);
        controller->m_status.brightness = 50;
        controller->m_status.contrast = 75;
        host.controller = controller.get();
        host.pictureSource = true;
        StoreSilenceBlocks(3);
        window.pictures.CreateEmbedded(nullptr);
        OpenPanel();
        live.Attach(&window);
        io.frameSource = simframes::PacedPictureFrames(kCameraFramesPerSecond);
        controller->SetCallbackFunction(OnDeviceFrame);
        controller->StartCapture();
    }
    ~Console()
    {
        live.Detach();
        window.panel = nullptr;
        panel.reset();
        controller.reset();
    }

    // The silence before the sound of a recording, as the console keeps it
    // for this model of camera (its state is polled, not pushed).
    void StoreSilenceBlocks(DWORD blocks)
    {
        const std::wstring name = std::wstring(L"bAudioSilence") + controller->GetDocCamModelName(0) + L"_11";
        HKEY key;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORBILE2", &key) != ERROR_SUCCESS) return;
        RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&blocks), sizeof blocks);
        RegCloseKey(key);
    }

    void OpenPanel()
    {
        panel = std::make_unique<CVideoPanel>(host, live, window);
        const ButtonImages images = PanelImages(SKIN_VIDEO_PANEL_FACE);
        CreateSkinButton(*panel, host.SkinLibrary(), images, BUTTON_STYLE_MOUSE, 9, 0, &window.pictures,
                         &window.pictures, 0);
        panel->CreateControls(0);
        panel->OnDeviceSetup(controller.get());
        window.panel = panel.get();
        window.pictures.SetVideoPanel(panel.get());
    }
    bool WaitForFrames(long count)
    {
        return PumpUntil([&] { return live.FrameCount() >= count; }, 10000);
    }

    bool Record(const std::wstring& path, CVideoPanel::Control size, bool sound, DWORD ms)
    {
        panel->OnButtonEvent(size == CVideoPanel::XGA ? 59712 : 59714);
        panel->Button(CVideoPanel::AUDIO).SetCheck(sound ? 1 : 0);
        if (!panel->StartRecording(path.c_str())) return false;
        PumpFor(ms);
        return true;
    }

    simcam::SimCamera camera;
    simcam::SimDeviceIo io;
    simframes::DirectRoad road;
    std::unique_ptr<KVQDocCamController> controller;
    paneltest::FakeHost host;
    Window window;
    LiveFramePath live;
    std::unique_ptr<CVideoPanel> panel;
};

// What the picture window paints over an area of the film's own size.
bool SaveShown(Console& console, const std::wstring& path)
{
    CFrameBuffer film, painted;
    if (!console.panel->Picture().CopyTo(film) || !painted.Resize(film.Width(), film.Height())) return false;
    CRect area(0, 0, film.Width(), film.Height());
    CDC dc;
    dc.Attach(painted.MemoryDC());
    console.window.pictures.OnDraw(&dc, area);
    dc.Detach();
    GdiFlush();
    return painted.SaveBmpFile(path.c_str());
}

// Presses stop and answers the question that comes up with the button
// `answer`; false when no question came.
bool StopAnswering(Console& console, int answer)
{
    paneltest::DialogDriver user([answer](HWND question) { SendDlgItemMessageW(question, answer, BM_CLICK, 0, 0); });
    console.panel->OnButtonEvent(kStopId);
    return user.Found();
}

void Recordings(Console& console, const std::wstring& folder)
{
    Check(console.Record(folder + L"\\asked.avi", CVideoPanel::XGA, false, 1000), "asked.avi recording");
    Check(StopAnswering(console, IDCANCEL) && console.panel->IsRecording(), "No to the stop question records on");
    Check(StopAnswering(console, IDOK) && !console.panel->IsRecording(), "Yes to the stop question stops recording");

    console.host.adaptiveMotion = true;
    Check(console.Record(folder + L"\\motion.avi", CVideoPanel::XGA, false, 3000), "motion.avi recorded");
    console.panel->StopRecording();
    console.host.adaptiveMotion = false;

    Check(console.Record(folder + L"\\plain.avi", CVideoPanel::XGA, false, 10000), "plain.avi recorded");
    console.panel->StopRecording();
    Check(console.Record(folder + L"\\sound.avi", CVideoPanel::XGA, true, 10000), "sound.avi recorded");
    console.panel->StopRecording();
    Check(console.Record(folder + L"\\qvga.avi", CVideoPanel::QVGA, false, 3000), "qvga.avi recorded");
    console.panel->StopRecording();
}

void Playback(Console& console, const std::wstring& folder)
{
    CVideoPanel& panel = *console.panel;
    const std::wstring path = folder + L"\\sound.avi";
    Check(panel.OpenAndPlay(path.c_str()) != FALSE, "sound.avi opens and plays");
    Check(console.window.filmShown && !panel.IsLiveMode() && console.window.pictures.IsVideoMode() &&
              (GetWindowLongW(panel.m_hWnd, GWL_STYLE) & WS_VISIBLE),
          "the film is shown in the picture window, with the video panel");
    // The recordings listed it already: it is listed once, and selected.
    const auto& history = panel.History();
    const int listed = static_cast<int>(SendMessageW(panel.HistoryList(), CB_GETCURSEL, 0, 0));
    const auto times =
        std::count_if(history.begin(), history.end(), [&](const auto& entry) { return entry.path == path; });
    Check(times == 1 && listed >= 0 && listed < int(history.size()) && history[listed].title == L"sound" &&
              history[listed].path == path,
          "the history lists it once");
    Check(PumpUntil([&] { return panel.PlayPosition() >= 20; }, 5000), "play advances");

    panel.Button(CVideoPanel::PAUSE).SetCheck(1);
    panel.OnButtonEvent(kPauseId);
    const UINT paused = panel.PlayPosition();
    PumpFor(300);
    Check(!panel.IsPlaying() && panel.PlayPosition() == paused, "pause holds the position");

    // Seeks through the progress slider, as a drag of it ends.
    for (UINT frame : {37u, 73u}) {
        panel.ProgressSlider().SetPos(static_cast<int>(frame));
        panel.OnButtonEvent(kProgressId);
        Check(panel.PlayPosition() == frame, "a seek goes to the frame");
        Check(SaveShown(console, folder + L"\\seek_" + std::to_wstring(frame) + L".bmp"), "the sought frame is shown");
    }

    // Reverse from frame 73.
    panel.SpeedWheel().SetPos(20);  // -1x
    panel.OnButtonEvent(kWheelId);
    panel.OnButtonEvent(kPlayId);
    Check(panel.Player().IsBackward() != FALSE, "-1x plays backward");
    Check(PumpUntil([&] { return panel.PlayPosition() <= 60; }, 5000), "backward play goes back");

    // 2x: the film's clock runs twice as fast as the wall clock.
    panel.SpeedWheel().SetPos(70);
    panel.OnButtonEvent(kWheelId);
    Check(panel.IsPlaying() && !panel.Player().IsBackward(), "2x plays forward");
    const UINT from = panel.PlayPosition();
    const DWORD start = GetTickCount();
    UINT reached = from;
    const bool advanced = PumpUntil([&] { return (reached = panel.PlayPosition()) >= from + 30; }, 5000);
    const double filmMs = advanced ? (reached - from) * panel.Player().FrameMilliseconds() : 0.0;
    const double ratio = filmMs / (GetTickCount() - start + 1);
    std::printf("     2x: %.2f film milliseconds per wall millisecond\n", ratio);
    Check(advanced && ratio > 1.5 && ratio < 2.6, "2x plays at twice the speed");

    panel.SpeedWheel().SetPos(60);
    panel.OnButtonEvent(kWheelId);
    panel.VolumeSlider().SetPos(0x4000);
    panel.OnButtonEvent(kVolumeId);
    // 32-bit Wine hands the volume back a step lower (0x3FFF).
    Check(std::abs(int(panel.Player().GetVolume()) - 0x4000) <= 1, "the volume slider sets the volume");

    panel.SetLiveMode(TRUE);
    Check(!panel.Player().IsOpened() && !console.window.filmShown, "live view closes the film");
    Check(panel.OpenHistoryEntry(listed) != FALSE && panel.FileTitle() == L"sound",
          "the history entry opens the file again");
    Check(panel.OpenHistoryEntry(static_cast<int>(panel.History().size())) == FALSE, "past the history's end");
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: video_panel_probe <output folder>\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    {
        Console console;
        // The mean frame interval the recorder starts from settles once the
        // camera has run for a while.
        Check(console.WaitForFrames(30), "the camera delivers frames");
        Recordings(console, folder);
        Playback(console, folder);
    }
    return g_failures ? 1 : 0;
}
