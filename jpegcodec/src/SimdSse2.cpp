// 128-bit integer vector bodies of the SSE2 class. Unaligned loads and
// stores serve both aligned and unaligned blocks and tables.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <emmintrin.h>

#include "SimdLanes.h"

#define SSE2_BODY __attribute__((target("sse2")))

namespace {
SSE2_BODY inline __m128i load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
SSE2_BODY inline void store128(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// The low halves of eight 32-bit table entries as eight 16-bit lanes.
SSE2_BODY inline __m128i lowWords(const int32_t* entries)
{
    const __m128i a = _mm_srai_epi32(_mm_slli_epi32(load128(entries), 16), 16);
    const __m128i b = _mm_srai_epi32(_mm_slli_epi32(load128(entries + 4), 16), 16);
    return _mm_packs_epi32(a, b);
}
}  // namespace

// Same arithmetic as the 64-bit body: halved unsigned multiplier, one high
// multiply of 8c, rounded by one more shift.
SSE2_BODY void quantizeAccurateSse2(int16_t* block, const uint16_t* table)
{
    const __m128i one = _mm_set1_epi16(1);
    for (int i = 0; i < 64; i += 8) {
        const __m128i t = _mm_mulhi_epi16(_mm_slli_epi16(load128(block + i), 3), _mm_srli_epi16(load128(table + i), 1));
        store128(block + i, _mm_srai_epi16(_mm_add_epi16(t, one), 1));
    }
}

SSE2_BODY inline void dequantizeRows(int16_t* block, const int32_t* table, int from, int to)
{
    for (int i = 8 * from; i < 8 * to; i += 8)
        store128(block + i, _mm_mullo_epi16(load128(block + i), lowWords(table + i)));
}

SSE2_BODY void dequantizeAccurateSse2(int16_t* block, const int32_t* table)
{
    dequantizeRows(block, table, 0, 2);
    if (!Lanes8::laterRowsZero(block)) dequantizeRows(block, table, 2, 8);
}

// Two rows a step: one saturating pack, two 8-byte stores.
SSE2_BODY void storeSamplesSse2(const int16_t* block, uint8_t* destination, int32_t stride)
{
    for (int32_t r = 0; r < 8; r += 2, destination += 2 * stride) {
        const __m128i rows = _mm_packus_epi16(load128(block + r * 8), load128(block + r * 8 + 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(destination), rows);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(destination + stride), _mm_unpackhi_epi64(rows, rows));
    }
}
#endif
