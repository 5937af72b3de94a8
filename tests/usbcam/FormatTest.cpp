// Data intersection and the camera mode it selects.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "UsbCamRig.h"

namespace usbcam {
namespace {

constexpr ScStatus kRealNoMatch = int32_t(0xC0000272);  // STATUS_NO_MATCH as the DDK has it

// Camera modes 0 YUY2 640x480 and 1 WJPG 1024x768 (frame factor 2), then the extras.
void TwoModes(SimUsbCamera& usb)
{
    usb.modeCount = 2;
    usb.modeReplies[0] = ModeReply(1, 640, 480);
    usb.modeReplies[1] = ModeReply(0, 1024, 768);
    usb.frameWordA = 1024;
    usb.frameWordB = 1536;
}

struct Intersection {
    ScStatus status;
    uint32_t answered;
    std::vector<uint8_t> answer;
};

Intersection Intersect(UsbCamRig& rig, const void* range, uint32_t stream, uint32_t bufferSize)
{
    Intersection result;
    result.answer.resize(bufferSize);
    ScDataIntersectInfo info = {stream, static_cast<KsDataFormat*>(const_cast<void*>(range)),
                                bufferSize ? result.answer.data() : nullptr, bufferSize};
    Request r;
    r.srb.CommandData.IntersectInfo = &info;
    result.status = rig.Send(r, kSrbGetDataIntersection);
    result.answered = r.srb.ActualBytesTransferred;
    return result;
}

class DataIntersection : public testing::Test {
protected:
    void SetUp() override
    {
        TwoModes(rig.usb);
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
        rig.usb.log.clear();
    }
    KsDataRangeVideo RangeAt(uint32_t i) { return *rig.camera().formats.entries[i].range; }
    UsbCamRig rig;
};

TEST_F(DataIntersection, AnswersTheFormatAndSelectsTheCameraMode)
{
    KsDataRangeVideo range = RangeAt(1);  // WJPG 1024x768
    Intersection sizing = Intersect(rig, &range, 0, 0);
    EXPECT_EQ(sizing.status, kStatusBufferOverflow);
    EXPECT_EQ(sizing.answered, sizeof(KsDataFormatVideoInfo));
    EXPECT_EQ(Intersect(rig, &range, 0, sizeof(KsDataFormatVideoInfo) - 1).status, kStatusBufferTooSmall);

    Intersection full = Intersect(rig, &range, 0, sizeof(KsDataFormatVideoInfo));
    ASSERT_EQ(full.status, kStatusSuccess);
    EXPECT_EQ(full.answered, 152u);
    KsDataFormatVideoInfo answer;
    memcpy(&answer, full.answer.data(), sizeof answer);
    EXPECT_EQ(answer.DataFormat.FormatSize, 152u);
    const uint32_t image = ((12 * 1024 + 31) >> 5) * 4 * 768 * 2;
    EXPECT_EQ(answer.DataFormat.SampleSize, image);
    EXPECT_EQ(answer.VideoInfoHeader.bmiHeader.biSizeImage, image);
    EXPECT_EQ(answer.VideoInfoHeader.bmiHeader.biWidth, 1024);
    EXPECT_EQ(rig.camera().formats.selected, 1);
    EXPECT_EQ(rig.usb.Requests(3), (std::vector<VendorRequest>{{false, 3, 1, 8, 0}}));
}

TEST_F(DataIntersection, ClampsTheFrameIntervalToTheRange)
{
    struct Case {
        int64_t asked, answered;
        bool minimumRate;
    };
    for (const Case& c : {Case{5000000, 1666667, true}, Case{100, 333333, false}}) {
        KsDataRangeVideo range = RangeAt(0);
        range.VideoInfoHeader.AvgTimePerFrame = c.asked;
        Intersection full = Intersect(rig, &range, 0, sizeof(KsDataFormatVideoInfo));
        ASSERT_EQ(full.status, kStatusSuccess);
        KsDataFormatVideoInfo answer;
        memcpy(&answer, full.answer.data(), sizeof answer);
        EXPECT_EQ(answer.VideoInfoHeader.AvgTimePerFrame, c.answered);
        EXPECT_EQ(int32_t(answer.VideoInfoHeader.dwBitRate),
                  c.minimumRate ? range.ConfigCaps.MinBitsPerSecond : range.ConfigCaps.MaxBitsPerSecond);
    }
}

TEST_F(DataIntersection, ExtraModesSelectNothingYet)
{
    const uint32_t extra = 2;  // the first extra behind the two camera modes
    ASSERT_TRUE(rig.camera().formats.entries[extra].extra);
    KsDataRangeVideo range = RangeAt(extra);
    ASSERT_EQ(Intersect(rig, &range, 0, sizeof(KsDataFormatVideoInfo)).status, kStatusSuccess);
    EXPECT_EQ(rig.camera().formats.selected, extra);
    EXPECT_TRUE(rig.usb.Requests(3).empty());
}

TEST_F(DataIntersection, RefusesWhatDoesNotMatch)
{
    struct Case {
        const char* name;
        std::function<void(KsDataRangeVideo&)> change;
        uint32_t stream;
        ScStatus status;
    };
    const std::vector<Case> cases = {
        {"caps", [](KsDataRangeVideo& r) { r.ConfigCaps.CropAlignX = 2; }, 0, kRealNoMatch},
        {"width", [](KsDataRangeVideo& r) { r.VideoInfoHeader.bmiHeader.biWidth = 800; }, 0, kRealNoMatch},
        {"subtype", [](KsDataRangeVideo& r) { r.DataRange.SubFormat.Data1 ^= 1; }, 0, kRealNoMatch},
        {"flags", [](KsDataRangeVideo& r) { r.bTemporalCompression = 0; }, 0, kRealNoMatch},
        {"size", [](KsDataRangeVideo& r) { r.DataRange.FormatSize = 300; }, 0, kRealNoMatch},
        {"stream", [](KsDataRangeVideo&) {}, 2, kStatusInvalidParameter},
        {"still list", [](KsDataRangeVideo&) {}, 1, kRealNoMatch},
        {"bitmap size wraps", [](KsDataRangeVideo& r) { r.VideoInfoHeader.bmiHeader.biSize = 0xFFFFFFF0u; }, 0,
         kStatusInvalidParameter},
        {"bitmap size short", [](KsDataRangeVideo& r) { r.VideoInfoHeader.bmiHeader.biSize = 4; }, 0,
         kStatusInvalidParameter},
    };
    for (const Case& c : cases) {
        KsDataRangeVideo range = RangeAt(0);
        c.change(range);
        EXPECT_EQ(Intersect(rig, &range, c.stream, sizeof(KsDataFormatVideoInfo)).status, c.status) << c.name;
    }
    EXPECT_TRUE(rig.usb.Requests(3).empty());
}

TEST_F(DataIntersection, AHeaderOnlyRangeIsNotReadPastItsEnd)
{
    // Exactly the 64-byte header, on the heap where the sanitizer guards it.
    std::vector<uint8_t> bytes(sizeof(KsDataFormat));
    KsDataRangeVideo range = RangeAt(0);
    range.DataRange.FormatSize = sizeof(KsDataFormat);
    memcpy(bytes.data(), &range, bytes.size());
    EXPECT_EQ(Intersect(rig, bytes.data(), 0, sizeof(KsDataFormatVideoInfo)).status, kRealNoMatch);
}

TEST_F(DataIntersection, TheStillStreamOffersItsFixedList)
{
    StreamDescriptorBuffer info = {};
    ASSERT_EQ(rig.StreamInfo(&info), kStatusSuccess);
    KsDataRangeVideo still = rig.camera().formats.stillRanges[3];
    EXPECT_EQ(still.StreamDescriptionFlags, 0x1000u);
    EXPECT_EQ(still.DataRange.SubFormat.Data1, 0x47504A4Du);  // MJPG 1024x768
    ASSERT_EQ(Intersect(rig, &still, 1, sizeof(KsDataFormatVideoInfo)).status, kStatusSuccess);
    EXPECT_EQ(rig.camera().formats.selected, 0) << "the still stream leaves the video selection";
}

// Whatever reordering discovery did, an intersected camera mode selects the
// camera's own number for it.
TEST(DataIntersectionModes, SelectTheCameraNumberOfTheRange)
{
    UsbCamRig rig;
    rig.usb.modeCount = 3;
    rig.usb.modeReplies[0] = ModeReply(4, 800, 600);
    rig.usb.modeReplies[2] = ModeReply(0, 640, 480);  // mode 1 does not answer
    ASSERT_EQ(rig.Initialize(), kStatusSuccess);
    ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
    const dovracam::FormatTable& table = rig.camera().formats;
    for (uint32_t i = 0; i < table.count; ++i) {
        if (table.entries[i].extra) continue;
        rig.usb.log.clear();
        KsDataRangeVideo range = *table.entries[i].range;
        ASSERT_EQ(Intersect(rig, &range, 0, sizeof(KsDataFormatVideoInfo)).status, kStatusSuccess);
        const uint16_t expected = table.entries[i].width == 800 ? 0 : 2;
        EXPECT_EQ(rig.usb.Requests(3), (std::vector<VendorRequest>{{false, 3, expected, 8, 0}}));
    }
}

}  // namespace
}  // namespace usbcam
