// The vector bodies against the portable kernels, through the dispatch
// table of every processor class.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "CpuDispatch.h"
#include "SimdTestSupport.h"

namespace {
using simdtest::Block;
using simdtest::kRandomBlocks;
using simdtest::portable;
using simdtest::randomBlock;
using simdtest::tableOf;

constexpr int32_t kAllClasses[] = {CPU_CLASS_OTHER,        CPU_CLASS_FAMILY5,     CPU_CLASS_FAMILY6,
                                   CPU_CLASS_FAMILY5_MMX,  CPU_CLASS_FAMILY6_MMX, CPU_CLASS_FAMILY6_SSE,
                                   CPU_CLASS_FAMILY15_SSE2};

template <class Table>
Table randomTable(std::mt19937& random)
{
    std::uniform_int_distribution<int32_t> value(1, 65535);
    Table table;
    for (auto& v : table.values) v = static_cast<decltype(+v)>(value(random));
    return table;
}
struct QuantTable {
    uint16_t values[64];
};
struct DequantTable {
    int32_t values[64];
};

TEST(SimdKernels, FastQuantiserEqualsPortableOverTheWholeCoefficientRange)
{
    std::mt19937 random(1);
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable table = tableOf(cpuClass);
        ASSERT_EQ(table.quantizeFast, table.activeQuantize);
        for (int32_t n = 0; n < kRandomBlocks / 3; ++n) {
            const QuantTable multipliers = randomTable<QuantTable>(random);
            Block expected = randomBlock(random, -32768, 32767), actual = expected;
            portable().quantizeFast(expected.values, multipliers.values);
            table.quantizeFast(actual.values, multipliers.values);
            ASSERT_TRUE(expected == actual) << "class " << cpuClass << " block " << n;
        }
        // A strong edge beyond +-8192 keeps its whole coefficient.
        Block edge = {};
        edge.values[1] = 9000;
        QuantTable unit = {};
        unit.values[1] = 16384;
        table.quantizeFast(edge.values, unit.values);
        EXPECT_EQ(4500, edge.values[1]);
        table.endKernels();
    }
}

TEST(SimdKernels, AccurateQuantiserDropsOnlyTheMultipliersLowestBit)
{
    std::mt19937 random(2);
    for (int32_t cpuClass :
         {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable table = tableOf(cpuClass);
        for (int32_t n = 0; n < kRandomBlocks / 4; ++n) {
            const QuantTable multipliers = randomTable<QuantTable>(random);
            const Block input = randomBlock(random, -4096, 4095);
            Block actual = input, evenExpected = input;
            table.quantizeAccurate(actual.values, multipliers.values);
            QuantTable even = multipliers;
            for (uint16_t& m : even.values) m = static_cast<uint16_t>(m & ~1u);
            portable().quantizeAccurate(evenExpected.values, even.values);
            ASSERT_TRUE(evenExpected == actual) << "class " << cpuClass << " block " << n;
        }
        Block odd = {};
        odd.values[0] = 2053;
        QuantTable table5 = {};
        table5.values[0] = 6553;
        table.quantizeAccurate(odd.values, table5.values);
        EXPECT_EQ(410, odd.values[0]);
        table.endKernels();
    }
}

TEST(SimdKernels, AccurateDequantiserEqualsPortable)
{
    std::mt19937 random(3);
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable table = tableOf(cpuClass);
        for (int32_t n = 0; n < kRandomBlocks / 3; ++n) {
            const DequantTable factors = randomTable<DequantTable>(random);
            Block expected = n % 2 ? randomBlock(random, -32768, 32767)
                                   : simdtest::randomBlockWithRowsCleared(random, -32768, 32767);
            Block actual = expected;
            portable().dequantizeAccurate(expected.values, factors.values);
            table.dequantizeAccurate(actual.values + 0, factors.values);
            ASSERT_TRUE(expected == actual) << "class " << cpuClass << " block " << n;
        }
        table.endKernels();
    }
}

// Transformed samples (0..255) become the same bytes on every class, rows
// where the stride puts them and nothing written between them.
TEST(SimdKernels, SampleStoreEqualsPortable)
{
    std::mt19937 random(5);
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable table = tableOf(cpuClass);
        for (int32_t n = 0; n < 2000; ++n) {
            const Block block = randomBlock(random, 0, 255);
            std::vector<uint8_t> expected(8 * 11, 0xA5), actual = expected;
            portable().storeSamples(block.values, expected.data(), 11);
            table.storeSamples(block.values, actual.data(), 11);
            ASSERT_EQ(expected, actual) << "class " << cpuClass << " block " << n;
            for (int32_t r = 0; r < 8; ++r) ASSERT_EQ(0xA5, actual[r * 11 + 8]) << "class " << cpuClass;
        }
        table.endKernels();
    }
}

// Every 24-bit colour once, laid out MCU after MCU, through one encoder
// input slot of the portable and of the vector table.
struct EncodeSlot {
    const char* name;
    Encode3Fn CpuDispatchTable::*three;
    Encode4Fn CpuDispatchTable::*four;
    int32_t width, height, bytesPerPixel;
};

