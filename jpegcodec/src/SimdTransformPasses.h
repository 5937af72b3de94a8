// The passes shared by the 64-bit and 128-bit transform bodies: the row
// tables of the accurate pair and the lane-parallel butterflies, written
// once over the lane operations of SimdLanes.h so both widths compute the
// same values, and the 64-bit block handling and row passes (with word
// shuffles for class 5). Only the transform bodies include this header.
#ifndef JPEGCODEC_SIMD_TRANSFORM_PASSES_H
#define JPEGCODEC_SIMD_TRANSFORM_PASSES_H

#include "SimdLanes.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <xmmintrin.h>

#define ANY_INLINE __attribute__((always_inline)) inline
#define MMX_INLINE __attribute__((target("mmx"), always_inline)) inline

namespace transformpasses {
// ---- Row tables of the accurate pair ----------------------------------
// 2^14 x (1, sqrt2 cos pi/8, sqrt2 sin pi/8, sqrt2 cos pi/16, sqrt2 cos 3pi/16,
// sqrt2 sin 3pi/16, sqrt2 sin pi/16), times the factor that the tangent pass
// leaves on the row: 1 (rows 0, 4), sqrt2 cos pi/16 (1, 7), sqrt2 cos pi/8
// (2, 6), sqrt2 cos 3pi/16 (3, 5).
constexpr int16_t kRowBases[4][7] = {{16384, 21407, 8867, 22725, 19266, 12873, 4520},
                                     {22725, 29692, 12299, 31521, 26722, 17855, 6270},
                                     {21407, 27969, 11585, 29692, 25172, 16819, 5906},
                                     {19266, 25172, 10426, 26722, 22654, 15137, 5315}};
constexpr int kBaseOfRow[8] = {0, 1, 2, 3, 0, 3, 2, 1};

// Eight multiply-add groups of four lanes; entry +-(k + 1) stands for +-B_k.
using GroupPattern = int8_t[8][4];
// Forward rows take the pairs (s0, s1, d0, d1) and (s2, s3, d2, d3) of sums
// and differences of mirrored samples and give (F0, F1) .. (F6, F7).
constexpr GroupPattern kForwardPattern = {{1, 1, 4, 5},   {1, 1, 6, 7},  {2, 3, 5, -7},  {-3, -2, -4, -6},
                                          {1, -1, 6, -4}, {-1, 1, 7, 5}, {3, -2, 7, -6}, {2, -3, 5, -4}};
// Inverse rows take (x0, x4, x0, x4), (x2, x6, ..), (x1, x5, ..), (x3, x7, ..)
// and give the even terms of outputs (0, 1), (2, 3) and the odd ones.
constexpr GroupPattern kInversePattern = {{1, 1, 1, -1}, {2, 3, 3, -2},  {1, -1, 1, 1}, {-3, 2, -2, -3},
                                          {4, 6, 5, -4}, {5, 7, -7, -6}, {6, 7, 7, 5},  {-4, 5, -6, -4}};

// One row's groups, each repeated to fill a register of Lanes lanes.
template <int Lanes>
struct RowTable {
    alignas(16) int16_t groups[8][Lanes];
};

template <int Lanes>
struct RowTables {
    RowTable<Lanes> forward[4], inverse[4];
};

constexpr int16_t patternEntry(const int16_t* bases, int8_t code)
{
    return static_cast<int16_t>(code > 0 ? bases[code - 1] : -bases[-code - 1]);
}

template <int Lanes>
constexpr RowTables<Lanes> buildRowTables()
{
    RowTables<Lanes> tables{};
    for (int base = 0; base < 4; ++base)
        for (int group = 0; group < 8; ++group)
            for (int lane = 0; lane < Lanes; ++lane) {
                tables.forward[base].groups[group][lane] =
                    patternEntry(kRowBases[base], kForwardPattern[group][lane % 4]);
                tables.inverse[base].groups[group][lane] =
                    patternEntry(kRowBases[base], kInversePattern[group][lane % 4]);
            }
    return tables;
}
constexpr RowTables<4> kNarrowTables = buildRowTables<4>();
constexpr RowTables<8> kWideTables = buildRowTables<8>();

// ---- Constants of the lane-parallel passes ----------------------------
// High products: floor(a * K / 65536).
enum : int16_t {
    kTan1 = 13036,                // tan(pi/16) * 2^16
    kTan2 = 27146,                // tan(pi/8) * 2^16
    kTan3Less1 = -21746,          // tan(3pi/16) * 2^16 - 2^16, applied as v + product
    kCos4Half = 23170,            // cos(pi/4) * 2^15, on inputs scaled by 16
    kCos4Less1 = -19195,          // sqrt2 * 2^15 - 2^16 (= cos(pi/4) as v + product)
    kFastIdctSqrt2 = 23040,       // x 1.40625 after << 2
    kFastIdctMinus2613 = -21408,  // x -2.61328125 after << 3
    kFastIdct1082 = 17728,        // x 1.08203125 after << 2
    kFastIdct1848 = 30272,        // x 1.84765625 after << 2
    kFastFdct0707 = 23168,        // x 0.70703125 after << 1
    kFastFdct0383 = 25088,        // x 0.3828125
    kFastFdct0541 = 17792,        // x 0.54296875 after << 1
    kFastFdct1307 = 21376,        // x 1.3046875 after << 2
};

template <class O>
ANY_INLINE typename O::V product(typename O::V v, int preShift, int16_t k)
{
    return O::mulhi(preShift ? O::shiftLeft(v, preShift) : v, O::splat(k));
}

// ---- Accurate inverse: tangent column pass ----------------------------
// y0..y7 are the row pass's outputs of one column (row k at y[k]); the
// results are samples 0..255, row k at y[k].
template <class O>
ANY_INLINE void inverseColumns(typename O::V* y)
{
    using V = typename O::V;
    const auto times = [](V v, int16_t k) { return O::mulhi(v, O::splat(k)); };
    const auto cos4 = [&](V v) { return O::adds(v, times(v, kCos4Less1)); };
    const V tp17 = O::adds(y[1], times(y[7], kTan1)), tm17 = O::subs(times(y[1], kTan1), y[7]);
    const V tp35 = O::adds(y[3], O::adds(y[5], times(y[5], kTan3Less1)));
    const V tm35 = O::subs(O::adds(y[3], times(y[3], kTan3Less1)), y[5]);
    const V b1 = O::subs(tp17, tp35), b2 = O::adds(tm17, tm35);
    const V odd[4] = {O::adds(tp17, tp35), cos4(O::adds(b1, b2)), cos4(O::subs(b1, b2)), O::subs(tm17, tm35)};
    const V tp26 = O::adds(y[2], times(y[6], kTan2)), tm26 = O::subs(times(y[2], kTan2), y[6]);
    const V tp04 = O::adds(y[0], y[4]), tm04 = O::subs(y[0], y[4]);
    const V even[4] = {O::adds(tp04, tp26), O::adds(tm04, tm26), O::subs(tm04, tm26), O::subs(tp04, tp26)};
    const V level = O::splat(128);
    for (int m = 0; m < 4; ++m) {
        V first = O::shiftRight(O::adds(O::adds(even[m], O::splat(16)), odd[m]), 5);
        V last = O::shiftRight(O::subs(O::adds(even[m], O::splat(15)), odd[m]), 5);
        first = O::adds(first, level);
        last = O::adds(last, level);
        O::clampBytes(&first, &last);
        y[m] = first;
        y[7 - m] = last;
    }
}

// ---- Accurate forward: tangent column pass ----------------------------
// x0..x7 are the level-shifted samples of one column; the results are the
// column transform of each row k, scaled by 8, at x[k].
template <class O>
ANY_INLINE void forwardColumns(typename O::V* x)
{
    using V = typename O::V;
    const auto times = [](V v, int16_t k) { return O::mulhi(v, O::splat(k)); };
    const auto eight = [](V v) { return O::shiftLeft(v, 3); };
    const V s07 = eight(O::adds(x[0], x[7])), s16 = eight(O::adds(x[1], x[6]));
    const V s25 = eight(O::adds(x[2], x[5])), s34 = eight(O::adds(x[3], x[4]));
    const V d07 = eight(O::subs(x[0], x[7])), d34 = eight(O::subs(x[3], x[4]));
    const V d16 = O::shiftLeft(O::subs(x[1], x[6]), 4), d25 = O::shiftLeft(O::subs(x[2], x[5]), 4);
    const V outer = O::adds(s07, s34), inner = O::adds(s16, s25);
    const V e = O::subs(s07, s34), f = O::subs(s16, s25);
    const V q = times(O::adds(d16, d25), kCos4Half), r = times(O::subs(d16, d25), kCos4Half);
    const V p17 = O::adds(d07, q), p35 = O::subs(d07, q), m17 = O::adds(d34, r), m35 = O::subs(r, d34);
    // The truncating products lean low; a forced low bit on the odd outputs
    // evens that out.
    const V one = O::splat(1);
    x[0] = O::adds(outer, inner);
    x[4] = O::subs(outer, inner);
    x[2] = O::adds(e, times(f, kTan2));
    x[6] = O::subs(times(e, kTan2), f);
    x[1] = O::bitOr(O::adds(p17, times(m17, kTan1)), one);
    x[7] = O::bitOr(O::subs(times(p17, kTan1), m17), one);
    x[3] = O::bitOr(O::adds(p35, O::adds(m35, times(m35, kTan3Less1))), one);
    x[5] = O::bitOr(O::subs(O::adds(p35, times(p35, kTan3Less1)), m35), one);
}

// ---- Fast (AAN) butterflies on lane vectors ---------------------------
template <class O>
ANY_INLINE void fastInverseButterfly(typename O::V* x)
{
    using V = typename O::V;
    const V z13 = O::add(x[5], x[3]), z10 = O::sub(x[5], x[3]);
    const V z11 = O::add(x[1], x[7]), z12 = O::sub(x[1], x[7]);
    const V t7 = O::add(z11, z13);
    const V t11 = product<O>(O::sub(z11, z13), 2, kFastIdctSqrt2);
    const V z5 = product<O>(O::add(z10, z12), 2, kFastIdct1848);
    const V t10 = O::sub(product<O>(z12, 2, kFastIdct1082), z5);
    const V t12 = O::add(product<O>(z10, 3, kFastIdctMinus2613), z5);
    const V t6 = O::sub(t12, t7), t5 = O::sub(t11, t6), t4 = O::add(t10, t5);
    const V p0 = O::add(x[0], x[4]), p1 = O::sub(x[0], x[4]), t13 = O::add(x[2], x[6]);
    const V t12e = O::sub(product<O>(O::sub(x[2], x[6]), 2, kFastIdctSqrt2), t13);
    const V e0 = O::add(p0, t13), e3 = O::sub(p0, t13), e1 = O::add(p1, t12e), e2 = O::sub(p1, t12e);
    x[0] = O::add(e0, t7);
    x[7] = O::sub(e0, t7);
    x[1] = O::add(e1, t6);
    x[6] = O::sub(e1, t6);
    x[2] = O::add(e2, t5);
    x[5] = O::sub(e2, t5);
    x[4] = O::add(e3, t4);
    x[3] = O::sub(e3, t4);
}

template <class O>
ANY_INLINE void fastForwardButterfly(typename O::V* x)
{
    using V = typename O::V;
    const V t0 = O::add(x[0], x[7]), t7 = O::sub(x[0], x[7]), t1 = O::add(x[1], x[6]), t6 = O::sub(x[1], x[6]);
    const V t2 = O::add(x[2], x[5]), t5 = O::sub(x[2], x[5]), t3 = O::add(x[3], x[4]), t4 = O::sub(x[3], x[4]);
    const V a = O::add(t0, t3), b = O::sub(t0, t3), c = O::add(t1, t2), d = O::sub(t1, t2);
    x[0] = O::add(a, c);
    x[4] = O::sub(a, c);
    const V z1 = product<O>(O::add(d, b), 1, kFastFdct0707);
    x[2] = O::add(b, z1);
    x[6] = O::sub(b, z1);
    const V u = O::add(t4, t5), v = O::add(t5, t6), w = O::add(t6, t7);
    const V z5 = product<O>(O::sub(u, w), 0, kFastFdct0383);
    const V z2 = O::add(product<O>(u, 1, kFastFdct0541), z5), z4 = O::add(product<O>(w, 2, kFastFdct1307), z5);
    const V z3 = product<O>(v, 1, kFastFdct0707);
    const V z11 = O::add(t7, z3), z13 = O::sub(t7, z3);
    x[5] = O::add(z13, z2);
    x[3] = O::sub(z13, z2);
    x[1] = O::add(z11, z4);
    x[7] = O::sub(z11, z4);
}
// ---- 64-bit block handling --------------------------------------------
// A block as 8 rows of two 4-lane halves.
struct Block64 {
    __m64 v[8][2];
};

MMX_INLINE Block64 loadBlock(const int16_t* block)
{
    Block64 b;
    for (int r = 0; r < 8; ++r)
        for (int h = 0; h < 2; ++h) b.v[r][h] = Lanes4::load(block + r * 8 + h * 4);
    return b;
}

MMX_INLINE void storeBlock(const Block64& b, int16_t* block)
{
    for (int r = 0; r < 8; ++r)
        for (int h = 0; h < 2; ++h) Lanes4::store(block + r * 8 + h * 4, b.v[r][h]);
}

MMX_INLINE void transpose4(const __m64* in, int inStep, __m64* out, int outStep)
{
    const __m64 t0 = _mm_unpacklo_pi16(in[0], in[inStep]), t1 = _mm_unpackhi_pi16(in[0], in[inStep]);
    const __m64 t2 = _mm_unpacklo_pi16(in[2 * inStep], in[3 * inStep]);
    const __m64 t3 = _mm_unpackhi_pi16(in[2 * inStep], in[3 * inStep]);
    out[0] = _mm_unpacklo_pi32(t0, t2);
    out[outStep] = _mm_unpackhi_pi32(t0, t2);
    out[2 * outStep] = _mm_unpacklo_pi32(t1, t3);
    out[3 * outStep] = _mm_unpackhi_pi32(t1, t3);
}

// The transpose as four 4x4 quarters: quarter (a, b) of the result is the
// transposed quarter (b, a).
MMX_INLINE Block64 transposed(const Block64& in)
{
    Block64 out;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) transpose4(&in.v[4 * b][a], 2, &out.v[4 * a][b], 2);
    return out;
}

