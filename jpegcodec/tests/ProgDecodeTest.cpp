// Progressive decoding: every progressive coding of a picture decodes to
// exactly the pixels of its sequential coding with the same coefficients.
#include <gtest/gtest.h>

#include "EncTestSupport.h"

namespace {
using namespace enctest;

struct Coding {
    const char* name;
    int32_t channels;
    JPEG_COLOR color;
    JPEG_SUBSAMPLING subsampling;
};

const Coding kCodings[] = {
    {"ycc_420", 3, JPEG_COLOR_YCBCR, JPEG_SUBSAMPLING_420},  {"ycc_422", 3, JPEG_COLOR_YCBCR, JPEG_SUBSAMPLING_422},
    {"ycc_444", 3, JPEG_COLOR_YCBCR, JPEG_SUBSAMPLING_NONE}, {"grey", 1, JPEG_COLOR_GREY, JPEG_SUBSAMPLING_NONE},
    {"rgb", 3, JPEG_COLOR_RGB, JPEG_SUBSAMPLING_NONE},
};

TEST(ProgressiveDecoding, OurProgressiveDecodesLikeOurBaseline)
{
    for (const Coding& coding : kCodings)
        for (const auto& size : {std::pair<int, int>{1, 1}, {17, 17}, {203, 67}}) {
            SCOPED_TRACE(testing::Message() << coding.name << " " << size.first << "x" << size.second);
            const Picture source = syntheticPicture(size.first, size.second, coding.channels);
            EncodeOptions options;
            options.bitmapColor = coding.channels == 1 ? JPEG_COLOR_GREY : JPEG_COLOR_RGB;
            options.jpegColor = coding.color;
            options.jpegChannels = coding.channels;
            options.subsampling = coding.subsampling;
            options.quality = 85;
            const Encoded baseline = encode(source, options);
            options.progressive = true;
            const Encoded progressive = encode(source, options);
            ASSERT_EQ(progressive.status, JPEG_SUCCESS);
            const JPEG_COLOR bitmapColor = coding.channels == 1 ? JPEG_COLOR_GREY : JPEG_COLOR_RGB;
            const Decoded fromBaseline = decode(baseline.bytes, coding.channels, bitmapColor);
            const Decoded fromProgressive = decode(progressive.bytes, coding.channels, bitmapColor);
            ASSERT_EQ(fromProgressive.status, JPEG_SUCCESS);
            EXPECT_TRUE(fromProgressive.picture.pixels == fromBaseline.picture.pixels);
            EXPECT_GT(psnr(fromProgressive.picture, source), 28.0);
        }
}

// Reduced sizes and regions come out of the same final pass.
TEST(ProgressiveDecoding, ScaledAndRegionDecodesMatchBaseline)
{
    const Picture source = syntheticPicture(150, 90, 3);
    EncodeOptions options;
    const Encoded baseline = encode(source, options);
    options.progressive = true;
    const Encoded progressive = encode(source, options);
    struct Case {
        JPEG_IO_MODE mode;
        JpegRegion region;
    };
    for (const Case& c : {Case{DecodeHalfFromMemory, {}}, Case{DecodeQuarterFromMemory, {}},
                          Case{DecodeEighthFromMemory, {}}, Case{DecodeFromMemory, {20, 30, 101, 77}}}) {
        SCOPED_TRACE(c.mode);
        fixtures::DecodeOptions decodeOptions;
        decodeOptions.mode = c.mode;
        decodeOptions.region = c.region;
        const fixtures::Decoded expected = fixtures::decode(baseline.bytes, decodeOptions);
        const fixtures::Decoded ours = fixtures::decode(progressive.bytes, decodeOptions);
        EXPECT_EQ(ours.status, expected.status);
        EXPECT_FALSE(ours.image.pixels.empty());
        EXPECT_TRUE(ours.image.pixels == expected.image.pixels);
    }
}

#ifndef _WIN32
// jpegtran turns cjpeg's sequential streams into progressive ones by many
// scripts: spectral selection, successive approximation with its EOB runs
// and correction bits, separate DC scans, restart intervals.
struct Transcode {
    const char* name;
    const char* script;  // null: jpegtran's default progression
    const char* options;
};

const Transcode kTranscodes[] = {
    {"default", nullptr, ""},
    {"restart_every_mcu", nullptr, "-restart 1B"},
    {"restart_rows", nullptr, "-restart 1"},
    {"separate_dc", "0: 0 0 0 0;\n1: 0 0 0 0;\n2: 0 0 0 0;\n0: 1 63 0 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n", ""},
    {"narrow_bands", "0 1 2: 0 0 0 0;\n0: 1 1 0 0;\n0: 2 9 0 0;\n0: 10 63 0 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n", ""},
    {"deep_refinement",
     "0 1 2: 0 0 0 3;\n0: 1 63 0 4;\n1: 1 63 0 3;\n2: 1 63 0 3;\n0 1 2: 0 0 3 2;\n0: 1 63 4 3;\n0: 1 63 3 2;\n"
     "1: 1 63 3 2;\n0: 1 63 2 1;\n0 1 2: 0 0 2 1;\n1: 1 63 2 1;\n2: 1 63 3 2;\n2: 1 63 2 1;\n0: 1 63 1 0;\n"
     "1: 1 63 1 0;\n2: 1 63 1 0;\n0 1 2: 0 0 1 0;\n",
     ""},
    {"deep_refinement_restarts",
     "0 1 2: 0 0 0 2;\n0: 1 5 0 2;\n0: 6 63 0 2;\n1: 1 63 0 1;\n2: 1 63 0 1;\n0: 1 63 2 1;\n0: 1 63 1 0;\n"
     "1: 1 63 1 0;\n2: 1 63 1 0;\n0 1 2: 0 0 2 1;\n0 1 2: 0 0 1 0;\n",
     "-restart 3B"},
};

class JpegtranProgressive : public testing::TestWithParam<Transcode> {};

TEST_P(JpegtranProgressive, DecodesToTheBaselinePixels)
{
    const Transcode& transcode = GetParam();
    std::string command = std::string("jpegtran -copy none ") + transcode.options;
    command += transcode.script ? " -scans " + writeTempFile("scans", transcode.script) : " -progressive";
    for (const char* sampling : {"2x2", "2x1", "1x1"})
        for (const auto& size : {std::pair<int, int>{17, 17}, {203, 67}}) {
            SCOPED_TRACE(testing::Message() << sampling << " " << size.first << "x" << size.second);
            // A page with flat areas makes long EOB runs; the texture makes refinements.
            Picture source = syntheticPicture(size.first, size.second, 3);
            for (size_t i = 0; i < source.pixels.size() / 2; ++i) source.pixels[i] = 240;
            const ToolRun baseline = runTool(std::string("cjpeg -quality 92 -sample ") + sampling, toPnm(source));
            const ToolRun progressive = runTool(command, baseline.output);
            ASSERT_EQ(progressive.exitCode, 0) << progressive.errors;
            const Decoded expected = decode(baseline.output);
            const Decoded ours = decode(progressive.output);
            ASSERT_EQ(ours.status, JPEG_SUCCESS);
            EXPECT_TRUE(ours.picture.pixels == expected.picture.pixels);
        }
}

INSTANTIATE_TEST_SUITE_P(Scripts, JpegtranProgressive, testing::ValuesIn(kTranscodes),
                         [](const testing::TestParamInfo<Transcode>& info) { return std::string(info.param.name); });

// cjpeg's own progressive coding, against djpeg's decode of it.
TEST(ProgressiveDecoding, CjpegProgressiveMatchesDjpeg)
{
    const Picture source = syntheticPicture(123, 77, 3);
    const ToolRun progressive = runTool("cjpeg -progressive -quality 80", toPnm(source));
    const ToolRun reference = runTool("djpeg -nosmooth -dct int", progressive.output);
    const Decoded ours = decode(progressive.output);
    ASSERT_EQ(ours.status, JPEG_SUCCESS);
    const Picture theirs = fixtures::parsePnm(reference.output);
    EXPECT_LE(fixtures::maxDifference(ours.picture, theirs), 3);
    EXPECT_GT(psnr(ours.picture, theirs), 40.0);
}
#endif

// Truncated or damaged progressive streams end with a status, never a fault.
TEST(ProgressiveDecoding, DamagedStreamsAreRefusedSafely)
{
    EncodeOptions options;
    options.progressive = true;
    const Encoded stream = encode(syntheticPicture(40, 30, 3), options);
    for (size_t cut = 2; cut < stream.bytes.size(); cut += 97) {
        std::vector<uint8_t> truncated(stream.bytes.begin(), stream.bytes.begin() + static_cast<long>(cut));
        EXPECT_NE(decode(truncated).status, JPEG_SUCCESS) << cut;
    }
    for (size_t at = 100; at < stream.bytes.size(); at += 53) {
        std::vector<uint8_t> damaged = stream.bytes;
        damaged[at] ^= 0x5A;
        decode(damaged);
    }
}
}  // namespace

