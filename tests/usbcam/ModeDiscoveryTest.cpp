// Mode discovery: the format table the camera's vendor replies imply.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "CameraContext.h"
#include "UsbCamRig.h"

namespace usbcam {
namespace {

using dovracam::FormatEntry;
using dovracam::FormatTable;

struct Mode {
    uint8_t type;
    uint16_t width, height;
    bool extra;
    uint16_t cameraMode;  // only for camera modes
    bool operator==(const Mode& o) const
    {
        return std::tie(type, width, height, extra) == std::tie(o.type, o.width, o.height, o.extra) &&
               (extra || cameraMode == o.cameraMode);
    }
};

void PrintTo(const Mode& m, std::ostream* os)
{
    *os << int(m.type) << ":" << m.width << "x" << m.height << (m.extra ? " extra" : " mode ")
        << (m.extra ? "" : std::to_string(m.cameraMode));
}

Mode Camera(uint8_t type, uint16_t w, uint16_t h, uint16_t mode) { return {type, w, h, false, mode}; }
Mode Extra(uint8_t type, uint16_t w, uint16_t h) { return {type, w, h, true, 0}; }

std::vector<Mode> Table(const FormatTable& table)
{
    std::vector<Mode> modes;
    for (uint32_t i = 0; i < table.count; ++i) {
        const FormatEntry& e = table.entries[i];
        modes.push_back({e.type, e.width, e.height, e.extra, e.cameraMode});
        // The list handed to the stream class is the same table.
        EXPECT_EQ(table.videoList[i], &e.range->DataRange);
    }
    return modes;
}

// The 18 extra modes in the order they are appended.
std::vector<Mode> Extras()
{
    std::vector<Mode> extras;
    for (uint8_t type : {1, 6, 5})
        for (auto size :
             {std::pair<uint16_t, uint16_t>{640, 480}, {1024, 768}, {320, 240}, {352, 288}, {176, 144}, {160, 120}})
            extras.push_back(Extra(type, size.first, size.second));
    return extras;
}

std::vector<Mode> Without(std::vector<Mode> modes, const Mode& skip)
{
    modes.erase(std::find(modes.begin(), modes.end(), skip));
    return modes;
}

struct DiscoveryCase {
    const char* name;
    std::function<void(SimUsbCamera&)> camera;
    std::function<std::vector<Mode>()> expected;
};

class ModeDiscovery : public testing::TestWithParam<DiscoveryCase> {};

TEST_P(ModeDiscovery, BuildsTheFormatTableTheRepliesImply)
{
    UsbCamRig rig;
    GetParam().camera(rig.usb);
    ASSERT_EQ(rig.Initialize(), kStatusSuccess);
    StreamDescriptorBuffer info = {};
    ASSERT_EQ(rig.StreamInfo(&info), kStatusSuccess);
    const FormatTable& table = rig.camera().formats;
    EXPECT_EQ(Table(table), GetParam().expected());
    EXPECT_EQ(info.descriptor.StreamHeader.NumberOfStreams, 1u);
    EXPECT_EQ(info.descriptor.StreamInfo.NumberOfFormatArrayEntries, table.count);
    EXPECT_EQ(info.descriptor.StreamInfo.StreamFormatsArray, table.videoList);
    EXPECT_EQ(info.descriptor.StreamHeader.NumDevPropArrayEntries, 3u);
}

// 36 camera modes (I420, never equal to an extra mode) and the 18 extras.
void ThirtySixModes(SimUsbCamera& usb)
{
    usb.modeCount = 40;  // more than the table takes
    for (uint16_t i = 0; i < 40; ++i) usb.modeReplies[i] = ModeReply(2, 64 + 16 * i, 48 + 12 * i);
}
std::vector<Mode> FiftyFourFormats()
{
    std::vector<Mode> modes;
    std::vector<Mode> extras = Extras();
    // The decoded YUY2 640x480 is moved to the front, camera mode 0 to its place.
    modes.push_back(extras[0]);
    for (uint16_t i = 1; i < 36; ++i) modes.push_back(Camera(2, 64 + 16 * i, 48 + 12 * i, i));
    modes.push_back(Camera(2, 64, 48, 0));
    modes.insert(modes.end(), extras.begin() + 1, extras.end());
    return modes;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ModeDiscovery,
    testing::Values(DiscoveryCase{"FiftyFourModes", ThirtySixModes, FiftyFourFormats},
                    DiscoveryCase{"NoModes", [](SimUsbCamera& usb) { usb.modeCount = 0; }, Extras},
                    DiscoveryCase{"CameraListsYuy2Vga",
                                  [](SimUsbCamera& usb) {
                                      usb.modeCount = 2;
                                      usb.modeReplies[0] = ModeReply(1, 640, 480);
                                      usb.modeReplies[1] = ModeReply(0, 1024, 768);  // MJPG at 1024x768 is WJPG
                                  },
                                  [] {
                                      std::vector<Mode> modes = {Camera(1, 640, 480, 0), Camera(4, 1024, 768, 1)};
                                      for (const Mode& m : Without(Extras(), Extra(1, 640, 480))) modes.push_back(m);
                                      return modes;
                                  }},
                    DiscoveryCase{
                        "FailedModeRequestKeepsNumbers",
                        [](SimUsbCamera& usb) {
                            usb.modeCount = 3;
                            usb.modeReplies[0] = ModeReply(4, 800, 600);
                            usb.modeReplies[2] = ModeReply(0, 640, 480);
                        },
                        [] {
                            std::vector<Mode> extras = Extras();
                            std::vector<Mode> modes = {extras[0], Camera(0, 640, 480, 2), Camera(4, 800, 600, 0)};
                            modes.insert(modes.end(), extras.begin() + 1, extras.end());
                            return modes;
                        }},
                    DiscoveryCase{"NoListLargestOfferedSize",
                                  [](SimUsbCamera& usb) {
                                      usb.modeCount.reset();
                                      usb.camera.capability2 = 0x02;
                                      usb.sizeReplies = {ModeReply(0, 800, 600), ModeReply(0, 1280, 960),
                                                         ModeReply(0, 960, 1280), ModeReply(0, 640, 480)};
                                  },
                                  [] {
                                      std::vector<Mode> modes = {Camera(4, 1280, 960, 1)};
                                      for (const Mode& m : Extras()) modes.push_back(m);
                                      std::swap(modes[0], modes[1]);
                                      return modes;
                                  }},
                    DiscoveryCase{"NoListNoCapability",
                                  [](SimUsbCamera& usb) {
                                      usb.modeCount.reset();
                                      usb.camera.capability2 = 0x00;
                                      usb.sizeReplies = {ModeReply(0, 1280, 960)};
                                  },
                                  [] {
                                      std::vector<Mode> modes = {Extras()[0], Camera(4, 1024, 768, 1)};
                                      for (const Mode& m : Without(Extras(), Extra(1, 640, 480))) modes.push_back(m);
                                      return modes;
                                  }}),
    [](const testing::TestParamInfo<DiscoveryCase>& info) { return std::string(info.param.name); });

TEST(ModeDiscoveryRequests, AsksOnlyForTheModesTheTableTakes)
{
    UsbCamRig rig;
    ThirtySixModes(rig.usb);
    ASSERT_EQ(rig.Initialize(), kStatusSuccess);
    ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
    int asked = 0;
    for (const VendorRequest& r : rig.usb.Requests(4))
        if (r.index == 10) {
            EXPECT_LT(r.value, 36);
            EXPECT_EQ(r.length, 5u);
            ++asked;
        }
    EXPECT_EQ(asked, 36);
    // A second stream information request rebuilds the table, leaking nothing.
    const size_t live = Host().liveBlocks;
    ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
    EXPECT_EQ(Host().liveBlocks, live);
}

TEST(ModeDiscoveryRanges, CarryTheTemplateAndTheFrameFactor)
{
    UsbCamRig rig;
    rig.usb.modeCount = 1;
    rig.usb.modeReplies[0] = ModeReply(0, 1024, 768);
    rig.usb.frameWordA = 1024;
    rig.usb.frameWordB = 1537;  // just over two pictures: the factor rounds up to 3
    ASSERT_EQ(rig.Initialize(), kStatusSuccess);
    ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
    EXPECT_EQ(rig.camera().frameSizeFactor, 3);
    const FormatTable& table = rig.camera().formats;
    const KsDataRangeVideo& wjpg = *table.entries[1].range;  // behind the moved YUY2 640x480
    EXPECT_EQ(wjpg.DataRange.FormatSize, 296u);
    EXPECT_EQ(wjpg.DataRange.SubFormat.Data1, 0x47504A57u);
    EXPECT_EQ(wjpg.DataRange.SampleSize, 12u * 786432 / 8 * 3);
    EXPECT_EQ(wjpg.VideoInfoHeader.bmiHeader.biSizeImage, 12u * 786432 / 8 * 3);
    EXPECT_EQ(wjpg.ConfigCaps.MinBitsPerSecond, 72 * 786432 * 3);
    EXPECT_EQ(wjpg.ConfigCaps.MaxFrameInterval, 1666667);
    EXPECT_EQ(wjpg.StreamDescriptionFlags, 2u);

    const KsDataRangeVideo& rgb24 = *table.entries[13].range;  // first RGB24 extra: 640x480
    EXPECT_EQ(table.entries[13].type, 5);
    EXPECT_EQ(rgb24.DataRange.SampleSize, 3u * 640 * 480 * 3);
    EXPECT_EQ(rgb24.VideoInfoHeader.bmiHeader.biCompression, 0u);
    EXPECT_EQ(rgb24.VideoInfoHeader.bmiHeader.biBitCount, 24);
    EXPECT_EQ(rgb24.VideoInfoHeader.dwBitRate, 720u * 640 * 480 * 3);
}

TEST(ModeDiscoveryFlags, ModelAndCapabilityComeFromTheirInquiries)
{
    for (uint8_t model : {0x76, 0xF6, 0x60}) {
        UsbCamRig rig;
        rig.usb.camera.modelCode = model;
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
        EXPECT_EQ(rig.camera().flags.modelFlag, (model & 0x7F) == 0x76) << int(model);
    }
}

// Hostile replies: short, oversized and absurd answers are refused without
// reading or writing past a buffer (the sanitizers watch).
TEST(ModeDiscoveryHostile, RefusesWhatCannotBeAMode)
{
    UsbCamRig rig;
    rig.usb.modeCount = 255;
    rig.usb.modeReplies[0] = {1, 0x80};                     // short
    rig.usb.modeReplies[1] = ModeReply(1, 0, 480);          // no width
    rig.usb.modeReplies[2] = ModeReply(9, 800, 600);        // unknown type: MJPG
    rig.usb.modeReplies[3] = ModeReply(1, 0xFFFF, 0xFFFF);  // picture beyond 32 bits
    rig.usb.modeReplies[4] = ModeReply(0, 1024, 768);
    rig.usb.frameWordA = rig.usb.frameWordB = 0xFFFF;  // absurd factor: 1024x768 refused
    ASSERT_EQ(rig.Initialize(), kStatusSuccess);
    ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
    std::vector<Mode> cameraModes;
    for (const Mode& m : Table(rig.camera().formats))
        if (!m.extra) cameraModes.push_back(m);
    EXPECT_EQ(cameraModes, std::vector<Mode>{Camera(0, 800, 600, 2)});
    // Only the first 36 numbers were asked for.
    for (const VendorRequest& r : rig.usb.Requests(4)) {
        if (r.index == 10) {
            EXPECT_LT(r.value, 36);
        }
    }
}

TEST(ModeDiscoveryHostile, ALyingLengthMovesNoMoreThanTheBuffer)
{
    UsbCamRig rig;
    rig.usb.modeCount = 1;
    rig.usb.modeReplies[0] = ModeReply(1, 1280, 1024);
    rig.usb.claimedLength = 100000;
    ASSERT_EQ(rig.Initialize(), kStatusSuccess);
    ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
    EXPECT_EQ(Table(rig.camera().formats)[1], Camera(1, 1280, 1024, 0));
}

}  // namespace
}  // namespace usbcam
