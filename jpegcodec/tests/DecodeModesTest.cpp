// Read modes and their sequences, bitmap layouts, regions and interruption.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "CodecFixtures.h"
#include "jpegcodec_testing.h"
#include "Platform.h"

namespace {
using fixtures::DecodeOptions;
using fixtures::Image;

Image crop(const Image& image, const JpegRegion& r)
{
    Image out;
    out.width = r.right - r.left;
    out.height = r.bottom - r.top;
    out.channels = image.channels;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const uint8_t* row = image.pixels.data() + (static_cast<size_t>(y) * image.width + r.left) * image.channels;
        out.pixels.insert(out.pixels.end(), row, row + out.width * image.channels);
    }
    return out;
}

// Decodes successive regions on one record (the later ones start from the
// restart index the earlier ones left) and checks each against the crop.
void expectSuccessiveRegions(JPEG_PROPERTIES* props, JPEG_IO_MODE mode, const Image& full,
                             std::initializer_list<JpegRegion> regions)
{
    for (const JpegRegion& r : regions) {
        std::vector<uint8_t> pixels(static_cast<size_t>(r.right - r.left) * (r.bottom - r.top) * 3);
        props->bitmapPixels = pixels.data();
        props->bitmapWidth = r.right - r.left;
        props->bitmapHeight = r.bottom - r.top;
        props->bitmapColor = JPEG_COLOR_RGB;
        jpegtest::setRegion(props, r.left, r.top, r.right, r.bottom);
        EXPECT_EQ(JPEG_ROI_SUCCESS, jpegRead(props, mode));
        EXPECT_EQ(crop(full, r).pixels, pixels) << r.top;
    }
}

TEST(ReadModes, InfoReportsTheStreamParameters)
{
    struct Row {
        const char* name;
        int32_t width, height, channels;
        JPEG_COLOR color;
        JPEG_SUBSAMPLING subsampling;
    } rows[] = {
        {"s420_1023x767", 1023, 767, 3, JPEG_COLOR_YCBCR, JPEG_SUBSAMPLING_420},
        {"s422_17x17", 17, 17, 3, JPEG_COLOR_YCBCR, JPEG_SUBSAMPLING_422},
        {"s444_7x9", 7, 9, 3, JPEG_COLOR_YCBCR, JPEG_SUBSAMPLING_NONE},
        {"s440_7x9", 7, 9, 3, JPEG_COLOR_YCBCR, JPEG_SUBSAMPLING_OTHER},
        {"grey_17x17", 17, 17, 1, JPEG_COLOR_GREY, JPEG_SUBSAMPLING_NONE},
    };
    for (const Row& row : rows) {
        const auto decoded = fixtures::decode(fixtures::readFile(std::string(row.name) + ".jpg"), DecodeOptions{});
        ASSERT_EQ(JPEG_SUCCESS, decoded.infoStatus) << row.name;
        EXPECT_EQ(row.width, decoded.info.jpegWidth) << row.name;
        EXPECT_EQ(row.height, decoded.info.jpegHeight) << row.name;
        EXPECT_EQ(row.channels, decoded.info.jpegChannels) << row.name;
        EXPECT_EQ(row.color, decoded.info.jpegColor) << row.name;
        EXPECT_EQ(row.subsampling, decoded.info.jpegSubsampling) << row.name;
    }
}

TEST(ReadModes, BottomUpBgrWithPaddingHoldsTheSamePicture)
{
    const auto jpeg = fixtures::readFile("s420_64x48.jpg");
    const auto reference = fixtures::decode(jpeg, DecodeOptions{});
    DecodeOptions options;
    options.color = JPEG_COLOR_BGR;
    options.bottomUp = true;
    options.rowPadding = 3;
    const auto decoded = fixtures::decode(jpeg, options);
    ASSERT_EQ(JPEG_SUCCESS, decoded.status);
    EXPECT_EQ(reference.image.pixels, decoded.image.pixels);
}

