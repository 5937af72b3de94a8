// The camera part's transfers through the transport interface: bulk reads
// and writes in chunks, interrupt waits for the still button, cancel, and
// removal while they are in flight.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "Bytes.h"
#include "KsGuids.h"
#include "TransportInterface.h"
#include "UsbCamRig.h"

namespace usbcam {
namespace {

using dovracam::TransportInterface;

constexpr uint16_t kDataPipe = 0;  // its chunks are 32 KB at most
constexpr uint32_t kChunk = 0x8000;
constexpr uint16_t kHeaderPipe = 1;
constexpr uint16_t kButtonPipe = SimUsbCamera::kButtonPipe;
constexpr uint16_t kOutPipe = SimUsbCamera::kOutPipe;

// What the camera part's completion routine heard.
struct Completions {
    void* camera = nullptr;
    std::vector<ScStatus> statuses;
    static void Record(void* camera, void* context, ScStatus status)
    {
        auto& c = *static_cast<Completions*>(context);
        c.camera = camera;
        c.statuses.push_back(status);
    }
};

std::vector<uint8_t> Bytes(uint32_t length, uint8_t seed)
{
    std::vector<uint8_t> bytes(length);
    for (uint32_t i = 0; i < length; ++i) bytes[i] = uint8_t(i * 7 + seed + i / 251);
    return bytes;
}

class Transfers : public testing::Test {
protected:
    void SetUp() override
    {
        rig.usb.modeCount = 1;
        rig.usb.modeReplies[0] = ModeReply(1, 640, 480);
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(&info), kStatusSuccess);
        ASSERT_NE(rig.camera().transport, nullptr);
    }

    TransportInterface& transport() { return *rig.camera().transport; }
    void* camera() { return &rig.camera(); }

    ScStatus Read(uint16_t pipe, std::vector<uint8_t>& buffer, Completions& done)
    {
        return transport().BulkReadWrite(camera(), pipe, buffer.data(), uint32_t(buffer.size()), Completions::Record,
                                         &done);
    }
    ScStatus Wait(std::vector<uint8_t>& buffer, Completions& done, bool restart)
    {
        return transport().WaitOnDeviceEvent(camera(), kButtonPipe, buffer.data(), uint32_t(buffer.size()),
                                             Completions::Record, &done, restart);
    }

    // As the stream class does when a client enables or disables the event.
    ScStatus StillEvent(bool enable)
    {
        ScEventDescriptor descriptor = {};
        descriptor.Enable = enable;
        descriptor.DeviceExtension = &rig.device();
        return reinterpret_cast<ScEventRoutine>(info.descriptor.StreamHeader.DeviceEventRoutine)(&descriptor);
    }

    void Settle()
    {
        for (int round = 0; round < 1000; ++round)
            if (rig.usb.Pump() + Host().RunWork() == 0) return;
        FAIL() << "the transfers never settle";
    }

    // Records the transfers report to; they outlive the rig, which may end
    // transfers as it goes.
    Completions& Heard() { return heard.emplace_back(); }