void expectSameBlocksForEveryColour(const EncodeSlot& slot, const CpuDispatchTable& vector)
{
    const int32_t pixels = slot.width * slot.height, stride = slot.width * slot.bytesPerPixel;
    const int32_t lumaBlocks = pixels / 64;
    std::vector<uint8_t> mcu(static_cast<size_t>(pixels * slot.bytesPerPixel));
    std::vector<int16_t> expected(static_cast<size_t>((lumaBlocks * 2 + 2) * 64)), actual(expected.size());
    for (uint32_t first = 0; first < (1u << 24); first += simdtest::kColourStep * static_cast<uint32_t>(pixels)) {
        for (int32_t i = 0; i < pixels; ++i) {
            const uint32_t colour = first + static_cast<uint32_t>(i);
            uint8_t* p = &mcu[static_cast<size_t>(i * slot.bytesPerPixel)];
            p[0] = static_cast<uint8_t>(colour >> 16);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour);
            if (slot.bytesPerPixel == 4) p[3] = static_cast<uint8_t>(colour * 7);
        }
        for (auto* out : {&expected, &actual}) {
            const CpuDispatchTable& table = out == &expected ? portable() : vector;
            int16_t* y = out->data();
            int16_t* cb = y + lumaBlocks * 64;
            int16_t* cr = cb + 64;
            if (slot.three)
                (table.*slot.three)(mcu.data(), stride, y, cb, cr);
            else
                (table.*slot.four)(mcu.data(), stride, y, cb, cr, cr + 64);
        }
        ASSERT_EQ(expected, actual) << slot.name << " colours from " << first;
    }
}

TEST(SimdKernels, EncoderColourInputGivesTheSameBlocksForEveryColour)
{
    const EncodeSlot slots[] = {
        {"rgb11", &CpuDispatchTable::encodeRgb11, nullptr, 8, 8, 3},
        {"rgb21", &CpuDispatchTable::encodeRgb21, nullptr, 16, 8, 3},
        {"rgb22", &CpuDispatchTable::encodeRgb22, nullptr, 16, 16, 3},
        {"bgr11", &CpuDispatchTable::encodeBgr11, nullptr, 8, 8, 3},
        {"bgr21", &CpuDispatchTable::encodeBgr21, nullptr, 16, 8, 3},
        {"bgr22", &CpuDispatchTable::encodeBgr22, nullptr, 16, 16, 3},
        {"cmyk11", nullptr, &CpuDispatchTable::encodeCmyk11, 8, 8, 4},
        {"cmyk21", nullptr, &CpuDispatchTable::encodeCmyk21, 16, 8, 4},
        {"cmyk22", nullptr, &CpuDispatchTable::encodeCmyk22, 16, 16, 4},
    };
    const CpuDispatchTable vector = tableOf(CPU_CLASS_FAMILY5_MMX);
    for (const EncodeSlot& slot : slots) expectSameBlocksForEveryColour(slot, vector);
    vector.endKernels();
}

TEST(SimdKernels, GreyInputEqualsPortableWithAStride)
{
    uint8_t rows[8][11];
    for (int i = 0; i < 88; ++i) rows[i / 11][i % 11] = static_cast<uint8_t>(i * 37 + 200);
    Block expected, actual;
    portable().encodeGrey(&rows[0][1], 11, expected.values);
    const CpuDispatchTable vector = tableOf(CPU_CLASS_FAMILY6_MMX);
    vector.encodeGrey(&rows[0][1], 11, actual.values);
    vector.endKernels();
    EXPECT_TRUE(expected == actual);
}

// Without EMMS after the 64-bit bodies, x87 arithmetic in the caller sees a
// full register stack and yields NaN.
TEST(SimdKernels, FloatingPointWorksAfterTheEndHookOfEveryClass)
{
    for (int32_t cpuClass : kAllClasses) {
        const CpuDispatchTable table = tableOf(cpuClass);
        Block block = {};
        block.values[0] = 100;
        QuantTable unit = {};
        unit.values[0] = 16384;
        table.quantizeFast(block.values, unit.values);
        table.quantizeAccurate(block.values, unit.values);
        table.endKernels();
        volatile long double x = 1.5L;
        const long double product = x * 3;
        EXPECT_EQ(4.5L, product) << "class " << cpuClass;
    }
}

// The green term of four-byte pixels for the largest chroma pair, where a
// 16-bit term would wrap.
TEST(SimdKernels, FourBytePixelsComputeTheGreenTermInFullWidth)
{
    const uint8_t y[1] = {200}, chroma[1] = {255}, key[1] = {9};
    for (int32_t cpuClass : kAllClasses) {
        const CpuDispatchTable table = tableOf(cpuClass);
        uint8_t rgbx[4] = {}, cmyk[4] = {};
        table.decodeYccToRgbx11(y, chroma, chroma, rgbx, 1);
        table.decodeYcckToCmyk11(y, chroma, chroma, key, cmyk, 1);
        table.endKernels();
        EXPECT_EQ(200 - 133, rgbx[1]) << "class " << cpuClass;
        EXPECT_EQ(255 - (200 - 133), cmyk[1]) << "class " << cpuClass;
    }
}
}  // namespace
