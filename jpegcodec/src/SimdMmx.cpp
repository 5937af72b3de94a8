// 64-bit integer vector bodies. They leave the MMX state in use; the
// entry points release it through the table's endKernels (EMMS).
#include "SimdKernels.h"
#include "SimdLanes.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <mmintrin.h>

#include <cstddef>
#include <cstring>

#define MMX_BODY __attribute__((target("mmx")))
#define MMX_INLINE __attribute__((target("mmx"), always_inline)) inline

namespace {
MMX_INLINE __m64 load64(const void* p)
{
    __m64 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
MMX_INLINE void store64(void* p, __m64 v) { std::memcpy(p, &v, sizeof v); }

// (c * m + 16384) >> 15 on four lanes, exact for every 16-bit coefficient:
// the fast forward DCT reaches +-12890 on 8-bit edges, beyond any clamp to
// +-8192. With c * m = 65536 * high + low (low unsigned), the result is
// 2 * high plus bits 15 and 14 of low.
MMX_INLINE __m64 quantizeFour(__m64 c, __m64 m)
{
    const __m64 low = _mm_mullo_pi16(c, m), high = _mm_mulhi_pi16(c, m);
    const __m64 roundingBits = _mm_add_pi16(_mm_srli_pi16(low, 15), _mm_srli_pi16(_mm_slli_pi16(low, 1), 15));
    return _mm_add_pi16(_mm_add_pi16(high, high), roundingBits);
}

// The accurate table holds unsigned multipliers; halving them keeps the
// product in one signed high multiply. Exact for even multipliers and for
// coefficients of -4096..4095, the accurate DCT's range on 8-bit samples.
MMX_INLINE __m64 quantizeFourHalved(__m64 c, __m64 m)
{
    const __m64 t = _mm_mulhi_pi16(_mm_slli_pi16(c, 3), _mm_srli_pi16(m, 1));
    return _mm_srai_pi16(_mm_add_pi16(t, _mm_set1_pi16(1)), 1);
}

// The low halves of four 32-bit table entries as four 16-bit lanes.
MMX_INLINE __m64 lowWords(const int32_t* entries)
{
    const __m64 a = load64(entries), b = load64(entries + 2);
    const __m64 mixedLow = _mm_unpacklo_pi16(a, b), mixedHigh = _mm_unpackhi_pi16(a, b);
    return _mm_unpacklo_pi16(mixedLow, mixedHigh);
}

// The colour inputs' pixel layouts: bytes per pixel, the byte of each
// channel, and whether the bytes hold inverted values (CMYK).
template <int R, int G, int B, int Bytes, bool Inverted>
struct PixelLayout {
    static constexpr int kRed = R, kGreen = G, kBlue = B, kKey = 3, kBytes = Bytes;
    static constexpr bool kInverted = Inverted;
};
using RgbLayout = PixelLayout<0, 1, 2, 3, false>;
using BgrLayout = PixelLayout<2, 1, 0, 3, false>;
using CmykLayout = PixelLayout<0, 1, 2, 4, true>;

// One pixel's bytes as four 16-bit lanes, from one eight-byte load. The
// first half of an MCU row loads the eight bytes that start at the pixel,
// the second half the eight that end with it, so no load leaves the row.
// Three-byte pixels land one lane further up in the second form.
template <class Layout, bool Ending>
MMX_INLINE __m64 pixelLanes(const uint8_t* pixel)
{
    __m64 bytes = load64(Ending ? pixel + Layout::kBytes - 8 : pixel);
    if (Layout::kInverted) bytes = _mm_xor_si64(bytes, _mm_set1_pi8(-1));
    return Ending ? _mm_unpackhi_pi8(bytes, _mm_setzero_si64()) : _mm_unpacklo_pi8(bytes, _mm_setzero_si64());
}

// ka * R + kb * G + kc * B + kk * key + bias, then >> shift: a 32-bit
// multiply-add over a pixel's lanes (or a cell's lane sums) leaves the sum
// in two halves, added when four results are packed.
struct LinearForm {
    __m64 weights, bias, shift;
};
template <class Layout, bool Ending>
MMX_INLINE LinearForm linearForm(int16_t kr, int16_t kg, int16_t kb, int16_t kk, int32_t bias, int shift)
{
    constexpr int lane = Ending ? 4 - Layout::kBytes : 0;
    int16_t w[4] = {};
    w[Layout::kRed + lane] = kr;
    w[Layout::kGreen + lane] = kg;
    w[Layout::kBlue + lane] = kb;
    if (Layout::kBytes == 4) w[Layout::kKey + lane] = kk;
    return {_mm_set_pi16(w[3], w[2], w[1], w[0]), _mm_set1_pi32(bias), _mm_cvtsi32_si64(shift)};
}
MMX_INLINE __m64 sumHalves(__m64 a, __m64 b) { return _mm_add_pi32(_mm_unpacklo_pi32(a, b), _mm_unpackhi_pi32(a, b)); }
MMX_INLINE __m64 finishFour(const LinearForm& f, const __m64 products[4])
{
    const __m64 low = _mm_add_pi32(sumHalves(products[0], products[1]), f.bias);
    const __m64 high = _mm_add_pi32(sumHalves(products[2], products[3]), f.bias);
    return _mm_packs_pi32(_mm_sra_pi32(low, f.shift), _mm_sra_pi32(high, f.shift));
}
MMX_INLINE void storeFour(const LinearForm& f, const __m64 lanes[4], int16_t* out)
{
    __m64 products[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) products[i] = _mm_madd_pi16(lanes[i], f.weights);
    store64(out, finishFour(f, products));
}

// The portable formulas, for one of the two load forms: luma with its level
// shift and rounding, the key block (255 - inverted byte - 128), and the
// chroma of H x V cell sums.
struct McuForms {
    LinearForm luma, key, blue, red;
};
template <class Layout, int H, int V, bool Ending>
MMX_INLINE McuForms mcuForms()
{
    constexpr int cellShift = H * V == 4 ? 2 : H * V == 2 ? 1 : 0;
    constexpr int32_t round = 1 << (7 + cellShift);
    return {linearForm<Layout, Ending>(77, 150, 29, 0, -32640, 8), linearForm<Layout, Ending>(0, 0, 0, -1, 127, 0),
            linearForm<Layout, Ending>(-43, -85, 128, 0, round, 8 + cellShift),
            linearForm<Layout, Ending>(128, -107, -21, 0, round, 8 + cellShift)};
}

// Four chroma cells side by side (4H x V pixels from `first`): their luma
// and key rows, and one row of four values in each chroma block.
template <class Layout, int H, int V, bool Ending>
MMX_INLINE void encodeFourCells(const uint8_t* first, int32_t stride, int cellRow, int column, const McuForms& f,
                                int16_t* y, int16_t* cb, int16_t* cr, int16_t* key)
{
    __m64 sums[4] = {_mm_setzero_si64(), _mm_setzero_si64(), _mm_setzero_si64(), _mm_setzero_si64()};
    // Unrolled, so that the lanes and sums stay in registers.
#pragma GCC unroll 2
    for (int v = 0; v < V; ++v) {
        const int row = cellRow * V + v;
        const uint8_t* line = first + static_cast<ptrdiff_t>(v) * stride;
#pragma GCC unroll 2
        for (int group = 0; group < H; ++group) {
            __m64 lanes[4];
#pragma GCC unroll 4
            for (int i = 0; i < 4; ++i) {
                const int pixel = 4 * group + i;
                lanes[i] = pixelLanes<Layout, Ending>(line + pixel * Layout::kBytes);
                sums[pixel / H] = _mm_add_pi16(sums[pixel / H], lanes[i]);
            }
            const int x = column + 4 * group;
            const int at = ((row >> 3) * H + (x >> 3)) * 64 + (row & 7) * 8 + (x & 7);
            storeFour(f.luma, lanes, y + at);
            if (Layout::kBytes == 4) storeFour(f.key, lanes, key + at);
        }
    }
    storeFour(f.blue, sums, cb + cellRow * 8 + column / H);
    storeFour(f.red, sums, cr + cellRow * 8 + column / H);
}

// One MCU of 8H x 8V pixels to luma blocks, one block of each chroma (from
// H x V cells) and, for four-byte pixels, the key block: the portable
// formulas in 32-bit multiply-adds, so the results are the same bits.
template <class Layout, int H, int V>
MMX_BODY void encodeMcuMmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* key)
{
    const McuForms starting = mcuForms<Layout, H, V, false>(), ending = mcuForms<Layout, H, V, true>();
    for (int cellRow = 0; cellRow < 8; ++cellRow) {
        const uint8_t* line = source + static_cast<ptrdiff_t>(cellRow * V) * stride;
        encodeFourCells<Layout, H, V, false>(line, stride, cellRow, 0, starting, y, cb, cr, key);
        encodeFourCells<Layout, H, V, true>(line + 4 * H * Layout::kBytes, stride, cellRow, 4 * H, ending, y, cb, cr,
                                            key);
    }
}
}  // namespace

