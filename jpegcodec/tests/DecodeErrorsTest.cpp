// Damaged, hostile and unsupported streams: a clear status, never a fault
// (the sanitizers watch every access).
#include <gtest/gtest.h>

#include <algorithm>

#include "CodecFixtures.h"
#include "jpegcodec_testing.h"

namespace {
using Bytes = std::vector<uint8_t>;

JPEG_STATUS decodeStatus(const Bytes& jpeg)
{
    const auto decoded = fixtures::decode(jpeg, fixtures::DecodeOptions{});
    return decoded.infoStatus != JPEG_SUCCESS ? decoded.infoStatus : decoded.status;
}

// Offset of the first segment with this marker code.
size_t segmentAt(const Bytes& jpeg, uint8_t code)
{
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
    return jpeg.size();
}

Bytes withSegmentAfterSoi(const Bytes& jpeg, const Bytes& segment)
{
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

TEST(DecodeErrors, UnsupportedFramesAreRefused)
{
    EXPECT_EQ(JPEG_UNSUPPORTED_FRAME, decodeStatus(fixtures::readFile("arithmetic_64x48.jpg")));
    Bytes lossless = fixtures::readFile("s420_64x48.jpg");
    lossless[segmentAt(lossless, 0xC0) + 1] = 0xC3;
    EXPECT_EQ(JPEG_UNSUPPORTED_FRAME, decodeStatus(lossless));
    Bytes twelveBit = fixtures::readFile("s420_64x48.jpg");
    twelveBit[segmentAt(twelveBit, 0xC0) + 4] = 12;
    EXPECT_EQ(JPEG_UNSUPPORTED_FRAME, decodeStatus(twelveBit));
}

TEST(DecodeErrors, HeaderFieldsAreBounded)
{
    const Bytes good = fixtures::readFile("s420_64x48.jpg");
    const size_t sof = segmentAt(good, 0xC0), dht = segmentAt(good, 0xC4), dqt = segmentAt(good, 0xDB);
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
        JPEG_STATUS expected;
    } cases[] = {
        {"not JPEG", 1, 0xD9, JPEG_NOT_JPEG},
        {"no components", sof + 9, 0, JPEG_COMPONENT_ERROR},
        {"five components", sof + 9, 5, JPEG_INVALID_PROPERTIES},
        {"height 0", sof + 5, 0, JPEG_SUCCESS},  // both bytes below
        {"sampling factor 0", sof + 11, 0x02, JPEG_UNSUPPORTED_SUBSAMPLING},
        {"sampling factor 5", sof + 11, 0x52, JPEG_UNSUPPORTED_SUBSAMPLING},
        {"thirds of a block", sof + 14, 0x32, JPEG_UNSUPPORTED_SUBSAMPLING},
        {"Huffman class 2", dht + 4, 0x20, JPEG_BAD_HUFFMAN_TABLE},
        {"Huffman id 4", dht + 4, 0x04, JPEG_BAD_HUFFMAN_TABLE},
        {"over-subscribed code", dht + 5, 3, JPEG_BAD_HUFFMAN_TABLE},
        {"quantisation id 4", dqt + 4, 0x04, JPEG_BAD_QUANT_TABLE},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        bad[c.at] = c.value;
        JPEG_STATUS expected = c.expected;
        if (std::string(c.what) == "height 0") {
            bad[c.at + 1] = 0;
            expected = JPEG_DNL_ERROR;
        }
        EXPECT_EQ(expected, decodeStatus(bad)) << c.what;
    }
}

TEST(DecodeErrors, DcSymbolsAbove15AreRefused)
{
    // A DC table whose one symbol is 16.
    const Bytes table = {0xFF, 0xC4, 0x00, 0x14, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16};
    EXPECT_EQ(JPEG_BAD_HUFFMAN_TABLE, decodeStatus(withSegmentAfterSoi(fixtures::readFile("s420_64x48.jpg"), table)));
}

TEST(DecodeErrors, ThumbnailSegmentsAreSkippedByTheirLength)
{
    const Bytes main = fixtures::readFile("s444_7x9.jpg");
    // A JPEG-coded JFXX thumbnail: another whole stream inside APP0.
    const Bytes embedded = fixtures::readFile("s420_64x48.jpg");
    Bytes segment = {0xFF, 0xE0, 0, 0, 'J', 'F', 'X', 'X', 0, 0x10};
    segment.insert(segment.end(), embedded.begin(), embedded.end());
    segment[2] = static_cast<uint8_t>((segment.size() - 2) >> 8);
    segment[3] = static_cast<uint8_t>(segment.size() - 2);
    const auto decoded = fixtures::decode(withSegmentAfterSoi(main, segment), fixtures::DecodeOptions{});
    ASSERT_EQ(JPEG_SUCCESS, decoded.status);
    EXPECT_EQ(7, decoded.info.jpegWidth);
    EXPECT_EQ(fixtures::decode(main, fixtures::DecodeOptions{}).image.pixels, decoded.image.pixels);
}

TEST(DecodeErrors, SecondFrameAfterAScanIsRefused)
{
    Bytes jpeg = fixtures::readFile("s444_7x9.jpg");
    const size_t sof = segmentAt(jpeg, 0xC0);
    const Bytes frame(jpeg.begin() + static_cast<long>(sof),
                      jpeg.begin() + static_cast<long>(sof) + 2 + (jpeg[sof + 2] << 8 | jpeg[sof + 3]));
    jpeg.insert(jpeg.end() - 2, frame.begin(), frame.end());
    EXPECT_EQ(JPEG_MULTIPLE_FRAMES, decodeStatus(jpeg));
}

TEST(DecodeErrors, InfoOfAStreamEndingAfterSoi)
{
    const auto decoded = fixtures::decode(Bytes{0xFF, 0xD8}, fixtures::DecodeOptions{});
    EXPECT_EQ(JPEG_SUCCESS, decoded.infoStatus);
}

TEST(DecodeErrors, CutAtEveryByteGivesAStatusOrAPicture)
{
    for (const char* name : {"s420_17x17", "restart_blocks_17x17", "grey_7x9"}) {
        const Bytes jpeg = fixtures::readFile(std::string(name) + ".jpg");
        const size_t scan = segmentAt(jpeg, 0xDA);
        for (size_t length = 1; length < jpeg.size(); ++length) {
            const JPEG_STATUS status = decodeStatus(Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(length)));
            EXPECT_LE(status, JPEG_SUCCESS) << name << " cut at " << length;
            // Entropy data that stops short is reported, not passed off as a picture.
            if (length > scan + 14 && length < jpeg.size() - 2) {
                EXPECT_EQ(JPEG_EOF_ERROR, status) << name << " cut at " << length;
            }
        }
    }
}

