// A capture series of the simulated camera's live pages, taken as the main
// window's timer takes it but on a clock of its own, so that a minute passes
// at once: series_capture_probe <folder>. The series is named "pic" with the
// stamp 2008-Jan-01_Tue_10-00-00, runs 60 s with a shot every 5 s, and each
// shot is taken from a frame newer than the last shot's. Prints the number of
// ticks it took; exit code 0 when the series ended by itself.
#include <windows.h>

#include <cstdio>
#include <memory>

#include "CaptureSeries.h"
#include "LiveFramePath.h"
#include "SimCameraFrames.h"
#include "TimedCapture.h"
#include "kvqdoccam.h"
#include "testsupport/PollUntil.h"

namespace {

class QuietHost : public ILiveFrameHost {
public:
    bool IsLocalCameraShown() override { return true; }
    void RequestRepaint() override {}
    void PostLargeFrame(bool) override {}
};

bool WaitForFrameAfter(const LiveFramePath& path, long count)
{
    return testsupport::PollUntil(5000, [&] { return path.FrameCount() > count; });
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    simcam::SimCamera camera(0x60);
    simcam::SimDeviceIo io(camera);
    simframes::DirectRoad road(io);
    io.frameSource = simframes::PacedPictureFrames(20);
    auto controller = std::make_unique<KVQDocCamController>();
    if (!controller->AttachDevice(0, 1) || !controller->SetResolution(RES_1024x768)) return 3;
    QuietHost host;
    LiveFramePath path;
    path.Attach(&host);
    if (!controller->SetCallbackFunction(OnDeviceFrame) || !controller->StartCapture()) return 4;

    const DWORD start = 1000;
    DWORD now = start;
    TimedCapture series(path, [&now] { return now; });
    if (!series.Start(argv[1], L"pic", L"2008-Jan-01_Tue_10-00-00", SeriesIntervalSeconds(0), ShotsPerSeries(0, 0)))
        return 5;
    const DWORD intervalMs = SeriesIntervalSeconds(0) * 1000;
    long lastShotFrame = 0;
    int ticks = 0;
    for (; series.IsRunning() && ticks < 2000; ++ticks, now += 50) {
        if ((now - start) % intervalMs == 0) {
            // One frame past the last shot's count: that frame is whole and current.
            if (!WaitForFrameAfter(path, lastShotFrame + 1)) return 6;
            lastShotFrame = path.FrameCount();
        }
        series.Tick(nullptr);
    }
    path.Detach();
    controller.reset();
    std::printf("%d\n", ticks);
    return series.IsRunning() ? 1 : 0;
}
