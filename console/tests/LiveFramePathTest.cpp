// The live frame path against the device library and the simulated camera
// on its direct USB road. Some tests let the library's capture thread call
// the path; others call OnDeviceFrame themselves, as that thread would, to
// choose each frame's bytes and the camera state it arrives with.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "FrameCodecs.h"
#include "LiveFramePath.h"
#include "SimCameraFrames.h"
#include "SimPictures.h"
#include "kvqdoccam.h"
#include "testsupport/PollUntil.h"

using namespace simcam;

namespace {

using testsupport::PollUntil;

constexpr int kPatienceMs = 5000;

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kRingFrameBytes = 0x180000;

class FakeHost : public ILiveFrameHost {
public:
    bool IsLocalCameraShown() override { return localShown.load(); }
    void RequestRepaint() override
    {
        ++repaints;
        if (repaintDelayMs) Sleep(repaintDelayMs);
    }
    void PostLargeFrame(bool continuous) override
    {
        ++largePosts;
        postedContinuous = continuous;
    }
    bool IsAviWriterOpen() override { return recording; }
    bool GetRecorderClock(RecorderClock* c) override
    {
        if (!recording) return false;
        *c = clock;
        return true;
    }
    void RecordFrame(CFrameBuffer& frame) override
    {
        ++clock.framesSeen;
        takenMarks += frame.m_taken;
        frame.m_taken = 0;
    }
    void HandLargeFrameToWaiter(const CFrameBuffer& frame) override { handedWidth = frame.Width(); }

    std::atomic<bool> localShown{true};
    std::atomic<int> repaints{0};
    std::atomic<int> largePosts{0};
    std::atomic<bool> postedContinuous{false};
    std::atomic<int> handedWidth{0};
    DWORD repaintDelayMs = 0;
    bool recording = false;
    RecorderClock clock{};
    int takenMarks = 0;
};

std::vector<unsigned char> PictureBytes(int index)
{
    const Picture& p = kTestPictures[index % kTestPictureCount];
    return std::vector<unsigned char>(p.bytes, p.bytes + p.size);
}

bool SamePixels(KVQFrameBuffer& a, KVQFrameBuffer& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.WritablePlane().pixels, b.WritablePlane().pixels, a.ImageSize()) == 0;
}

// The simulated camera installed as the system's only one, found by the
// controller's own discovery, current and streaming to OnDeviceFrame once
// started; the path attached to a fake main window.
class LivePath : public ::testing::Test {
protected:
    explicit LivePath(uint8_t model = 0x60) : camera(model), io(camera), road(io)
    {
        controller.reset(new KVQDocCamController);
        EXPECT_EQ(1, controller->AttachDevice(0, 1));
        EXPECT_EQ(1, controller->SetResolution(RES_1024x768));
        // Neutral picture settings: no software corrections.
        controller->m_status.brightness = 50;
        controller->m_status.contrast = 75;
        path.Attach(&host);
    }
    ~LivePath() override
    {
        path.Detach();
        controller.reset();
    }

    void Start(unsigned frameDelayMs)
    {
        io.frameDelayMs = frameDelayMs;
        Launch();
    }
    void StartAt(int framesPerSecond)
    {
        io.frameSource = simframes::PacedPictureFrames(framesPerSecond);
        Launch();
    }
    void Launch()
    {
        ASSERT_EQ(1, controller->SetCallbackFunction(OnDeviceFrame));
        ASSERT_EQ(1, controller->StartCapture());
    }

    void Deliver(std::vector<unsigned char>& frame, int width = kWidth, int height = kHeight)
    {
        OnDeviceFrame(frame.data(), width, height, static_cast<int>(frame.size()));
    }

    SimCamera camera;
    SimDeviceIo io;
    simframes::DirectRoad road;
    std::unique_ptr<KVQDocCamController> controller;
    FakeHost host;
    LiveFramePath path;
};

