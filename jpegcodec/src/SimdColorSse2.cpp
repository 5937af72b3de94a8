// The class-6 bodies of the rows that share their half-width chroma (4:2:0
// to three-byte pixels): sixteen pixels of both rows per step in 128-bit
// lanes. The arithmetic is the 64-bit bodies', lane for lane, so the bytes
// are theirs; the end of each row goes through the 64-bit body.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <emmintrin.h>

#include "SimdColorRows.h"

// The row ends call the 64-bit body, whose registers the 32-bit build does
// not otherwise enable here.
#define SSE2_BODY __attribute__((target("mmx,sse2")))
#define SSE2_INLINE __attribute__((target("mmx,sse2"), always_inline)) inline

namespace {
SSE2_INLINE __m128i load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
SSE2_INLINE __m128i load8Low(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
SSE2_INLINE void store8Low(uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }

// The red, green and blue terms of eight chroma samples, as termsOf forms
// them for four.
struct Terms8 {
    __m128i red, green, blue;
};

SSE2_INLINE Terms8 termsOfEight(const uint8_t* cb, const uint8_t* cr)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i blue = _mm_unpacklo_epi8(load8Low(cb), zero), red = _mm_unpacklo_epi8(load8Low(cr), zero);
    const __m128i halfGreen =
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(red, _mm_set1_epi16(91)), _mm_srli_epi16(red, 1)),
                      _mm_mullo_epi16(blue, _mm_set1_epi16(44)));
    return {_mm_sub_epi16(_mm_mulhi_epi16(_mm_slli_epi16(red, 4), _mm_set1_epi16(5744)), _mm_set1_epi16(179)),
            _mm_srai_epi16(_mm_sub_epi16(halfGreen, _mm_set1_epi16(17403)), 7),
            _mm_sub_epi16(_mm_mulhi_epi16(_mm_slli_epi16(blue, 4), _mm_set1_epi16(7264)), _mm_set1_epi16(227))};
}

// Sixteen pixel bytes of luma plus (or minus) each term, the term of a
// chroma sample serving two pixels.
SSE2_INLINE __m128i pixelsWith(__m128i lumaLow, __m128i lumaHigh, __m128i term, bool subtract)
{
    const __m128i termLow = _mm_unpacklo_epi16(term, term), termHigh = _mm_unpackhi_epi16(term, term);
    return subtract ? _mm_packus_epi16(_mm_sub_epi16(lumaLow, termLow), _mm_sub_epi16(lumaHigh, termHigh))
                    : _mm_packus_epi16(_mm_add_epi16(lumaLow, termLow), _mm_add_epi16(lumaHigh, termHigh));
}

// Three byte planes of sixteen pixels to 48 interleaved bytes; each group
// of four pixels is two eight-byte stores of six bytes, so the last one
// writes two bytes past the pixels. Only for groups that more pixels of the
// row follow.
SSE2_INLINE void storeThreePlanesSpilling(__m128i a, __m128i b, __m128i c, uint8_t* out)
{
    const __m128i zero = _mm_setzero_si128(), lowThreeBytes = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF);
    const __m128i abLow = _mm_unpacklo_epi8(a, b), abHigh = _mm_unpackhi_epi8(a, b);
    const __m128i cLow = _mm_unpacklo_epi8(c, zero), cHigh = _mm_unpackhi_epi8(c, zero);
    const __m128i quads[4] = {_mm_unpacklo_epi16(abLow, cLow), _mm_unpackhi_epi16(abLow, cLow),
                              _mm_unpacklo_epi16(abHigh, cHigh), _mm_unpackhi_epi16(abHigh, cHigh)};
    for (const __m128i& quad : quads) {
        const __m128i secondPixel = _mm_slli_epi64(_mm_srli_epi64(quad, 32), 24);
        const __m128i pairs = _mm_or_si128(_mm_and_si128(quad, lowThreeBytes), secondPixel);
        store8Low(out, pairs);
        store8Low(out + 6, _mm_unpackhi_epi64(pairs, pairs));
        out += 12;
    }
}

template <bool kBgr>
SSE2_INLINE void storeSixteen(const uint8_t* y, const Terms8& t, uint8_t* out)
{
    const __m128i zero = _mm_setzero_si128(), luma = load16(y);
    const __m128i lumaLow = _mm_unpacklo_epi8(luma, zero), lumaHigh = _mm_unpackhi_epi8(luma, zero);
    const __m128i red = pixelsWith(lumaLow, lumaHigh, t.red, false);
    const __m128i green = pixelsWith(lumaLow, lumaHigh, t.green, true);
    const __m128i blue = pixelsWith(lumaLow, lumaHigh, t.blue, false);
    storeThreePlanesSpilling(kBgr ? blue : red, green, kBgr ? red : blue, out);
}

template <bool kBgr>
SSE2_INLINE void decodeRowPair(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr,
                               uint8_t* outTop, uint8_t* outBottom, int32_t count)
{
    int32_t x = 0;
    for (; x + 16 < count; x += 16) {
        const Terms8 t = termsOfEight(cb + x / 2, cr + x / 2);
        storeSixteen<kBgr>(yTop + x, t, outTop + x * 3);
        storeSixteen<kBgr>(yBottom + x, t, outBottom + x * 3);
    }
    colourrows::decodeRows<1, colourrows::ThreeBytes<kBgr>, false, 2>(
        {yTop + x, yBottom + x}, cb + x / 2, cr + x / 2, nullptr, {outTop + x * 3, outBottom + x * 3}, count - x);
}
}  // namespace

SSE2_BODY void decodeRgb22Sse2(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr,
                               uint8_t* outTop, uint8_t* outBottom, int32_t count)
{
    decodeRowPair<false>(yTop, yBottom, cb, cr, outTop, outBottom, count);
}

SSE2_BODY void decodeBgr22Sse2(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr,
                               uint8_t* outTop, uint8_t* outBottom, int32_t count)
{
    decodeRowPair<true>(yTop, yBottom, cb, cr, outTop, outBottom, count);
}
#endif
