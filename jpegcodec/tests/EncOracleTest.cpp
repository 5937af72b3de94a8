// The encoder's streams against libjpeg-turbo's cjpeg, djpeg and jpegtran.
#include <gtest/gtest.h>

#include "EncTestSupport.h"

#ifndef _WIN32
namespace {
using namespace enctest;

struct Layout {
    const char* name;
    int32_t bitmapChannels;
    JPEG_COLOR bitmapColor;
    JPEG_COLOR jpegColor;
    int32_t jpegChannels;
    JPEG_SUBSAMPLING subsampling;
    int32_t colorConversion;   // 0: RGB streams keep one table for all components, as cjpeg does
    const char* cjpegOptions;  // the same coding by cjpeg, for the quality bar
};

// The picture as djpeg sees the stream: RGB or grey, top-down.
Picture referencePicture(const Picture& source, const Layout& layout)
{
    Picture picture{source.width, source.height, layout.jpegChannels == 1 ? 1 : 3, {}};
    for (int32_t i = 0; i < source.width * source.height; ++i) {
        const uint8_t* p = &source.pixels[static_cast<size_t>(i) * source.channels];
        int32_t r = p[0], g = p[source.channels > 1], b = p[source.channels > 1 ? 2 : 0];
        if (layout.bitmapColor == JPEG_COLOR_BGR) std::swap(r, b);
        if (picture.channels == 1)
            picture.pixels.push_back(static_cast<uint8_t>((77 * r + 150 * g + 29 * b + 128) >> 8));
        else
            picture.pixels.insert(picture.pixels.end(),
                                  {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
    }
    return picture;
}

const Layout kLayouts[] = {
    {"bgr_420", 3, JPEG_COLOR_BGR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"bgr_422", 3, JPEG_COLOR_BGR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_422, 1, "-sample 2x1"},
    {"bgr_444", 3, JPEG_COLOR_BGR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"rgb_420", 3, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"rgb_422", 3, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_422, 1, "-sample 2x1"},
    {"rgb_444", 3, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"rgbx_420", 4, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"rgbx_444", 4, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"bgr_to_grey", 3, JPEG_COLOR_BGR, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE, 1, "-grayscale"},
    {"rgb_to_grey", 3, JPEG_COLOR_RGB, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE, 1, "-grayscale"},
    {"grey_to_grey", 1, JPEG_COLOR_GREY, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE, 1, "-grayscale"},
    {"grey_to_ycc_420", 1, JPEG_COLOR_GREY, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"grey_to_ycc_444", 1, JPEG_COLOR_GREY, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"rgb_to_rgb", 3, JPEG_COLOR_RGB, JPEG_COLOR_RGB, 3, JPEG_SUBSAMPLING_NONE, 0, "-rgb"},
    {"bgr_to_rgb", 3, JPEG_COLOR_BGR, JPEG_COLOR_RGB, 3, JPEG_SUBSAMPLING_NONE, 0, "-rgb"},
    // The general sampler: without conversion, BGR bytes must still be reversed.
    {"bgr_to_rgb_420", 3, JPEG_COLOR_BGR, JPEG_COLOR_RGB, 3, JPEG_SUBSAMPLING_420, 0, "-rgb -sample 2x2"},
};

class EncoderLayouts : public testing::TestWithParam<Layout> {};

// djpeg takes every stream without a warning, and the picture comes back at
// least as well as cjpeg's own coding at the same quality and sampling.
TEST_P(EncoderLayouts, DjpegDecodesWithCjpegQuality)
{
    const Layout& layout = GetParam();
    for (const auto& size : {std::pair<int, int>{1, 1}, {17, 17}, {33, 9}, {200, 130}}) {
        for (bool progressive : {false, true}) {
            {
                const bool bottomUp = progressive;
                SCOPED_TRACE(testing::Message()
                             << size.first << "x" << size.second << (progressive ? " progressive" : ""));
                const Picture source = syntheticPicture(size.first, size.second, layout.bitmapChannels);
                EncodeOptions options;
                options.bitmapColor = layout.bitmapColor;
                options.jpegColor = layout.jpegColor;
                options.jpegChannels = layout.jpegChannels;
                options.subsampling = layout.subsampling;
                options.colorConversion = layout.colorConversion;
                options.progressive = progressive;
                options.bottomUp = bottomUp;
                options.rowPadding = 3;
                const Encoded ours = encode(source, options);
                ASSERT_EQ(ours.status, JPEG_SUCCESS);
                const ToolRun decoded = runTool("djpeg -dct int", ours.bytes);
                ASSERT_EQ(decoded.exitCode, 0);
                EXPECT_EQ(decoded.errors, "");
                const Picture reference = referencePicture(source, layout);
                const ToolRun theirs = runTool(
                    std::string("cjpeg -quality 75 ") + layout.cjpegOptions + " | djpeg -dct int", toPnm(reference));
                ASSERT_EQ(theirs.exitCode, 0);
                const double ourPsnr = psnr(reference, fixtures::parsePnm(decoded.output));
                const double theirPsnr = psnr(reference, fixtures::parsePnm(theirs.output));
                EXPECT_GE(ourPsnr, theirPsnr - 1.0) << "cjpeg " << theirPsnr;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, EncoderLayouts, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });
}  // namespace
#endif

#ifndef _WIN32
namespace {
using namespace enctest;

std::vector<std::vector<uint8_t>> payloadsOf(const std::vector<uint8_t>& jpeg, uint8_t marker)
{
    std::vector<std::vector<uint8_t>> payloads;
    for (const Segment& segment : segmentsOf(jpeg, marker)) payloads.push_back(segment.payload);
    return payloads;
}

TEST(EncoderTables, DqtMatchesCjpegForEveryQuality)
{
    const Picture picture = syntheticPicture(16, 16, 3);
    for (int32_t quality = 1; quality <= 100; ++quality) {
        SCOPED_TRACE(quality);
        EncodeOptions options;
        options.quality = quality;
        const Encoded ours = encode(picture, options);
        ASSERT_EQ(ours.status, JPEG_SUCCESS);
        const ToolRun theirs = runTool("cjpeg -baseline -quality " + std::to_string(quality), toPnm(picture));
        ASSERT_EQ(theirs.exitCode, 0);
        EXPECT_EQ(payloadsOf(ours.bytes, 0xDB), payloadsOf(theirs.output, 0xDB));
    }
}

TEST(EncoderTables, DefaultDhtMatchesCjpegStandardTables)
{
    const Picture picture = syntheticPicture(16, 16, 3);
    const Encoded ours = encode(picture, EncodeOptions());
    const ToolRun theirs = runTool("cjpeg", toPnm(picture));
    ASSERT_EQ(theirs.exitCode, 0);
    const auto dht = payloadsOf(ours.bytes, 0xC4);
    ASSERT_EQ(dht.size(), 4u);
    EXPECT_EQ(dht, payloadsOf(theirs.output, 0xC4));
}

// Nine restart intervals give RST0..RST7 and RST0 again, the last one right
// before EOI; djpeg takes the stream without complaint.
TEST(EncoderRestarts, MarkersCountModuloEight)
{
    const Picture picture = syntheticPicture(9 * 16, 16, 3);
    EncodeOptions options;
    options.restartInterval = 1;
    const Encoded ours = encode(picture, options);
    ASSERT_EQ(ours.status, JPEG_SUCCESS);
    std::vector<uint8_t> restarts;
    for (const Segment& segment : segments(ours.bytes))
        if ((segment.marker & 0xF8) == 0xD0) restarts.push_back(segment.marker);
    EXPECT_EQ(restarts, (std::vector<uint8_t>{0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD0}));
    const auto dri = payloadsOf(ours.bytes, 0xDD);
    ASSERT_EQ(dri.size(), 1u);
    EXPECT_EQ(dri[0], (std::vector<uint8_t>{0, 1}));
    for (int32_t interval : {1, 2, 5, 7}) {
        options.restartInterval = interval;
        const ToolRun decoded = runTool("djpeg", encode(syntheticPicture(61, 45, 3), options).bytes);
        EXPECT_EQ(decoded.exitCode, 0);
        EXPECT_EQ(decoded.errors, "") << interval;
    }
}

struct ScanFields {
    std::vector<int> components;  // frame indices
    int ss, se, ah, al;
    bool operator==(const ScanFields& other) const
    {
        return components == other.components && ss == other.ss && se == other.se && ah == other.ah && al == other.al;
    }
};

std::vector<ScanFields> scanFields(const std::vector<uint8_t>& jpeg)
{
    const auto frames = segments(jpeg);
    std::vector<int> frameIds;
    std::vector<ScanFields> scans;
    for (const Segment& segment : frames) {
        if (segment.marker == 0xC0 || segment.marker == 0xC2)
            for (int i = 0; i < segment.payload[5]; ++i) frameIds.push_back(segment.payload[6 + 3 * i]);
        if (segment.marker != 0xDA) continue;
        ScanFields scan;
        const int count = segment.payload[0];
        for (int i = 0; i < count; ++i)
            scan.components.push_back(static_cast<int>(
                std::find(frameIds.begin(), frameIds.end(), segment.payload[1 + 2 * i]) - frameIds.begin()));
        scan.ss = segment.payload[1 + 2 * count];
        scan.se = segment.payload[2 + 2 * count];
        scan.ah = segment.payload[3 + 2 * count] >> 4;
        scan.al = segment.payload[3 + 2 * count] & 15;
        scans.push_back(scan);
    }
    return scans;
}

TEST(EncoderProgressive, ScanScriptMatchesCjpeg)
{
    const Picture picture = syntheticPicture(40, 24, 3);
    EncodeOptions options;
    options.progressive = true;
    const Encoded ours = encode(picture, options);
    const ToolRun theirs = runTool("cjpeg -progressive", toPnm(picture));
    const auto scans = scanFields(ours.bytes);
    EXPECT_EQ(scans.size(), 10u);
    EXPECT_TRUE(scans == scanFields(theirs.output));
    // DC refinement scans code no symbols: no DHT stands between them and the scan before.
    const auto all = segments(ours.bytes);
    for (size_t i = 1; i < all.size(); ++i)
        if (all[i].marker == 0xDA && all[i].payload.back() == 0x10 && all[i].payload[all[i].payload.size() - 3] == 0)
            EXPECT_NE(all[i - 1].marker, 0xC4);
}

// Our progressive coding holds exactly the coefficients of our sequential
// coding: jpegtran's baseline transcode of it decodes to the same pixels.
TEST(EncoderProgressive, TranscodesToOurBaselineCoefficients)
{
    for (JPEG_SUBSAMPLING subsampling : {JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_422, JPEG_SUBSAMPLING_NONE}) {
        for (const auto& size : {std::pair<int, int>{1, 1}, {17, 17}, {203, 67}}) {
            SCOPED_TRACE(testing::Message() << subsampling << " " << size.first << "x" << size.second);
            const Picture picture = syntheticPicture(size.first, size.second, 3);
            EncodeOptions options;
            options.subsampling = subsampling;
            options.quality = 90;
            const Encoded baseline = encode(picture, options);
            options.progressive = true;
            const Encoded progressive = encode(picture, options);
            const ToolRun transcoded = runTool("jpegtran -copy none | djpeg", progressive.bytes);
            const ToolRun direct = runTool("djpeg", baseline.bytes);
            ASSERT_EQ(transcoded.exitCode, 0);
            EXPECT_EQ(transcoded.errors, "");
            EXPECT_TRUE(transcoded.output == direct.output);
        }
    }
}

// Grey, two-channel and four-channel scripts, through jpegtran's decoder.
TEST(EncoderProgressive, OtherScriptsTranscodeToBaseline)
{
    struct Case {
        int32_t channels;
        JPEG_COLOR bitmapColor, jpegColor;
    };
    for (const Case& c : {Case{1, JPEG_COLOR_GREY, JPEG_COLOR_GREY}, Case{3, JPEG_COLOR_RGB, JPEG_COLOR_RGB},
                          Case{3, JPEG_COLOR_OTHER, JPEG_COLOR_OTHER}}) {
        SCOPED_TRACE(c.jpegColor);
        const Picture picture = syntheticPicture(77, 31, c.channels);
        EncodeOptions options;
        options.bitmapColor = c.bitmapColor;
        options.jpegColor = c.jpegColor;
        options.jpegChannels = c.channels;
        options.subsampling = JPEG_SUBSAMPLING_NONE;
        const Encoded baseline = encode(picture, options);
        options.progressive = true;
        const Encoded progressive = encode(picture, options);
        ASSERT_EQ(progressive.status, JPEG_SUCCESS);
        const ToolRun fromProgressive = runTool("jpegtran -copy none | djpeg -pnm", progressive.bytes);
        const ToolRun fromBaseline = runTool("djpeg -pnm", baseline.bytes);
        EXPECT_EQ(fromProgressive.errors, "");
        EXPECT_TRUE(fromProgressive.output == fromBaseline.output);
    }
}
}  // namespace
#endif
