// The bulk frame path: headers, chunked reads split at every kind of chunk
// boundary, resynchronisation after garbage, short transfers and stalls, frames without a waiting read, and
// removal during a transfer.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "BulkFrames.h"
#include "TransportInterface.h"
#include "UsbCamRig.h"

namespace usbcam {
namespace {

using dovracam::CheckFrameStart;
using dovracam::FrameHeader;
using dovracam::ParseFrameHeader;

// A small picture keeps 300 frames quick under the sanitizers.
constexpr uint16_t kWidth = 160, kHeight = 120;
constexpr uint32_t kPicture = kWidth * kHeight * 2;
constexpr uint32_t kChunk = 0x8000;  // the data pipe's largest transfer

// A YUY2 picture as the frame check expects it: FF 00 first and never again.
std::vector<uint8_t> Picture(uint32_t number, uint32_t length)
{
    std::vector<uint8_t> image(length);
    for (uint32_t i = 0; i < length; ++i) image[i] = uint8_t((i * 131 + number * 7) % 255);
    image[0] = 0xFF;
    image[1] = 0x00;
    image[2] = uint8_t(number % 200);  // no 0xFF: the number cannot look like a start
    image[3] = uint8_t(number / 200);
    return image;
}

uint32_t NumberOf(const Request& read) { return read.data[2] + 200u * read.data[3]; }

class BulkFrames : public testing::TestWithParam<uint16_t> {
protected:
    void SetUp() override
    {
        rig.usb.bulkPacketSize = GetParam();
        rig.usb.modeCount = 1;
        rig.usb.modeReplies[0] = ModeReply(1, kWidth, kHeight);
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
        const dovracam::FormatTable& table = rig.camera().formats;
        const auto* mode = std::find_if(table.entries, table.entries + table.count,
                                        [](const dovracam::FormatEntry& e) { return !e.extra; });
        ASSERT_EQ(mode->width, kWidth);
        ASSERT_EQ(rig.Open(0, UsbCamRig::FormatOf(*mode->range)), kStatusSuccess);
        ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);
        Host().delays.clear();
    }

    // Runs the stack and the worker threads until nothing moves.
    void Settle()
    {
        for (int round = 0; round < 100000; ++round)
            if (rig.usb.Pump() + Host().RunWork() == 0) return;
        FAIL() << "the frame path never settles";
    }