TEST(ReadModes, OtherBitmapLayoutsCarryTheSameSamples)
{
    const auto jpeg = fixtures::readFile("mjpeg_320x240.jpg");
    const auto rgb = fixtures::decode(jpeg, DecodeOptions{});
    DecodeOptions rgbx;
    rgbx.color = JPEG_COLOR_CMYK;
    rgbx.channels = 4;
    const auto fourBytes = fixtures::decode(jpeg, rgbx);
    ASSERT_EQ(JPEG_SUCCESS, fourBytes.status);
    for (size_t i = 0; i < rgb.image.pixels.size() / 3; ++i) {
        ASSERT_EQ(0, std::memcmp(&rgb.image.pixels[i * 3], &fourBytes.image.pixels[i * 4], 3)) << i;
        ASSERT_EQ(255, fourBytes.image.pixels[i * 4 + 3]) << i;
    }
    // Packed Y Cb Y Cr pairs come from 4:2:2 streams only.
    const auto halfWidthChroma = fixtures::readFile("s422_1023x767.jpg");
    DecodeOptions grey;
    grey.color = JPEG_COLOR_GREY;
    grey.channels = 1;
    const auto luma = fixtures::decode(halfWidthChroma, grey);
    DecodeOptions packed;
    packed.color = JPEG_COLOR_YCBCR;
    packed.channels = 2;
    const auto pairs = fixtures::decode(halfWidthChroma, packed);
    ASSERT_EQ(JPEG_SUCCESS, luma.status);
    ASSERT_EQ(JPEG_SUCCESS, pairs.status);
    for (size_t i = 0; i < luma.image.pixels.size(); ++i)
        ASSERT_EQ(luma.image.pixels[i], pairs.image.pixels[i * 2]) << i;
}

TEST(ReadModes, YcckStreamIntoACmykBitmap)
{
    const auto jpeg = fixtures::readFile("ycck_64x48.jpg");
    DecodeOptions cmyk;
    cmyk.color = JPEG_COLOR_CMYK;
    cmyk.channels = 4;
    const auto decoded = fixtures::decode(jpeg, cmyk);
    EXPECT_EQ(JPEG_COLOR_YCCK, decoded.info.jpegColor);
    EXPECT_EQ(JPEG_COLOR_CMYK, decoded.info.bitmapColor);
    EXPECT_EQ(4, decoded.info.bitmapChannels);
    ASSERT_EQ(JPEG_SUCCESS, decoded.status);
    // ImageMagick hands back the CMYK samples of the same file complemented.
    fixtures::Image reference = decoded.image;
    reference.pixels = fixtures::readFile("ycck_64x48.cmyk");
    for (uint8_t& v : reference.pixels) v = static_cast<uint8_t>(255 - v);
    const int difference = fixtures::maxDifference(decoded.image, reference);
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, 3);
}

TEST(ReadModes, FastFamilyStaysCloseToTheAccurateOne)
{
    for (const char* name : {"s420_1023x767", "grey_1023x767"}) {
        const auto jpeg = fixtures::readFile(std::string(name) + ".jpg");
        DecodeOptions fast;
        fast.dctMethod = 0;
        const auto accurate = fixtures::decode(jpeg, DecodeOptions{});
        const auto decoded = fixtures::decode(jpeg, fast);
        ASSERT_EQ(JPEG_SUCCESS, decoded.status);
        const int difference = fixtures::maxDifference(accurate.image, decoded.image);
        EXPECT_GE(difference, 0) << name;
        EXPECT_LE(difference, 4) << name;
    }
}