    std::deque<Completions> heard;
    StreamDescriptorBuffer info = {};
    UsbCamRig rig;
};

TEST_F(Transfers, ReadsAndWritesMoveTheBufferInChunks)
{
    const uint32_t packet = rig.usb.bulkPacketSize;
    struct Case {
        const char* what;
        uint16_t pipe;
        uint32_t length;
        uint32_t sent;  // bytes the camera has for the read
        uint32_t arrived;
    } cases[] = {
        {"two whole chunks", kDataPipe, 2 * kChunk, 2 * kChunk, 2 * kChunk},
        {"chunks, then a tail shorter than a packet, bounced", kDataPipe, 2 * kChunk + packet + 100,
         2 * kChunk + 3 * packet, 2 * kChunk + packet + 100},
        {"a single short chunk, bounced", kHeaderPipe, 64, packet, 64},
        {"the camera sends less: the read ends short", kDataPipe, kChunk + packet, 1000, 1000},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> sent = Bytes(c.sent, uint8_t(c.length));
        rig.usb.bulk[c.pipe].push_back(sent);
        std::vector<uint8_t> buffer(c.length, 0xEE);  // exactly its length: ASan sees a write past it
        Completions& done = Heard();
        ASSERT_EQ(Read(c.pipe, buffer, done), kStatusSuccess) << c.what;
        Settle();
        ASSERT_EQ(done.statuses, std::vector<ScStatus>{kStatusSuccess}) << c.what;
        EXPECT_EQ(done.camera, camera());
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + c.arrived, sent.begin())) << c.what;
        EXPECT_TRUE(std::all_of(buffer.begin() + c.arrived, buffer.end(), [](uint8_t b) { return b == 0xEE; }))
            << c.what << ": nothing beyond what arrived";
        rig.usb.bulk[c.pipe].clear();
    }

    const std::vector<uint8_t> command = Bytes(2 * packet + 100, 3);
    std::vector<uint8_t> out = command;
    Completions& written = Heard();
    ASSERT_EQ(Read(kOutPipe, out, written), kStatusSuccess);
    Settle();
    EXPECT_EQ(written.statuses, std::vector<ScStatus>{kStatusSuccess});
    EXPECT_EQ(rig.usb.written[kOutPipe], command);
    EXPECT_EQ(rig.usb.writeChunks[kOutPipe], (std::vector<uint32_t>{packet, packet, 100}))
        << "whole packets, then the rest as it is";
}

TEST_F(Transfers, AStallEndsTheReadWithItsError)
{
    rig.usb.stalled[kDataPipe] = true;
    std::vector<uint8_t> buffer(kChunk);
    Completions& done = Heard();
    ASSERT_EQ(Read(kDataPipe, buffer, done), kStatusSuccess);
    Settle();
    ASSERT_EQ(done.statuses.size(), 1u);
    EXPECT_NE(done.statuses[0], kStatusSuccess);
}