// Entropy data cut short ends the decode where the data ends, whatever
// restart markers say: the rows below the cut are not made up from padding
// (which would cost the whole picture's time for a few bytes).
TEST(DecodeErrors, ScanCutShortStopsWhereItsDataEnds)
{
    const struct {
        const char* name;
        bool strayRestart;
    } cases[] = {
        {"restart_each_1023x767", false},  // a restart after every MCU, none after the cut
        {"s420_1023x767", true},           // no restart intervals, yet an RST0 after the cut
    };
    for (const auto& c : cases) {
        const Bytes jpeg = fixtures::readFile(std::string(c.name) + ".jpg");
        const size_t scan = segmentAt(jpeg, 0xDA);
        Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<long>(scan + (jpeg.size() - scan) / 8));
        while (cut.back() == 0xFF) cut.pop_back();
        if (c.strayRestart) cut.insert(cut.end(), {0xFF, 0xD0});
        const auto decoded = fixtures::decode(cut, fixtures::DecodeOptions{});
        EXPECT_LT(decoded.status, JPEG_SUCCESS) << c.name;
        const std::vector<uint8_t>& pixels = decoded.image.pixels;
        const size_t row = static_cast<size_t>(decoded.image.width) * 3;
        ASSERT_GE(pixels.size(), row) << c.name;
        EXPECT_TRUE(
            std::all_of(pixels.end() - static_cast<long>(row), pixels.end(), [](uint8_t v) { return v == 0xCD; }))
            << c.name << ": the bottom row was written";
    }
}