TEST_F(LivePath, FrozenCameraReusesTheStoredPictureWithoutDecodingAndFirstFramesAreNeverFrozen)
{
    controller->m_status.frozen = 1;  // left over from before the restart
    CFrameBuffer expected;
    for (int round = 0; round < 2; ++round) {
        path.m_restartStatistics = 1;
        // Frames 1-4 after a restart show what the camera sends.
        for (int i = 0; i < 4; ++i) {
            std::vector<unsigned char> frame = PictureBytes(i + 3 * round);
            ASSERT_EQ(1, DecodeCameraJpeg(expected, frame.data(), static_cast<int>(frame.size())));
            Deliver(frame);
            LiveFramePath::FrameAccess access(path);
            EXPECT_TRUE(SamePixels(*access.Current(), expected)) << "round " << round << " frame " << i + 1;
        }
        // Frame 5 is the first frozen one: decoded and stored.
        std::vector<unsigned char> fifth = PictureBytes(5 + round);
        ASSERT_EQ(1, DecodeCameraJpeg(expected, fifth.data(), static_cast<int>(fifth.size())));
        Deliver(fifth);
        // From then on the frame's bytes are not even looked at: bytes that
        // decode as nothing still show the frozen picture.
        std::vector<unsigned char> noise(200000, 0x41);
        const int repaints = host.repaints;
        for (int i = 0; i < 3; ++i) Deliver(noise);
        EXPECT_EQ(host.repaints, repaints + 3);
        LiveFramePath::FrameAccess access(path);
        EXPECT_TRUE(SamePixels(*access.Current(), expected));
        EXPECT_EQ(access.Current(), access.Display());
    }

    // Thawed, the camera's frames are decoded again, and noise is dropped.
    controller->m_status.frozen = 0;
    std::vector<unsigned char> noise(200000, 0x41);
    const int repaints = host.repaints;
    Deliver(noise);
    EXPECT_EQ(host.repaints, repaints);
    std::vector<unsigned char> frame = PictureBytes(1);
    ASSERT_EQ(1, DecodeCameraJpeg(expected, frame.data(), static_cast<int>(frame.size())));
    Deliver(frame);
    LiveFramePath::FrameAccess access(path);
    EXPECT_TRUE(SamePixels(*access.Current(), expected));
}

TEST_F(LivePath, Yuy2FramesAreConvertedAndShortOnesDropped)
{
    std::vector<unsigned char> yuy2(64 * 48 * 2, 128);
    Deliver(yuy2, 64, 48);
    EXPECT_EQ(host.repaints, 1);
    CFrameBuffer* shown;
    {
        LiveFramePath::FrameAccess access(path);
        shown = access.Current();
        EXPECT_EQ(shown->Width(), 64);
    }
    yuy2.pop_back();
    Deliver(yuy2, 64, 48);
    EXPECT_EQ(host.repaints, 1) << "a short frame is dropped";
    LiveFramePath::FrameAccess access(path);
    EXPECT_EQ(access.Current(), shown) << "and the shown frame stays";
    EXPECT_FALSE(path.IsInCallback());
}

TEST_F(LivePath, TheViewRectangleFollowsTheDigitalZoom)
{
    std::vector<unsigned char> frame = PictureBytes(0);
    Deliver(frame);
    {
        LiveFramePath::FrameAccess access(path);
        const RECT whole{0, 0, kWidth, kHeight};
        EXPECT_TRUE(EqualRect(&access.Current()->m_viewRect, &whole));
    }
    controller->m_status.zoomDigitalSize = 200;
    Deliver(frame);
    LiveFramePath::FrameAccess access(path);
    const RECT centred{256, 192, 768, 576};
    EXPECT_TRUE(EqualRect(&access.Current()->m_viewRect, &centred));
}

TEST_F(LivePath, ThePausedPathDropsFramesAndDetachStillEnds)
{
    path.m_pause = 1;
    Start(5);
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return path.FrameCount() >= 10; }));
    EXPECT_EQ(host.repaints, 0) << "no paused frame is shown";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(path.Detach());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(path.IsInCallback());
}

