// The encoder's kernels: transforms, quantisers, colour input, bit writer,
// block coder and optimal code lengths.
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "CpuDispatch.h"
#include "EncColor.h"
#include "EncFdct.h"
#include "EncHuffopt.h"
#include "EncOutput.h"
#include "EncTables.h"
#include "Zigzag.h"

namespace {
TEST(ForwardDct, FlatBlockHasOnlyDc)
{
    for (int16_t value : {-128, -1, 0, 57, 127}) {
        int16_t block[64];
        std::fill(block, block + 64, value);
        forwardDctAccurate(block);
        EXPECT_EQ(block[0], 8 * value);
        for (int i = 1; i < 64; ++i) EXPECT_EQ(block[i], 0) << i;
    }
}

// Both families, each with its own table, quantise a block alike (within
// rounding) at every quality.
TEST(ForwardDct, FamiliesAgreeAfterQuantisation)
{
    std::mt19937 random(7);
    for (int32_t quality : {10, 50, 75, 95, 100}) {
        uint16_t divisors[64], accurateTable[64 + 16], fastTable[64 + 16];
        scaleQuantTable(kLuminanceQuant, quality, divisors);
        if (divisors[63] < 2) divisors[63] = 2;
        buildReciprocalTable(divisors, accurateTable);
        buildFastReciprocalTable(divisors, fastTable);
        for (int trial = 0; trial < 50; ++trial) {
            int16_t accurate[64], fast[64];
            for (int i = 0; i < 64; ++i) accurate[i] = fast[i] = static_cast<int16_t>(random() % 256 - 128);
            forwardDctAccurate(accurate);
            quantizeAccurate(accurate, accurateTable);
            forwardDctFast(fast);
            quantizeFast(fast, fastTable);
            for (int i = 0; i < 64; ++i) EXPECT_NEAR(accurate[i], fast[i], 2 + std::abs(accurate[i]) / 20) << quality;
        }
    }
}

TEST(Quantiser, TiesRoundUpward)
{
    uint16_t table[64 + 16];
    uint16_t divisors[64];
    std::fill(divisors, divisors + 64, 8);
    buildReciprocalTable(divisors, table);
    int16_t block[64] = {};
    const int16_t values[4] = {-4, 4, -12, 12};  // -0.5, 0.5, -1.5, 1.5 quantisation steps
    std::copy(values, values + 4, block);
    quantizeAccurate(block, table);
    EXPECT_EQ(std::vector<int16_t>(block, block + 4), (std::vector<int16_t>{0, 1, -1, 2}));
    // Zig-zag position 2 is natural index 8.
    divisors[2] = 4;
    buildReciprocalTable(divisors, table);
    EXPECT_EQ(table[8], 32768 / 4);
}

class BitWriter : public testing::Test {
protected:
    BitWriter()
    {
        io_.cpuTable = &table_;
        table_.outputWrite = outputWrite;
        outputOpen(&io_, buffer_, sizeof(buffer_));
    }
    std::vector<uint8_t> written() const
    {
        const uint8_t* end = io_.cursor.current;
        return std::vector<uint8_t>(static_cast<const uint8_t*>(buffer_), end);
    }
    CpuDispatchTable table_ = {};
    EntropyIo io_ = {};
    uint8_t buffer_[64] = {};
};

TEST_F(BitWriter, StuffsZeroAfterEveryFf)
{
    for (int i = 0; i < 3; ++i) ASSERT_EQ(putBits(&io_, 0xFF, 8), JPEG_SUCCESS);
    ASSERT_EQ(flushBits(&io_), JPEG_SUCCESS);
    EXPECT_EQ(written(), (std::vector<uint8_t>{0xFF, 0, 0xFF, 0, 0xFF, 0}));
    EXPECT_EQ(io_.cursor.consumed, 6);
}

TEST_F(BitWriter, FlushPadsWithOnes)
{
    ASSERT_EQ(flushBits(&io_), JPEG_SUCCESS);
    EXPECT_TRUE(written().empty());
    ASSERT_EQ(putBits(&io_, 0x2, 3), JPEG_SUCCESS);  // 010
    ASSERT_EQ(flushBits(&io_), JPEG_SUCCESS);
    ASSERT_EQ(putBits(&io_, 0x7F, 7), JPEG_SUCCESS);  // pads into 0xFF, which is stuffed
    ASSERT_EQ(flushBits(&io_), JPEG_SUCCESS);
    EXPECT_EQ(written(), (std::vector<uint8_t>{0x5F, 0xFF, 0x00}));
}

// Marker segments must leave a byte free; entropy bytes may use the last one.
TEST_F(BitWriter, MemoryWindowLimits)
{
    uint8_t marker[64] = {};
    EXPECT_EQ(outputWrite(marker, 64, &io_), JPEG_OUTPUT_BUFFER_TOO_SMALL);
    EXPECT_EQ(outputWrite(marker, 60, &io_), JPEG_SUCCESS);
    EXPECT_EQ(outputWrite(marker, 4, &io_), JPEG_OUTPUT_BUFFER_TOO_SMALL);
    EXPECT_EQ(putBits(&io_, 0x123456, 24), JPEG_SUCCESS);
    EXPECT_EQ(flushBits(&io_), JPEG_SUCCESS);
    EXPECT_EQ(putBits(&io_, 0, 1), JPEG_SUCCESS);  // 0x7F after padding
    EXPECT_EQ(flushBits(&io_), JPEG_SUCCESS);
    EXPECT_EQ(io_.cursor.consumed, 64);
    EXPECT_EQ(putBits(&io_, 1, 1), JPEG_SUCCESS);
    EXPECT_EQ(flushBits(&io_), JPEG_OUTPUT_BUFFER_TOO_SMALL);
}

std::string codeOf(const HuffEncodeTable& table, int32_t symbol)
{
    std::string bits;
    for (int32_t i = table.length[symbol] - 1; i >= 0; --i) bits += (table.code[symbol] >> i) & 1 ? '1' : '0';
    return bits;
}

// A bit string as the writer leaves it: padded with ones, 0xFF stuffed.
std::vector<uint8_t> packed(const std::string& bits)
{
    std::vector<uint8_t> bytes;
    const std::string padded = bits + std::string((8 - bits.size() % 8) % 8, '1');
    for (size_t i = 0; i < padded.size(); i += 8) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(padded.substr(i, 8), nullptr, 2)));
        if (bytes.back() == 0xFF) bytes.push_back(0);
    }
    return bytes;
}

