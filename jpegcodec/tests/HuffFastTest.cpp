// The Huffman block coders and decoders of the vector classes against the
// portable ones: the same bits out of the coders, the same coefficients and
// the same status out of the decoders, on sound, cut and damaged streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "CodecFixtures.h"
#include "CpuDispatch.h"
#include "EncOutput.h"
#include "EncTables.h"
#include "jpegcodec_testing.h"
#include "Platform.h"

namespace {
using Bytes = std::vector<uint8_t>;

constexpr int32_t kVectorClasses[] = {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_MMX, CPU_CLASS_FAMILY6_SSE,
                                      CPU_CLASS_FAMILY15_SSE2};

CpuDispatchTable tableOf(int32_t cpuClass)
{
    CpuDispatchTable table = {};
    fillDispatchTable(&table, cpuClass);
    return table;
}

// ---- Coders -------------------------------------------------------------

struct Block {
    int16_t values[64];
};

// Blocks that reach every path of a coder: runs over 16 (ZRL), a last
// coefficient that is not zero (no EOB), all-zero AC, magnitudes of every
// category, values whose extra bits are all ones (0xFF bytes to stuff).
std::vector<Block> codingBlocks()
{
    std::mt19937 random(5);
    std::vector<Block> blocks;
    auto add = [&](auto fill) {
        Block b = {};
        fill(b);
        blocks.push_back(b);
    };
    for (int n = 0; n < 4000; ++n) {
        const int kind = n % 6;
        add([&](Block& b) {
            const int32_t limit = kind == 0 ? 3 : kind == 1 ? 60 : kind == 2 ? 1023 : 32767;
            const int32_t density = kind == 3 ? 2 : kind == 4 ? 20 : kind == 5 ? 64 : 6;
            std::uniform_int_distribution<int32_t> value(-limit, limit), place(0, 63);
            for (int i = 0; i < density; ++i) b.values[place(random)] = static_cast<int16_t>(value(random));
            if (kind == 5)  // extra bits of all ones
                for (int16_t& v : b.values) v = static_cast<int16_t>((1 << (place(random) % 12)) - 1);
        });
    }
    add([](Block& b) { b.values[63] = 1; });     // ZRL x3, then no EOB
    add([](Block& b) { b.values[0] = -2047; });  // AC all zero
    add([](Block& b) { b.values[0] = 2047; });   // DC difference of the largest category
    add([](Block& b) {
        for (int16_t& v : b.values) v = -1;
    });
    return blocks;
}

struct CodingTables {
    HuffEncodeTable dc, ac;
};
CodingTables standardTables()
{
    CodingTables t;
    buildEncoderHuffman(kDcLuminanceBits, kDcLuminanceValues, &t.dc);
    buildEncoderHuffman(kAcLuminanceBits, kAcLuminanceValues, &t.ac);
    return t;
}

struct Coded {
    JPEG_STATUS status;
    Bytes bytes;
    int32_t byteCount;
};

// Codes the blocks into a memory window of `capacity` bytes (or a file when
// path is given) and flushes the bits, as a scan does.
Coded codeBlocks(const CpuDispatchTable& table, const std::vector<Block>& blocks, int32_t capacity,
                 const char* path = nullptr)
{
    static EntropyIo io;
    io = EntropyIo{};
    Bytes window(static_cast<size_t>(capacity));
    if (path) io.file = openCodecFile(path, CODEC_FILE_READ_WRITE);
    table.outputOpen(&io, window.data(), capacity);
    const CodingTables tables = standardTables();
    int32_t lastDc = 0;
    JPEG_STATUS status = JPEG_SUCCESS;
    for (size_t i = 0; i < blocks.size() && status == JPEG_SUCCESS; ++i)
        status = table.huffmanEncodeBlock(&io, &tables.dc, &tables.ac, &lastDc, blocks[i].values);
    if (status == JPEG_SUCCESS) status = flushBits(&io);
    if (status == JPEG_SUCCESS) status = flushOutputBuffer(&io);
    table.endKernels();
    Coded coded{status, {}, io.cursor.consumed};
    if (path) {
        closeCodecFile(io.file);
        FILE* file = std::fopen(path, "rb");
        for (int c; file && (c = std::fgetc(file)) != EOF;) coded.bytes.push_back(static_cast<uint8_t>(c));
        if (file) std::fclose(file);
        std::remove(path);
    } else {
        coded.bytes.assign(window.begin(), window.begin() + (io.cursor.current - window.data()));
    }
    return coded;
}

TEST(HuffmanCodersEveryClass, EmitThePortableBits)
{
    const std::vector<Block> blocks = codingBlocks();
    const Coded expected = codeBlocks(tableOf(CPU_CLASS_OTHER), blocks, 1 << 22);
    ASSERT_EQ(JPEG_SUCCESS, expected.status);
    ASSERT_EQ(static_cast<int32_t>(expected.bytes.size()), expected.byteCount);
    for (int32_t cpuClass : kVectorClasses) {
        const Coded actual = codeBlocks(tableOf(cpuClass), blocks, 1 << 22);
        EXPECT_EQ(JPEG_SUCCESS, actual.status) << "class " << cpuClass;
        EXPECT_EQ(expected.byteCount, actual.byteCount) << "class " << cpuClass;
        EXPECT_TRUE(expected.bytes == actual.bytes) << "class " << cpuClass;
    }
}

TEST(HuffmanCodersEveryClass, WriteTheSameFileThroughItsWindow)
{
    const std::vector<Block> blocks = codingBlocks();
    const std::string path = "huffman_coders_file.bin";
    const Coded expected = codeBlocks(tableOf(CPU_CLASS_OTHER), blocks, JPEG_FILE_WINDOW_SIZE, path.c_str());
    ASSERT_EQ(JPEG_SUCCESS, expected.status);
    ASSERT_GT(expected.bytes.size(), 3u * JPEG_FILE_WINDOW_SIZE);
    for (int32_t cpuClass : kVectorClasses) {
        const Coded actual = codeBlocks(tableOf(cpuClass), blocks, JPEG_FILE_WINDOW_SIZE, path.c_str());
        EXPECT_EQ(JPEG_SUCCESS, actual.status) << "class " << cpuClass;
        EXPECT_TRUE(expected.bytes == actual.bytes) << "class " << cpuClass;
    }
}

// A memory window too small by any amount fails on every class; one that
// fits succeeds on every class.
TEST(HuffmanCodersEveryClass, ReportTheFullBufferAsThePortableCoder)
{
    const std::vector<Block> all = codingBlocks();
    const std::vector<Block> blocks(all.begin(), all.begin() + 40);
    const int32_t size = static_cast<int32_t>(codeBlocks(tableOf(CPU_CLASS_OTHER), blocks, 1 << 20).bytes.size());
    for (int32_t capacity = size - 9; capacity <= size + 2; ++capacity) {
        const JPEG_STATUS expected = codeBlocks(tableOf(CPU_CLASS_OTHER), blocks, capacity).status;
        EXPECT_EQ(capacity >= size ? JPEG_SUCCESS : JPEG_OUTPUT_BUFFER_TOO_SMALL, expected) << capacity;
        for (int32_t cpuClass : kVectorClasses)
            EXPECT_EQ(expected, codeBlocks(tableOf(cpuClass), blocks, capacity).status)
                << "class " << cpuClass << " capacity " << capacity;
    }
}

// ---- Decoders -----------------------------------------------------------

struct CoefficientDecode {
    JPEG_STATUS status = JPEG_SUCCESS;
    std::vector<std::vector<int16_t>> planes;
    bool operator==(const CoefficientDecode& other) const { return status == other.status && planes == other.planes; }
};

// Decodes the quantised coefficients of every component at a forced class,
// from memory or (path given) from a file.
CoefficientDecode decodeCoefficients(Bytes jpeg, int32_t cpuClass, const char* path = nullptr)
{
    fixtures::setUseCpu(cpuClass);
    CoefficientDecode result;
    JPEG_PROPERTIES props;
    result.status = fixtures::openStream(&props, jpeg);
    if (result.status == JPEG_SUCCESS) {
        const JpegFrameInfo& frame = props.state.frame;
        const size_t blocks =
            static_cast<size_t>(props.state.mcusPerRow) * props.state.mcuRows * frame.maxH * frame.maxV;
        JpegCoefficientOutput output = {0, {}};
        result.planes.resize(static_cast<size_t>(frame.componentCount));
        for (int32_t i = 0; i < frame.componentCount && i < JPEG_MAX_COMPONENTS; ++i) {
            result.planes[i].assign(blocks * 64, 0);
            output.planes[i] = result.planes[i].data();
        }
        Bytes pixels(static_cast<size_t>(props.jpegWidth) * props.jpegHeight * 4);
        props.bitmapPixels = pixels.data();
        props.bitmapWidth = props.jpegWidth;
        props.bitmapHeight = props.jpegHeight;
        jpegtest::setCoefficientOutput(&props, &output);
        JPEG_IO_MODE mode = DecodeFromMemory;
        if (path) {
            FILE* file = std::fopen(path, "wb");
            std::fwrite(jpeg.data(), 1, jpeg.size(), file);
            std::fclose(file);
            props.jpegFileName = path;
            mode = DecodeFromFile;
        }
        result.status = jpegRead(&props, mode);
        jpegtest::setCoefficientOutput(&props, nullptr);
    }
    jpegFree(&props);
    if (path) std::remove(path);
    fixtures::clearUseCpu();
    return result;
}

void expectSameOnEveryClass(const Bytes& jpeg, const std::string& what, const char* path = nullptr)
{
    const CoefficientDecode expected = decodeCoefficients(jpeg, 0, path);
    for (int32_t cpuClass : kVectorClasses) {
        const CoefficientDecode actual = decodeCoefficients(jpeg, cpuClass, path);
        EXPECT_EQ(expected.status, actual.status) << what << " class " << cpuClass;
        EXPECT_TRUE(expected.planes == actual.planes) << what << " class " << cpuClass;
    }
}

const char* const kCorpus[] = {
    "s444_1x1",
    "s444_7x9",
    "s444_17x17",
    "s444_64x48",
    "s444_1023x767",
    "s422_1x1",
    "s422_17x17",
    "s422_1023x767",
    "s420_7x9",
    "s420_64x48",
    "s420_1023x767",
    "s440_17x17",
    "s440_1023x767",
    "grey_1x1",
    "grey_7x9",
    "grey_1023x767",
    "restart_rows_64x48",
    "restart_blocks_1023x767",
    "restart_blocks_17x17",
    "scans_separate_64x48",
    "scans_split_1023x767",
    "still_2016x1520",
    "magick_1023x767",
    "mjpeg_320x240",
    "ycck_64x48",
    "progressive_64x48",
};

size_t scanDataStart(const Bytes& jpeg)
{
    for (size_t i = 0; i + 3 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i + 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]);
    return jpeg.size();
}