MMX_BODY void quantizeFastMmx(int16_t* block, const uint16_t* table)
{
    for (int i = 0; i < 64; i += 4) store64(block + i, quantizeFour(load64(block + i), load64(table + i)));
}

MMX_BODY void quantizeAccurateMmx(int16_t* block, const uint16_t* table)
{
    for (int i = 0; i < 64; i += 4) store64(block + i, quantizeFourHalved(load64(block + i), load64(table + i)));
}

MMX_INLINE void dequantizeEntries(int16_t* block, const int32_t* table, int first, int end)
{
    for (int i = first; i < end; i += 4) store64(block + i, _mm_mullo_pi16(load64(block + i), lowWords(table + i)));
}

MMX_BODY void dequantizeAccurateMmx(int16_t* block, const int32_t* table)
{
    dequantizeEntries(block, table, 0, 16);
    if (!Lanes4::laterRowsZero(block)) dequantizeEntries(block, table, 16, 64);
}

MMX_BODY void encodeGreyMmx(const uint8_t* source, int32_t stride, int16_t* block)
{
    const __m64 zero = _mm_setzero_si64(), level = _mm_set1_pi16(128);
    for (int row = 0; row < 8; ++row, source += stride) {
        const __m64 samples = load64(source);
        store64(block + row * 8, _mm_sub_pi16(_mm_unpacklo_pi8(samples, zero), level));
        store64(block + row * 8 + 4, _mm_sub_pi16(_mm_unpackhi_pi8(samples, zero), level));
    }
}