// Zero runs beyond 15 go out as ZRL symbols; a block ending on a non-zero
// coefficient has no EOB, any other block ends with one.
TEST_F(BitWriter, BlockCoderRunsAndEnd)
{
    HuffEncodeTable dc, ac;
    ASSERT_EQ(buildEncoderHuffman(kDcLuminanceBits, kDcLuminanceValues, &dc), JPEG_SUCCESS);
    ASSERT_EQ(buildEncoderHuffman(kAcLuminanceBits, kAcLuminanceValues, &ac), JPEG_SUCCESS);
    int16_t block[64] = {};
    block[zigzagToNatural[1]] = 1;
    block[zigzagToNatural[58]] = -1;  // 56 zeros before it: three ZRL, then run 8
    const std::string zrl = codeOf(ac, 0xF0);
    const std::string head = codeOf(dc, 0) + codeOf(ac, 0x01) + "1" + zrl + zrl + zrl + codeOf(ac, 0x81) + "0";
    for (bool lastSet : {true, false}) {
        block[zigzagToNatural[63]] = lastSet ? 2 : 0;  // after a run of 4
        outputOpen(&io_, buffer_, sizeof(buffer_));
        int32_t lastDc = 0;
        ASSERT_EQ(huffmanEncodeBlock(&io_, &dc, &ac, &lastDc, block), JPEG_SUCCESS);
        ASSERT_EQ(flushBits(&io_), JPEG_SUCCESS);
        EXPECT_EQ(written(), packed(head + (lastSet ? codeOf(ac, 0x42) + "10" : codeOf(ac, 0x00))));
    }
}

int32_t kraftSum16(const uint8_t bits[16])
{
    int32_t sum = 0;
    for (int length = 1; length <= 16; ++length) sum += bits[length - 1] << (16 - length);
    return sum;
}

TEST(OptimalTables, OneSymbolTakesOneBit)
{
    uint32_t counts[HUFF_FREQUENCY_ENTRIES] = {};
    counts[0x42] = 17;
    uint8_t bits[16], values[256];
    computeHuffmanLengths(counts, bits, values);
    EXPECT_EQ(bits[0], 1);
    EXPECT_EQ(std::accumulate(bits, bits + 16, 0), 1);
    EXPECT_EQ(values[0], 0x42);
}

