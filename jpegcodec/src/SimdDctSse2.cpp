// 128-bit bodies of the accurate transforms (class 6): the 64-bit bodies'
// values, with the rows that share a table run in the two halves of one
// register and all eight columns at once.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <emmintrin.h>

#include "SimdTransformPasses.h"

#define SSE2_BODY __attribute__((target("sse2")))
#define SSE2_INLINE __attribute__((target("sse2"), always_inline)) inline

namespace {
using namespace transformpasses;

// ---- 128-bit bodies ---------------------------------------------------
// Rows that share a table run together, one in each half of a register.
constexpr int kRowPairs[4][2] = {{0, 4}, {1, 7}, {2, 6}, {3, 5}};

SSE2_INLINE __m128i table128(const RowTable<8>& t, int group)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(t.groups[group]));
}

SSE2_INLINE __m128i maddPair(__m128i a, __m128i ga, __m128i b, __m128i gb)
{
    return _mm_add_epi32(_mm_madd_epi16(a, ga), _mm_madd_epi16(b, gb));
}

SSE2_INLINE __m128i roundShift32(__m128i v, int32_t round, int shift)
{
    return _mm_srai_epi32(_mm_add_epi32(v, _mm_set1_epi32(round)), shift);
}

// Four 32-bit results (r0a, r1a, r0b, r1b) ... of rows a and b back to two
// rows of eight 16-bit values.
SSE2_INLINE void storeRowPair(int16_t* rowA, int16_t* rowB, __m128i r01, __m128i r23, __m128i r45, __m128i r67)
{
    Lanes8::store(rowA, _mm_packs_epi32(_mm_unpacklo_epi64(r01, r23), _mm_unpacklo_epi64(r45, r67)));
    Lanes8::store(rowB, _mm_packs_epi32(_mm_unpackhi_epi64(r01, r23), _mm_unpackhi_epi64(r45, r67)));
}

// Rows a and b in place, in registers.
SSE2_INLINE void inverseRowPair128(__m128i* rowA, __m128i* rowB, const RowTable<8>& t)
{
    const __m128i low = _mm_unpacklo_epi64(*rowA, *rowB), high = _mm_unpackhi_epi64(*rowA, *rowB);
    const __m128i ua = _mm_unpacklo_epi16(low, high), ub = _mm_unpackhi_epi16(low, high);
    const __m128i m01 = _mm_unpacklo_epi32(ua, ub), m23 = _mm_unpackhi_epi32(ua, ub);
    const __m128i x04 = _mm_shuffle_epi32(m01, 0x50), x15 = _mm_shuffle_epi32(m01, 0xFA);
    const __m128i x26 = _mm_shuffle_epi32(m23, 0x50), x37 = _mm_shuffle_epi32(m23, 0xFA);
    const __m128i e01 = maddPair(x04, table128(t, 0), x26, table128(t, 1));
    const __m128i e23 = maddPair(x04, table128(t, 2), x26, table128(t, 3));
    const __m128i o01 = maddPair(x15, table128(t, 4), x37, table128(t, 5));
    const __m128i o23 = maddPair(x15, table128(t, 6), x37, table128(t, 7));
    const auto out = [](__m128i v) { return roundShift32(v, 2048, 12); };
    const auto swapped = [&](__m128i v) { return _mm_shuffle_epi32(out(v), 0xB1); };
    const __m128i r01 = out(_mm_add_epi32(e01, o01)), r23 = out(_mm_add_epi32(e23, o23));
    const __m128i r45 = swapped(_mm_sub_epi32(e23, o23)), r67 = swapped(_mm_sub_epi32(e01, o01));
    *rowA = _mm_packs_epi32(_mm_unpacklo_epi64(r01, r23), _mm_unpacklo_epi64(r45, r67));
    *rowB = _mm_packs_epi32(_mm_unpackhi_epi64(r01, r23), _mm_unpackhi_epi64(r45, r67));
}

// The inverse row tables of neighbouring rows 2p (low half) and 2p + 1
// (high half), so that the later rows, which are mostly zero, run together.
constexpr RowTable<8> neighbourTable(int pair)
{
    RowTable<8> table{};
    for (int group = 0; group < 8; ++group)
        for (int lane = 0; lane < 8; ++lane)
            table.groups[group][lane] = kNarrowTables.inverse[kBaseOfRow[2 * pair + lane / 4]].groups[group][lane % 4];
    return table;
}
constexpr RowTable<8> kNeighbourTables[4] = {neighbourTable(0), neighbourTable(1), neighbourTable(2),
                                             neighbourTable(3)};

SSE2_INLINE void forwardRowPair128(int16_t* rowA, int16_t* rowB, const RowTable<8>& t)
{
    const __m128i a = Lanes8::load(rowA), b = Lanes8::load(rowB);
    const __m128i low = _mm_unpacklo_epi64(a, b);
    const __m128i mirrored = _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_unpackhi_epi64(a, b), 0x1B), 0x1B);
    const __m128i sums = _mm_add_epi16(low, mirrored), differences = _mm_sub_epi16(low, mirrored);
    const __m128i pa = _mm_unpacklo_epi32(sums, differences), pb = _mm_unpackhi_epi32(sums, differences);
    const __m128i xa = _mm_unpacklo_epi64(pa, pb), xb = _mm_unpackhi_epi64(pa, pb);
    const auto out = [&](int group) {
        return roundShift32(maddPair(xa, table128(t, group), xb, table128(t, group + 1)), 1 << 19, 20);
    };
    storeRowPair(rowA, rowB, out(0), out(2), out(4), out(6));
}

SSE2_INLINE void columns128(int16_t* block, void (*pass)(__m128i*))
{
    __m128i x[8];
    for (int r = 0; r < 8; ++r) x[r] = Lanes8::load(block + r * 8);
    pass(x);
    for (int r = 0; r < 8; ++r) Lanes8::store(block + r * 8, x[r]);
}

SSE2_INLINE void forwardColumns128(__m128i* x) { forwardColumns<Lanes8>(x); }
}  // namespace

SSE2_BODY void forwardDctAccurateSse2(int16_t* block)
{
    columns128(block, forwardColumns128);
    for (const auto& pair : kRowPairs)
        forwardRowPair128(block + pair[0] * 8, block + pair[1] * 8, kWideTables.forward[kBaseOfRow[pair[0]]]);
}

// Zero rows stay zero through the row pass, and the rows after the first
// two of most blocks of a photograph are all zero: one test passes over
// them together (a test per pair costs more in mispredicted branches).
SSE2_BODY void inverseDctAccurateSse2(int16_t* block)
{
    __m128i x[8];
    for (int r = 0; r < 8; ++r) x[r] = Lanes8::load(block + r * 8);
    inverseRowPair128(&x[0], &x[1], kNeighbourTables[0]);
    const __m128i below =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(x[2], x[3]), _mm_or_si128(x[4], x[5])), _mm_or_si128(x[6], x[7]));
    if (!Lanes8::allZero(below))
        for (int pair = 1; pair < 4; ++pair) inverseRowPair128(&x[2 * pair], &x[2 * pair + 1], kNeighbourTables[pair]);
    inverseColumns<Lanes8>(x);
    for (int r = 0; r < 8; ++r) Lanes8::store(block + r * 8, x[r]);
}
#endif
