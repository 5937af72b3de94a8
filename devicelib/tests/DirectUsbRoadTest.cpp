// The direct USB road end to end against the simulated device: discovery's
// initialisation requests, the read thread's ring, the capture thread's
// callbacks and the status callback.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "CameraVendorProperty.h"
#include "DirectUsbDevice.h"
#include "LibraryState.h"
#include "SimDeviceIo.h"
#include "SimPictures.h"
#include "kvqdoccam.h"
#include "testsupport/PollUntil.h"

using namespace simcam;
using devicelib::DirectUsbDevice;

namespace {

using testsupport::PollUntil;

std::unique_ptr<devicelib::CaptureGraph> NoCaptureGraph() { return nullptr; }

// The simulated private device installed as the system's, found by the
// controllers' own discovery.
class DirectUsbRoad : public ::testing::Test {
protected:
    DirectUsbRoad() : io(camera)
    {
        io.directUsbPresent = true;
        devicelib::InstallDeviceIo(&io);
        devicelib::InstallPacer(&io);
        devicelib::InstallCaptureGraphFactory(NoCaptureGraph);
    }
    ~DirectUsbRoad() override
    {
        devicelib::InstallDeviceIo(nullptr);
        devicelib::InstallPacer(nullptr);
        devicelib::InstallCaptureGraphFactory(nullptr);
    }

    SimCamera camera{0xE0};  // a large-frame model with its resolution bit
    SimDeviceIo io;
};

// Generous for a sanitizer's slower threads.
constexpr int kPatienceMs = 20000;

struct Received {
    std::mutex lock;
    std::vector<uint32_t> numbers;
    int width = 0, height = 0, length = 0;
    int torn = 0;
    int pictures = 0;
    std::atomic<int> inCallback{0};
    unsigned sleepMs = 0;
};
Received* g_received = nullptr;

void CountNumberedFrame(unsigned char* data, int width, int height, int length)
{
    Received& r = *g_received;
    ++r.inCallback;
    const uint32_t first = camvendor::ReadLe32(data), last = camvendor::ReadLe32(data + length - 4);
    bool intact = first == last;
    for (int at = 4; intact && at < length - 4; at += 4093) intact = data[at] == uint8_t(first);
    {
        std::lock_guard<std::mutex> guard(r.lock);
        r.numbers.push_back(first);
        r.width = width;
        r.height = height;
        r.length = length;
        r.torn += intact ? 0 : 1;
    }
    if (r.sleepMs) std::this_thread::sleep_for(std::chrono::milliseconds(r.sleepMs));
    --r.inCallback;
}

void CountPicture(unsigned char* data, int width, int height, int length)
{
    Received& r = *g_received;
    std::lock_guard<std::mutex> guard(r.lock);
    for (const Picture& picture : kTestPictures)
        r.pictures += std::memcmp(data, picture.bytes, picture.size) == 0 ? 1 : 0;
    r.numbers.push_back(uint32_t(r.numbers.size()));
    r.width = width;
    r.height = height;
    r.length = length;
}

}  // namespace

TEST_F(DirectUsbRoad, DiscoveryInitialisesTheDeviceInOrderAndMakesItTheOnlyCamera)
{
    KVQDocCamController c;
    ASSERT_EQ(1, KVQDocCamController::GetDevices());
    const uint32_t expected[] = {0x222000, 0x222004, 0x222088, 0x222038, 0x222038, 0x222038, 0x222038, 0x22203C};
    std::vector<WireCall> controls;
    for (const WireCall& call : io.calls)
        if (call.kind == WireCall::kControl) controls.push_back(call);
    ASSERT_EQ(sizeof expected / sizeof expected[0], controls.size());
    const uint32_t outSizes[] = {18, 10, 8, 4, 9, 4, 9, 1024};
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(expected[i], controls[i].code) << i;
        EXPECT_EQ(outSizes[i], controls[i].out.size()) << i;
    }
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0}), controls[3].in);
    EXPECT_EQ((std::vector<uint8_t>{2, 0, 0, 0}), controls[5].in);
    EXPECT_EQ(nullptr, KVQDocCamController::GetInternalObject()) << "no capture graph on this road";

    EXPECT_EQ(1, c.AttachDevice(0, 1));
    EXPECT_EQ(&c, KVQDocCamController::GetCurrentController());
    EXPECT_EQ(0xE0, c.m_status.modelCode);
    EXPECT_EQ(1, c.IsCurrentDevice());
    EXPECT_EQ(5, c.GetResolutionMode());
    EXPECT_EQ(0, c.SetResolution(RES_640x480));
    EXPECT_EQ(0, c.SetResolution(ResolutionType(9)));
    EXPECT_EQ(1, c.SetResolution(RES_1024x768));
    EXPECT_EQ(0x80000000ul, c.m_feature & 0x80000000ul);
}

TEST_F(DirectUsbRoad, AFailedInitialisationStepLeavesNoCameraAndALaterControllerTriesAgain)
{
    io.failInitCode = 0x22203C;
    {
        KVQDocCamController first;
        EXPECT_EQ(0, KVQDocCamController::GetDevices());
        EXPECT_EQ(0, io.OpenHandles()) << "the device that did not initialise is closed";
        io.failInitCode = 0;
        KVQDocCamController second;
        EXPECT_EQ(1, KVQDocCamController::GetDevices());
    }
    EXPECT_EQ(0, KVQDocCamController::GetDevices());
    EXPECT_EQ(0, io.OpenHandles()) << "the last controller closes the device";
}