TEST(HuffmanDecodersEveryClass, GiveThePortableCoefficientsOnTheCorpus)
{
    for (const char* name : kCorpus) {
        const Bytes jpeg = fixtures::readFile(std::string(name) + ".jpg");
        const CoefficientDecode expected = decodeCoefficients(jpeg, 0);
        EXPECT_EQ(JPEG_SUCCESS, expected.status) << name;
        for (int32_t cpuClass : kVectorClasses)
            EXPECT_TRUE(expected == decodeCoefficients(jpeg, cpuClass)) << name << " class " << cpuClass;
    }
}

// The file window is refilled every 4,096 bytes, often inside a four-byte
// take or between a 0xFF and its stuffed zero.
TEST(HuffmanDecodersEveryClass, ReadFilesAcrossTheirWindows)
{
    for (const char* name : {"still_2016x1520", "restart_blocks_1023x767", "grey_1023x767"}) {
        const Bytes jpeg = fixtures::readFile(std::string(name) + ".jpg");
        const CoefficientDecode fromMemory = decodeCoefficients(jpeg, 0);
        for (int32_t cpuClass : {CPU_CLASS_OTHER, CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_MMX, CPU_CLASS_FAMILY6_SSE,
                                 CPU_CLASS_FAMILY15_SSE2})
            EXPECT_TRUE(fromMemory == decodeCoefficients(jpeg, cpuClass, "huffman_decoders_file.jpg"))
                << name << " class " << cpuClass;
    }
}

