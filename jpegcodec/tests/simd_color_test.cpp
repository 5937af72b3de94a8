// The vector colour output and packed 4:2:2 bodies against the portable
// kernels, for every Y, Cb, Cr.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pixel_writers.h"
#include "simd_test_support.h"

namespace {
using simdtest::portable;
using simdtest::tableOf;

struct OutputSlot {
  const char* name;
  Decode3Fn CpuDispatchTable::*three;
  Decode4Fn CpuDispatchTable::*four;
  int32_t chromaShift, bytesPerPixel;
  int32_t redByte, blueByte;  // -1: no converted colour (a plain copy)
  bool complement;
};

constexpr OutputSlot kOutputSlots[] = {
    {"rgb11", &CpuDispatchTable::decodeRgb11, nullptr, 0, 3, 0, 2, false},
    {"rgb21", &CpuDispatchTable::decodeRgb21, nullptr, 1, 3, 0, 2, false},
    {"rgb22", &CpuDispatchTable::decodeRgb22, nullptr, 1, 3, 0, 2, false},
    {"bgr11", &CpuDispatchTable::decodeBgr11, nullptr, 0, 3, 2, 0, false},
    {"bgr21", &CpuDispatchTable::decodeBgr21, nullptr, 1, 3, 2, 0, false},
    {"bgr22", &CpuDispatchTable::decodeBgr22, nullptr, 1, 3, 2, 0, false},
    {"rgbx11", &CpuDispatchTable::decodeYccToRgbx11, nullptr, 0, 4, 0, 2, false},
    {"rgbx21", &CpuDispatchTable::decodeYccToRgbx21, nullptr, 1, 4, 0, 2, false},
    {"rgbx22", &CpuDispatchTable::decodeYccToRgbx22, nullptr, 1, 4, 0, 2, false},
    {"cmyk11", nullptr, &CpuDispatchTable::decodeYcckToCmyk11, 0, 4, 0, 2, true},
    {"cmyk21", nullptr, &CpuDispatchTable::decodeYcckToCmyk21, 1, 4, 0, 2, true},
    {"cmyk22", nullptr, &CpuDispatchTable::decodeYcckToCmyk22, 1, 4, 0, 2, true},
    {"packed21", &CpuDispatchTable::decodePackedYcc21, nullptr, 1, 2, -1, -1, false},
};

// One line per chroma pair: Y runs through 0..255 and five more pixels that
// reach the per-pixel tail after the last group of eight.
constexpr int32_t kLine = 256 + 5;

// The vector red and blue terms take the floor before their offset, so
// they are one lower than the portable ones for these chroma values.
int32_t vectorOffset(int32_t factor, int32_t chroma, int32_t threshold) {
  return (factor * chroma) % 256 >= threshold ? 1 : 0;
}

// The portable kernel's pixels with the vector rounding of red and blue.
void expectedPixels(const OutputSlot& slot, const uint8_t* y, int32_t cb, int32_t cr, std::vector<uint8_t>* out) {
  if (slot.redByte < 0) return;
  const ChromaTerms terms = chromaTerms(cb, cr);
  const int32_t lowerRed = vectorOffset(359, cr, 245), lowerBlue = vectorOffset(454, cb, 81);
  for (int32_t x = 0; x < kLine; ++x) {
    uint8_t* pixel = out->data() + x * slot.bytesPerPixel;
    const int32_t red = clampByte(y[x] + terms.red - lowerRed), blue = clampByte(y[x] + terms.blue - lowerBlue);
    pixel[slot.redByte] = static_cast<uint8_t>(slot.complement ? 255 - red : red);
    pixel[slot.blueByte] = static_cast<uint8_t>(slot.complement ? 255 - blue : blue);
  }
}

void run(const CpuDispatchTable& table, const OutputSlot& slot, const uint8_t* y, const uint8_t* cb,
         const uint8_t* cr, std::vector<uint8_t>* out) {
  if (slot.three)
    (table.*slot.three)(y, cb, cr, out->data(), kLine);
  else
    (table.*slot.four)(y, cb, cr, y + 7, out->data(), kLine);
}

// Slots that share one body (the 2x2 rows are the 2x1 rows, and classes 3
// and 5 differ only in the 2x1 three-byte bodies) are swept once.
bool alreadyChecked(const CpuDispatchTable& table, const OutputSlot& slot, std::vector<const void*>* checked) {
  const void* body = slot.three ? reinterpret_cast<const void*>(table.*slot.three)
                                : reinterpret_cast<const void*>(table.*slot.four);
  if (std::find(checked->begin(), checked->end(), body) != checked->end()) return true;
  checked->push_back(body);
  return false;
}

TEST(SimdColour, DecoderOutputFollowsThePortableKernelForEveryColour) {
  uint8_t y[kLine + 7];
  for (int32_t i = 0; i < kLine + 7; ++i) y[i] = static_cast<uint8_t>(i * 97);  // covers 0..255 in the first 256
  uint8_t cb[kLine], cr[kLine];
  std::vector<const void*> checked;
  for (int32_t cpuClass : {3, 5}) {
    const CpuDispatchTable vector = tableOf(cpuClass);
    for (const OutputSlot& slot : kOutputSlots) {
      if (alreadyChecked(vector, slot, &checked)) continue;
      std::vector<uint8_t> expected(static_cast<size_t>(kLine * slot.bytesPerPixel)), actual(expected.size());
      for (uint32_t pair = 0; pair < 65536; pair += simdtest::kColourStep) {
        const int32_t blue = static_cast<int32_t>(pair >> 8), red = static_cast<int32_t>(pair & 255);
        std::fill(cb, cb + kLine, static_cast<uint8_t>(blue));
        std::fill(cr, cr + kLine, static_cast<uint8_t>(red));
        run(portable(), slot, y, cb, cr, &expected);
        run(vector, slot, y, cb, cr, &actual);
        expectedPixels(slot, y, blue, red, &expected);
        ASSERT_EQ(expected, actual) << slot.name << " class " << cpuClass << " Cb " << blue << " Cr " << red;
      }
    }
    vector.endKernels();
  }
}

// The chroma line of the half-width forms is read sample by sample, not as
// one value per line: distinct neighbours land on their own pixel pairs.
TEST(SimdColour, HalfWidthChromaServesItsOwnPixelPair) {
  uint8_t y[24], cb[12], cr[12];
  for (int i = 0; i < 24; ++i) y[i] = static_cast<uint8_t>(100 + i);
  for (int i = 0; i < 12; ++i) {
    cb[i] = static_cast<uint8_t>(40 + 17 * i);
    cr[i] = static_cast<uint8_t>(230 - 19 * i);
  }
  const CpuDispatchTable vector = tableOf(5);
  for (auto slot : {&CpuDispatchTable::decodeBgr21, &CpuDispatchTable::decodePackedYcc21}) {
    uint8_t expected[72] = {}, actual[72] = {};
    (portable().*slot)(y, cb, cr, expected, 23);
    (vector.*slot)(y, cb, cr, actual, 23);
    for (int i = 0; i < 72; ++i) EXPECT_NEAR(expected[i], actual[i], 1) << i;
  }
  vector.endKernels();
}

TEST(SimdColour, PackedInputGivesTheSameBlocksForEveryByte) {
  uint8_t mcu[8][32];
  for (int32_t cpuClass : {3, 5}) {
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
