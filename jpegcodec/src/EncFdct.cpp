#include "EncFdct.h"

namespace {
// One pass of the accurate transform over 8 values at stride `step`. The row
// pass keeps a factor 8 (shift 12 of Q15 products); the column pass removes
// it together with the transform's own factor (shift 21, and 6 for the even
// terms that were not multiplied).
template <typename In, typename Out>
void accuratePass(const In* in, Out* out, int step, int evenShift, int oddShift)
{
    const int32_t x0 = in[0], x1 = in[step], x2 = in[2 * step], x3 = in[3 * step];
    const int32_t x4 = in[4 * step], x5 = in[5 * step], x6 = in[6 * step], x7 = in[7 * step];
    const int32_t s07 = x0 + x7, d07 = x0 - x7, s16 = x1 + x6, d16 = x1 - x6;
    const int32_t s25 = x2 + x5, d25 = x2 - x5, s34 = x3 + x4, d34 = x3 - x4;
    const int32_t e0 = s07 + s34, e3 = s07 - s34, e1 = s16 + s25, e2 = s16 - s25;
    const int32_t round = 1 << (oddShift - 1);
    if (evenShift == 0) {
        out[0] = static_cast<Out>((e0 + e1) * 8);
        out[4 * step] = static_cast<Out>((e0 - e1) * 8);
    } else {
        out[0] = static_cast<Out>((e0 + e1 + (1 << (evenShift - 1))) >> evenShift);
        out[4 * step] = static_cast<Out>((e0 - e1 + (1 << (evenShift - 1))) >> evenShift);
    }
    out[2 * step] = static_cast<Out>((e3 * 42813 + e2 * 17734 + round) >> oddShift);
    out[6 * step] = static_cast<Out>((e3 * 17734 - e2 * 42813 + round) >> oddShift);
    const int32_t p = (d16 - d25) * 8, q = (d16 + d25) * 8;
    const int32_t r = (d07 * 46341 + 2048) >> 12, t = (d34 * 46341 + 2048) >> 12;
    const int32_t a = r + q, b = r - q, c = t + p, d = t - p;
    out[step] = static_cast<Out>((a * 4017 + c * 799 + round) >> oddShift);
    out[7 * step] = static_cast<Out>((a * 799 - c * 4017 + round) >> oddShift);
    out[5 * step] = static_cast<Out>((b * 2276 + d * 3406 + round) >> oddShift);
    out[3 * step] = static_cast<Out>((b * 3406 - d * 2276 + round) >> oddShift);
}

inline int32_t mulQ15(int32_t v, int32_t k) { return (v * k + 16384) >> 15; }

template <typename In, typename Out>
void fastPass(const In* in, Out* out, int step)
{
    const int32_t x0 = in[0], x1 = in[step], x2 = in[2 * step], x3 = in[3 * step];
    const int32_t x4 = in[4 * step], x5 = in[5 * step], x6 = in[6 * step], x7 = in[7 * step];
    const int32_t t0 = x0 + x7, t7 = x0 - x7, t1 = x1 + x6, t6 = x1 - x6;
    const int32_t t2 = x2 + x5, t5 = x2 - x5, t3 = x3 + x4, t4 = x3 - x4;
    const int32_t a = t0 + t3, b = t0 - t3, c = t1 + t2, d = t1 - t2;
    out[0] = static_cast<Out>(a + c);
    out[4 * step] = static_cast<Out>(a - c);
    const int32_t z1 = mulQ15(d + b, 23170);
    out[2 * step] = static_cast<Out>(b + z1);
    out[6 * step] = static_cast<Out>(b - z1);
    const int32_t u = t4 + t5, v = t5 + t6, w = t6 + t7;
    const int32_t z5 = mulQ15(u - w, 12540);
    const int32_t z2 = mulQ15(u, 17734) + z5, z4 = mulQ15(w, 42813) + z5, z3 = mulQ15(v, 23170);
    const int32_t z11 = t7 + z3, z13 = t7 - z3;
    out[5 * step] = static_cast<Out>(z13 + z2);
    out[3 * step] = static_cast<Out>(z13 - z2);
    out[step] = static_cast<Out>(z11 + z4);
    out[7 * step] = static_cast<Out>(z11 - z4);
}
}  // namespace

void forwardDctAccurate(int16_t* block)
{
    int32_t rows[64];
    for (int row = 0; row < 8; ++row) accuratePass(block + 8 * row, rows + 8 * row, 1, 0, 12);
    for (int column = 0; column < 8; ++column) accuratePass(rows + column, block + column, 8, 6, 21);
}

void forwardDctFast(int16_t* block)
{
    alignas(32) int32_t rows[64];
    for (int row = 0; row < 8; ++row) fastPass(block + 8 * row, rows + 8 * row, 1);
    for (int column = 0; column < 8; ++column) fastPass(rows + column, block + column, 8);
}

void quantizeAccurate(int16_t* block, const uint16_t* table)
{
    for (int i = 0; i < 64; ++i)
        block[i] = static_cast<int16_t>((block[i] * static_cast<int32_t>(table[i]) + 16384) >> 15);
}

void quantizeFast(int16_t* block, const uint16_t* table)
{
    for (int i = 0; i < 64; ++i)
        block[i] =
            static_cast<int16_t>((block[i] * static_cast<int32_t>(static_cast<int16_t>(table[i])) + 16384) >> 15);
}