TEST(HuffmanDecodersEveryClass, CutStreamsGiveThePortableStatusAndCoefficients)
{
    for (const char* name : {"s420_64x48", "restart_rows_64x48", "restart_blocks_17x17", "grey_7x9"}) {
        const Bytes jpeg = fixtures::readFile(std::string(name) + ".jpg");
        for (size_t length = scanDataStart(jpeg); length < jpeg.size(); length += 3) {
            const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<long>(length));
            expectSameOnEveryClass(cut, std::string(name) + " cut at " + std::to_string(length));
        }
    }
    const Bytes still = fixtures::readFile("still_2016x1520.jpg");
    const Bytes cut(still.begin(), still.begin() + static_cast<long>(still.size() / 2 + 4097));
    expectSameOnEveryClass(cut, "still cut in a file window", "huffman_decoders_cut.jpg");
}

void insertAt(Bytes& jpeg, size_t at, std::initializer_list<uint8_t> bytes)
{
    jpeg.insert(jpeg.begin() + static_cast<long>(at), bytes);
}

// Damage inside the entropy data: flipped bits, bytes turned into 0xFF
// (stuffing, fill bytes, markers), and markers dropped in between.
TEST(HuffmanDecodersEveryClass, DamagedStreamsGiveThePortableStatusAndCoefficients)
{
    struct Damage {
        const char* what;
        void (*apply)(Bytes& jpeg, size_t at);
    } damages[] = {
        {"flipped bit", [](Bytes& j, size_t at) { j[at] ^= static_cast<uint8_t>(1u << (at % 8)); }},
        {"0xFF byte", [](Bytes& j, size_t at) { j[at] = 0xFF; }},
        {"FF 00 inserted",
         [](Bytes& j, size_t at) {
             insertAt(j, at, {0xFF, 0x00});
         }},
        {"FF FF 00 inserted",
         [](Bytes& j, size_t at) {
             insertAt(j, at, {0xFF, 0xFF, 0x00});
         }},
        {"RST inserted",
         [](Bytes& j, size_t at) {
             insertAt(j, at, {0xFF, 0xD3});
         }},
        {"EOI inserted",
         [](Bytes& j, size_t at) {
             insertAt(j, at, {0xFF, 0xD9});
         }},
        {"zeros",
         [](Bytes& j, size_t at) {
             std::fill_n(j.begin() + static_cast<long>(at), std::min<size_t>(9, j.size() - 2 - at), 0);
         }},
    };
    for (const char* name : {"s420_64x48", "restart_blocks_17x17", "s444_17x17"}) {
        const Bytes jpeg = fixtures::readFile(std::string(name) + ".jpg");
        for (const Damage& damage : damages)
            for (size_t at = scanDataStart(jpeg); at + 2 < jpeg.size(); at += 5) {
                Bytes bad = jpeg;
                damage.apply(bad, at);
                expectSameOnEveryClass(bad, std::string(name) + " " + damage.what + " at " + std::to_string(at));
            }
    }
}
}  // namespace