TEST(RegionDecoding, EqualsTheCropOfTheFullPicture)
{
    struct Case {
        const char* name;
        JPEG_IO_MODE mode;
        int32_t smooth;
        JpegRegion region;
    } cases[] = {
        {"s420_1023x767", DecodeFromMemory, 0, {100, 200, 357, 391}},
        {"s420_1023x767", DecodeFromMemory, 0, {98, 201, 1023, 250}},  // starts on the second row of a chroma row
        {"s420_1023x767", DecodeFromMemory, 1, {101, 203, 357, 391}},
        {"restart_blocks_1023x767", DecodeFromMemory, 1, {0, 16, 1023, 40}},
        {"s422_1023x767", DecodeHalfFromMemory, 1, {33, 40, 300, 383}},
        {"s444_1023x767", DecodeEighthFromMemory, 0, {3, 5, 100, 90}},
        {"grey_1023x767", DecodeFromMemory, 0, {1000, 700, 1023, 767}},
        {"scans_split_1023x767", DecodeFromMemory, 0, {77, 300, 500, 333}},
        {"scans_separate_64x48", DecodeQuarterFromMemory, 0, {2, 3, 9, 11}},
        // Progressive pictures transform only the columns around the region.
        {"progressive_64x48", DecodeFromMemory, 0, {17, 9, 45, 30}},
        {"progressive_64x48", DecodeFromMemory, 1, {32, 1, 48, 47}},
        {"progressive_64x48", DecodeHalfFromMemory, 0, {0, 5, 9, 20}},
    };
    for (const Case& c : cases) {
        const auto jpeg = fixtures::readFile(std::string(c.name) + ".jpg");
        DecodeOptions whole;
        whole.mode = c.mode;
        whole.smooth = c.smooth;
        if (std::strncmp(c.name, "grey", 4) == 0) {
            whole.color = JPEG_COLOR_GREY;
            whole.channels = 1;
        }
        DecodeOptions part = whole;
        part.region = c.region;
        const auto full = fixtures::decode(jpeg, whole);
        const auto region = fixtures::decode(jpeg, part);
        ASSERT_EQ(JPEG_SUCCESS, full.status) << c.name;
        EXPECT_EQ(JPEG_ROI_SUCCESS, region.status) << c.name;
        EXPECT_EQ(crop(full.image, c.region).pixels, region.image.pixels) << c.name;
    }
}

// A region read ends with 2 once its rows are decoded, whatever follows them,
// reports its last MCU in pixel extents, and leaves nothing behind for the
// whole-picture read that follows on the same record.
TEST(RegionDecoding, EndsWhenTheRegionIsDoneAndLeavesNoRequestBehind)
{
    const std::vector<uint8_t> whole = fixtures::readFile("s420_1023x767.jpg");
    const auto full = fixtures::decode(whole, DecodeOptions{});
    const JpegRegion r = {100, 40, 357, 70};
    // The stream cut well below the region, EOI and all.
    std::vector<uint8_t> jpeg(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, fixtures::openStream(&props, jpeg));
    std::vector<uint8_t> pixels(static_cast<size_t>(r.right - r.left) * (r.bottom - r.top) * 3);
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = r.right - r.left;
    props.bitmapHeight = r.bottom - r.top;
    props.bitmapColor = JPEG_COLOR_RGB;
    jpegtest::setRegion(&props, r.left, r.top, r.right, r.bottom);
    ASSERT_EQ(JPEG_ROI_SUCCESS, jpegRead(&props, DecodeFromMemory));
    EXPECT_EQ(crop(full.image, r).pixels, pixels);
    // Last MCU: column 22 (pixels 352..367), row 4 (pixels 64..79).
    const JpegRegion report = jpegtest::region(&props);
    EXPECT_EQ(22, report.left);
    EXPECT_EQ(4, report.top);
    EXPECT_EQ(368, report.right);
    EXPECT_EQ(80, report.bottom);

    props.jpegBuffer = const_cast<uint8_t*>(whole.data());
    props.jpegBufferSize = static_cast<int32_t>(whole.size());
    std::vector<uint8_t> picture(full.image.pixels.size());
    props.bitmapPixels = picture.data();
    props.bitmapWidth = 1023;
    props.bitmapHeight = 767;
    EXPECT_EQ(JPEG_SUCCESS, jpegRead(&props, DecodeFromMemory));
    EXPECT_EQ(full.image.pixels, picture);
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}

TEST(RegionDecoding, SuccessiveRegionsOnOneRecord)
{
    std::vector<uint8_t> jpeg = fixtures::readFile("s420_1023x767.jpg");
    const auto full = fixtures::decode(jpeg, DecodeOptions{});
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, fixtures::openStream(&props, jpeg));
    expectSuccessiveRegions(&props, DecodeFromMemory, full.image,
                            {{0, 100, 1023, 140}, {10, 500, 200, 600}, {10, 300, 200, 330}, {0, 0, 64, 16}});
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}

