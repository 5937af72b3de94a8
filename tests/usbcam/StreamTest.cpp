// The stream class layer: open, run, stop and close, read requests with
// their time stamps, cancel and time-out, and surprise removal.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "CameraVendorProperty.h"
#include "KsGuids.h"
#include "StreamClassLayer.h"
#include "UsbCamRig.h"

namespace usbcam {
namespace {

constexpr uint32_t kVga = 640 * 480 * 2;

class Streams : public testing::Test {
protected:
    void SetUp() override
    {
        rig.usb.modeCount = 2;
        rig.usb.modeReplies[0] = ModeReply(1, 640, 480);
        rig.usb.modeReplies[1] = ModeReply(0, 800, 600);  // MJPG
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
        rig.usb.log.clear();
    }

    KsDataFormatVideoInfo Format(uint32_t index)
    {
        return UsbCamRig::FormatOf(*rig.camera().formats.entries[index].range);
    }

    ScStatus OpenVga() { return rig.Open(0, Format(0)); }

    std::vector<uint8_t> Frame(uint8_t seed)
    {
        std::vector<uint8_t> frame(kVga);
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(seed + i * 7);
        return frame;
    }

    bool Deliver(const std::vector<uint8_t>& frame)
    {
        return dovracam::DeliverFrame(rig.device(), 0, frame.data(), uint32_t(frame.size()));
    }

    UsbCamRig rig;
};

TEST_F(Streams, OpenRunStopClose)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    EXPECT_EQ(rig.usb.log, (std::vector<VendorRequest>{{false, 3, 0, 8, 0}, {false, 3, 1, 2, 0}}))
        << "the camera mode is selected, then streaming starts";
    EXPECT_TRUE(rig.camera().flags.formatOpened);
    EXPECT_EQ(rig.streamObject(0).StreamHeaderMediaSpecific, sizeof(KsFrameInfo));

    // A read on a stopped stream completes at once with no data.
    auto early = rig.Read(0, kVga);
    ASSERT_TRUE(early->Completed());
    EXPECT_EQ(early->srb.Status, kStatusSuccess);
    EXPECT_EQ(early->read.header.DataUsed, 0u);

    ASSERT_EQ(rig.SetState(0, kKsStateAcquire), kStatusSuccess);
    ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);
    auto first = rig.Read(0, kVga);
    auto second = rig.Read(0, kVga + 100);
    EXPECT_FALSE(first->Completed());
    EXPECT_EQ(first->srb.TimeoutCounter, 9u);

    const std::vector<uint8_t> frame = Frame(3);
    ASSERT_TRUE(Deliver(frame));
    ASSERT_TRUE(first->Completed());
    EXPECT_FALSE(second->Completed()) << "frames go to the oldest read";
    EXPECT_EQ(first->srb.Status, kStatusSuccess);
    EXPECT_EQ(first->read.header.DataUsed, kVga);
    EXPECT_EQ(first->data, frame);
    EXPECT_EQ(first->read.frameInfo.ExtendedHeaderSize, sizeof(KsFrameInfo));

    Request state;
    ASSERT_EQ(rig.Control(0, kSrbGetStreamState, &state), kStatusSuccess);
    EXPECT_EQ(state.srb.CommandData.StreamState, kKsStateRun);
    ASSERT_EQ(rig.SetState(0, kKsStatePause), kStatusSuccess);
    EXPECT_EQ(rig.Control(0, kSrbGetStreamState, &state), kStatusNoDataDetected);
    ASSERT_EQ(rig.SetState(0, kKsStateStop), kStatusSuccess);

    rig.usb.log.clear();
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
    ASSERT_TRUE(second->Completed());
    EXPECT_EQ(second->srb.Status, kStatusCancelled);
    EXPECT_EQ(rig.usb.log, (std::vector<VendorRequest>{{false, 3, 0, 2, 0}}));
    EXPECT_EQ(rig.usb.settings.count("WhiteBalance"), 1u) << "proc-amp values kept when capture stops";
    EXPECT_FALSE(Deliver(frame));
}

