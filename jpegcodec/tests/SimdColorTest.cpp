// The vector colour output and packed 4:2:2 bodies against the portable
// kernels, for every Y, Cb, Cr.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "PixelWriters.h"
#include "SimdTestSupport.h"

namespace {
using simdtest::portable;
using simdtest::tableOf;

struct OutputSlot {
    const char* name;
    Decode3Fn CpuDispatchTable::*three;
    Decode4Fn CpuDispatchTable::*four;
    Decode3PairFn CpuDispatchTable::*pair;
    int32_t chromaShift, bytesPerPixel;
    int32_t redByte, blueByte;  // -1: no converted colour (a plain copy)
    bool complement;
};

constexpr OutputSlot kOutputSlots[] = {
    {"rgb11", &CpuDispatchTable::decodeRgb11, nullptr, nullptr, 0, 3, 0, 2, false},
    {"rgb21", &CpuDispatchTable::decodeRgb21, nullptr, nullptr, 1, 3, 0, 2, false},
    {"rgb22", nullptr, nullptr, &CpuDispatchTable::decodeRgb22, 1, 3, 0, 2, false},
    {"bgr11", &CpuDispatchTable::decodeBgr11, nullptr, nullptr, 0, 3, 2, 0, false},
    {"bgr21", &CpuDispatchTable::decodeBgr21, nullptr, nullptr, 1, 3, 2, 0, false},
    {"bgr22", nullptr, nullptr, &CpuDispatchTable::decodeBgr22, 1, 3, 2, 0, false},
    {"rgbx11", &CpuDispatchTable::decodeYccToRgbx11, nullptr, nullptr, 0, 4, 0, 2, false},
    {"rgbx21", &CpuDispatchTable::decodeYccToRgbx21, nullptr, nullptr, 1, 4, 0, 2, false},
    {"rgbx22", &CpuDispatchTable::decodeYccToRgbx22, nullptr, nullptr, 1, 4, 0, 2, false},
    {"cmyk11", nullptr, &CpuDispatchTable::decodeYcckToCmyk11, nullptr, 0, 4, 0, 2, true},
    {"cmyk21", nullptr, &CpuDispatchTable::decodeYcckToCmyk21, nullptr, 1, 4, 0, 2, true},
    {"cmyk22", nullptr, &CpuDispatchTable::decodeYcckToCmyk22, nullptr, 1, 4, 0, 2, true},
    {"packed21", &CpuDispatchTable::decodePackedYcc21, nullptr, nullptr, 1, 2, -1, -1, false},
};

// Two bitmap rows from two luma lines and one chroma line: the pair slots
// in one call, the others row by row.
void runRows(const CpuDispatchTable& table, const OutputSlot& slot, const uint8_t* const (&y)[2], const uint8_t* cb,
             const uint8_t* cr, const uint8_t* key, uint8_t* const (&out)[2], int32_t count)
{
    if (slot.pair) {
        (table.*slot.pair)(y[0], y[1], cb, cr, out[0], out[1], count);
        return;
    }
    for (int row = 0; row < 2; ++row) {
        if (slot.three)
            (table.*slot.three)(y[row], cb, cr, out[row], count);
        else
            (table.*slot.four)(y[row], cb, cr, key, out[row], count);
    }
}

// One line per chroma pair: Y runs through 0..255 and five more pixels that
// reach the per-pixel tail after the last group of eight.
constexpr int32_t kLine = 256 + 5;

// The vector red and blue terms take the floor before their offset, so
// they are one lower than the portable ones for these chroma values.
int32_t vectorOffset(int32_t factor, int32_t chroma, int32_t threshold)
{
    return (factor * chroma) % 256 >= threshold ? 1 : 0;
}

// The portable kernel's pixels of a row with the vector rounding of red and
// blue.
void expectedPixels(const OutputSlot& slot, const uint8_t* y, int32_t cb, int32_t cr, uint8_t* out)
{
    if (slot.redByte < 0) return;
    const ChromaTerms terms = chromaTerms(cb, cr);
    const int32_t lowerRed = vectorOffset(359, cr, 245), lowerBlue = vectorOffset(454, cb, 81);
    for (int32_t x = 0; x < kLine; ++x) {
        uint8_t* pixel = out + x * slot.bytesPerPixel;
        const int32_t red = clampByte(y[x] + terms.red - lowerRed), blue = clampByte(y[x] + terms.blue - lowerBlue);
        pixel[slot.redByte] = static_cast<uint8_t>(slot.complement ? 255 - red : red);
        pixel[slot.blueByte] = static_cast<uint8_t>(slot.complement ? 255 - blue : blue);
    }
}

const void* bodyOf(const CpuDispatchTable& table, const OutputSlot& slot)
{
    if (slot.pair) return reinterpret_cast<const void*>(table.*slot.pair);
    return slot.three ? reinterpret_cast<const void*>(table.*slot.three)
                      : reinterpret_cast<const void*>(table.*slot.four);
}

// Slots that share one body (class 5 has its own 2x1 three-byte bodies,
// class 6 its own 2x2 ones) are swept once.
bool alreadyChecked(const CpuDispatchTable& table, const OutputSlot& slot, std::vector<const void*>* checked)
{
    const void* body = bodyOf(table, slot);
    if (std::find(checked->begin(), checked->end(), body) != checked->end()) return true;
    checked->push_back(body);
    return false;
}

TEST(SimdColour, DecoderOutputFollowsThePortableKernelForEveryColour)
{
    uint8_t luma[kLine + 7];
    for (int32_t i = 0; i < kLine + 7; ++i) luma[i] = static_cast<uint8_t>(i * 97);  // covers 0..255 in the first 256
    const uint8_t* const y[2] = {luma, luma + 7};
    uint8_t cb[kLine], cr[kLine];
    std::vector<const void*> checked;
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable vector = tableOf(cpuClass);
        for (const OutputSlot& slot : kOutputSlots) {
            if (alreadyChecked(vector, slot, &checked)) continue;
            const int32_t rowBytes = kLine * slot.bytesPerPixel;
            std::vector<uint8_t> expected(static_cast<size_t>(2 * rowBytes)), actual(expected.size());
            for (uint32_t pair = 0; pair < 65536; pair += simdtest::kColourStep) {
                const int32_t blue = static_cast<int32_t>(pair >> 8), red = static_cast<int32_t>(pair & 255);
                std::fill(cb, cb + kLine, static_cast<uint8_t>(blue));
                std::fill(cr, cr + kLine, static_cast<uint8_t>(red));
                runRows(portable(), slot, y, cb, cr, luma + 3, {expected.data(), expected.data() + rowBytes}, kLine);
                runRows(vector, slot, y, cb, cr, luma + 3, {actual.data(), actual.data() + rowBytes}, kLine);
                for (int row = 0; row < 2; ++row)
                    expectedPixels(slot, y[row], blue, red, expected.data() + row * rowBytes);
                ASSERT_EQ(expected, actual) << slot.name << " class " << cpuClass << " Cb " << blue << " Cr " << red;
            }
        }
        vector.endKernels();
    }
}