TEST_F(Transfers, RefusedCallsStartNothing)
{
    std::vector<uint8_t> buffer(rig.usb.bulkPacketSize);
    std::vector<uint8_t> small(rig.usb.bulkPacketSize - 1);
    Completions& busy = Heard();
    ASSERT_EQ(Read(kDataPipe, buffer, busy), kStatusSuccess);  // stays pending: the camera sends nothing
    Completions& none = Heard();
    struct Case {
        const char* what;
        ScStatus status;
    } cases[] = {
        {"a pipe that does not exist",
         transport().BulkReadWrite(camera(), 9, buffer.data(), uint32_t(buffer.size()), nullptr, nullptr)},
        {"a read on the interrupt pipe",
         transport().BulkReadWrite(camera(), kButtonPipe, buffer.data(), uint32_t(buffer.size()), nullptr, nullptr)},
        {"no buffer", transport().BulkReadWrite(camera(), kHeaderPipe, nullptr, 64, nullptr, nullptr)},
        {"no length", transport().BulkReadWrite(camera(), kHeaderPipe, buffer.data(), 0, nullptr, nullptr)},
        {"a busy pipe", Read(kDataPipe, buffer, none)},
        {"an event wait on a bulk pipe", transport().WaitOnDeviceEvent(camera(), kHeaderPipe, buffer.data(),
                                                                       uint32_t(buffer.size()), nullptr, nullptr, 0)},
        {"an event wait shorter than a packet", Wait(small, none, false)},
        {"a cancel on a pipe that does not exist", transport().CancelBulkReadWrite(camera(), 9)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.status, kStatusInvalidParameter) << c.what;
    {
        DispatchLevel dispatch;
        EXPECT_EQ(transport().CancelBulkReadWrite(camera(), kDataPipe), kStatusInvalidParameter)
            << "a cancel cannot wait at DISPATCH_LEVEL";
    }
    const std::vector<uint8_t> sent = Bytes(uint32_t(buffer.size()), 9);
    rig.usb.bulk[kDataPipe].push_back(sent);
    Settle();
    EXPECT_TRUE(none.statuses.empty());
    EXPECT_EQ(busy.statuses, std::vector<ScStatus>{kStatusSuccess}) << "the transfer in flight goes on";
    EXPECT_EQ(buffer, sent);
}

TEST_F(Transfers, AtDispatchLevelTheTransferStartsFromAWorkItem)
{
    std::vector<uint8_t> buffer(64);
    Completions& done = Heard();
    rig.usb.bulk[kHeaderPipe].push_back(Bytes(64, 1));
    {
        DispatchLevel dispatch;
        ASSERT_EQ(Read(kHeaderPipe, buffer, done), kStatusSuccess);
        Completions& second = Heard();
        EXPECT_EQ(Read(kHeaderPipe, buffer, second), kStatusInvalidParameter) << "the pipe is taken at once";
    }
    EXPECT_EQ(rig.usb.Pump(), 0u) << "nothing sent yet";
    EXPECT_EQ(Host().RunWork(), 1u);
    Settle();
    EXPECT_EQ(done.statuses, std::vector<ScStatus>{kStatusSuccess});
    EXPECT_EQ(buffer, Bytes(64, 1));

    std::vector<uint8_t> press(rig.usb.bulkPacketSize);
    Completions& pressed = Heard();
    {
        DispatchLevel dispatch;
        EXPECT_EQ(Wait(press, pressed, false), kStatusPending) << "an event wait says it was deferred";
    }
    // Cancelled before its work item ran, the wait ends without going out.
    ASSERT_EQ(rig.Uninitialize(), kStatusSuccess);
    EXPECT_EQ(pressed.statuses, std::vector<ScStatus>{kStatusCancelled});
    EXPECT_EQ(Host().liveBlocks, 3u);
}

TEST_F(Transfers, TheStillButtonSignalsSubscribersAndTheWaitGoesOnWhenAsked)
{
    const ScStreamHeader& header = info.descriptor.StreamHeader;
    ASSERT_EQ(header.NumDevEventArrayEntries, 1u);
    const auto* sets = static_cast<const KsEventSet*>(header.DeviceEventsArray);
    EXPECT_TRUE(dovracam::SameGuid(*sets[0].Set, dovracam::kEventSetVidCapToSti));
    ASSERT_EQ(sets[0].EventsCount, 1u);
    EXPECT_EQ(sets[0].EventItem[0].EventId, 0u) << "KSEVENT_VIDCAPTOSTI_EXT_TRIGGER";

    std::vector<uint8_t> press(rig.usb.bulkPacketSize);
    Completions& done = Heard();
    ASSERT_EQ(Wait(press, done, true), kStatusSuccess);
    auto Press = [&](uint8_t button) {
        rig.usb.bulk[kButtonPipe].push_back({button});
        Settle();
    };
    Press(1);
    EXPECT_EQ(done.statuses.size(), 1u);
    EXPECT_EQ(press[0], 1);
    EXPECT_TRUE(Host().deviceEvents.empty()) << "nobody listens yet";

    ASSERT_EQ(StillEvent(true), kStatusSuccess);
    ASSERT_EQ(StillEvent(true), kStatusSuccess);
    ASSERT_EQ(StillEvent(false), kStatusSuccess);
    Press(2);
    EXPECT_EQ(done.statuses.size(), 2u) << "the wait went on";
    ASSERT_EQ(Host().deviceEvents.size(), 1u);
    EXPECT_EQ(Host().deviceEvents[0].device, &rig.device());
    EXPECT_TRUE(dovracam::SameGuid(Host().deviceEvents[0].set, dovracam::kEventSetVidCapToSti));
    EXPECT_EQ(Host().deviceEvents[0].id, 0u);

    ASSERT_EQ(StillEvent(false), kStatusSuccess);
    ASSERT_EQ(StillEvent(false), kStatusSuccess);  // one too many: the count stays at none
    Press(3);
    EXPECT_EQ(Host().deviceEvents.size(), 1u) << "the last subscriber left";

    // A cancel ends the wait for good.
    EXPECT_EQ(transport().CancelBulkReadWrite(camera(), kButtonPipe), kStatusSuccess);
    EXPECT_EQ(done.statuses.back(), kStatusCancelled);
    const size_t heard = done.statuses.size();
    Press(4);
    EXPECT_EQ(done.statuses.size(), heard);

    // Without the restart one press ends it.
    Completions& once = Heard();
    ASSERT_EQ(Wait(press, once, false), kStatusSuccess) << "the cancelled pipe is free again";
    rig.usb.bulk[kButtonPipe].clear();
    Press(5);
    Press(6);
    EXPECT_EQ(once.statuses, std::vector<ScStatus>{kStatusSuccess});
    EXPECT_EQ(press[0], 5);
}

TEST_F(Transfers, CancelEndsAReadAndFreesItsPipe)
{
    std::vector<uint8_t> buffer(kChunk, 0xEE);
    Completions& done = Heard();
    ASSERT_EQ(Read(kDataPipe, buffer, done), kStatusSuccess);
    Settle();
    EXPECT_TRUE(done.statuses.empty());
    EXPECT_EQ(transport().CancelBulkReadWrite(camera(), kDataPipe), kStatusSuccess);
    EXPECT_EQ(done.statuses, std::vector<ScStatus>{kStatusCancelled});
    EXPECT_EQ(buffer, std::vector<uint8_t>(kChunk, 0xEE));
    EXPECT_EQ(transport().CancelBulkReadWrite(camera(), kDataPipe), kStatusSuccess) << "an idle pipe";
    Completions& again = Heard();
    EXPECT_EQ(Read(kDataPipe, buffer, again), kStatusSuccess);
    rig.usb.bulk[kDataPipe].push_back(Bytes(kChunk, 4));
    Settle();
    EXPECT_EQ(again.statuses, std::vector<ScStatus>{kStatusSuccess});
}

TEST_F(Transfers, RemovalEndsEveryTransferAndUninitialisationLeaksNothing)
{
    std::vector<uint8_t> buffer(3 * kChunk);
    std::vector<uint8_t> press(rig.usb.bulkPacketSize);
    Completions& read = Heard();
    Completions& wait = Heard();
    ASSERT_EQ(Read(kDataPipe, buffer, read), kStatusSuccess);
    ASSERT_EQ(Wait(press, wait, true), kStatusSuccess);
    ASSERT_EQ(StillEvent(true), kStatusSuccess);
    rig.usb.bulk[kDataPipe].push_back(Bytes(kChunk, 2));  // the first chunk arrives, then the camera goes
    rig.usb.Pump();
    rig.usb.removed = true;
    Request removal;
    ASSERT_EQ(rig.Send(removal, kSrbSurpriseRemoval), kStatusSuccess);
    Settle();
    ASSERT_EQ(read.statuses.size(), 1u);
    EXPECT_NE(read.statuses[0], kStatusSuccess);
    ASSERT_EQ(wait.statuses.size(), 1u) << "a failed wait is not restarted";
    EXPECT_NE(wait.statuses[0], kStatusSuccess);
    EXPECT_TRUE(Host().deviceEvents.empty());
    ASSERT_EQ(rig.Uninitialize(), kStatusSuccess);
    EXPECT_EQ(Host().liveBlocks, 3u) << "only the rig's own extensions remain";
}

TEST_F(Transfers, UninitialisationCancelsATransferStillInFlight)
{
    std::vector<uint8_t> press(rig.usb.bulkPacketSize);
    Completions& wait = Heard();
    ASSERT_EQ(Wait(press, wait, true), kStatusSuccess);
    ASSERT_EQ(rig.Uninitialize(), kStatusSuccess);
    EXPECT_EQ(wait.statuses, std::vector<ScStatus>{kStatusCancelled});
    EXPECT_EQ(Host().liveBlocks, 3u);
}

}  // namespace
}  // namespace usbcam