TEST_F(LivePath, DetachingWhileFramesFlowWaitsForTheFrameInProgressAndEndsWithinASecond)
{
    host.repaintDelayMs = 40;  // each frame is still in progress for a while
    Start(1);
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return host.repaints >= 3 && path.IsInCallback(); }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(path.Detach());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(path.IsInCallback());
    const int repaints = host.repaints;
    Sleep(100);
    EXPECT_EQ(host.repaints, repaints) << "no frame after the detach";
    EXPECT_EQ(1, controller->IsStopped());
}

// Reads the current frame under the frame lock on one thread while the
// camera delivers 30 frames a second on another: every frame is handled, the
// two buffers keep their pictures, and closing is prompt. ORBILE_SOAK_SECONDS
// makes it longer (60 for the full run).
TEST_F(LivePath, ThirtyFramesASecondWhileAnotherThreadPaints)
{
    const char* soak = std::getenv("ORBILE_SOAK_SECONDS");
    const int seconds = soak ? std::atoi(soak) : 10;

    HDC screen = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 640, -480, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(screen, target);

    std::atomic<bool> painting{true};
    std::atomic<int> paints{0}, wrongFrames{0};
    std::thread painter([&] {
        const RECT window{0, 0, 640, 480};
        while (painting) {
            {
                LiveFramePath::FrameAccess access(path);
                CFrameBuffer* frame = access.Current();
                if (frame->HasPicture()) {
                    if (frame->Width() != kWidth || frame->Height() != kHeight) ++wrongFrames;
                    frame->StretchTo(screen, window, &frame->m_viewRect, TRUE, TRUE);
                    frame->m_newPicture = 0;
                    ++paints;
                }
            }
            Sleep(16);
        }
    });

    StartAt(30);
    Sleep(seconds * 1000);
    const auto closing = std::chrono::steady_clock::now();
    const bool detached = path.Detach();
    const auto closeTime = std::chrono::steady_clock::now() - closing;
    painting = false;
    painter.join();

    EXPECT_TRUE(detached);
    EXPECT_LT(closeTime, std::chrono::seconds(1));
    EXPECT_EQ(wrongFrames, 0);
    // A painter locked out by the delivery thread gets no turn for seconds on
    // end; a busy machine only slows both sides down.
    EXPECT_GE(paints, seconds * 2) << "the painter was never locked out for long";
    EXPECT_GT(path.FrameCount(), seconds * 10);
    EXPECT_EQ(host.repaints, path.FrameCount()) << "every delivered frame was decoded and shown";
    EXPECT_TRUE(path.m_bufferA.HasPicture());
    EXPECT_TRUE(path.m_bufferB.HasPicture());
    DWORD intervals[3];
    path.GetFrameIntervals(intervals);
    RecordProperty("frames", static_cast<int>(path.FrameCount()));
    RecordProperty("mean_frame_ms", static_cast<int>(intervals[0]));

    SelectObject(screen, old);
    DeleteObject(target);
    DeleteDC(screen);
}

// A large still made of a picture of that size, padded past the ring size.
std::vector<unsigned char> LargeStillFrame()
{
    CFrameBuffer still;
    EXPECT_TRUE(still.Resize(2016, 1520));
    std::vector<unsigned char> frame(kRingFrameBytes + 4096);
    int size = static_cast<int>(frame.size());
    EXPECT_EQ(1, EncodeJpegToMemory(frame.data(), size, still, 75));
    frame[frame.size() - 2] = 0xFF;
    frame[frame.size() - 1] = 0xD9;
    return frame;
}

