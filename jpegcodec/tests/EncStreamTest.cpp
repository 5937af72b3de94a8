// The encoder's streams byte by byte: tables, markers, buffers and modes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CpuDispatch.h"
#include "EncMarkers.h"
#include "EncTables.h"
#include "EncTestSupport.h"
#include "jpegcodec_testing.h"

namespace {
using namespace enctest;

std::vector<uint8_t> dqtEntries(const std::vector<uint8_t>& jpeg, int table)
{
    for (const Segment& segment : segmentsOf(jpeg, 0xDB))
        if ((segment.payload[0] & 15) == table) return {segment.payload.begin() + 1, segment.payload.end()};
    return {};
}

TEST(EncoderQuality, ScalesBaseTables)
{
    struct Case {
        int32_t quality;
        uint16_t first;  // from luminance base 16
        uint16_t last;   // from luminance base 99
    };
    for (const Case& c : {Case{50, 16, 99}, Case{75, 8, 50}, Case{100, 1, 1}, Case{120, 1, 1}, Case{0, 255, 255},
                          Case{-5, 255, 255}, Case{1, 255, 255}, Case{10, 80, 255}}) {
        SCOPED_TRACE(c.quality);
        uint16_t table[64];
        scaleQuantTable(kLuminanceQuant, c.quality, table);
        EXPECT_EQ(table[0], c.first);
        EXPECT_EQ(table[63], c.last);
    }
    uint16_t table[64];
    scaleQuantTable(kLuminanceQuant, 0, table);
    EXPECT_EQ(table[1], 11 * 50 > 255 ? 255 : 11 * 50);
}

// The DQT holds the divisor the quantiser uses: at quality 100 the fast
// family divides the last position by 2, and says so.
TEST(EncoderQuality, DqtShowsTheDivisorsUsed)
{
    const Picture picture = syntheticPicture(16, 16, 3);
    EncodeOptions options;
    options.quality = 100;
    for (int32_t method : {0, 1}) {
        options.dctMethod = method;
        const std::vector<uint8_t> entries = dqtEntries(encode(picture, options).bytes, 0);
        ASSERT_EQ(entries.size(), 64u);
        EXPECT_EQ(entries[62], 1);
        EXPECT_EQ(entries[63], method == 0 ? 2 : 1);
    }
}

TEST(EncoderMemory, NeedsOneByteBeyondTheStream)
{
    const Picture picture = syntheticPicture(50, 30, 3);
    const Encoded full = encode(picture, EncodeOptions());
    ASSERT_EQ(full.status, JPEG_SUCCESS);
    const int32_t size = static_cast<int32_t>(full.bytes.size());
    for (bool progressive : {false, true}) {
        EncodeOptions options;
        options.progressive = progressive;
        const int32_t length = static_cast<int32_t>(encode(picture, options).bytes.size());
        for (int32_t capacity : {length - 1, length, 2, 1}) {
            options.capacity = capacity;
            EXPECT_EQ(encode(picture, options).status, JPEG_OUTPUT_BUFFER_TOO_SMALL) << capacity;
        }
        options.capacity = length + 1;
        const Encoded fits = encode(picture, options);
        EXPECT_EQ(fits.status, JPEG_SUCCESS);
        EXPECT_EQ(static_cast<int32_t>(fits.bytes.size()), length);
    }
    EXPECT_GT(size, 0);
}

TEST(EncoderFile, WritesTheBytesOfTheMemoryStream)
{
    const Picture picture = syntheticPicture(300, 200, 3);  // several file windows
    const Encoded memory = encode(picture, EncodeOptions());
    const std::string path = fixtures::scratchPath("written.jpg");
    {
        WriteRecord record(picture, 1);
        record->jpegFileName = path.c_str();
        EXPECT_EQ(jpegWrite(record.get(), EncodeToFile), JPEG_SUCCESS);
        EXPECT_FALSE(jpegtest::fileOpen(record.get()));
        EXPECT_EQ(record->jpegBufferSize, static_cast<int32_t>(memory.bytes.size()));
    }
    std::vector<uint8_t> written;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF) written.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    }
    std::remove(path.c_str());
    EXPECT_TRUE(written == memory.bytes);
}

