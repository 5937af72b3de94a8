// 64-bit integer vector bodies. They leave the MMX state in use; the
// entry points release it through the table's endKernels (EMMS).
#include "simd_kernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <mmintrin.h>

#include <cstddef>
#include <cstring>

#define MMX_BODY __attribute__((target("mmx")))
#define MMX_INLINE __attribute__((target("mmx"), always_inline)) inline

namespace {
MMX_INLINE __m64 load64(const void* p) {
  __m64 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
MMX_INLINE void store64(void* p, __m64 v) { std::memcpy(p, &v, sizeof v); }

// (c * m + 16384) >> 15 on four lanes, exact for every 16-bit coefficient:
// the fast forward DCT reaches +-12890 on 8-bit edges, beyond any clamp to
// +-8192. With c * m = 65536 * high + low (low unsigned), the result is
// 2 * high plus bits 15 and 14 of low.
MMX_INLINE __m64 quantizeFour(__m64 c, __m64 m) {
  const __m64 low = _mm_mullo_pi16(c, m), high = _mm_mulhi_pi16(c, m);
  const __m64 roundingBits = _mm_add_pi16(_mm_srli_pi16(low, 15), _mm_srli_pi16(_mm_slli_pi16(low, 1), 15));
  return _mm_add_pi16(_mm_add_pi16(high, high), roundingBits);
}

// The accurate table holds unsigned multipliers; halving them keeps the
// product in one signed high multiply. Exact for even multipliers and for
// coefficients of -4096..4095, the accurate DCT's range on 8-bit samples.
MMX_INLINE __m64 quantizeFourHalved(__m64 c, __m64 m) {
  const __m64 t = _mm_mulhi_pi16(_mm_slli_pi16(c, 3), _mm_srli_pi16(m, 1));
  return _mm_srai_pi16(_mm_add_pi16(t, _mm_set1_pi16(1)), 1);
}

// The low halves of four 32-bit table entries as four 16-bit lanes.
MMX_INLINE __m64 lowWords(const int32_t* entries) {
  const __m64 a = load64(entries), b = load64(entries + 2);
  const __m64 mixedLow = _mm_unpacklo_pi16(a, b), mixedHigh = _mm_unpackhi_pi16(a, b);
  return _mm_unpacklo_pi16(mixedLow, mixedHigh);
}

// (ka * a + kb * b + kc * c + bias) >> shift on four lanes, in 32 bits.
struct LinearForm {
  __m64 ab, c1;
  __m64 shift;
};
MMX_INLINE LinearForm linearForm(int16_t ka, int16_t kb, int16_t kc, int16_t bias, int shift) {
  return {_mm_set_pi16(kb, ka, kb, ka), _mm_set_pi16(bias, kc, bias, kc), _mm_cvtsi32_si64(shift)};
}
MMX_INLINE __m64 applyLinear(const LinearForm& f, __m64 a, __m64 b, __m64 c) {
  const __m64 one = _mm_set1_pi16(1);
  const __m64 s0 = _mm_add_pi32(_mm_madd_pi16(_mm_unpacklo_pi16(a, b), f.ab), _mm_madd_pi16(_mm_unpacklo_pi16(c, one), f.c1));
  const __m64 s1 = _mm_add_pi32(_mm_madd_pi16(_mm_unpackhi_pi16(a, b), f.ab), _mm_madd_pi16(_mm_unpackhi_pi16(c, one), f.c1));
  return _mm_packs_pi32(_mm_sra_pi32(s0, f.shift), _mm_sra_pi32(s1, f.shift));
}

// Eight values of each channel (or eight cell sums) as 16-bit lanes, the
// first four and the last four.
struct Channels {
  __m64 r[2], g[2], b[2];
};

template <int R, int G, int B, int Bytes, bool Inverted>
struct PixelLayout {
  static constexpr int kBytes = Bytes;
  static uint32_t at(const uint8_t* p, int index) { return Inverted ? 255u - p[index] : p[index]; }
  // One channel of four pixels, built in general registers: a round trip
  // through memory would stall each vector load on eight narrow stores.
  static MMX_INLINE __m64 four(const uint8_t* p, int index) {
    const uint32_t low = at(p, index) | at(p + Bytes, index) << 16;
    const uint32_t high = at(p + 2 * Bytes, index) | at(p + 3 * Bytes, index) << 16;
    return _mm_unpacklo_pi32(_mm_cvtsi32_si64(static_cast<int>(low)), _mm_cvtsi32_si64(static_cast<int>(high)));
  }
  static MMX_INLINE Channels gather(const uint8_t* pixels) {
    const uint8_t* high = pixels + 4 * Bytes;
    return {{four(pixels, R), four(high, R)}, {four(pixels, G), four(high, G)}, {four(pixels, B), four(high, B)}};
  }
};
using RgbLayout = PixelLayout<0, 1, 2, 3, false>;
using BgrLayout = PixelLayout<2, 1, 0, 3, false>;
using CmykLayout = PixelLayout<0, 1, 2, 4, true>;

MMX_INLINE void storeLinear(const LinearForm& f, const Channels& c, int16_t* out) {
  store64(out, applyLinear(f, c.r[0], c.g[0], c.b[0]));
  store64(out + 4, applyLinear(f, c.r[1], c.g[1], c.b[1]));
}

// Adds eight pixels' channel values into the cell sums of their chroma
// columns: lane by lane, or pairwise (multiply-add by 1) for 2x sampling,
// where each half of the MCU fills four cells.
template <int H>
MMX_INLINE void addToCells(const __m64* values, __m64* cells, int half) {
  if (H == 1) {
    cells[0] = _mm_add_pi16(cells[0], values[0]);
    cells[1] = _mm_add_pi16(cells[1], values[1]);
  } else {
    const __m64 one = _mm_set1_pi16(1);
    const __m64 pairs = _mm_packs_pi32(_mm_madd_pi16(values[0], one), _mm_madd_pi16(values[1], one));
    cells[half] = _mm_add_pi16(cells[half], pairs);
  }
}

// One MCU of 8H x 8V pixels to luma blocks, one block of each chroma (from
// H x V cells) and, for four-byte pixels, the key block: the portable
// formulas in 32-bit multiply-adds, so the results are the same bits.
template <class Layout, int H, int V>
MMX_BODY void encodeMcuMmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* key) {
  constexpr int cellShift = H * V == 4 ? 2 : H * V == 2 ? 1 : 0;
  const int16_t round = static_cast<int16_t>(1 << (7 + cellShift));
  const LinearForm luma = linearForm(77, 150, 29, -32640, 8);
  const LinearForm blue = linearForm(-43, -85, 128, round, 8 + cellShift);
  const LinearForm red = linearForm(128, -107, -21, round, 8 + cellShift);
  Channels cells[8];
  for (Channels& c : cells) c = {{_mm_setzero_si64(), _mm_setzero_si64()}, {_mm_setzero_si64(), _mm_setzero_si64()},
                                 {_mm_setzero_si64(), _mm_setzero_si64()}};
  for (int row = 0; row < 8 * V; ++row) {
    const uint8_t* line = source + static_cast<ptrdiff_t>(row) * stride;
    Channels& sums = cells[row / V];
    for (int half = 0; half < H; ++half) {
      const uint8_t* pixels = line + half * 8 * Layout::kBytes;
      const int at = ((row >> 3) * H + half) * 64 + (row & 7) * 8;
      const Channels c = Layout::gather(pixels);
      storeLinear(luma, c, y + at);
      addToCells<H>(c.r, sums.r, half);
      addToCells<H>(c.g, sums.g, half);
      addToCells<H>(c.b, sums.b, half);
      if (key)
        for (int column = 0; column < 8; ++column) key[at + column] = static_cast<int16_t>(pixels[column * 4 + 3] - 128);
    }
  }
  for (int row = 0; row < 8; ++row) {
    storeLinear(blue, cells[row], cb + row * 8);
    storeLinear(red, cells[row], cr + row * 8);
  }
}
}  // namespace