TEST_F(LivePath, ALargeStillIsPostedToTheUiAndHeldUntilTaken)
{
    std::vector<unsigned char> still = LargeStillFrame();
    std::vector<unsigned char> frame = PictureBytes(0);
    for (int mode : {LiveFramePath::kSingleShot, LiveFramePath::kContinuous}) {
        path.m_captureMode = mode;
        path.m_largeCapturePending = 0;
        controller->m_status.largeFrame = 1;
        Deliver(still, 0, 0);
        controller->m_status.largeFrame = 0;
        EXPECT_EQ(host.postedContinuous, mode == LiveFramePath::kContinuous);
        EXPECT_EQ(path.m_largeCapturePending, mode == LiveFramePath::kSingleShot ? 1 : 0);

        // Until the UI thread has taken it, newer frames do not replace it.
        Deliver(frame);
        {
            LiveFramePath::FrameAccess access(path);
            EXPECT_EQ(access.Current()->Width(), 2016);
        }
        path.ReleaseLargeFrame();
        Deliver(frame);
        LiveFramePath::FrameAccess access(path);
        EXPECT_EQ(access.Current()->Width(), kWidth);
    }
    EXPECT_EQ(host.largePosts, 2);
}

TEST_F(LivePath, AWaitingViewerGetsTheLargeStillAndABoundedWait)
{
    std::vector<unsigned char> still = LargeStillFrame();
    controller->m_status.largeFrame = 1;
    path.m_waitForLargeFrame = 1;
    std::thread viewer([&] {
        PollUntil(kPatienceMs, [&] { return host.handedWidth.load() != 0; });
        Sleep(50);
        path.m_waitForLargeFrame = 0;
    });
    Deliver(still, 0, 0);
    viewer.join();
    EXPECT_EQ(host.handedWidth, 2016);
    EXPECT_EQ(path.m_largeCapturePending, 1);
    EXPECT_EQ(host.largePosts, 0);

    // A viewer that never takes it does not keep a detach waiting.
    path.m_waitForLargeFrame = 1;
    std::thread capture([&] { Deliver(still, 0, 0); });
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return path.IsInCallback(); }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(path.Detach());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    capture.join();
}

TEST_F(LivePath, TheRecorderGetsAFrameForEveryPeriodThatPassed)
{
    std::vector<unsigned char> frame = PictureBytes(0);
    host.recording = true;
    // Five and a half periods since the start, two frames recorded: three
    // repeats (marked taken) bring it to five, and one more for this period.
    host.clock = {GetTickCount() - 550, 100, 2};
    Deliver(frame);
    EXPECT_EQ(host.clock.framesSeen, 6u);
    EXPECT_EQ(host.takenMarks, 3);

    // Not while another console's picture is shown, nor for a large still.
    host.localShown = false;
    Deliver(frame);
    host.localShown = true;
    std::vector<unsigned char> still = LargeStillFrame();
    controller->m_status.largeFrame = 1;
    Deliver(still, 0, 0);
    EXPECT_EQ(host.clock.framesSeen, 6u);
}

TEST_F(LivePath, WhileAnotherConsolesPicturesAreShownTheIntervalHistoryIsTheirs)
{
    std::vector<unsigned char> frame = PictureBytes(0);
    Deliver(frame);
    Deliver(frame);
    host.localShown = false;
    for (DWORD interval : {40u, 50u, 60u, 70u}) path.ShiftInFrameInterval(interval);
    // The local camera's frames still arrive, and leave the history alone.
    Sleep(30);
    Deliver(frame);
    DWORD intervals[3];
    path.GetFrameIntervals(intervals);
    EXPECT_EQ((std::vector<DWORD>{50, 60, 70}), std::vector<DWORD>(intervals, intervals + 3));

    host.localShown = true;
    Deliver(frame);
    path.GetFrameIntervals(intervals);
    EXPECT_EQ(intervals[0], intervals[2]) << "the local camera's mean fills all three again";
}

class LargeFrameCamera : public LivePath {
protected:
    LargeFrameCamera() : LivePath(0x68) {}
};

TEST_F(LargeFrameCamera, KeepsTheCameraAliveEveryFifthFrame)
{
    ASSERT_EQ(1, controller->m_status.keepAlive);
    std::vector<unsigned char> frame = PictureBytes(0);
    for (int i = 0; i < 12; ++i) Deliver(frame);
    EXPECT_EQ(camera.state.aliveCount, 2);
}

}  // namespace