TEST(EncoderMarkers, LayoutOfAStream)
{
    const Encoded ycc = encode(syntheticPicture(20, 20, 3), EncodeOptions());
    std::vector<uint8_t> order;
    for (const Segment& segment : segments(ycc.bytes)) order.push_back(segment.marker);
    EXPECT_EQ(order, (std::vector<uint8_t>{0xD8, 0xE0, 0xFE, 0xDB, 0xDB, 0xC4, 0xC4, 0xC4, 0xC4, 0xC0, 0xDA, 0xD9}));
    const Segment com = segmentsOf(ycc.bytes, 0xFE)[0];
    const std::string text = "Vexmoor(R) JPEG Library, version [1.51.13.45]";
    EXPECT_EQ(std::string(com.payload.begin(), com.payload.end()), text + '\0');
    const Segment app0 = segmentsOf(ycc.bytes, 0xE0)[0];
    EXPECT_EQ(app0.payload, (std::vector<uint8_t>{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}));
    const Segment sof = segmentsOf(ycc.bytes, 0xC0)[0];
    EXPECT_EQ(sof.payload, (std::vector<uint8_t>{8, 0, 20, 0, 20, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
    const Segment sos = segmentsOf(ycc.bytes, 0xDA)[0];
    EXPECT_EQ(sos.payload, (std::vector<uint8_t>{3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0}));

    EncodeOptions rgb;
    rgb.jpegColor = JPEG_COLOR_RGB;
    rgb.subsampling = JPEG_SUBSAMPLING_NONE;
    const Segment app14 = segmentsOf(encode(syntheticPicture(8, 8, 3), rgb).bytes, 0xEE)[0];
    EXPECT_EQ(app14.payload, (std::vector<uint8_t>{'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 0}));
}

TEST(EncoderMarkers, OneComponentUsesIdentifierZero)
{
    EncodeOptions grey;
    grey.bitmapColor = JPEG_COLOR_GREY;
    grey.jpegColor = JPEG_COLOR_GREY;
    grey.jpegChannels = 1;
    grey.subsampling = JPEG_SUBSAMPLING_NONE;
    for (bool progressive : {false, true}) {
        grey.progressive = progressive;
        const Encoded stream = encode(syntheticPicture(9, 9, 1), grey);
        const Segment sof = segmentsOf(stream.bytes, progressive ? 0xC2 : 0xC0).at(0);
        EXPECT_EQ(sof.payload, (std::vector<uint8_t>{8, 0, 9, 0, 9, 1, 0, 0x11, 0}));
        for (const Segment& sos : segmentsOf(stream.bytes, 0xDA)) EXPECT_EQ(sos.payload[1], 0);
    }
    EncodeOptions ycc;
    ycc.progressive = true;
    const Segment sof2 = segmentsOf(encode(syntheticPicture(9, 9, 3), ycc).bytes, 0xC2).at(0);
    EXPECT_EQ(sof2.payload[6], 0);
    EXPECT_EQ(sof2.payload[9], 1);
    EXPECT_EQ(sof2.payload[12], 2);
}

TEST(EncoderMarkers, CallerComment)
{
    std::string comment(65535, 'c');
    for (uint16_t length : {uint16_t{0}, uint16_t{5}, uint16_t{65535}}) {
        WriteRecord record(flatPicture(8, 8, {90, 90, 90}), 200000);
        record->state.jpeg_comment = &comment[0];
        record->state.jpeg_commentLength = length;
        ASSERT_EQ(jpegWrite(record.get(), EncodeToMemory), JPEG_SUCCESS);
        const auto com = segmentsOf(record.written(), 0xFE);
        if (length == 0) {
            EXPECT_TRUE(com.empty());
        } else {
            const size_t expected = length > 65531 ? 65531 : length;
            ASSERT_EQ(com.size(), 1u);
            EXPECT_EQ(com[0].payload.size(), expected);
            EXPECT_EQ(record->state.jpeg_commentLength, expected);
        }
    }
}

// Mode 11 writes the tables alone; mode 13 then writes the image without
// them, and the two together decode like a complete stream.
TEST(EncoderModes, TablesThenAbbreviatedImage)
{
    const Picture picture = syntheticPicture(24, 24, 3);
    WriteRecord record(picture, 100000);
    ASSERT_EQ(jpegWrite(record.get(), WriteTablesToMemory), JPEG_SUCCESS);
    const std::vector<uint8_t> tables = record.written();
    std::vector<uint8_t> order;
    for (const Segment& segment : segments(tables)) order.push_back(segment.marker);
    EXPECT_EQ(order, (std::vector<uint8_t>{0xD8, 0xE0, 0xFE, 0xDB, 0xDB, 0xC4, 0xC4, 0xC4, 0xC4, 0xD9}));

    record->jpegBufferSize = 100000;
    ASSERT_EQ(jpegWrite(record.get(), EncodeScanToMemory), JPEG_SUCCESS);
    const std::vector<uint8_t> image = record.written();
    order.clear();
    for (const Segment& segment : segments(image)) order.push_back(segment.marker);
    EXPECT_EQ(order, (std::vector<uint8_t>{0xD8, 0xC0, 0xDA, 0xD9}));

    // Tables and image spliced into one stream equal the complete stream.
    const Encoded complete = encode(picture, EncodeOptions());
    std::vector<uint8_t> spliced(tables.begin(), tables.end() - 2);
    spliced.insert(spliced.end(), image.begin() + 2, image.end());
    EXPECT_TRUE(spliced == complete.bytes);
}

TEST(EncoderModes, RefusesWhatItCannotReadSafely)
{
    const Picture picture = syntheticPicture(16, 16, 3);
    struct Case {
        const char* name;
        void (*change)(JPEG_PROPERTIES*);
        JPEG_STATUS expected;
    };
    const Case cases[] = {
        {"wider JPEG than bitmap", [](JPEG_PROPERTIES* p) { p->jpegWidth = 17; }, JPEG_INVALID_PROPERTIES},
        {"taller JPEG than bitmap", [](JPEG_PROPERTIES* p) { p->jpegHeight = 17; }, JPEG_INVALID_PROPERTIES},
        {"zero height", [](JPEG_PROPERTIES* p) { p->bitmapHeight = 0; }, JPEG_INVALID_PROPERTIES},
        {"five components",
         [](JPEG_PROPERTIES* p) {
             p->bitmapWidth = p->jpegWidth = 4;
             p->bitmapChannels = p->jpegChannels = 5;
             p->bitmapColor = p->jpegColor = JPEG_COLOR_OTHER;
             p->jpegSubsampling = JPEG_SUBSAMPLING_NONE;
         },
         JPEG_INVALID_PROPERTIES},
        {"progressive without script",
         [](JPEG_PROPERTIES* p) {
             p->bitmapColor = p->jpegColor = JPEG_COLOR_OTHER;
             p->bitmapChannels = p->jpegChannels = 1;
             p->jpegSubsampling = JPEG_SUBSAMPLING_NONE;
             jpegtest::setProgressiveWriting(p, 1);
         },
         JPEG_INVALID_PROPERTIES},
        {"restart interval beyond 16 bits", [](JPEG_PROPERTIES* p) { jpegtest::setRestartInterval(p, 65536); },
         JPEG_INVALID_PROPERTIES},
        {"unknown transform family", [](JPEG_PROPERTIES* p) { p->state.dctMethod = 2; }, JPEG_INVALID_PROPERTIES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRecord record(picture, 10000);
        record->bitmapColor = JPEG_COLOR_BGR;
        c.change(record.get());
        EXPECT_EQ(jpegWrite(record.get(), EncodeToMemory), c.expected);
    }
}

// Packed Y0 Cb Y1 Cr pixels code like three-channel YCbCr pixels whose pairs
// share their chroma, whatever sampling the caller asked for; an odd last
// pixel takes the previous pair's Cr.
TEST(EncoderInput, PackedYccIsCodedAsFourTwoTwo)
{
    for (int32_t width : {16, 17, 35}) {
        SCOPED_TRACE(width);
        const int32_t height = 11;
        Picture packed{width, height, 2, {}};
        Picture planar{width, height, 3, {}};
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const int32_t pair = x / 2;
                const uint8_t luma = static_cast<uint8_t>(x * 9 + y * 5), cb = static_cast<uint8_t>(100 + pair * 3 + y);
                const bool lastOdd = (x | 1) >= width;
                const uint8_t cr = static_cast<uint8_t>(150 - (lastOdd ? pair - 1 : pair) * 2 - y);
                packed.pixels.push_back(luma);
                packed.pixels.push_back(x % 2 == 0 ? cb : cr);
                planar.pixels.insert(planar.pixels.end(), {luma, cb, cr});
            }
        // Packed rows hold whole pairs; the odd last pixel keeps only Y and Cb.
        EncodeOptions options;
        options.bitmapColor = JPEG_COLOR_YCBCR;
        options.subsampling = JPEG_SUBSAMPLING_422;
        const Encoded expected = encode(planar, options);
        options.bitmapSubsampling = JPEG_SUBSAMPLING_422;
        for (JPEG_SUBSAMPLING asked : {JPEG_SUBSAMPLING_422, JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_NONE}) {
            options.subsampling = asked;
            const Encoded ours = encode(packed, options);
            ASSERT_EQ(ours.status, JPEG_SUCCESS);
            EXPECT_TRUE(ours.bytes == expected.bytes);
        }
    }
}

// Paused writes keep the frame the first call wrote: every input colour
// gives the one-call stream, with and without restart markers.
TEST(EncoderModes, PausedEncodesOfEveryColourEqualTheOneCallEncode)
{
    struct Case {
        const char* name;
        int32_t channels;
        JPEG_COLOR bitmapColor, jpegColor;
        int32_t jpegChannels;
        JPEG_SUBSAMPLING subsampling;
    } cases[] = {
        {"RGB as YCbCr", 3, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420},
        {"BGR as YCbCr", 3, JPEG_COLOR_BGR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_422},
        {"RGB as RGB", 3, JPEG_COLOR_RGB, JPEG_COLOR_RGB, 3, JPEG_SUBSAMPLING_NONE},
        {"RGB as grey", 3, JPEG_COLOR_RGB, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE},
        {"grey", 1, JPEG_COLOR_GREY, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE},
        {"CMYK as CMYK", 4, JPEG_COLOR_CMYK, JPEG_COLOR_CMYK, 4, JPEG_SUBSAMPLING_NONE},
        {"CMYK as YCCK", 4, JPEG_COLOR_CMYK, JPEG_COLOR_YCCK, 4, JPEG_SUBSAMPLING_4224},
        {"YCbCr", 3, JPEG_COLOR_YCBCR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420},
    };
    for (const Case& c : cases)
        for (int32_t interval : {0, 2}) {
            SCOPED_TRACE(std::string(c.name) + " restart interval " + std::to_string(interval));
            const Picture picture = syntheticPicture(40, 20, c.channels);
            EncodeOptions options;
            options.bitmapColor = c.bitmapColor;
            options.jpegColor = c.jpegColor;
            options.jpegChannels = c.jpegChannels;
            options.subsampling = c.subsampling;
            options.restartInterval = interval;
            const Encoded oneCall = encode(picture, options);
            ASSERT_EQ(oneCall.status, JPEG_SUCCESS);
            options.pauseEachMcu = true;
            const Encoded paused = encode(picture, options);
            EXPECT_EQ(paused.status, JPEG_SUCCESS);
            EXPECT_TRUE(paused.bytes == oneCall.bytes);
        }
}

// The region words of a paused write report the MCU just coded.
TEST(EncoderModes, PausedEncodeReportsEachMcu)
{
    const Picture picture = syntheticPicture(40, 20, 3);
    WriteRecord record(picture, 20000);
    jpegtest::setInterruptEachMcu(record.get(), 1);
    int32_t calls = 0;
    while (jpegWrite(record.get(), EncodeToMemory) == JPEG_INTERRUPT_SUCCESS && calls < 100) {
        const JpegRegion r = jpegtest::region(record.get());
        EXPECT_EQ(calls % 3, r.left);
        EXPECT_EQ(calls / 3, r.top);
        EXPECT_EQ(std::min(40, (calls % 3) * 16 + 16), r.right);
        EXPECT_EQ(calls / 3 == 0 ? 16 : 20, r.bottom);
        ++calls;
    }
    EXPECT_EQ(calls, 3 * 2);
}

// A bitmap larger than the picture gives the picture from its top-left
// corner, top-down and bottom-up.
TEST(EncoderInput, BitmapLargerThanThePicture)
{
    const Picture picture = syntheticPicture(37, 21, 3);
    const Encoded exact = encode(picture, EncodeOptions());
    ASSERT_EQ(exact.status, JPEG_SUCCESS);
    for (bool bottomUp : {false, true}) {
        EncodeOptions larger;
        larger.extraColumns = 5;
        larger.extraRows = 3;
        larger.bottomUp = bottomUp;
        const Encoded encoded = encode(picture, larger);
        EXPECT_EQ(encoded.status, JPEG_SUCCESS) << bottomUp;
        EXPECT_TRUE(encoded.bytes == exact.bytes) << bottomUp;
    }
}

// writeDhtTables puts every table of a stream into one segment: the
// entries of the separate segments, in their order, under one length.
TEST(EncoderMarkers, OneDhtSegmentForAllTables)
{
    const Picture picture = syntheticPicture(16, 16, 3);
    WriteRecord record(picture, 20000);
    ASSERT_EQ(jpegWrite(record.get(), WriteTablesToMemory), JPEG_SUCCESS);
    std::vector<uint8_t> expected = {0xFF, 0xC4, 0, 0};
    for (const Segment& segment : segmentsOf(record.written(), 0xC4))
        expected.insert(expected.end(), segment.payload.begin(), segment.payload.end());
    ASSERT_GT(expected.size(), 4u + 2 * 17);
    expected[2] = static_cast<uint8_t>((expected.size() - 2) >> 8);
    expected[3] = static_cast<uint8_t>(expected.size() - 2);

    std::vector<uint8_t> out(1024);
    JPEG_CODEC_STATE& state = record->state;
    state.io.cpuTable->outputOpen(&state.io, out.data(), static_cast<int32_t>(out.size()));
    ASSERT_EQ(writeDhtTables(&state), JPEG_SUCCESS);
    out.resize(static_cast<size_t>(state.io.cursor.consumed));
    EXPECT_TRUE(out == expected);

    // A table of more values than one entry may carry is refused.
    uint8_t counts[16] = {};
    counts[15] = 255;
    counts[14] = 60;
    static const uint8_t values[400] = {};
    state.huffSpecs[1] = {counts, values, 1, 0};
    state.io.cpuTable->outputOpen(&state.io, out.data(), 1024);
    EXPECT_EQ(writeDhtTables(&state), JPEG_BAD_HUFFMAN_TABLE);
}

// Caller planes of samples stand in for the bitmap.
TEST(EncoderInput, CallerSamplePlanes)
{
    const Picture picture = syntheticPicture(24, 16, 1);
    EncodeOptions options;
    options.bitmapColor = JPEG_COLOR_GREY;
    options.jpegColor = JPEG_COLOR_GREY;
    options.jpegChannels = 1;
    options.subsampling = JPEG_SUBSAMPLING_NONE;
    const Encoded fromBitmap = encode(picture, options);

    std::vector<int16_t> plane(picture.pixels.begin(), picture.pixels.end());
    JpegCoefficientOutput planes = {1, {plane.data(), nullptr, nullptr, nullptr}};
    WriteRecord record(flatPicture(24, 16, {0}), 20000);
    record->jpegChannels = 1;
    record->jpegColor = JPEG_COLOR_GREY;
    record->jpegSubsampling = JPEG_SUBSAMPLING_NONE;
    jpegtest::setCoefficientOutput(record.get(), &planes);
    ASSERT_EQ(jpegWrite(record.get(), EncodeToMemory), JPEG_SUCCESS);
    EXPECT_TRUE(record.written() == fromBitmap.bytes);
}

// The 64-bit vector bodies share their registers with the x87 unit; every
// read and write, failed or not, releases them before returning, so x87
// arithmetic in the caller (long double) keeps working. The forced-class
// runs of this program check the MMX classes.
TEST(EntryPoints, LeaveTheFloatingPointUnitUsable)
{
    auto expectX87Works = [](const char* after) {
        volatile long double x = 1.5L;
        const long double product = x * 3;
        EXPECT_EQ(4.5L, product) << "after " << after;
    };
    const enctest::Picture picture = enctest::syntheticPicture(48, 32, 3);
    const enctest::Encoded encoded = enctest::encode(picture, {});
    ASSERT_EQ(JPEG_SUCCESS, encoded.status);
    expectX87Works("a write");
    EXPECT_EQ(JPEG_SUCCESS, enctest::decode(encoded.bytes).status);
    expectX87Works("a read");
    enctest::EncodeOptions tooSmall;
    tooSmall.capacity = static_cast<int32_t>(encoded.bytes.size() / 2);
    EXPECT_EQ(JPEG_OUTPUT_BUFFER_TOO_SMALL, enctest::encode(picture, tooSmall).status);
    expectX87Works("a write that ran out of room");
    const std::vector<uint8_t> cut(encoded.bytes.begin(), encoded.bytes.end() - 40);
    EXPECT_EQ(JPEG_EOF_ERROR, enctest::decode(cut).status);
    expectX87Works("a read of a cut stream");
}
}  // namespace