// A bulk stream rides through a power-down and back: it keeps running and
// the camera is not told to stop; states outside D0..D3 are refused.
TEST_F(Streams, PowerChangesLeaveARunningBulkStreamAlone)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);
    rig.usb.log.clear();
    struct Case {
        int32_t state;
        ScStatus status;
    } cases[] = {{4, kStatusSuccess}, {1, kStatusSuccess},          {2, kStatusSuccess},         {3, kStatusSuccess},
                 {1, kStatusSuccess}, {0, kStatusInvalidParameter}, {5, kStatusInvalidParameter}};
    for (const Case& c : cases) {
        Request power;
        power.srb.CommandData.DeviceState = c.state;
        EXPECT_EQ(rig.Send(power, kSrbChangePowerState), c.status) << "D" << c.state - 1;
    }
    EXPECT_TRUE(rig.usb.log.empty()) << "capture neither stopped nor restarted";
    Request state;
    ASSERT_EQ(rig.Control(0, kSrbGetStreamState, &state), kStatusSuccess);
    EXPECT_EQ(state.srb.CommandData.StreamState, kKsStateRun);
    auto read = rig.Read(0, kVga);
    ASSERT_TRUE(Deliver(Frame(5)));
    EXPECT_TRUE(read->Completed());
    EXPECT_EQ(read->srb.Status, kStatusSuccess);
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
}

TEST_F(Streams, RefusedRequests)
{
    EXPECT_EQ(rig.Open(1, UsbCamRig::FormatOf(rig.camera().formats.stillRanges[0])), kStatusInvalidParameter)
        << "one stream only";
    KsDataFormatVideoInfo wrong = Format(0);
    wrong.VideoInfoHeader.bmiHeader.biSizeImage += 2;
    EXPECT_EQ(rig.Open(0, wrong), kStatusInvalidParameter);
    KsDataFormatVideoInfo truncated = Format(0);
    truncated.DataFormat.FormatSize = 100;
    EXPECT_EQ(rig.Open(0, truncated), kStatusInvalidParameter);
    EXPECT_EQ(rig.Open(0, Format(1)), kStatusInvalidParameter) << "MJPG needs a private request first";
    EXPECT_TRUE(rig.usb.Requests(3).empty() || rig.usb.Requests(3).back().index == 8);

    KsDataFormatVideoInfo upsideDown = Format(0);
    upsideDown.VideoInfoHeader.bmiHeader.biHeight = -480;
    ASSERT_EQ(rig.Open(0, upsideDown), kStatusSuccess);
    EXPECT_EQ(rig.Open(0, Format(0)), kStatusInvalidParameter) << "already open";

    auto small = rig.Read(0, kVga - 1);
    ASSERT_TRUE(small->Completed());
    EXPECT_EQ(small->srb.Status, kStatusInsufficientResources);
    EXPECT_EQ(rig.SetState(0, 9), kStatusInvalidParameter);
    Request format;
    KsDataFormatVideoInfo proposed = Format(2);
    format.srb.CommandData.OpenFormat = &proposed.DataFormat;
    EXPECT_EQ(rig.Control(0, kSrbProposeDataFormat, &format), kStatusSuccess);
    proposed.VideoInfoHeader.bmiHeader.biWidth = 641;
    EXPECT_EQ(rig.Control(0, kSrbProposeDataFormat, &format), int32_t(0xC0000272));
    EXPECT_EQ(rig.Control(0, kSrbGetDataFormat), kStatusNotImplemented);
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
}

TEST_F(Streams, CompressedFormatsOpenOnceTheApplicationTookControl)
{
    uint8_t buffer[160] = {};
    camvendor::WriteLe32(buffer + 24, 0x3B);
    memcpy(buffer, &dovracam::kPropSetCameraVendor, 16);
    camvendor::WriteLe32(buffer + 16, camvendor::kPropInquiry);
    camvendor::WriteLe32(buffer + 20, camvendor::kFlagSet);
    uint8_t out[160] = {};
    ASSERT_EQ(rig.Property(true, reinterpret_cast<KsProperty*>(buffer), 160, out, 160), kStatusSuccess);
    ASSERT_EQ(rig.Open(0, Format(1)), kStatusSuccess);
    EXPECT_EQ(rig.usb.Requests(3).front(), (VendorRequest{false, 3, 1, 8, 0}));
}