void encodeRgb11Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodeMcuMmx<RgbLayout, 1, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeRgb21Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodeMcuMmx<RgbLayout, 2, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeRgb22Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodeMcuMmx<RgbLayout, 2, 2>(s, stride, y, cb, cr, nullptr);
}
void encodeBgr11Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodeMcuMmx<BgrLayout, 1, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeBgr21Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodeMcuMmx<BgrLayout, 2, 1>(s, stride, y, cb, cr, nullptr);
}
void encodeBgr22Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodeMcuMmx<BgrLayout, 2, 2>(s, stride, y, cb, cr, nullptr);
}
void encodeCmyk11Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k)
{
    encodeMcuMmx<CmykLayout, 1, 1>(s, stride, y, cb, cr, k);
}
void encodeCmyk21Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k)
{
    encodeMcuMmx<CmykLayout, 2, 1>(s, stride, y, cb, cr, k);
}
void encodeCmyk22Mmx(const uint8_t* s, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k)
{
    encodeMcuMmx<CmykLayout, 2, 2>(s, stride, y, cb, cr, k);
}

// Class 5 runs the same arithmetic; the wrapper lets the compiler schedule
// it with the SSE integer instructions.
__attribute__((target("sse"))) void quantizeAccurateSse(int16_t* block, const uint16_t* table)
{
    for (int i = 0; i < 64; i += 4) store64(block + i, quantizeFourHalved(load64(block + i), load64(table + i)));
}

// One row a step: one saturating pack of its two halves.
MMX_BODY void storeSamplesMmx(const int16_t* block, uint8_t* destination, int32_t stride)
{
    for (int32_t r = 0; r < 8; ++r, destination += stride)
        store64(destination, _mm_packs_pu16(load64(block + r * 8), load64(block + r * 8 + 4)));
}
#endif