    uint8_t status_[48] = {};
    UsbCamRig rig;
};

TEST_P(BulkFrames, ArriveWholeAndInOrderThroughGarbageShortTransfersAndStalls)
{
    constexpr uint32_t kFrames = 300;
    std::vector<std::vector<uint8_t>> sent;
    std::vector<std::unique_ptr<Request>> reads;
    uint32_t delivered = 0, missed = 0, lastNumber = 0;
    auto collect = [&] {
        for (auto& read : reads) {
            if (!read || !read->Completed()) continue;
            EXPECT_EQ(read->srb.Status, kStatusSuccess);
            const uint32_t used = read->read.header.DataUsed;
            if (used == 0) {
                ++missed;
            } else {
                const uint32_t number = NumberOf(*read);
                ASSERT_LT(number, sent.size());
                EXPECT_GT(number + 1, lastNumber) << "frames arrive in order";
                lastNumber = number + 1;
                ASSERT_EQ(used, sent[number].size());
                EXPECT_TRUE(std::equal(sent[number].begin(), sent[number].end(), read->data.begin()))
                    << "frame " << number << " arrives whole";
                ++delivered;
            }
            // The completion record goes with the request: its memory is reused.
            auto& done = Host().streamCompleted;
            done.erase(std::remove(done.begin(), done.end(), &read->srb), done.end());
            read = rig.Read(0, kPicture);
        }
    };
    for (int i = 0; i < 3; ++i) reads.push_back(rig.Read(0, kPicture));

    // Every other picture ends around the data pipe's chunk boundary (before
    // it, on it, a byte or a packet past it); the rest have many lengths.
    const int32_t packet = GetParam();
    const int32_t nearBoundary[] = {-packet - 1, -packet, -1, 0, 1, packet, packet + 1};
    uint32_t damaged = 0;
    for (uint32_t n = 0; n < kFrames; ++n) {
        const uint32_t length = n % 2 ? kChunk + nearBoundary[(n / 2) % 7] : kPicture - (n * 37) % 3000;
        sent.push_back(Picture(n, length));
        status_[0] = uint8_t(n);
        if (n % 37 == 5) rig.usb.bulk[1].push_back(std::vector<uint8_t>(64, 0x42));  // garbage for a header
        rig.usb.SendFrame(sent.back(), status_);
        if (n % 53 == 7) {
            rig.usb.bulk[0].back().resize(rig.usb.bulk[0].back().size() / 2);  // a short transfer
            ++damaged;
        }
        if (n % 71 == 9) {
            rig.usb.stallNext[0] = true;  // the camera abandons this picture
            ++damaged;
        }
        Settle();
        collect();
    }
    EXPECT_EQ(delivered, kFrames - damaged);
    EXPECT_LE(missed, damaged);
    EXPECT_GT(rig.usb.resets, 0) << "errors reset the pipes";
    EXPECT_EQ(rig.camera().statusBlock[0], uint8_t(kFrames - 1)) << "the status block of the latest frame";
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
}

TEST_P(BulkFrames, AFrameWithoutAReadIsDropped)
{
    rig.usb.SendFrame(Picture(0, kPicture), status_);
    Settle();
    EXPECT_EQ(Host().delays, (std::vector<int64_t>{-50000})) << "one 5 ms wait for a read";
    auto read = rig.Read(0, kPicture);
    rig.usb.SendFrame(Picture(1, kPicture), status_);
    Settle();
    ASSERT_TRUE(read->Completed());
    EXPECT_EQ(NumberOf(*read), 1u);
}

TEST_P(BulkFrames, RemovalDuringATransferCompletesEverythingAndLeaksNothing)
{
    std::vector<std::unique_ptr<Request>> reads;
    for (int i = 0; i < 3; ++i) reads.push_back(rig.Read(0, kPicture));
    // The header arrives, half the picture, then the camera is pulled.
    std::vector<uint8_t> picture = Picture(0, kPicture);
    rig.usb.bulk[1].push_back(rig.usb.FrameHeader(kPicture, kPicture, status_));
    rig.usb.bulk[0].push_back(std::vector<uint8_t>(picture.begin(), picture.begin() + kPicture / 2));
    rig.usb.Pump();
    rig.usb.Pump();
    rig.usb.removed = true;
    Request removal;
    ASSERT_EQ(rig.Send(removal, kSrbSurpriseRemoval), kStatusSuccess);
    Settle();
    for (const auto& read : reads) {
        ASSERT_TRUE(read->Completed());
        EXPECT_EQ(read->srb.Status, kStatusCancelled);
    }
    EXPECT_EQ(rig.Close(0), kStatusNotImplemented);
    ASSERT_EQ(rig.Uninitialize(), kStatusSuccess);
    Settle();
    EXPECT_EQ(Host().liveBlocks, 3u) << "only the rig's own extensions remain";
}

TEST_P(BulkFrames, TheWatchdogResetsAStalledPipeAndStreamingResumes)
{
    auto read = rig.Read(0, kPicture);
    // The header arrives, then the camera sends nothing and completes nothing.
    rig.usb.bulk[1].push_back(rig.usb.FrameHeader(kPicture, kPicture, status_));
    Settle();
    ASSERT_EQ(Host().TickTimers(), 1u);
    Settle();
    EXPECT_EQ(rig.usb.resets, 0) << "a chunk is given a whole period";
    Host().TickTimers();
    Settle();
    EXPECT_EQ(rig.usb.resets, 2) << "both pipes reset";
    EXPECT_FALSE(read->Completed()) << "the read waits for the next frame";
    for (uint32_t n = 1; n <= 3; ++n) {
        Host().TickTimers();  // the next header read is noted, then moves
        rig.usb.SendFrame(Picture(n, kPicture), status_);
        Settle();
        ASSERT_TRUE(read->Completed());
        EXPECT_EQ(read->read.header.DataUsed, kPicture);
        EXPECT_EQ(NumberOf(*read), n);
        Host().streamCompleted.clear();
        read = rig.Read(0, kPicture);
    }
    EXPECT_EQ(rig.usb.resets, 2) << "transfers that move are left alone";
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
    EXPECT_EQ(Host().TickTimers(), 0u) << "the watchdog ends with the stream";
}

TEST_P(BulkFrames, TheCameraPartHoldsTheTransfersBackAndLetsThemGoOn)
{
    dovracam::TransportInterface& transport = *rig.camera().transport;
    void* camera = &rig.camera();
    auto read = rig.Read(0, kPicture);
    EXPECT_EQ(transport.SetIsoPipeState(camera, 0), kStatusInvalidParameter) << "nothing is held yet";
    ASSERT_EQ(transport.SetIsoPipeState(camera, 1), kStatusSuccess);
    EXPECT_EQ(transport.SetIsoPipeState(camera, 1), kStatusInvalidParameter) << "a repeated state";
    rig.usb.SendFrame(Picture(1, kPicture), status_);
    Settle();
    EXPECT_FALSE(read->Completed()) << "nothing moves while held";
    EXPECT_EQ(rig.usb.bulk[1].size(), 1u) << "the header waits on its pipe";
    {
        DispatchLevel dispatch;
        EXPECT_EQ(transport.SetIsoPipeState(camera, 0), kStatusInvalidParameter)
            << "a hold cannot change at DISPATCH_LEVEL";
    }
    ASSERT_EQ(transport.SetIsoPipeState(camera, 0), kStatusSuccess);
    Settle();
    ASSERT_TRUE(read->Completed());
    EXPECT_EQ(read->read.header.DataUsed, kPicture);
    EXPECT_EQ(NumberOf(*read), 1u);
    EXPECT_EQ(rig.usb.resets, 0) << "a hold is no error";
}

INSTANTIATE_TEST_SUITE_P(PacketSizes, BulkFrames, testing::Values(64, 512));

TEST(FrameHeaders, AcceptOnlyWhatFitsTheBuffers)
{
    SimUsbCamera usb;
    const uint8_t status[48] = {7};
    struct Case {
        const char* name;
        uint32_t total, image, received, raw;
        bool accepted;
    };
    const Case cases[] = {
        {"whole", 1024, 1000, 64, 4096, true},
        {"not whole packets", 1000, 900, 64, 4096, false},
        {"beyond the raw buffer", 8192, 100, 64, 4096, false},
        {"picture longer than the transfer", 512, 1024, 64, 4096, false},
        {"empty", 0, 0, 64, 4096, false},
        {"short header", 1024, 1000, 63, 4096, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = usb.FrameHeader(c.total, c.image, status);
        bytes.resize(c.received);  // on the heap: reading past it is reported
        FrameHeader header = {};
        EXPECT_EQ(ParseFrameHeader(bytes.data(), c.received, c.raw, 512, &header), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_EQ(header.status[0], 7);
        }
    }
    std::vector<uint8_t> bytes = usb.FrameHeader(1024, 1000, status);
    bytes[61] = 'X';
    FrameHeader header;
    EXPECT_FALSE(ParseFrameHeader(bytes.data(), 64, 4096, 512, &header)) << "no nImg";
}

TEST(FrameStarts, FindTheNextFrameInsideTheBytesReceived)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> raw;
        bool good;
        uint32_t early;
    };
    std::vector<uint8_t> jpeg(64, 0x11);
    jpeg[0] = 0xFF, jpeg[1] = 0xD8;
    std::vector<uint8_t> twoStarts = jpeg;
    twoStarts[40] = 0xFF, twoStarts[41] = 0xD8;
    std::vector<uint8_t> lateStart(64, 0x11);
    lateStart[32] = 0xFF, lateStart[33] = 0xD8;
    std::vector<uint8_t> markerAtTheEnd(64, 0x11);
    markerAtTheEnd[63] = 0xFF;  // the pair would run past the bytes received
    const Case cases[] = {{"one start", jpeg, true, 0},
                          {"second start", twoStarts, false, 0},
                          {"start at a later packet", lateStart, false, 32},
                          {"marker cut by the end", markerAtTheEnd, false, 0},
                          {"nothing", std::vector<uint8_t>(1, 0xFF), false, 0}};
    for (const Case& c : cases) {
        std::vector<uint8_t> raw = c.raw;
        uint32_t early = 99;
        EXPECT_EQ(CheckFrameStart(raw.data(), uint32_t(raw.size()), 16, true, false, &early), c.good) << c.name;
        EXPECT_EQ(early, c.early) << c.name;
    }
}

}  // namespace
}  // namespace usbcam