template <void (*Butterfly)(__m64*)>
MMX_INLINE void columnsOf(Block64* b)
{
    for (int h = 0; h < 2; ++h) {
        __m64 x[8];
        for (int r = 0; r < 8; ++r) x[r] = b->v[r][h];
        Butterfly(x);
        for (int r = 0; r < 8; ++r) b->v[r][h] = x[r];
    }
}

MMX_INLINE void fastInverse64(__m64* x) { fastInverseButterfly<Lanes4>(x); }
MMX_INLINE void fastForward64(__m64* x) { fastForwardButterfly<Lanes4>(x); }
MMX_INLINE void inverseColumns64(__m64* x) { inverseColumns<Lanes4>(x); }
MMX_INLINE void forwardColumns64(__m64* x) { forwardColumns<Lanes4>(x); }

// x >> 4 without rounding, + 128 saturated, clamped to 0..255.
MMX_INLINE void fastOutputStage(Block64* b)
{
    const __m64 level = _mm_set1_pi16(128);
    for (int r = 0; r < 8; ++r) {
        __m64 low = _mm_adds_pi16(_mm_srai_pi16(b->v[r][0], 4), level);
        __m64 high = _mm_adds_pi16(_mm_srai_pi16(b->v[r][1], 4), level);
        Lanes4::clampBytes(&low, &high);
        b->v[r][0] = low;
        b->v[r][1] = high;
    }
}

