// The threads that meet in the library: the frame callback sending commands
// while the UI thread switches cameras or destroys controllers, and stops
// that must end although a callback or a device read is still at work.
// Every wait here has a bound; a deadlock ends the test program.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "LibraryState.h"
#include "SimDeviceIo.h"
#include "SimRig.h"
#include "kvqcapturegraph.h"
#include "kvqdoccam.h"
#include "testsupport/PollUntil.h"

using namespace simcam;
using std::chrono::milliseconds;

namespace {

using testsupport::PollUntil;

// Runs work on a thread of its own. A deadlocked thread cannot be joined
// nor its locks recovered, so a run past the bound ends the program.
void MustEndWithin(milliseconds bound, const char* what, std::function<void()> work)
{
    std::packaged_task<void()> task(std::move(work));
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    if (done.wait_for(bound) != std::future_status::ready) {
        std::fprintf(stderr, "%s has not ended within %lld ms: deadlock\n", what, (long long)bound.count());
        std::fflush(stderr);
        std::_Exit(1);
    }
    runner.join();
}

// Generous for a sanitizer's slower threads.
constexpr int kPatienceMs = 20000;

// A capture graph like the library's: its streaming thread calls the
// frame callback under a receive lock, and stopping the graph (Stop, a
// switch of the current device, its destruction) waits for that lock, as
// the transform filter's stop waits for a Receive at work.
class StreamingGraph : public devicelib::CaptureGraph {
public:
    static const int kDevices = 2;

    ~StreamingGraph() override { StopStreaming(); }

    int CreateDeviceEnumerator() override
    {
        cursor_ = -1;
        return 1;
    }
    int NextDevice(unsigned short* name, int nameLength, int* index) override
    {
        if (++cursor_ >= kDevices) return 0;
        // Discovery reads the name as wide characters, whatever their size here.
        std::wcsncpy(reinterpret_cast<wchar_t*>(name), L"PC Camera", nameLength * sizeof *name / sizeof(wchar_t));
        *index = cursor_;
        return 1;
    }
    void ReleaseDeviceEnumerator() override {}
    IBaseFilter* GetDevice(int) override { return nullptr; }
    int GetCurrentDevice() override { return current_; }
    int SetCurrentDevice(int index) override
    {
        StopStreaming();
        current_ = index;
        return 1;
    }
    int SetCallbackFunction(devicelib::FrameCallback callback) override
    {
        callback_ = callback;
        return 1;
    }
    int SetVideoFormat(int, int, int, ColFmt format) override { return format; }
    int StartCapture() override
    {
        if (thread_.joinable()) return 1;
        run_ = true;
        thread_ = std::thread(&StreamingGraph::Stream, this);
        return 1;
    }
    int Stop() override
    {
        StopStreaming();
        return 1;
    }
    int IsStopped() override { return thread_.joinable() ? 0 : 1; }

private:
    // A stopped graph has no Receive to wait for.
    void StopStreaming()
    {
        if (!thread_.joinable()) return;
        run_ = false;
        std::lock_guard<std::mutex> receive(receiveLock_);
        if (thread_.joinable()) thread_.join();
    }

    void Stream()
    {
        unsigned char frame[64] = {0xFF, 0xD8};
        while (run_) {
            {
                std::unique_lock<std::mutex> receive(receiveLock_, std::try_to_lock);
                if (receive.owns_lock() && run_)
                    if (devicelib::FrameCallback callback = callback_) callback(frame, 1024, 768, sizeof frame);
            }
            std::this_thread::sleep_for(milliseconds(1));
        }
    }

    int cursor_ = -1;
    std::atomic<int> current_{-1};
    std::atomic<devicelib::FrameCallback> callback_{nullptr};
    std::atomic<bool> run_{false};
    std::mutex receiveLock_;
    std::thread thread_;
};

std::unique_ptr<devicelib::CaptureGraph> MakeStreamingGraph()
{
    return std::unique_ptr<devicelib::CaptureGraph>(new StreamingGraph);
}

// The controller the frame callback talks to, as the console's does.
std::atomic<KVQDocCamController*> g_sender{nullptr};
std::atomic<int> g_frames{0};
std::atomic<int> g_stopFromCallback{-1};

// Sleeps briefly, like a decoder, then sends a command and an inquiry.
void SendWhileFramesFlow(unsigned char*, int, int, int)
{
    std::this_thread::sleep_for(milliseconds(2));
    if (KVQDocCamController* c = g_sender) {
        c->SetCommand(0xBD, 0xFF, 0, 0);
        c->InquiryCommand(0x3B, 0x3B, nullptr);
    }
    ++g_frames;
}

void StopFromCallback(unsigned char*, int, int, int)
{
    if (KVQDocCamController* c = g_sender) {
        int expected = -1;
        const int result = c->Stop();
        g_stopFromCallback.compare_exchange_strong(expected, result);
    }
    ++g_frames;
}

bool FramesArrive(int count)
{
    const int seen = g_frames;
    return PollUntil(kPatienceMs, [&] { return g_frames >= seen + count; });
}

// Rounds of one controller that streams with SendWhileFramesFlow and is
// destroyed, the last one, while frames flow.
void DestroyTheLastWhileFramesFlow(int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        auto* c = new KVQDocCamController;
        ASSERT_EQ(1, c->AttachDevice(0, 1));
        g_sender = c;
        ASSERT_EQ(1, c->SetCallbackFunction(SendWhileFramesFlow));
        ASSERT_EQ(1, c->StartCapture());
        ASSERT_TRUE(FramesArrive(2));
        MustEndWithin(milliseconds(5000), "the last controller's destruction", [&] { delete c; });
        g_sender = nullptr;
        EXPECT_EQ(0, KVQDocCamController::GetInstances());
    }
}