TEST_F(Streams, ReadsCarryMasterClockTimesAndDropCounts)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    Request clock;
    int handle = 0;
    clock.srb.CommandData.MasterClockHandle = &handle;
    ASSERT_EQ(rig.Control(0, kSrbIndicateMasterClock, &clock), kStatusSuccess);
    ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);

    std::vector<int64_t> times = {1000000, 1000000, 5000000};
    size_t next = 0;
    Host().masterClock = [&] { return times[next++]; };
    struct Expected {
        int64_t time, picture, dropped;
    };
    const Expected expected[] = {{1000000, 3, 2}, {1333333, 4, 2}, {5000000, 15, 12}};
    for (const Expected& e : expected) {
        auto read = rig.Read(0, kVga);
        ASSERT_TRUE(Deliver(Frame(1)));
        ASSERT_TRUE(read->Completed());
        const KsStreamHeader& h = read->read.header;
        EXPECT_EQ(h.PresentationTime.Time, e.time);
        EXPECT_EQ(h.PresentationTime.Numerator, 1u);
        EXPECT_EQ(h.Duration, 333333);
        EXPECT_EQ(h.OptionsFlags, 0x111u);
        EXPECT_EQ(read->read.frameInfo.PictureNumber, e.picture);
        EXPECT_EQ(read->read.frameInfo.DropCount, e.dropped);
    }
}

TEST_F(Streams, WithoutAClockEveryFrameHasTimeZero)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);
    Host().masterClock = [] { return int64_t(777777); };
    auto read = rig.Read(0, kVga);
    read->read.header.OptionsFlags = 0x110;
    ASSERT_TRUE(Deliver(Frame(2)));
    EXPECT_EQ(read->read.header.PresentationTime.Time, 0);
    EXPECT_EQ(read->read.header.OptionsFlags, 0u);
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
}

TEST_F(Streams, CancelAndTimeOut)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);
    auto first = rig.Read(0, kVga);
    auto second = rig.Read(0, kVga);
    first->srb.TimeoutCounter = 0;
    DovraCamRequestTimeout(&first->srb);
    EXPECT_EQ(first->srb.TimeoutCounter, 9u) << "reads never fail by time-out";
    EXPECT_FALSE(first->Completed());

    DovraCamCancelPacket(&first->srb);
    ASSERT_TRUE(first->Completed());
    EXPECT_EQ(first->srb.Status, kStatusCancelled);
    EXPECT_EQ(first->read.header.DataUsed, 0u);
    DovraCamCancelPacket(&first->srb);  // a second cancel finds nothing
    EXPECT_EQ(std::count(Host().streamCompleted.begin(), Host().streamCompleted.end(), &first->srb), 1);

    ASSERT_TRUE(Deliver(Frame(5)));
    ASSERT_TRUE(second->Completed()) << "the cancelled read left the queue";
    EXPECT_EQ(second->srb.Status, kStatusSuccess);
}

TEST_F(Streams, SurpriseRemovalDuringRunCompletesEveryRead)
{
    const size_t rigBlocks = Host().liveBlocks;
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);
    std::vector<std::unique_ptr<Request>> reads;
    for (int i = 0; i < 4; ++i) reads.push_back(rig.Read(0, kVga));

    rig.usb.removed = true;
    Request removal;
    ASSERT_EQ(rig.Send(removal, kSrbSurpriseRemoval), kStatusSuccess);
    for (const auto& read : reads) {
        ASSERT_TRUE(read->Completed());
        EXPECT_EQ(read->srb.Status, kStatusCancelled);
    }
    auto late = rig.Read(0, kVga);
    ASSERT_TRUE(late->Completed());
    EXPECT_EQ(late->srb.Status, kStatusCancelled);
    EXPECT_FALSE(Deliver(Frame(1)));
    EXPECT_EQ(rig.SetState(0, kKsStateRun), kStatusDeviceDataError);
    EXPECT_EQ(rig.Close(0), kStatusNotImplemented);
    ASSERT_EQ(rig.Uninitialize(), kStatusSuccess);
    EXPECT_EQ(Host().liveBlocks, size_t(3)) << "only the rig's own extensions remain";
    (void)rigBlocks;
}

