// Extra modes: the camera's JPEG frames arrive over the bulk path and are
// delivered as the open format's picture, the same picture the decoder and
// converters make of that frame on their own.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <kjpeg/PixelConverters.h>

#include "KsGuids.h"
#include "UsbCamRig.h"

namespace usbcam {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFrame(const std::string& name)
{
    std::ifstream in(std::string(KJPEG_FRAMES) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Format {
    uint8_t type;
    uint16_t width, height;
    uint32_t BytesPerPixel() const { return type == dovracam::kTypeRgb24 ? 3 : 2; }
    uint32_t PictureSize() const { return uint32_t(width) * height * BytesPerPixel(); }
};

// What the decoder and the converter make of the frame, outside the driver.
Bytes Reference(const Bytes& jpeg, const Format& format)
{
    alignas(8) static uint8_t block[kjpeg::kJpegDecoderBlockSize];
    kjpeg::JpegDecoder* decoder = kjpeg::CreateJpegDecoder(block, sizeof block);
    Bytes planes(kjpeg::kMaxPlanesSize);
    kjpeg::DecodedFrame frame;
    EXPECT_EQ(kjpeg::DecodeJpegFrame(decoder, jpeg.data(), jpeg.size(), planes.data(), planes.size(), &frame),
              kjpeg::Status::Ok);
    Bytes picture(format.PictureSize());
    const kjpeg::Picture out = {picture.data(), picture.size(), format.width, format.height};
    size_t written = 0;
    if (format.type == dovracam::kTypeYuy2) {
        written = kjpeg::ConvertToYuy2(frame, out);
    } else if (format.type == dovracam::kTypeRgb24) {
        auto tables = std::make_unique<kjpeg::Rgb24Tables>();
        kjpeg::CreateColourTables(tables.get());
        written = kjpeg::ConvertToRgb24(frame, *tables, out);
    } else {
        auto table = std::make_unique<kjpeg::Rgb555Table>();
        kjpeg::CreateColourTables(table.get());
        written = kjpeg::ConvertToRgb555(frame, *table, out);
    }
    EXPECT_EQ(written, picture.size());
    return picture;
}

// A camera that lists one mode of its own and streams the extra modes as
// JPEG frames.
class ExtraModeCamera {
public:
    void Open(const Format& format)
    {
        rig.usb.modeCount = 1;
        rig.usb.modeReplies[0] = ModeReply(dovracam::kTypeYuy2, 160, 120);
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
        dovracam::FormatTable& table = rig.camera().formats;
        const auto* entry =
            std::find_if(table.entries, table.entries + table.count, [&](const dovracam::FormatEntry& e) {
                return e.extra && e.type == format.type && e.width == format.width && e.height == format.height;
            });
        ASSERT_NE(entry, table.entries + table.count);
        table.selected = uint16_t(entry - table.entries);  // as the data intersection leaves it
        ASSERT_EQ(rig.Open(0, UsbCamRig::FormatOf(*entry->range)), kStatusSuccess);
        ASSERT_EQ(rig.SetState(0, kKsStateRun), kStatusSuccess);
    }

    // Sends the frame and returns the read it completed.
    std::unique_ptr<Request> Deliver(const Bytes& jpeg, const Format& format, uint8_t statusByte)
    {
        auto read = rig.Read(0, format.PictureSize());
        std::fill(read->data.begin(), read->data.end(), 0xA5);  // left over from an earlier frame
        uint8_t status[48] = {statusByte};
        rig.usb.SendFrame(jpeg, status);
        return read;
    }

    UsbCamRig rig;
};

void Settle(std::initializer_list<UsbCamRig*> rigs)
{
    for (int round = 0; round < 1000; ++round) {
        size_t moved = Host().RunWork();
        for (UsbCamRig* rig : rigs) moved += rig->usb.Pump();
        if (moved == 0) return;
    }
    FAIL() << "the frame path never settles";
}

bool Delivered(const Request& read, const Bytes& expected)
{
    return read.Completed() && read.srb.Status == kStatusSuccess && read.read.header.DataUsed == expected.size() &&
           std::equal(expected.begin(), expected.end(), read.data.begin());
}

TEST(ExtraModes, DeliverTheDecodedFrameInTheOpenFormat)
{
    struct Case {
        Format format;
        const char* frame;
    };
    const Case cases[] = {
        {{dovracam::kTypeYuy2, 640, 480}, "q75_420.jpg"},   {{dovracam::kTypeYuy2, 1024, 768}, "q90_422.jpg"},
        {{dovracam::kTypeRgb24, 1024, 768}, "q50_420.jpg"}, {{dovracam::kTypeRgb24, 352, 288}, "q75_422.jpg"},
        {{dovracam::kTypeRgb555, 320, 240}, "q20_420.jpg"}, {{dovracam::kTypeRgb555, 176, 144}, "q100_422.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame << " as " << int(c.format.type) << " " << c.format.width);
        const Bytes jpeg = ReadFrame(c.frame);
        ASSERT_FALSE(jpeg.empty());
        ExtraModeCamera camera;
        camera.Open(c.format);
        auto read = camera.Deliver(jpeg, c.format, 7);
        Settle({&camera.rig});
        EXPECT_TRUE(Delivered(*read, Reference(jpeg, c.format)));
        EXPECT_EQ(camera.rig.camera().statusBlock[0], 7);
        ASSERT_EQ(camera.rig.Close(0), kStatusSuccess);
        ASSERT_EQ(camera.rig.Uninitialize(), kStatusSuccess);
        EXPECT_EQ(Host().liveBlocks, 3u) << "the decoder and its tables go with the format";
    }
}

TEST(ExtraModes, ARefusedFrameDeliversNothingAndTheNextFrameDecodes)
{
    const Format format = {dovracam::kTypeRgb24, 640, 480};
    ExtraModeCamera camera;
    camera.Open(format);
    const Bytes good = ReadFrame("q75_420.jpg");
    Bytes cut(good.begin(), good.begin() + good.size() / 2);  // the picture ends early
    Bytes progressive = good;
    const uint8_t baseline[] = {0xFF, 0xC0};
    auto sof = std::search(progressive.begin(), progressive.end(), baseline, baseline + 2);
    ASSERT_NE(sof, progressive.end());
    sof[1] = 0xC2;
    for (const Bytes& refused : {ReadFrame("grey.jpg"), progressive, cut}) {
        ASSERT_GT(refused.size(), 2u);
        auto read = camera.Deliver(refused, format, 9);
        Settle({&camera.rig});
        ASSERT_TRUE(read->Completed());
        EXPECT_EQ(read->srb.Status, kStatusSuccess);
        EXPECT_EQ(read->read.header.DataUsed, 0u);
        EXPECT_TRUE(std::all_of(read->data.begin(), read->data.end(), [](uint8_t b) { return b == 0xA5; }))
            << "no stale or partial picture";
        EXPECT_NE(camera.rig.camera().statusBlock[0], 9) << "a refused frame's status is not taken";
    }
    auto read = camera.Deliver(good, format, 3);
    Settle({&camera.rig});
    EXPECT_TRUE(Delivered(*read, Reference(good, format)));
}

TEST(ExtraModes, AReadTooSmallForThePictureGetsNothing)
{
    const Format format = {dovracam::kTypeRgb24, 1024, 768};
    ExtraModeCamera camera;
    camera.Open(format);
    auto read = camera.rig.Read(0, format.PictureSize() - 1);
    const uint8_t status[48] = {};
    camera.rig.usb.SendFrame(ReadFrame("q75_420.jpg"), status);
    Settle({&camera.rig});
    ASSERT_TRUE(read->Completed());
    EXPECT_EQ(read->read.header.DataUsed, 0u);
}

TEST(ExtraModes, TwoCamerasDecodeTheirOwnFrames)
{
    const Format yuy2 = {dovracam::kTypeYuy2, 640, 480}, rgb555 = {dovracam::kTypeRgb555, 1024, 768};
    ExtraModeCamera first, second;  // both made before either runs: they share the host
    first.Open(yuy2);
    second.Open(rgb555);
    const Bytes frames[] = {ReadFrame("q75_420.jpg"), ReadFrame("camera_tables_422.jpg"), ReadFrame("q20_422.jpg")};
    for (int n = 0; n < 6; ++n) {
        const Bytes& a = frames[n % 3];
        const Bytes& b = frames[(n + 1) % 3];
        auto readA = first.Deliver(a, yuy2, uint8_t(n));
        auto readB = second.Deliver(b, rgb555, uint8_t(n + 100));
        Settle({&first.rig, &second.rig});
        EXPECT_TRUE(Delivered(*readA, Reference(a, yuy2))) << n;
        EXPECT_TRUE(Delivered(*readB, Reference(b, rgb555))) << n;
        EXPECT_EQ(first.rig.camera().statusBlock[0], n);
        EXPECT_EQ(second.rig.camera().statusBlock[0], n + 100);
        auto& done = Host().streamCompleted;
        done.erase(std::remove(done.begin(), done.end(), &readA->srb), done.end());
        done.erase(std::remove(done.begin(), done.end(), &readB->srb), done.end());
    }
    // The second camera's decoder goes with its format; the first's stays.
    ASSERT_EQ(second.rig.Close(0), kStatusSuccess);
    auto read = first.Deliver(frames[0], yuy2, 1);
    Settle({&first.rig});
    EXPECT_TRUE(Delivered(*read, Reference(frames[0], yuy2)));
}

}  // namespace
}  // namespace usbcam