class GraphRoad : public ::testing::Test {
protected:
    GraphRoad() : rig(Transport::kDirectShow) { devicelib::InstallCaptureGraphFactory(MakeStreamingGraph); }
    ~GraphRoad() override { g_sender = nullptr; }
    SimRig rig;
};

}  // namespace

TEST_F(GraphRoad, ACallbackSendingCommandsDoesNotHoldUpACameraSwitch)
{
    KVQDocCamController first, second;
    ASSERT_EQ(2, KVQDocCamController::GetDevices());
    ASSERT_EQ(1, first.AttachDevice(0, 1));
    ASSERT_EQ(1, second.AttachDevice(1, 0));
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        KVQDocCamController& shown = round % 2 ? second : first;
        KVQDocCamController& next = round % 2 ? first : second;
        ASSERT_EQ(1, shown.MakeCurrent());
        g_sender = &shown;
        ASSERT_EQ(1, shown.SetCallbackFunction(SendWhileFramesFlow));
        ASSERT_EQ(1, shown.StartCapture());
        ASSERT_TRUE(FramesArrive(2));
        int switched = 0;
        MustEndWithin(milliseconds(5000), "a camera switch", [&] { switched = next.MakeCurrent(); });
        EXPECT_EQ(1, switched);
        EXPECT_EQ(&next, KVQDocCamController::GetCurrentController());
    }
    EXPECT_EQ(0, first.Stop()) << "no longer the graph's camera";
    EXPECT_EQ(1, second.Stop());
}

TEST_F(GraphRoad, TheLastControllerGoesWhileACallbackSendsCommands) { DestroyTheLastWhileFramesFlow(25); }

namespace {

class UsbRoad : public ::testing::Test {
protected:
    UsbRoad() : camera(0xE0), io(camera)
    {
        io.directUsbPresent = true;
        io.frameDelayMs = 2;
        devicelib::InstallDeviceIo(&io);
        devicelib::InstallPacer(&io);
        devicelib::InstallCaptureGraphFactory([] { return std::unique_ptr<devicelib::CaptureGraph>(); });
    }
    ~UsbRoad() override
    {
        g_sender = nullptr;
        io.HoldFrameReads(false);
        devicelib::InstallDeviceIo(nullptr);
        devicelib::InstallPacer(nullptr);
        devicelib::InstallCaptureGraphFactory(nullptr);
    }
    SimCamera camera;
    SimDeviceIo io;
};

}  // namespace

TEST_F(UsbRoad, TheLastControllerGoesWhileACallbackSendsCommands)
{
    io.frameSource = [](uint32_t, uint8_t* out, uint32_t) { out[0] = 0xFF; };
    DestroyTheLastWhileFramesFlow(3);
}

TEST_F(UsbRoad, NoStatusReachesACurrentControllerBeingDestroyed)
{
    io.statusPerFrame = true;
    KVQDocCamController stays;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        auto* current = new KVQDocCamController;
        ASSERT_EQ(1, current->AttachDevice(0, 1));
        ASSERT_EQ(1, current->SetCallbackFunction(SendWhileFramesFlow));
        ASSERT_EQ(1, current->StartCapture());
        ASSERT_TRUE(FramesArrive(3));
        // Not the last controller: streaming goes on through its destruction.
        delete current;
        EXPECT_EQ(nullptr, KVQDocCamController::GetCurrentController());
        ASSERT_TRUE(FramesArrive(3));
        EXPECT_EQ(1, stays.Stop());
    }
}

TEST_F(UsbRoad, StopFromInsideTheFrameCallbackIsRefused)
{
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(0, 1));
    g_sender = &c;
    g_stopFromCallback = -1;
    ASSERT_EQ(1, c.SetCallbackFunction(StopFromCallback));
    ASSERT_EQ(1, c.StartCapture());
    ASSERT_TRUE(PollUntil(kPatienceMs, [] { return g_stopFromCallback != -1; }));
    EXPECT_EQ(0, g_stopFromCallback.load());
    EXPECT_TRUE(FramesArrive(2)) << "frames still flow";
    g_sender = nullptr;
    EXPECT_EQ(1, c.Stop());
    EXPECT_EQ(1, c.IsStopped());
}

TEST_F(UsbRoad, StopEndsAFrameReadTheDeviceNeverAnswers)
{
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(0, 1));
    ASSERT_EQ(1, c.SetCallbackFunction(SendWhileFramesFlow));
    ASSERT_EQ(1, c.StartCapture());
    ASSERT_TRUE(FramesArrive(2));
    io.HoldFrameReads(true);
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return io.frameReadsHeld > 0; }));
    int stopped = 0;
    std::thread stopping([&] { stopped = c.Stop(); });
    const bool ended = PollUntil(kPatienceMs, [&] { return io.frameReadsHeld == 0; });
    // Lifting the hold lets an unbounded stop finish before the verdict.
    io.HoldFrameReads(false);
    stopping.join();
    EXPECT_TRUE(ended) << "the held read was not ended by Stop";
    EXPECT_EQ(1, io.frameReadsCancelled.load());
    EXPECT_EQ(1, stopped);
    EXPECT_EQ(1, c.IsStopped());
    io.framesRead = 0;
    ASSERT_EQ(1, c.StartCapture()) << "the device streams again after a cancelled read";
    EXPECT_TRUE(FramesArrive(2));
    EXPECT_EQ(1, c.Stop());
}