TEST_F(DirectUsbRoad, JpegPicturesReachTheCallbackAsFixedSizeFrames)
{
    io.frameSource = PictureFrame;
    io.frameDelayMs = 5;
    Received received;
    g_received = &received;
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(0, 1));
    EXPECT_EQ(1, c.IsStopped());
    ASSERT_EQ(1, c.SetCallbackFunction(CountPicture));
    ASSERT_EQ(1, c.StartCapture());
    EXPECT_EQ(1, c.StartCapture()) << "running already";
    EXPECT_EQ(0, c.IsStopped());
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] {
        std::lock_guard<std::mutex> guard(received.lock);
        return received.numbers.size() >= 10;
    }));
    EXPECT_EQ(1, c.Stop());
    EXPECT_EQ(1, c.IsStopped());
    std::lock_guard<std::mutex> guard(received.lock);
    EXPECT_EQ(1024, received.width);
    EXPECT_EQ(768, received.height);
    EXPECT_EQ(0x180000, received.length);
    EXPECT_EQ(int(received.numbers.size()), received.pictures) << "every frame one whole test picture";
    g_received = nullptr;
}

TEST_F(DirectUsbRoad, ASlowConsumerGetsWholeFramesInOrderAndStopEndsTheCallbacks)
{
    Received received;
    received.sleepMs = 15;  // the camera delivers far faster than this
    g_received = &received;
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(0, 1));
    ASSERT_EQ(1, c.SetCallbackFunction(CountNumberedFrame));
    ASSERT_EQ(1, c.StartCapture());
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] {
        std::lock_guard<std::mutex> guard(received.lock);
        return received.numbers.size() >= 30;
    }));
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(1, c.Stop());
    // Reported, not judged: how long Stop waited for the two threads.
    RecordProperty(
        "stop_microseconds",
        int(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - stopping)
                .count()));
    EXPECT_EQ(0, received.inCallback.load()) << "no callback runs after Stop";
    const size_t seen = received.numbers.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard<std::mutex> guard(received.lock);
    EXPECT_EQ(seen, received.numbers.size());
    EXPECT_EQ(0, received.torn);
    for (size_t i = 1; i < received.numbers.size(); ++i)
        ASSERT_LT(received.numbers[i - 1], received.numbers[i]) << "a stale or repeated frame at " << i;
    EXPECT_GT(io.framesRead.load(), received.numbers.back()) << "the producer ran ahead and dropped old frames";
    g_received = nullptr;
}

TEST_F(DirectUsbRoad, FailedReadsDeliverNothingAndTheRingRecovers)
{
    io.failBulkReads = 6;
    // Real frames carry numbers from 100 on, so a handed-on failed read (an
    // empty slot or an older frame) shows as a low or repeated number. The
    // producer may drop frames a slow consumer has not taken yet.
    constexpr uint32_t kFirstFrame = 100;
    io.framesRead = kFirstFrame;
    Received received;
    g_received = &received;
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(0, 1));
    ASSERT_EQ(1, c.SetCallbackFunction(CountNumberedFrame));
    ASSERT_EQ(1, c.StartCapture());
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] {
        std::lock_guard<std::mutex> guard(received.lock);
        return received.numbers.size() >= 3;
    }));
    c.Stop();
    EXPECT_EQ(6u, io.bulkReadsRefused.load());
    std::lock_guard<std::mutex> guard(received.lock);
    EXPECT_GE(received.numbers[0], kFirstFrame) << "a failed read is never handed on";
    for (size_t i = 1; i < received.numbers.size(); ++i)
        ASSERT_LT(received.numbers[i - 1], received.numbers[i]) << "a stale or repeated frame at " << i;
    EXPECT_EQ(0, received.torn);
    g_received = nullptr;
}

namespace {
int g_statusCalls = 0;
int CountStatus(unsigned char*) { return ++g_statusCalls; }
}  // namespace

TEST_F(DirectUsbRoad, TheStatusCallbackFiresOncePerChangeAndAnUnusablePipeReadsNothing)
{
    DirectUsbDevice device(io);
    EXPECT_FALSE(device.Start()) << "not initialised";
    ASSERT_TRUE(device.Open());
    ASSERT_TRUE(device.Initialize());
    unsigned char buffer[48] = {};
    g_statusCalls = 0;
    device.SetStatusCallback(CountStatus, buffer);
    std::vector<unsigned char> frame(0x180000);
    EXPECT_FALSE(device.GetFrame(frame.data(), 0x180000)) << "not running";
    ASSERT_TRUE(device.Start());
    io.frameDelayMs = 2;
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return device.GetFrame(frame.data(), 0x180000); }));
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return device.GetFrame(frame.data(), 0x180000); }));
    EXPECT_EQ(1, g_statusCalls) << "two frames with the same status";
    EXPECT_EQ(camera.StatusBlock()[0], buffer[0]);
    std::array<uint8_t, 48> changed;
    {
        // The read thread reads the camera's status meanwhile.
        std::lock_guard<std::mutex> guard(io.cameraLock);
        camera.state.frozen = 1;
        changed = camera.StatusBlock();
    }
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return device.GetFrame(frame.data(), 0x180000) && g_statusCalls == 2; }));
    EXPECT_EQ(0, std::memcmp(changed.data(), buffer, 18));
    EXPECT_FALSE(device.GetFrame(frame.data(), 0x180001)) << "larger than a ring buffer";
    device.Stop();
    device.Close();
    EXPECT_FALSE(device.IsOpen());

    io.pipe.endpoint = 0x02;  // OUT
    DirectUsbDevice outPipe(io);
    ASSERT_TRUE(outPipe.Open());
    ASSERT_TRUE(outPipe.Initialize());
    ASSERT_TRUE(outPipe.Start());
    const uint32_t before = io.framesRead;
    EXPECT_FALSE(outPipe.GetFrame(frame.data(), 0x180000));
    outPipe.Stop();
    EXPECT_EQ(before, io.framesRead.load()) << "no request on an unusable pipe";
}