TEST_F(Streams, AllocatorFramingAndDroppedFrames)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    KsProperty property = {dovracam::kPropSetConnection, 3, 1};
    KsAllocatorFraming framing = {};
    ScPropertyDescriptor info = {&property, 0, &framing, sizeof property, sizeof framing};
    Request r;
    r.srb.CommandData.PropertyInfo = &info;
    ASSERT_EQ(rig.Control(0, kSrbGetStreamProperty, &r), kStatusSuccess);
    EXPECT_EQ(r.srb.ActualBytesTransferred, 24u);
    EXPECT_EQ(framing.RequirementsFlags, 0x80000003u);
    EXPECT_EQ(framing.Frames, 5u);
    EXPECT_EQ(framing.FrameSize, kVga);

    KsProperty dropped = {dovracam::kPropSetDroppedFrames, 0, 1};
    KsDroppedFramesS answer = {};
    info = {&dropped, 1, &answer, sizeof dropped, sizeof answer};
    ASSERT_EQ(rig.Control(0, kSrbGetStreamProperty, &r), kStatusSuccess);
    EXPECT_EQ(r.srb.ActualBytesTransferred, 48u);
    EXPECT_EQ(answer.AverageFrameSize, kVga);
}

TEST_F(Streams, ASetFormatBecomesTheStreamsFormat)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    const dovracam::FormatTable& table = rig.camera().formats;
    const uint32_t rgb24 =
        uint32_t(std::find_if(table.entries, table.entries + table.count,
                              [](const dovracam::FormatEntry& e) { return e.type == 5 && e.width == 320; }) -
                 table.entries);
    ASSERT_LT(rgb24, table.count);
    KsDataFormatVideoInfo format = Format(rgb24);
    Request set;
    set.srb.CommandData.OpenFormat = &format.DataFormat;
    ASSERT_EQ(rig.Control(0, kSrbSetDataFormat, &set), kStatusSuccess);
    EXPECT_EQ(rig.camera().width, 1024) << "a decoded mode: the camera sends its 1024x768 frames";
    EXPECT_EQ(rig.camera().height, 768);
    auto small = rig.Read(0, 320 * 240 * 3);
    EXPECT_NE(small->srb.Status, kStatusInsufficientResources) << "reads are measured against the new format";
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
}

// A control request that arrives while another runs waits for it.
TEST_F(Streams, ControlRequestsRunOneAtATime)
{
    ASSERT_EQ(OpenVga(), kStatusSuccess);
    Request first, second;
    second.srb.CommandData.StreamState = kKsStateRun;
    int depth = 0;
    std::vector<std::pair<ScRequestBlock*, int>> order;
    Host().onStreamComplete = [&](ScRequestBlock* srb) {
        order.emplace_back(srb, depth);
        if (srb == &first.srb) {
            ++depth;
            EXPECT_EQ(rig.Control(0, kSrbSetStreamState, &second), kStatusPending) << "queued behind the first";
            --depth;
        }
    };
    EXPECT_EQ(rig.Control(0, kSrbGetStreamState, &first), kStatusSuccess);
    Host().onStreamComplete = nullptr;
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[1], std::make_pair(&second.srb, 0)) << "run after the first, not inside it";
    EXPECT_EQ(second.srb.Status, kStatusSuccess);
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
}

TEST(CameraStart, WaitsForTheCameraToBeReady)
{
    UsbCamRig ready;
    ready.usb.pollsUntilReady = 3;
    ASSERT_EQ(ready.Initialize(), kStatusSuccess);
    EXPECT_EQ(Host().delays, std::vector<int64_t>(3, -10000000));

    UsbCamRig never;
    never.usb.pollsUntilReady = 100;
    EXPECT_EQ(never.Initialize(), kStatusUnsuccessful);
    EXPECT_EQ(Host().delays.size(), 10u);
    EXPECT_EQ(never.camera().interfaceCopy, nullptr);

    UsbCamRig gone;
    gone.usb.removed = true;
    EXPECT_EQ(gone.Initialize(), kStatusNoSuchDevice);
}

}  // namespace
}  // namespace usbcam