// A read paused after every MCU, resumed until it ends, writes what one call
// writes; the region words report each paused MCU and never turn into a
// region request.
TEST(Interruption, PausedReadsEqualTheOneCallRead)
{
    struct Case {
        const char* name;
        JpegRegion region;
        JPEG_STATUS last;
        int32_t mcuWidth, mcuHeight, columns;  // of the MCUs the read outputs
    } cases[] = {
        {"s420_40x40", {0, 0, 0, 0}, JPEG_SUCCESS, 16, 16, 3},
        {"s444_17x17", {0, 0, 0, 0}, JPEG_SUCCESS, 8, 8, 3},
        {"s420_40x40", {5, 17, 30, 33}, JPEG_ROI_SUCCESS, 16, 16, 3},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> jpeg = fixtures::readFile(std::string(c.name) + ".jpg");
        DecodeOptions options;
        options.region = c.region;
        const auto oneCall = fixtures::decode(jpeg, options);
        ASSERT_EQ(c.last, oneCall.status) << c.name;
        JPEG_PROPERTIES props;
        ASSERT_EQ(JPEG_SUCCESS, fixtures::openStream(&props, jpeg));
        std::vector<uint8_t> pixels(oneCall.image.pixels.size());
        props.bitmapPixels = pixels.data();
        props.bitmapWidth = oneCall.image.width;
        props.bitmapHeight = oneCall.image.height;
        props.bitmapColor = JPEG_COLOR_RGB;
        jpegtest::setRegion(&props, c.region.left, c.region.top, c.region.right, c.region.bottom);
        jpegtest::setInterruptEachMcu(&props, 1);
        int32_t pauses = 0;
        JPEG_STATUS status;
        while ((status = jpegRead(&props, DecodeFromMemory)) == JPEG_INTERRUPT_SUCCESS && pauses < 100) {
            // The column and row of the MCU just output; right and bottom in pixels.
            const JpegRegion r = jpegtest::region(&props);
            EXPECT_EQ(r.left, r.right / c.mcuWidth - (r.right % c.mcuWidth == 0)) << c.name << " pause " << pauses;
            EXPECT_EQ(r.top, r.bottom / c.mcuHeight - (r.bottom % c.mcuHeight == 0)) << c.name << " pause " << pauses;
            ++pauses;
        }
        EXPECT_EQ(c.last, status) << c.name;
        EXPECT_GT(pauses, c.columns) << c.name;
        EXPECT_EQ(oneCall.image.pixels, pixels) << c.name;
        EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
    }
}

// Blocks without AC coefficients and MCUs of one colour take short ways to
// the bitmap; on a page, where most are such, the pixels are still those of
// the full transform (the caller's sample planes) and of the row kernels
// (a region starting at an odd column, which no pair kernel serves).
TEST(FlatBlocks, GiveThePixelsOfTheFullPath)
{
    std::vector<uint8_t> grey = fixtures::readFile("page_grey_320x240.jpg");
    DecodeOptions greyOptions;
    greyOptions.color = JPEG_COLOR_GREY;
    greyOptions.channels = 1;
    const auto bitmap = fixtures::decode(grey, greyOptions);
    ASSERT_EQ(JPEG_SUCCESS, bitmap.status);
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, fixtures::openStream(&props, grey));
    std::vector<uint8_t> pixels(320 * 240);
    std::vector<int16_t> samples(320 * 240, -1);
    JpegCoefficientOutput output = {1, {samples.data()}};
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = 320;
    props.bitmapHeight = 240;
    props.bitmapColor = JPEG_COLOR_GREY;
    props.bitmapChannels = 1;
    jpegtest::setCoefficientOutput(&props, &output);
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props, DecodeFromMemory));
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), bitmap.image.pixels.begin()));

    const std::vector<uint8_t> page = fixtures::readFile("page_320x240.jpg");
    for (JPEG_COLOR color : {JPEG_COLOR_RGB, JPEG_COLOR_BGR}) {
        DecodeOptions whole;
        whole.color = color;
        DecodeOptions part = whole;
        part.region = {33, 16, 319, 240};
        const auto full = fixtures::decode(page, whole);
        const auto region = fixtures::decode(page, part);
        ASSERT_EQ(JPEG_SUCCESS, full.status);
        EXPECT_EQ(JPEG_ROI_SUCCESS, region.status);
        EXPECT_EQ(crop(full.image, part.region).pixels, region.image.pixels) << color;
    }
}