// ---- 64-bit multiply-add row passes -----------------------------------
MMX_INLINE __m64 table64(const RowTable<4>& t, int group)
{
    __m64 v;
    std::memcpy(&v, t.groups[group], sizeof v);
    return v;
}

// (v.high, v.low) of two 32-bit lanes; class 5 uses the word shuffle.
template <bool kWordShuffle>
MMX_INLINE __m64 swapHalves(__m64 v)
{
    if constexpr (kWordShuffle) return _mm_shuffle_pi16(v, 0x4E);
    return _mm_unpacklo_pi32(_mm_unpackhi_pi32(v, v), v);
}

MMX_INLINE __m64 roundShift32(__m64 v, int32_t round, int shift)
{
    return _mm_srai_pi32(_mm_add_pi32(v, _mm_set1_pi32(round)), shift);
}

MMX_INLINE __m64 maddPair(__m64 a, __m64 ga, __m64 b, __m64 gb)
{
    return _mm_add_pi32(_mm_madd_pi16(a, ga), _mm_madd_pi16(b, gb));
}

template <bool kWordShuffle>
MMX_INLINE void inverseRow64(int16_t* row, const RowTable<4>& t)
{
    const __m64 low = Lanes4::load(row), high = Lanes4::load(row + 4);
    const __m64 x0415 = _mm_unpacklo_pi16(low, high), x2637 = _mm_unpackhi_pi16(low, high);
    __m64 x04, x15, x26, x37;
    if constexpr (kWordShuffle) {
        x04 = _mm_shuffle_pi16(x0415, 0x44);
        x15 = _mm_shuffle_pi16(x0415, 0xEE);
        x26 = _mm_shuffle_pi16(x2637, 0x44);
        x37 = _mm_shuffle_pi16(x2637, 0xEE);
    } else {
        x04 = _mm_unpacklo_pi32(x0415, x0415);
        x15 = _mm_unpackhi_pi32(x0415, x0415);
        x26 = _mm_unpacklo_pi32(x2637, x2637);
        x37 = _mm_unpackhi_pi32(x2637, x2637);
    }
    const __m64 e01 = maddPair(x04, table64(t, 0), x26, table64(t, 1));
    const __m64 e23 = maddPair(x04, table64(t, 2), x26, table64(t, 3));
    const __m64 o01 = maddPair(x15, table64(t, 4), x37, table64(t, 5));
    const __m64 o23 = maddPair(x15, table64(t, 6), x37, table64(t, 7));
    const auto out = [](__m64 v) { return roundShift32(v, 2048, 12); };
    Lanes4::store(row, _mm_packs_pi32(out(_mm_add_pi32(e01, o01)), out(_mm_add_pi32(e23, o23))));
    const __m64 d54 = out(_mm_sub_pi32(e23, o23)), d76 = out(_mm_sub_pi32(e01, o01));
    Lanes4::store(row + 4, _mm_packs_pi32(swapHalves<kWordShuffle>(d54), swapHalves<kWordShuffle>(d76)));
}

