// Lane operations on signed 16-bit values at two register widths, so that
// one template body computes the same values with 64-bit (MMX) and 128-bit
// (SSE2) vectors. Only the vector bodies include this header.
#ifndef JPEGCODEC_SIMD_LANES_H
#define JPEGCODEC_SIMD_LANES_H

#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <emmintrin.h>
#include <mmintrin.h>

#include <cstring>

#define LANES_INLINE(isa) __attribute__((target(isa), always_inline)) inline

// Four lanes in a 64-bit register.
struct Lanes4 {
    using V = __m64;
    static constexpr int kCount = 4;
    static LANES_INLINE("mmx") V load(const int16_t* p)
    {
        V v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static LANES_INLINE("mmx") void store(int16_t* p, V v) { std::memcpy(p, &v, sizeof v); }
    static LANES_INLINE("mmx") V splat(int16_t k) { return _mm_set1_pi16(k); }
    static LANES_INLINE("mmx") V add(V a, V b) { return _mm_add_pi16(a, b); }
    static LANES_INLINE("mmx") V sub(V a, V b) { return _mm_sub_pi16(a, b); }
    static LANES_INLINE("mmx") V adds(V a, V b) { return _mm_adds_pi16(a, b); }
    static LANES_INLINE("mmx") V subs(V a, V b) { return _mm_subs_pi16(a, b); }
    static LANES_INLINE("mmx") V mulhi(V a, V b) { return _mm_mulhi_pi16(a, b); }
    static LANES_INLINE("mmx") V shiftLeft(V a, int n) { return _mm_slli_pi16(a, n); }
    static LANES_INLINE("mmx") V shiftRight(V a, int n) { return _mm_srai_pi16(a, n); }
    static LANES_INLINE("mmx") V bitOr(V a, V b) { return _mm_or_si64(a, b); }
    static LANES_INLINE("mmx") bool allZero(V v) { return _mm_cvtsi64_si32(_mm_or_si64(v, _mm_srli_si64(v, 32))) == 0; }
    // Whether rows 2-7 of a block are all zero, as in most decoded blocks of
    // a photograph; zero rows stay zero through dequantiser and row pass.
    static LANES_INLINE("mmx") bool laterRowsZero(const int16_t* block)
    {
        V rows = load(block + 16);
        for (int i = 20; i < 64; i += 4) rows = bitOr(rows, load(block + i));
        return allZero(rows);
    }
    // Clamps to 0..255 and widens back to 16 bits.
    static LANES_INLINE("mmx") void clampBytes(V* a, V* b)
    {
        const V bytes = _mm_packs_pu16(*a, *b), zero = _mm_setzero_si64();
        *a = _mm_unpacklo_pi8(bytes, zero);
        *b = _mm_unpackhi_pi8(bytes, zero);
    }
};

// Eight lanes in a 128-bit register.
struct Lanes8 {
    using V = __m128i;
    static constexpr int kCount = 8;
    static LANES_INLINE("sse2") V load(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
    static LANES_INLINE("sse2") void store(int16_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
    static LANES_INLINE("sse2") V splat(int16_t k) { return _mm_set1_epi16(k); }
    static LANES_INLINE("sse2") V add(V a, V b) { return _mm_add_epi16(a, b); }
    static LANES_INLINE("sse2") V sub(V a, V b) { return _mm_sub_epi16(a, b); }
    static LANES_INLINE("sse2") V adds(V a, V b) { return _mm_adds_epi16(a, b); }
    static LANES_INLINE("sse2") V subs(V a, V b) { return _mm_subs_epi16(a, b); }
    static LANES_INLINE("sse2") V mulhi(V a, V b) { return _mm_mulhi_epi16(a, b); }
    static LANES_INLINE("sse2") V shiftLeft(V a, int n) { return _mm_slli_epi16(a, n); }
    static LANES_INLINE("sse2") V shiftRight(V a, int n) { return _mm_srai_epi16(a, n); }
    static LANES_INLINE("sse2") V bitOr(V a, V b) { return _mm_or_si128(a, b); }
    static LANES_INLINE("sse2") bool allZero(V v)
    {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
    }
    static LANES_INLINE("sse2") bool laterRowsZero(const int16_t* block)
    {
        V rows = load(block + 16);
        for (int i = 24; i < 64; i += 8) rows = bitOr(rows, load(block + i));
        return allZero(rows);
    }
    static LANES_INLINE("sse2") void clampBytes(V* a, V* b)
    {
        const V bytes = _mm_packus_epi16(*a, *b), zero = _mm_setzero_si128();
        *a = _mm_unpacklo_epi8(bytes, zero);
        *b = _mm_unpackhi_epi8(bytes, zero);
    }
};
#endif

#endif