TEST(CoefficientOutput, FillsTheCallerPlanesInsteadOfTheBitmap)
{
    std::vector<uint8_t> jpeg = fixtures::readFile("grey_17x17.jpg");
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, fixtures::openStream(&props, jpeg));
    std::vector<uint8_t> pixels(17 * 17, 0xCD);
    std::vector<int16_t> samples(24 * 24, -1);
    JpegCoefficientOutput output = {1, {samples.data()}};
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = props.bitmapHeight = 17;
    props.bitmapColor = JPEG_COLOR_GREY;
    props.bitmapChannels = 1;
    jpegtest::setCoefficientOutput(&props, &output);
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props, DecodeFromMemory));
    EXPECT_EQ(std::vector<uint8_t>(17 * 17, 0xCD), pixels);
    const auto reference = fixtures::decode(jpeg, [] {
        DecodeOptions o;
        o.color = JPEG_COLOR_GREY;
        o.channels = 1;
        return o;
    }());
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x) ASSERT_EQ(reference.image.pixels[y * 17 + x], samples[y * 24 + x]);
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}

class FileReads : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props_)); }
    void TearDown() override { EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props_)); }
    JPEG_PROPERTIES props_;
};

// The stream with a comment after SOI that puts its SOS marker at `offset`.
std::vector<uint8_t> withScanAt(std::vector<uint8_t> jpeg, size_t offset)
{
    size_t sos = 0;
    while (!(jpeg[sos] == 0xFF && jpeg[sos + 1] == 0xDA)) ++sos;
    const size_t length = offset - sos - 2;
    std::vector<uint8_t> comment = {0xFF, 0xFE, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    comment.resize(offset - sos, 'c');
    jpeg.insert(jpeg.begin() + 2, comment.begin(), comment.end());
    return jpeg;
}

// Mode 0 leaves the file open on the SOS marker, also when the scan header
// straddles the edge of the file window, and mode 2 goes on from there.
TEST_F(FileReads, InfoThenPixelsOnOneFile)
{
    const std::vector<uint8_t> original = fixtures::readFile("s420_64x48.jpg");
    const auto expected = fixtures::decode(original, DecodeOptions{});
    for (size_t offset : {size_t{0}, size_t{4090}, size_t{4092}, size_t{4095}}) {
        SCOPED_TRACE(offset);
        const std::vector<uint8_t> bytes = offset ? withScanAt(original, offset) : original;
        const std::string path = fixtures::scratchPath("scan_at_" + std::to_string(offset) + ".jpg");
        FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(out);
        ASSERT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), out));
        std::fclose(out);
        props_.jpegFileName = path.c_str();
        ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props_, ReadInfoFromFile));
        ASSERT_TRUE(jpegtest::fileOpen(&props_));
        ASSERT_EQ(64, props_.jpegWidth);
        // Held open for the next call, readable by others, and standing on the scan.
        EXPECT_TRUE(fixtures::otherOpenerCan(path, false));
        EXPECT_FALSE(fixtures::otherOpenerCan(path, true));
        int32_t position = -1;
        ASSERT_TRUE(tellCodecFile(props_.state.io.file, &position));
        ASSERT_LT(position + 1, static_cast<int32_t>(bytes.size()));
        if (offset) EXPECT_EQ(static_cast<int32_t>(offset), position);
        EXPECT_EQ(0xFF, bytes[position]);
        EXPECT_EQ(0xDA, bytes[position + 1]);
        std::vector<uint8_t> pixels(64 * 48 * 3);
        props_.bitmapPixels = pixels.data();
        props_.bitmapWidth = 64;
        props_.bitmapHeight = 48;
        props_.bitmapColor = JPEG_COLOR_RGB;
        ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props_, DecodeFromFile));
        EXPECT_FALSE(jpegtest::fileOpen(&props_));
        EXPECT_EQ(expected.image.pixels, pixels);
        // The closed file is opened again by the next file-mode call.
        ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props_, DecodeHalfFromFile));
        std::remove(path.c_str());
    }
}

