// The vector forward and inverse transforms against the portable kernels:
// they round differently, so the relations are bounds on 8-bit pictures,
// bit-identical agreement between the accurate bodies of classes 3-6, and
// clamped samples whatever the coefficients.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "InverseDct.h"
#include "SimdTestSupport.h"

namespace {
using simdtest::Block;
using simdtest::kRandomBlocks;
using simdtest::portable;
using simdtest::randomBlock;
using simdtest::tableOf;

// Level-shifted 8-bit samples: noise, and the strongest edges a picture can
// hold (text on paper): 0/255 halves, stripes and checkerboards.
Block pictureBlock(std::mt19937& random)
{
    Block block = randomBlock(random, -128, 127);
    const uint32_t kind = random() % 4, shift = random() % 8;
    for (int i = 0; i < 64; ++i) {
        const int row = i / 8, column = i % 8;
        bool bright = false;
        switch (kind) {
        case 0:
            continue;  // noise
        case 1:
            bright = column < static_cast<int>(shift);
            break;
        case 2:
            bright = ((column + row * static_cast<int>(shift)) & 1) != 0;
            break;
        default:
            bright = ((row >> (shift % 3)) & 1) != 0;
            break;
        }
        block.values[i] = static_cast<int16_t>(bright ? 127 : -128);
    }
    return block;
}

int32_t largestDifference(const Block& a, const Block& b)
{
    int32_t largest = 0;
    for (int i = 0; i < 64; ++i) {
        const int32_t d = std::abs(a.values[i] - b.values[i]);
        if (d > largest) largest = d;
    }
    return largest;
}

struct DequantTable {
    int32_t values[72];
};

// A decoder table for quantiser q at every position, prepared for a family.
DequantTable dequantTable(int32_t q, bool accurate)
{
    DequantTable table = {};
    for (int k = 0; k < 64; ++k) table.values[k] = q;
    if (accurate)
        reorderDequantTable(table.values);
    else
        buildFastDequantTable(table.values);
    return table;
}

// The coefficients a decoder meets for this picture block: the accurate
// forward transform, quantised by q and dequantised for the family.
Block decodedCoefficients(const Block& samples, int32_t q, bool accurate)
{
    Block c = samples;
    portable().forwardDctAccurate(c.values);
    for (int16_t& v : c.values) v = static_cast<int16_t>((v >= 0 ? v + q / 2 : v - q / 2) / q);
    const DequantTable table = dequantTable(q, accurate);
    (accurate ? portable().dequantizeAccurate : portable().dequantizeFast)(c.values, table.values);
    return c;
}

struct TransformSlot {
    const char* name;
    BlockTransformFn CpuDispatchTable::*slot;
    bool inverse, accurate;
    int32_t bound;  // largest difference to the portable kernel on pictures
};

// Forward outputs carry their own scale (up to +-12890 for the fast pair),
// inverse outputs are samples.
constexpr TransformSlot kTransforms[] = {
    {"forwardDctFast", &CpuDispatchTable::forwardDctFast, false, false, 32},
    {"forwardDctAccurate", &CpuDispatchTable::forwardDctAccurate, false, true, 1},
    {"inverseDctFast", &CpuDispatchTable::inverseDctFast, true, false, 6},
    {"inverseDctAccurate", &CpuDispatchTable::inverseDctAccurate, true, true, 1},
};

TEST(SimdTransforms, StayWithinTheirBoundOfThePortableKernelsOnPictures)
{
    std::mt19937 random(11);
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable vector = tableOf(cpuClass);
        for (const TransformSlot& t : kTransforms) {
            int32_t largest = 0;
            for (int32_t n = 0; n < kRandomBlocks / 3; ++n) {
                const Block samples = pictureBlock(random);
                Block expected = t.inverse
                                     ? decodedCoefficients(samples, 1 + static_cast<int32_t>(random() % 24), t.accurate)
                                     : samples;
                Block actual = expected;
                (portable().*t.slot)(expected.values);
                (vector.*t.slot)(actual.values);
                const int32_t difference = largestDifference(expected, actual);
                if (difference > largest) largest = difference;
            }
            EXPECT_LE(largest, t.bound) << t.name << " class " << cpuClass;
        }
        vector.endKernels();
    }
}

TEST(SimdTransforms, AccurateBodiesOfEveryVectorClassAgreeBitForBit)
{
    const CpuDispatchTable tables[] = {tableOf(CPU_CLASS_FAMILY5_MMX), tableOf(CPU_CLASS_FAMILY6_SSE),
                                       tableOf(CPU_CLASS_FAMILY15_SSE2)};
    std::mt19937 random(12);
    for (int32_t n = 0; n < kRandomBlocks; ++n) {
        const Block input = n % 3 == 0   ? randomBlock(random, -32768, 32767)
                            : n % 3 == 1 ? simdtest::randomBlockWithRowsCleared(random, -512, 511)
                                         : pictureBlock(random);
        for (auto slot : {&CpuDispatchTable::forwardDctAccurate, &CpuDispatchTable::inverseDctAccurate}) {
            Block reference = input;
            (tables[0].*slot)(reference.values);
            for (const CpuDispatchTable& other : {tables[1], tables[2]}) {
                Block actual = input;
                (other.*slot)(actual.values);
                ASSERT_TRUE(reference == actual) << "block " << n;
            }
        }
    }
    tables[0].endKernels();
}

// Whatever corrupt data holds, the vector inverse transforms saturate
// their 16-bit lanes and clamp, so every output is a sample.
TEST(SimdTransforms, InverseBodiesGiveSamplesForAnyCoefficients)
{
    std::mt19937 random(13);
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable vector = tableOf(cpuClass);
        for (int32_t n = 0; n < kRandomBlocks / 3; ++n) {
            const Block input = randomBlock(random, -32768, 32767);
            for (auto slot : {&CpuDispatchTable::inverseDctFast, &CpuDispatchTable::inverseDctAccurate}) {
                Block samples = input;
                (vector.*slot)(samples.values);
                for (int16_t v : samples.values)
                    ASSERT_TRUE(v >= 0 && v <= 255) << "class " << cpuClass << " block " << n;
            }
        }
        vector.endKernels();
    }
}

// The fast inverse shifts its output without a rounding term: a value of 8
// before the output stage is level 128, where the portable kernel gives 129.
TEST(SimdTransforms, FastInverseOutputStageTruncates)
{
    const CpuDispatchTable vector = tableOf(CPU_CLASS_FAMILY5_MMX);
    Block block = {}, expected = {};
    block.values[0] = 8;
    expected = block;
    vector.inverseDctFast(block.values);
    vector.endKernels();
    portable().inverseDctFast(expected.values);
    EXPECT_EQ(128, block.values[0]);
    EXPECT_EQ(129, expected.values[0]);
}
}  // namespace