namespace {
using Bytes = std::vector<uint8_t>;

// A grey progressive stream of one DC-first scan whose every block codes the
// largest positive DC difference (one Huffman code '0' for size 15, then 15
// one bits), then `refinements` DC refinement scans of one zero byte.
Bytes greyDcStream(int32_t width, int32_t height, size_t blocks, int32_t refinements)
{
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    jpeg.insert(jpeg.end(), 64, 1);
    jpeg.insert(jpeg.end(),
                {0xFF, 0xC2, 0x00, 0x0B, 0x08, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height),
                 static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(width), 0x01, 0x01, 0x11, 0x00});
    jpeg.insert(jpeg.end(), {0xFF, 0xC4, 0x00, 0x14, 0x00, 0x01});
    jpeg.insert(jpeg.end(), 15, 0);
    jpeg.push_back(15);
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00});
    for (size_t i = 0; i < blocks; ++i) jpeg.insert(jpeg.end(), {0x7F, 0xFF, 0x00});
    for (int32_t i = 0; i < refinements; ++i)
        jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00});
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

// The DC predictor wraps at 16 bits as the baseline one does, however many
// blocks add to it (the sanitizer stops an overflow of its 32 bits).
TEST(ProgressiveDecoding, DcPredictorWrapsAtSixteenBits)
{
    const int32_t width = 2048, height = 2064;
    const Bytes jpeg = greyDcStream(width, height, size_t{width / 8} * (height / 8), 0);
    const Decoded decoded = decode(jpeg, 1, JPEG_COLOR_GREY);
    EXPECT_EQ(decoded.status, JPEG_SUCCESS);
}

// What a progressive stream costs is bounded by its bytes: a scan without
// data allocates nothing for the picture it claims, and a stream of more
// scans than any encoder writes is refused.
TEST(ProgressiveDecoding, CostIsBoundedByTheStream)
{
    Bytes empty = greyDcStream(16384, 16384, 0, 0);
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    props.jpegBuffer = empty.data();
    props.jpegBufferSize = static_cast<int32_t>(empty.size());
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props, ReadInfoFromMemory));
    std::vector<uint8_t> pixels(64);
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = props.bitmapHeight = 8;
    props.bitmapChannels = 1;
    props.bitmapColor = JPEG_COLOR_GREY;
    EXPECT_EQ(JPEG_DATA_ERROR, jpegRead(&props, DecodeFromMemory));
    EXPECT_EQ(nullptr, props.state.coefficientStore);
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));

    EXPECT_EQ(decode(greyDcStream(8, 8, 1, 499), 1, JPEG_COLOR_GREY).status, JPEG_SUCCESS);
    EXPECT_EQ(decode(greyDcStream(8, 8, 1, 500), 1, JPEG_COLOR_GREY).status, JPEG_DATA_ERROR);
}
}  // namespace