template <bool kWordShuffle>
MMX_INLINE void forwardRow64(int16_t* row, const RowTable<4>& t)
{
    const __m64 low = Lanes4::load(row), high = Lanes4::load(row + 4);
    __m64 mirrored;  // z7, z6, z5, z4
    if constexpr (kWordShuffle) {
        mirrored = _mm_shuffle_pi16(high, 0x1B);
    } else {
        const __m64 pairsSwapped = _mm_or_si64(_mm_slli_pi32(high, 16), _mm_srli_pi32(high, 16));
        mirrored = _mm_unpacklo_pi32(_mm_unpackhi_pi32(pairsSwapped, pairsSwapped), pairsSwapped);
    }
    const __m64 sums = _mm_add_pi16(low, mirrored), differences = _mm_sub_pi16(low, mirrored);
    const __m64 a = _mm_unpacklo_pi32(sums, differences), b = _mm_unpackhi_pi32(sums, differences);
    const auto out = [&](int group) {
        return roundShift32(maddPair(a, table64(t, group), b, table64(t, group + 1)), 1 << 19, 20);
    };
    Lanes4::store(row, _mm_packs_pi32(out(0), out(2)));
    Lanes4::store(row + 4, _mm_packs_pi32(out(4), out(6)));
}

template <bool kWordShuffle>
MMX_INLINE void inverseDctAccurate64(int16_t* block)
{
    const int rows = Lanes4::laterRowsZero(block) ? 2 : 8;
    for (int r = 0; r < rows; ++r) inverseRow64<kWordShuffle>(block + r * 8, kNarrowTables.inverse[kBaseOfRow[r]]);
    Block64 b = loadBlock(block);
    columnsOf<inverseColumns64>(&b);
    storeBlock(b, block);
}

template <bool kWordShuffle>
MMX_INLINE void forwardDctAccurate64(int16_t* block)
{
    Block64 b = loadBlock(block);
    columnsOf<forwardColumns64>(&b);
    storeBlock(b, block);
    for (int r = 0; r < 8; ++r) forwardRow64<kWordShuffle>(block + r * 8, kNarrowTables.forward[kBaseOfRow[r]]);
}

}  // namespace transformpasses

#endif

#endif
