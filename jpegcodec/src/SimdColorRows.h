// The row conversions shared by the 64-bit colour bodies of the MMX and SSE
// classes (these with word shuffles), and the packed 4:2:2 row split.
// Only the colour bodies include this header.
#ifndef JPEGCODEC_SIMD_COLOR_ROWS_H
#define JPEGCODEC_SIMD_COLOR_ROWS_H

#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <mmintrin.h>
#include <xmmintrin.h>

#include <cstring>

#include "PixelWriters.h"

#define MMX_INLINE __attribute__((target("mmx"), always_inline)) inline

namespace colourrows {
MMX_INLINE __m64 load8(const uint8_t* p)
{
    __m64 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
MMX_INLINE __m64 load4(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return _mm_cvtsi32_si64(v);
}
MMX_INLINE void store8(uint8_t* p, __m64 v) { std::memcpy(p, &v, sizeof v); }

// The terms of four chroma samples (16-bit lanes 0..255).
struct Terms {
    __m64 red, green, blue;
};

// (183 Cr + 88 Cb - 34806) >> 8 without 32-bit lanes: halving both sides
// first, as (91 Cr + Cr / 2 + 44 Cb - 17403) >> 7, loses no bit that the
// shift by 8 keeps, and the sum is right modulo 2^16 and ends in range.
MMX_INLINE __m64 greenOf(__m64 cb, __m64 cr)
{
    const __m64 half = _mm_add_pi16(_mm_add_pi16(_mm_mullo_pi16(cr, _mm_set1_pi16(91)), _mm_srli_pi16(cr, 1)),
                                    _mm_mullo_pi16(cb, _mm_set1_pi16(44)));
    return _mm_srai_pi16(_mm_sub_pi16(half, _mm_set1_pi16(17403)), 7);
}

MMX_INLINE Terms termsOf(__m64 cb, __m64 cr)
{
    Terms t;
    t.red = _mm_sub_pi16(_mm_mulhi_pi16(_mm_slli_pi16(cr, 4), _mm_set1_pi16(5744)), _mm_set1_pi16(179));
    t.blue = _mm_sub_pi16(_mm_mulhi_pi16(_mm_slli_pi16(cb, 4), _mm_set1_pi16(7264)), _mm_set1_pi16(227));
    t.green = greenOf(cb, cr);
    return t;
}

// The same arithmetic for one pixel, for the columns after the last whole
// group of eight.
inline Rgb vectorRgb(int32_t y, int32_t cb, int32_t cr)
{
    return {clampByte(y + ((359 * cr) >> 8) - 179), clampByte(y - chromaTerms(cb, cr).green),
            clampByte(y + ((454 * cb) >> 8) - 227)};
}

// R, G and B of eight pixels as bytes.
struct PixelBytes {
    __m64 r, g, b;
};

MMX_INLINE __m64 pixelsWith(__m64 yLow, __m64 yHigh, __m64 termLow, __m64 termHigh, bool subtract)
{
    return subtract ? _mm_packs_pu16(_mm_sub_pi16(yLow, termLow), _mm_sub_pi16(yHigh, termHigh))
                    : _mm_packs_pu16(_mm_add_pi16(yLow, termLow), _mm_add_pi16(yHigh, termHigh));
}

// Each of the low (kHalf 0) or high two lanes, twice.
template <bool kWordShuffle, int kHalf>
MMX_INLINE __m64 spread(__m64 v)
{
    if constexpr (kWordShuffle) return _mm_shuffle_pi16(v, kHalf ? 0xFA : 0x50);
    return kHalf ? _mm_unpackhi_pi16(v, v) : _mm_unpacklo_pi16(v, v);
}

// The terms of eight pixels (low and high four) from full-width (shift 0)
// or half-width (shift 1) chroma; class 5 and up spread half-width terms
// with the word shuffle.
struct EightTerms {
    Terms low, high;
};

template <int kChromaShift, bool kWordShuffle>
MMX_INLINE EightTerms termsOfEight(const uint8_t* cb, const uint8_t* cr)
{
    const __m64 zero = _mm_setzero_si64();
    if constexpr (kChromaShift == 0) {
        const __m64 blue = load8(cb), red = load8(cr);
        return {termsOf(_mm_unpacklo_pi8(blue, zero), _mm_unpacklo_pi8(red, zero)),
                termsOf(_mm_unpackhi_pi8(blue, zero), _mm_unpackhi_pi8(red, zero))};
    } else {
        const Terms t = termsOf(_mm_unpacklo_pi8(load4(cb), zero), _mm_unpacklo_pi8(load4(cr), zero));
        return {{spread<kWordShuffle, 0>(t.red), spread<kWordShuffle, 0>(t.green), spread<kWordShuffle, 0>(t.blue)},
                {spread<kWordShuffle, 1>(t.red), spread<kWordShuffle, 1>(t.green), spread<kWordShuffle, 1>(t.blue)}};
    }
}

// Eight pixels from eight luma samples and their terms.
MMX_INLINE PixelBytes convertEight(const uint8_t* y, const EightTerms& t)
{
    const __m64 zero = _mm_setzero_si64();
    const __m64 yLow = _mm_unpacklo_pi8(load4(y), zero), yHigh = _mm_unpacklo_pi8(load4(y + 4), zero);
    return {pixelsWith(yLow, yHigh, t.low.red, t.high.red, false),
            pixelsWith(yLow, yHigh, t.low.green, t.high.green, true),
            pixelsWith(yLow, yHigh, t.low.blue, t.high.blue, false)};
}

// Two pixels of four bytes each (top byte zero) to six bytes at the bottom.
MMX_INLINE __m64 packSixBytes(__m64 pair)
{
    const __m64 first = _mm_and_si64(pair, _mm_cvtsi32_si64(0xFFFFFF));
    return _mm_or_si64(first, _mm_slli_si64(_mm_srli_si64(pair, 32), 24));
}

// Three byte planes of eight pixels to 24 interleaved bytes.
MMX_INLINE void storeThreePlanes(__m64 a, __m64 b, __m64 c, uint8_t* out)
{
    const __m64 zero = _mm_setzero_si64();
    const __m64 abLow = _mm_unpacklo_pi8(a, b), abHigh = _mm_unpackhi_pi8(a, b);
    const __m64 cLow = _mm_unpacklo_pi8(c, zero), cHigh = _mm_unpackhi_pi8(c, zero);
    const __m64 p01 = packSixBytes(_mm_unpacklo_pi16(abLow, cLow)), p23 = packSixBytes(_mm_unpackhi_pi16(abLow, cLow));
    const __m64 p45 = packSixBytes(_mm_unpacklo_pi16(abHigh, cHigh));
    const __m64 p67 = packSixBytes(_mm_unpackhi_pi16(abHigh, cHigh));
    store8(out, _mm_or_si64(p01, _mm_slli_si64(p23, 48)));
    store8(out + 8, _mm_or_si64(_mm_srli_si64(p23, 16), _mm_slli_si64(p45, 32)));
    store8(out + 16, _mm_or_si64(_mm_srli_si64(p45, 32), _mm_slli_si64(p67, 16)));
}

MMX_INLINE void store4(uint8_t* p, __m64 v)
{
    const int32_t bytes = _mm_cvtsi64_si32(v);
    std::memcpy(p, &bytes, sizeof bytes);
}

// The same 24 bytes as one four-byte store per pixel, each at its pixel's
// offset: the fourth byte of a store is overwritten by the next pixel, so
// the last one writes one byte past the group. Only for groups that more
// pixels of the row follow.
MMX_INLINE void storeThreePlanesSpilling(__m64 a, __m64 b, __m64 c, uint8_t* out)
{
    const __m64 abLow = _mm_unpacklo_pi8(a, b), abHigh = _mm_unpackhi_pi8(a, b);
    const __m64 cLow = _mm_unpacklo_pi8(c, c), cHigh = _mm_unpackhi_pi8(c, c);
    const __m64 pairs[4] = {_mm_unpacklo_pi16(abLow, cLow), _mm_unpackhi_pi16(abLow, cLow),
                            _mm_unpacklo_pi16(abHigh, cHigh), _mm_unpackhi_pi16(abHigh, cHigh)};
    for (int i = 0; i < 4; ++i, out += 6) {
        store4(out, pairs[i]);
        store4(out + 3, _mm_srli_si64(pairs[i], 32));
    }
}

// Four byte planes of eight pixels to 32 interleaved bytes.
MMX_INLINE void storeFourPlanes(__m64 a, __m64 b, __m64 c, __m64 d, uint8_t* out)
{
    const __m64 abLow = _mm_unpacklo_pi8(a, b), abHigh = _mm_unpackhi_pi8(a, b);
    const __m64 cdLow = _mm_unpacklo_pi8(c, d), cdHigh = _mm_unpackhi_pi8(c, d);
    store8(out, _mm_unpacklo_pi16(abLow, cdLow));
    store8(out + 8, _mm_unpackhi_pi16(abLow, cdLow));
    store8(out + 16, _mm_unpacklo_pi16(abHigh, cdHigh));
    store8(out + 24, _mm_unpackhi_pi16(abHigh, cdHigh));
}

// Pixel layouts: how eight converted pixels (and one, for the tail) are
// stored, and whether a cheaper store that writes past the group exists.
template <bool kBgr>
struct ThreeBytes {
    static constexpr int kBytes = 3;
    static constexpr bool kSpills = true;
    static MMX_INLINE void store(const PixelBytes& p, const uint8_t*, uint8_t* out)
    {
        storeThreePlanes(kBgr ? p.b : p.r, p.g, kBgr ? p.r : p.b, out);
    }
    static MMX_INLINE void storeSpilling(const PixelBytes& p, uint8_t* out)
    {
        storeThreePlanesSpilling(kBgr ? p.b : p.r, p.g, kBgr ? p.r : p.b, out);
    }
    static void storeOne(const Rgb& p, uint8_t, uint8_t* out)
    {
        out[0] = static_cast<uint8_t>(kBgr ? p.b : p.r);
        out[1] = static_cast<uint8_t>(p.g);
        out[2] = static_cast<uint8_t>(kBgr ? p.r : p.b);
    }
};

struct RgbxBytes {
    static constexpr int kBytes = 4;
    static constexpr bool kSpills = false;
    static MMX_INLINE void store(const PixelBytes& p, const uint8_t*, uint8_t* out)
    {
        storeFourPlanes(p.r, p.g, p.b, _mm_set1_pi8(-1), out);
    }
    static void storeOne(const Rgb& p, uint8_t, uint8_t* out)
    {
        out[0] = static_cast<uint8_t>(p.r);
        out[1] = static_cast<uint8_t>(p.g);
        out[2] = static_cast<uint8_t>(p.b);
        out[3] = 255;
    }
};

// Complemented R, G, B and the key sample unchanged.
struct CmykBytes {
    static constexpr int kBytes = 4;
    static constexpr bool kSpills = false;
    static MMX_INLINE void store(const PixelBytes& p, const uint8_t* key, uint8_t* out)
    {
        const __m64 ones = _mm_set1_pi8(-1);
        storeFourPlanes(_mm_xor_si64(p.r, ones), _mm_xor_si64(p.g, ones), _mm_xor_si64(p.b, ones), load8(key), out);
    }
    static void storeOne(const Rgb& p, uint8_t key, uint8_t* out)
    {
        out[0] = static_cast<uint8_t>(255 - p.r);
        out[1] = static_cast<uint8_t>(255 - p.g);
        out[2] = static_cast<uint8_t>(255 - p.b);
        out[3] = key;
    }
};

// kRows bitmap rows (one, or two that share their chroma) from their luma
// lines and one chroma line.
template <int kChromaShift, class Layout, bool kWordShuffle, int kRows>
MMX_INLINE void decodeRows(const uint8_t* const (&y)[kRows], const uint8_t* cb, const uint8_t* cr, const uint8_t* key,
                           uint8_t* const (&out)[kRows], int32_t count)
{
    const auto terms = [&](int32_t x) {
        return termsOfEight<kChromaShift, kWordShuffle>(cb + (x >> kChromaShift), cr + (x >> kChromaShift));
    };
    int32_t x = 0;
    if constexpr (Layout::kSpills)
        for (; x + 8 < count; x += 8) {
            const EightTerms t = terms(x);
            for (int r = 0; r < kRows; ++r)
                Layout::storeSpilling(convertEight(y[r] + x, t), out[r] + x * Layout::kBytes);
        }
    for (; x + 8 <= count; x += 8) {
        const EightTerms t = terms(x);
        for (int r = 0; r < kRows; ++r)
            Layout::store(convertEight(y[r] + x, t), key ? key + x : nullptr, out[r] + x * Layout::kBytes);
    }
    for (; x < count; ++x)
        for (int r = 0; r < kRows; ++r)
            Layout::storeOne(vectorRgb(y[r][x], cb[x >> kChromaShift], cr[x >> kChromaShift]), key ? key[x] : 0,
                             out[r] + x * Layout::kBytes);
}

template <int kChromaShift, class Layout, bool kWordShuffle>
MMX_INLINE void decodeRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* key, uint8_t* out,
                          int32_t count)
{
    decodeRows<kChromaShift, Layout, kWordShuffle, 1>({y}, cb, cr, key, {out}, count);
}

// Packed Y0 Cb Y1 Cr rows of 16 pixels to two luma blocks and one block of
// each chroma, level-shifted; class 5 and up separate Cb and Cr with word
// shuffles.
template <bool kWordShuffle>
MMX_INLINE void encodePackedYccRows(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    const __m64 lowBytes = _mm_set1_pi16(0xFF), level = _mm_set1_pi16(128);
    for (int row = 0; row < 8; ++row, source += stride) {
        __m64 chroma[4];  // Cb, Cr, Cb, Cr of four pixel pairs each
        for (int group = 0; group < 4; ++group) {
            const __m64 pixels = load8(source + group * 8);
            int16_t* luma = y + (group >> 1) * 64 + row * 8 + (group & 1) * 4;
            const __m64 lumaSamples = _mm_sub_pi16(_mm_and_si64(pixels, lowBytes), level);
            std::memcpy(luma, &lumaSamples, 8);
            chroma[group] = _mm_sub_pi16(_mm_srli_pi16(pixels, 8), level);
        }
        for (int half = 0; half < 2; ++half) {
            const __m64 a = chroma[2 * half], b = chroma[2 * half + 1];
            __m64 blue, red;
            if constexpr (kWordShuffle) {
                const __m64 aSplit = _mm_shuffle_pi16(a, 0xD8), bSplit = _mm_shuffle_pi16(b, 0xD8);  // Cb Cb Cr Cr
                blue = _mm_unpacklo_pi32(aSplit, bSplit);
                red = _mm_unpackhi_pi32(aSplit, bSplit);
            } else {
                const __m64 low = _mm_unpacklo_pi16(a, b), high = _mm_unpackhi_pi16(a, b);
                blue = _mm_unpacklo_pi16(low, high);
                red = _mm_unpackhi_pi16(low, high);
            }
            std::memcpy(cb + row * 8 + half * 4, &blue, 8);
            std::memcpy(cr + row * 8 + half * 4, &red, 8);
        }
    }
}

}  // namespace colourrows

#endif

#endif