TEST_F(FileReads, SuccessiveRegionsFromAFile)
{
    const auto full = fixtures::decode(fixtures::readFile("restart_blocks_1023x767.jpg"), DecodeOptions{});
    const std::string path = fixtures::path("restart_blocks_1023x767.jpg");
    props_.jpegFileName = path.c_str();
    expectSuccessiveRegions(&props_, DecodeFromFile, full.image,
                            {{0, 400, 1023, 440}, {50, 600, 90, 700}, {5, 450, 60, 470}});
}

TEST_F(FileReads, ChangedFileNameOpensTheNewFile)
{
    const std::string first = fixtures::path("s420_64x48.jpg"), second = fixtures::path("s444_17x17.jpg");
    props_.jpegFileName = first.c_str();
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props_, ReadInfoFromFile));
    props_.jpegFileName = second.c_str();
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props_, ReadInfoFromFile));
    EXPECT_EQ(17, props_.jpegWidth);
}

TEST_F(FileReads, LargeFileThroughTheWindow)
{
    const std::string path = fixtures::path("still_2016x1520.jpg");
    props_.jpegFileName = path.c_str();
    std::vector<uint8_t> pixels(2016 * 1520 * 3);
    props_.bitmapPixels = pixels.data();
    props_.bitmapWidth = 2016;
    props_.bitmapHeight = -1520;
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props_, DecodeFromFile));
    DecodeOptions options;
    options.color = JPEG_COLOR_BGR;
    options.bottomUp = true;
    const auto reference = fixtures::decode(fixtures::readFile("still_2016x1520.jpg"), options);
    EXPECT_TRUE(reference.image.pixels.size() == pixels.size());
    // The memory decode of the same file, turned back into the bitmap's order.
    std::vector<uint8_t> expected(pixels.size());
    for (int y = 0; y < 1520; ++y)
        for (int x = 0; x < 2016; ++x)
            for (int c = 0; c < 3; ++c)
                expected[((1519 - y) * 2016 + x) * 3 + c] = reference.image.pixels[(y * 2016 + x) * 3 + 2 - c];
    EXPECT_TRUE(expected == pixels);
}
}  // namespace

namespace {
TEST(ReadModes, OutputIsClippedToASmallerBitmap)
{
    std::vector<uint8_t> jpeg = fixtures::readFile("s420_64x48.jpg");
    const auto full = fixtures::decode(jpeg, DecodeOptions{});
    for (JPEG_IO_MODE mode : {DecodeFromMemory, DecodeHalfFromMemory}) {
        JPEG_PROPERTIES props;
        ASSERT_EQ(JPEG_SUCCESS, fixtures::openStream(&props, jpeg));
        std::vector<uint8_t> pixels(30 * 20 * 3);  // exactly the bitmap: the sanitizer sees any overrun
        props.bitmapPixels = pixels.data();
        props.bitmapWidth = 30;
        props.bitmapHeight = 20;
        props.bitmapColor = JPEG_COLOR_RGB;
        EXPECT_EQ(JPEG_SUCCESS, jpegRead(&props, mode));
        if (mode == DecodeFromMemory) {
            EXPECT_EQ(crop(full.image, {0, 0, 30, 20}).pixels, pixels);
        }
        EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
    }
}

TEST(ReadModes, TablesThenAbbreviatedImageOnOneBuffer)
{
    std::vector<uint8_t> jpeg = fixtures::readFile("s444_17x17.jpg");
    const auto reference = fixtures::decode(jpeg, DecodeOptions{});
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    props.jpegBuffer = jpeg.data();
    props.jpegBufferSize = static_cast<int32_t>(jpeg.size());
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props, ReadTablesFromMemory));
    std::vector<uint8_t> pixels(17 * 17 * 3);
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = props.bitmapHeight = 17;
    props.bitmapColor = JPEG_COLOR_RGB;
    ASSERT_EQ(JPEG_SUCCESS, jpegRead(&props, DecodeScanFromMemory));
    EXPECT_EQ(17, props.jpegWidth);
    EXPECT_EQ(reference.image.pixels, pixels);
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}
}  // namespace