// The chroma line of the half-width forms is read sample by sample, not as
// one value per line: distinct neighbours land on their own pixel pairs.
TEST(SimdColour, HalfWidthChromaServesItsOwnPixelPair)
{
    uint8_t y[24], cb[12], cr[12];
    for (int i = 0; i < 24; ++i) y[i] = static_cast<uint8_t>(100 + i);
    for (int i = 0; i < 12; ++i) {
        cb[i] = static_cast<uint8_t>(40 + 17 * i);
        cr[i] = static_cast<uint8_t>(230 - 19 * i);
    }
    const CpuDispatchTable vector = tableOf(CPU_CLASS_FAMILY6_SSE);
    for (auto slot : {&CpuDispatchTable::decodeBgr21, &CpuDispatchTable::decodePackedYcc21}) {
        uint8_t expected[72] = {}, actual[72] = {};
        (portable().*slot)(y, cb, cr, expected, 23);
        (vector.*slot)(y, cb, cr, actual, 23);
        vector.endKernels();  // EXPECT_NEAR compares in floating point, which MMX state breaks on x87
        for (int i = 0; i < 72; ++i) EXPECT_NEAR(expected[i], actual[i], 1) << i;
    }
}

// Rows of every length up to five groups: the last whole group and the
// single pixels after it are right, each row from its own luma line, and
// nothing is written past a row.
TEST(SimdColour, RowsOfEveryLengthEndAtTheirLastPixel)
{
    constexpr int32_t kLongest = 40, kGuard = 8;
    uint8_t luma[2][kLongest], key[kLongest], cb[kLongest], cr[kLongest];
    for (int32_t i = 0; i < kLongest; ++i) {
        luma[0][i] = static_cast<uint8_t>(i * 53 + 7);
        luma[1][i] = static_cast<uint8_t>(250 - i * 31);
        key[i] = static_cast<uint8_t>(i * 29);
        // Chroma inside the range 8-bit RGB produces, where every body's
        // green term is exact.
        cb[i] = static_cast<uint8_t>(40 + (i * 37) % 180);
        cr[i] = static_cast<uint8_t>(30 + (i * 71) % 190);
    }
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY15_SSE2}) {
        const CpuDispatchTable vector = tableOf(cpuClass);
        for (const OutputSlot& slot : kOutputSlots) {
            if (slot.redByte < 0) continue;
            for (int32_t count = 1; count <= kLongest; ++count) {
                const int32_t rowBytes = count * slot.bytesPerPixel + kGuard;
                std::vector<uint8_t> expected(static_cast<size_t>(2 * rowBytes), 0xA5);
                std::vector<uint8_t> actual = expected;
                for (int32_t row = 0; row < 2; ++row)
                    for (int32_t x = 0; x < count; ++x) {
                        const int32_t y = luma[row][x], blue = cb[x >> slot.chromaShift],
                                      red = cr[x >> slot.chromaShift];
                        const int32_t rgb[3] = {clampByte(y + ((359 * red) >> 8) - 179),
                                                clampByte(y - ((183 * red + 88 * blue - 34806) >> 8)),
                                                clampByte(y + ((454 * blue) >> 8) - 227)};
                        uint8_t* pixel = expected.data() + row * rowBytes + x * slot.bytesPerPixel;
                        const int32_t bytes[3] = {slot.redByte, 1, slot.blueByte};
                        for (int32_t c = 0; c < 3; ++c)
                            pixel[bytes[c]] = static_cast<uint8_t>(slot.complement ? 255 - rgb[c] : rgb[c]);
                        if (slot.bytesPerPixel == 4) pixel[3] = slot.four ? key[x] : 255;
                    }
                runRows(vector, slot, {luma[0], luma[1]}, cb, cr, key, {actual.data(), actual.data() + rowBytes},
                        count);
                ASSERT_EQ(expected, actual) << slot.name << " class " << cpuClass << " width " << count;
            }
        }
        vector.endKernels();
    }
}

TEST(SimdColour, PackedInputGivesTheSameBlocksForEveryByte)
{
    uint8_t mcu[8][32];
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_SSE}) {
        const CpuDispatchTable vector = tableOf(cpuClass);
        for (int32_t first = 0; first < 256; ++first) {
            for (int i = 0; i < 256; ++i) mcu[i / 32][i % 32] = static_cast<uint8_t>(first + i * 7);
            int16_t expected[4 * 64], actual[4 * 64];
            portable().encodePackedYcc21(&mcu[0][0], 32, expected, expected + 128, expected + 192);
            vector.encodePackedYcc21(&mcu[0][0], 32, actual, actual + 128, actual + 192);
            ASSERT_EQ(0, std::memcmp(expected, actual, sizeof expected)) << "class " << cpuClass << " from " << first;
        }
        vector.endKernels();
    }
}
}  // namespace