// Counts that would make codes far longer than 16 bits: every symbol keeps
// a code of at most 16 bits, the code stays prefix-free, and the all-ones
// code stays unused.
TEST(OptimalTables, LengthsAreLimitedToSixteen)
{
    for (int symbols : {20, 45, 256}) {
        uint32_t counts[HUFF_FREQUENCY_ENTRIES] = {};
        uint64_t a = 1, b = 1;
        for (int i = 0; i < symbols; ++i) {
            counts[i] = static_cast<uint32_t>(a < 0xFFFFFFFFu ? a : 0xFFFFFFFFu);
            const uint64_t next = a + b;
            a = b;
            b = next;
        }
        uint8_t bits[16], values[256];
        computeHuffmanLengths(counts, bits, values);
        EXPECT_EQ(std::accumulate(bits, bits + 16, 0), symbols);
        EXPECT_LT(kraftSum16(bits), 1 << 16);
        HuffEncodeTable table;
        EXPECT_EQ(buildEncoderHuffman(bits, values, &table), JPEG_SUCCESS);
    }
}

TEST(OptimalTables, EqualCountsGiveTheLargerSymbolTheLongerCode)
{
    uint32_t counts[HUFF_FREQUENCY_ENTRIES] = {};
    counts[1] = counts[2] = counts[3] = 10;
    uint8_t bits[16], values[256];
    computeHuffmanLengths(counts, bits, values);
    HuffEncodeTable table;
    ASSERT_EQ(buildEncoderHuffman(bits, values, &table), JPEG_SUCCESS);
    EXPECT_LE(table.length[1], table.length[3]);
    EXPECT_LE(table.length[2], table.length[3]);
}

TEST(HuffmanTableLists, TooManyCodesAreRefused)
{
    uint8_t bits[16] = {};
    bits[0] = 3;  // three one-bit codes
    uint8_t values[3] = {0, 1, 2};
    HuffEncodeTable table;
    EXPECT_EQ(buildEncoderHuffman(bits, values, &table), JPEG_BAD_HUFFMAN_TABLE);
}
}  // namespace

namespace {
// Flat pictures through the colour kernels: Y, Cb, Cr of the pixel in every
// sample, whatever the sampling and byte order.
TEST(ColourInput, FlatColoursInEveryKernel)
{
    CpuDispatchTable table = {};
    fillDispatchTable(&table, CPU_CLASS_OTHER);
    struct Case {
        uint8_t r, g, b;
        int16_t y, cb, cr;
    };
    const Case cases[] = {
        {0, 0, 255, -99, 128, -21}, {255, 255, 255, 127, 0, 0}, {0, 0, 0, -128, 0, 0}, {255, 0, 0, -51, -43, 128}};
    struct Kernel {
        Encode3Fn function;
        int h, v;
        bool bgr;
    };
    const Kernel kernels[] = {{table.encodeRgb11, 1, 1, false}, {table.encodeRgb21, 2, 1, false},
                              {table.encodeRgb22, 2, 2, false}, {table.encodeBgr11, 1, 1, true},
                              {table.encodeBgr21, 2, 1, true},  {table.encodeBgr22, 2, 2, true}};
    for (const Case& c : cases)
        for (const Kernel& kernel : kernels) {
            std::vector<uint8_t> pixels;
            for (int i = 0; i < 256; ++i)
                pixels.insert(pixels.end(), kernel.bgr ? std::initializer_list<uint8_t>{c.b, c.g, c.r}
                                                       : std::initializer_list<uint8_t>{c.r, c.g, c.b});
            int16_t blocks[6 * 64];
            const int lumaBlocks = kernel.h * kernel.v;
            kernel.function(pixels.data(), 16 * 3, blocks, blocks + 64 * lumaBlocks, blocks + 64 * lumaBlocks + 64);
            for (int i = 0; i < 64 * lumaBlocks; ++i) ASSERT_EQ(blocks[i], c.y);
            for (int i = 0; i < 64; ++i) {
                ASSERT_EQ(blocks[64 * lumaBlocks + i], c.cb);
                ASSERT_EQ(blocks[64 * lumaBlocks + 64 + i], c.cr);
            }
        }
}
}  // namespace