// The end of the data stands for EOI: a stream whose scans all arrived is
// the whole picture without its EOI, or with half of it.
TEST(DecodeErrors, StreamWithoutItsEoiIsThePicture)
{
    for (const char* name :
         {"s420_17x17", "restart_blocks_17x17", "grey_7x9", "scans_separate_17x17", "progressive_64x48"}) {
        const Bytes jpeg = fixtures::readFile(std::string(name) + ".jpg");
        fixtures::DecodeOptions options;
        const auto whole = fixtures::decode(jpeg, options);
        ASSERT_EQ(JPEG_SUCCESS, whole.status) << name;
        for (size_t missing : {1, 2}) {
            const auto cut = fixtures::decode(Bytes(jpeg.begin(), jpeg.end() - static_cast<long>(missing)), options);
            EXPECT_EQ(JPEG_SUCCESS, cut.status) << name << " without " << missing << " bytes";
            EXPECT_EQ(whole.image.pixels, cut.image.pixels) << name << " without " << missing << " bytes";
        }
    }
}

TEST(DecodeErrors, FlippedBitsNeverFaultAndGiveTheSameStatusOnEveryClass)
{
    const Bytes jpeg = fixtures::readFile("restart_blocks_17x17.jpg");
    for (size_t at = 2; at < jpeg.size(); at += 3) {
        Bytes bad = jpeg;
        bad[at] ^= static_cast<uint8_t>(1u << (at % 8));
        JPEG_STATUS first = JPEG_RESERVED;
        for (int32_t cpuClass : {0, 3, 6}) {
#ifndef _WIN32
            setCpuOverrideForTesting(cpuClass);
#endif
            const JPEG_STATUS status = decodeStatus(bad);
            EXPECT_LE(status, JPEG_SUCCESS);
            if (first == JPEG_RESERVED) first = status;
            EXPECT_EQ(first, status) << "byte " << at << " class " << cpuClass;
        }
    }
#ifndef _WIN32
    setCpuOverrideForTesting(CPU_NO_OVERRIDE);
#endif
}

TEST(DecodeErrors, ThumbnailModes)
{
    const Bytes main = fixtures::readFile("s444_7x9.jpg");
    // JFIF with a 2x1 RGB thumbnail: red, then blue.
    Bytes app0 = {0xFF, 0xE0, 0, 22, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 2, 1, 255, 0, 0, 0, 0, 255};
    // SOI, that segment in place of cjpeg's own (bytes 2-19), the rest.
    Bytes jpeg = app0;
    jpeg.insert(jpeg.begin(), {0xFF, 0xD8});
    jpeg.insert(jpeg.end(), main.begin() + 20, main.end());
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, fixtures::openStream(&props, jpeg));
    EXPECT_EQ(2, props.thumbnailWidth);
    EXPECT_EQ(1, props.thumbnailHeight);
    uint8_t pixels[2 * 3] = {};
    props.bitmapPixels = pixels;
    props.bitmapWidth = 1;
    props.bitmapHeight = 1;
    props.bitmapColor = JPEG_COLOR_BGR;
    EXPECT_EQ(JPEG_THUMBNAIL_TOO_SMALL, jpegRead(&props, DecodeThumbnailFromMemory));
    props.bitmapWidth = 2;
    EXPECT_EQ(JPEG_SUCCESS, jpegRead(&props, DecodeThumbnailFromMemory));
    const uint8_t bgr[] = {0, 0, 255, 255, 0, 0};
    EXPECT_EQ(0, memcmp(bgr, pixels, sizeof(bgr)));
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}
}  // namespace
