// Measures what the live frame path costs the camera's capture thread: the
// simulated camera delivers its 1024 x 768 JPEG pictures at 30 frames a
// second through the device library, and every frame is decoded, corrected
// (brightness and contrast away from neutral, so the corrections run) and
// swapped in. Prints CPU and wall time per frame.
//
//   tests/wine/run build/windows64/bench/console/live_path_measure.exe [seconds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "FrameCodecs.h"
#include "ImageCorrections.h"
#include "LiveFramePath.h"
#include "SimCameraFrames.h"
#include "SimPictures.h"
#include "kvqdoccam.h"

namespace {

class QuietHost : public ILiveFrameHost {
public:
    bool IsLocalCameraShown() override { return true; }
    void RequestRepaint() override {}
    void PostLargeFrame(bool) override {}
};

ULONGLONG g_cpu100ns = 0;  // capture thread time spent in the path
LONGLONG g_wallTicks = 0;  // performance-counter ticks in the path
long g_frames = 0;

ULONGLONG ThreadCpu()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return value(kernel) + value(user);
}

void MeasuredFrame(unsigned char* data, int width, int height, int length)
{
    LARGE_INTEGER before, after;
    const ULONGLONG cpuBefore = ThreadCpu();
    QueryPerformanceCounter(&before);
    OnDeviceFrame(data, width, height, length);
    QueryPerformanceCounter(&after);
    g_cpu100ns += ThreadCpu() - cpuBefore;
    g_wallTicks += after.QuadPart - before.QuadPart;
    ++g_frames;
}

// The two big parts alone, on this thread: decode and corrections.
void PrintParts(const CameraPictureState& state)
{
    const simcam::Picture& picture = simcam::kTestPictures[0];
    CFrameBuffer frame;
    const int rounds = 100;
    ULONGLONG decode = 0, correct = 0;
    for (int i = 0; i < rounds; ++i) {
        ULONGLONG start = ThreadCpu();
        DecodeCameraJpeg(frame, picture.bytes, static_cast<int>(picture.size));
        decode += ThreadCpu() - start;
        start = ThreadCpu();
        ApplyImageCorrections(frame.WritablePlane(), state, true);
        correct += ThreadCpu() - start;
    }
    std::printf("of which JPEG decode %.2f ms, corrections %.2f ms (CPU, %d rounds on one thread)\n",
                decode / 1e4 / rounds, correct / 1e4 / rounds, rounds);
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    simcam::SimCamera camera(0x60);
    simcam::SimDeviceIo io(camera);
    simframes::DirectRoad road(io);
    io.frameSource = simframes::PacedPictureFrames(30);
    int result = 1;
    {
        KVQDocCamController controller;
        QuietHost host;
        LiveFramePath path;
        camera.state.brightness = 60;
        camera.state.contrast = 85;
        if (controller.AttachDevice(0, 1) && controller.SetResolution(RES_1024x768)) {
            path.Attach(&host);
            controller.SetCallbackFunction(MeasuredFrame);
            controller.StartCapture();
            Sleep(seconds * 1000);
            path.Detach();
            LARGE_INTEGER frequency;
            QueryPerformanceFrequency(&frequency);
            if (g_frames > 0) {
                std::printf("frames %ld of %u delivered in %d s (%.1f per second)\n", g_frames, io.framesRead.load(),
                            seconds, double(g_frames) / seconds);
                std::printf("capture-thread CPU per frame %.2f ms, wall time per frame %.2f ms\n",
                            g_cpu100ns / 1e4 / g_frames, 1e3 * g_wallTicks / double(frequency.QuadPart) / g_frames);
                CameraPictureState state{};
                state.model = 0x60;
                state.brightness = 60;
                state.contrast = 85;
                PrintParts(state);
                result = 0;
            }
        }
    }
    return result;
}