MMX_BODY void quantizeFastMmx(int16_t* block, const uint16_t* table) {
  for (int i = 0; i < 64; i += 4) store64(block + i, quantizeFour(load64(block + i), load64(table + i)));
}

MMX_BODY void quantizeAccurateMmx(int16_t* block, const uint16_t* table) {
  for (int i = 0; i < 64; i += 4) store64(block + i, quantizeFourHalved(load64(block + i), load64(table + i)));
}

MMX_BODY void dequantizeAccurateMmx(int16_t* block, const int32_t* table) {
  for (int i = 0; i < 64; i += 4) store64(block + i, _mm_mullo_pi16(load64(block + i), lowWords(table + i)));
}

MMX_BODY void encodeGreyMmx(const uint8_t* source, int32_t stride, int16_t* block) {
  const __m64 zero = _mm_setzero_si64(), level = _mm_set1_pi16(128);
  for (int row = 0; row < 8; ++row, source += stride) {
    const __m64 samples = load64(source);
    store64(block + row * 8, _mm_sub_pi16(_mm_unpacklo_pi8(samples, zero), level));
    store64(block + row * 8 + 4, _mm_sub_pi16(_mm_unpackhi_pi8(samples, zero), level));
  }
}

void encodeRgb11Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr) {
  encodeMcuMmx<RgbLayout, 1, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeRgb21Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr) {
  encodeMcuMmx<RgbLayout, 2, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeRgb22Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr) {
  encodeMcuMmx<RgbLayout, 2, 2>(s, stride, y, cb, cr, nullptr);
}
void encodeBgr11Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr) {
  encodeMcuMmx<BgrLayout, 1, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeBgr21Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr) {
  encodeMcuMmx<BgrLayout, 2, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeBgr22Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr) {
  encodeMcuMmx<BgrLayout, 2, 2>(s, stride, y, cb, cr, nullptr);
}
void encodeCmyk11Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k) {
  encodeMcuMmx<CmykLayout, 1, 1>(s, stride, y, cb, cr, k);
}
void encodeCmyk21Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k) {
  encodeMcuMmx<CmykLayout, 2, 1>(s, stride, y, cb, cr, k);
}
void encodeCmyk22Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k) {
  encodeMcuMmx<CmykLayout, 2, 2>(s, stride, y, cb, cr, k);
}

// Class 5 runs the same arithmetic; the wrapper lets the compiler schedule
// it with the SSE integer instructions.
__attribute__((target("sse"))) void quantizeAccurateSse(int16_t* block, const uint16_t* table) {
  for (int i = 0; i < 64; i += 4) store64(block + i, quantizeFourHalved(load64(block + i), load64(table + i)));
}
#endif
