#include "InverseDct.h"

#include <cmath>

#include "Zigzag.h"

namespace {
// 32-bit arithmetic that wraps on overflow as the processor's does, instead
// of being undefined: corrupt coefficients give wrong samples, never a fault,
// and 32-bit targets keep single-word multiplications.
struct Fixed {
    uint32_t bits;
    constexpr Fixed(int32_t v = 0) : bits(static_cast<uint32_t>(v)) {}
    constexpr int32_t value() const { return static_cast<int32_t>(bits); }
};
inline Fixed wrap(uint32_t bits) { return Fixed(static_cast<int32_t>(bits)); }
inline Fixed operator+(Fixed a, Fixed b) { return wrap(a.bits + b.bits); }
inline Fixed operator-(Fixed a, Fixed b) { return wrap(a.bits - b.bits); }
inline Fixed operator-(Fixed a) { return wrap(0u - a.bits); }
inline Fixed operator*(Fixed a, Fixed b) { return wrap(a.bits * b.bits); }
inline Fixed operator>>(Fixed a, int shift) { return Fixed(a.value() >> shift); }
inline bool isZero(Fixed a) { return a.bits == 0; }

inline int16_t clampSample(Fixed f)
{
    const int32_t v = f.value();
    return static_cast<int16_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}
inline Fixed mul(Fixed v, int32_t k) { return (v * k + 16384) >> 15; }
constexpr double kPi = 3.14159265358979323846;

// AAN scale factor a(u)a(v)/8 of a natural index.
double aanScale(int natural)
{
    auto a = [](int k) { return k == 0 ? 1.0 : std::sqrt(2.0) * std::cos(k * kPi / 16.0); };
    return a(natural / 8) * a(natural % 8) / 8.0;
}

// One 1-D pass of the fast transform over x0..x7.
void fastButterfly(const Fixed* x, Fixed* out)
{
    const Fixed a = x[5] + x[3], b = x[1] + x[7], w = x[1] - x[7], d = x[5] - x[3];
    const Fixed e = mul(d - w, 25080), f = -(a + b);
    const Fixed g = mul(w, 35468) - e + f;
    const Fixed h = mul(b - a, 46341) - g;
    const Fixed j = e - mul(d, 85627) + h;
    const Fixed i = x[0] + x[4], k = x[0] - x[4], l = x[2] + x[6], m = mul(x[2] - x[6], 46341);
    const Fixed n = i + l, p = i - l, q = (m - l) + k, r = k - (m - l);
    out[0] = n - f;
    out[1] = q + g;
    out[2] = r + h;
    out[3] = p - j;
    out[4] = p + j;
    out[5] = r - h;
    out[6] = q - g;
    out[7] = n + f;
}

// One 1-D pass of the accurate transform over x0..x7 (outputs in Q15).
void accurateButterfly(const Fixed* x, Fixed* out)
{
    const Fixed a1 = x[1] * 32138 + x[7] * 6393, a2 = x[1] * 6393 - x[7] * 32138;
    const Fixed b1 = x[5] * 18205 + x[3] * 27246, b2 = x[5] * 27246 - x[3] * 18205;
    const Fixed s1 = ((a1 + b1 + 2048) >> 12) * 5793, s2 = ((a2 + b2 + 2048) >> 12) * 5793;
    const Fixed g = (a1 - b1) + (a2 - b2), f = (a1 - b1) - (a2 - b2);
    const Fixed e0 = (x[0] + x[4]) * 32768, e1 = (x[0] - x[4]) * 32768;
    const Fixed h = x[2] * 42813 + x[6] * 17734, k = x[2] * 17734 - x[6] * 42813;
    const Fixed t0 = e0 + h, t3 = e0 - h, t1 = e1 + k, t2 = e1 - k;
    out[0] = t0 + s1;
    out[1] = t1 + g;
    out[2] = t2 + f;
    out[3] = t3 + s2;
    out[4] = t3 - s2;
    out[5] = t2 - f;
    out[6] = t1 - g;
    out[7] = t0 - s1;
}

// Gathers column c (stride 8) or row c (stride 1) of a block.
template <typename T>
void gather(const T* block, int start, int step, Fixed* x)
{
    for (int i = 0; i < 8; ++i) x[i] = block[start + i * step];
}

bool oddAndSecondZero(const Fixed* x, bool withTwoAndSix)
{
    return isZero(x[1]) && isZero(x[3]) && isZero(x[5]) && isZero(x[7]) &&
           (!withTwoAndSix || (isZero(x[2]) && isZero(x[6])));
}

// Reduced 4-point accurate transform of one line (Q13 constants).
void accurateHalfLine(const Fixed* x, Fixed* out)
{
    const Fixed e = x[0] * 16384;
    const Fixed h = x[2] * 15137 - x[6] * 6270;
    const Fixed t0 = e + h, t1 = e - h;
    const Fixed o0 = x[1] * 20995 + x[3] * 7373 - x[5] * 4926 - x[7] * 4176;
    const Fixed o1 = x[1] * 8697 - x[3] * 17799 + x[5] * 11893 - x[7] * 1730;
    out[0] = t0 + o0;
    out[1] = t1 + o1;
    out[2] = t1 - o1;
    out[3] = t0 - o0;
}

Fixed accurateQuarterOdd(const Fixed* x) { return x[1] * 29692 - x[3] * 10426 + x[5] * 6967 - x[7] * 5906; }

Fixed fastHalfTerm(const Fixed* x)
{
    const Fixed t = mul(x[2] - x[6], 46341);
    return Fixed(t.value() / 2);  // halved toward zero
}

void fastHalfLine(const Fixed* x, Fixed* out)
{
    const Fixed t = fastHalfTerm(x);
    const Fixed e0 = x[0] + t, e1 = x[0] - t;
    const Fixed p = ((x[5] - x[3]) * -25080 + (x[1] - x[7]) * 60548 + 32768) >> 16;
    const Fixed q = ((x[5] - x[3]) * 60547 + (x[1] - x[7]) * 25080 + 32768) >> 16;
    out[0] = e0 + p;
    out[1] = e1 + q;
    out[2] = e1 - q;
    out[3] = e0 - p;
}

Fixed fastQuarterOdd(const Fixed* x) { return ((x[1] - x[7]) * 85627 + (x[5] - x[3]) * 35468 + 65536) >> 17; }

// Columns a transform needs: all but 4 for 4x4, odd ones and 0 for 2x2.
constexpr int kAllColumns[] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr int kHalfColumns[] = {0, 1, 2, 3, 5, 6, 7};
constexpr int kQuarterColumns[] = {0, 1, 3, 5, 7};

// The fast family's two passes: columns kept as 16-bit values in place,
// then rows into kOutputs clamped samples each.
template <int kOutputs, size_t N>
void fastTwoPass(int16_t* block, const int (&columns)[N], void (*line)(const Fixed*, Fixed*))
{
    Fixed x[8], out[8];
    for (int c : columns) {
        gather(block, c, 8, x);
        line(x, out);
        for (int i = 0; i < kOutputs; ++i) block[i * 8 + c] = static_cast<int16_t>(out[i].value());
    }
    for (int r = 0; r < kOutputs; ++r) {
        gather(block, r * 8, 1, x);
        line(x, out);
        for (int i = 0; i < kOutputs; ++i) block[r * 8 + i] = clampSample(((out[i] + 8) >> 4) + 128);
    }
}

// Puts 64 entries given in zig-zag order into natural order, each through
// `entry` (its natural index and value), and clears the guard after them.
template <typename Entry>
void toNaturalOrder(int32_t* table, Entry entry)
{
    int32_t zigzag[64];
    for (int k = 0; k < 64; ++k) zigzag[k] = table[k];
    for (int k = 0; k < 64; ++k) table[zigzagToNatural[k]] = entry(zigzagToNatural[k], zigzag[k]);
    for (int k = 64; k < 72; ++k) table[k] = 0;
}
}  // namespace

void buildFastDequantTable(int32_t* table)
{
    toNaturalOrder(table, [](int natural, int32_t q) {
        return static_cast<int32_t>(q * aanScale(natural) * 0.0625 * 32768.0 + 0.5);
    });
}

void reorderDequantTable(int32_t* table)
{
    toNaturalOrder(table, [](int, int32_t q) { return q; });
}

void dequantizeFast(int16_t* block, const int32_t* table)
{
    for (int i = 0; i < 64; ++i) block[i] = static_cast<int16_t>((int64_t{block[i]} * table[i] + 64) >> 7);
}

void dequantizeAccurate(int16_t* block, const int32_t* table)
{
    for (int i = 0; i < 64; ++i) block[i] = static_cast<int16_t>(int64_t{block[i]} * table[i]);
}

void inverseDctFast(int16_t* block) { fastTwoPass<8>(block, kAllColumns, fastButterfly); }

void inverseDctFastHalf(int16_t* block) { fastTwoPass<4>(block, kHalfColumns, fastHalfLine); }

void inverseDctFastQuarter(int16_t* block)
{
    Fixed x[8];
    for (int c : kQuarterColumns) {
        gather(block, c, 8, x);
        const Fixed w = fastQuarterOdd(x);
        block[c] = static_cast<int16_t>((x[0] + w).value());
        block[8 + c] = static_cast<int16_t>((x[0] - w).value());
    }
    for (int r = 0; r < 2; ++r) {
        gather(block, r * 8, 1, x);
        const Fixed w = fastQuarterOdd(x);
        block[r * 8] = clampSample(((x[0] + w + 8) >> 4) + 128);
        block[r * 8 + 1] = clampSample(((x[0] - w + 8) >> 4) + 128);
    }
}

void inverseDctFastEighth(int16_t* block) { block[0] = clampSample(((Fixed{block[0]} + 8) >> 4) + 128); }

void inverseDctAccurate(int16_t* block)
{
    Fixed work[64], x[8], out[8];
    for (int r = 0; r < 8; ++r) {
        gather(block, r * 8, 1, x);
        if (isZero(x[4]) && oddAndSecondZero(x, true)) {
            // A row with only its first coefficient (most rows): every output is x0 * 8.
            for (int i = 0; i < 8; ++i) work[r * 8 + i] = x[0] * 8;
            continue;
        }
        accurateButterfly(x, out);
        for (int i = 0; i < 8; ++i) work[r * 8 + i] = (out[i] + 2048) >> 12;
    }
    for (int c = 0; c < 8; ++c) {
        gather(work, c, 8, x);
        accurateButterfly(x, out);
        for (int i = 0; i < 8; ++i) block[i * 8 + c] = clampSample(((out[i] + (1 << 20)) >> 21) + 128);
    }
}

void inverseDctAccurateHalf(int16_t* block)
{
    Fixed work[4][8] = {}, x[8], out[4];
    for (int c : kHalfColumns) {
        gather(block, c, 8, x);
        if (oddAndSecondZero(x, true)) {
            for (int i = 0; i < 4; ++i) work[i][c] = x[0] * 4;
            continue;
        }
        accurateHalfLine(x, out);
        for (int i = 0; i < 4; ++i) work[i][c] = (out[i] + 2048) >> 12;
    }
    for (int r = 0; r < 4; ++r) {
        const Fixed* w = work[r];
        if (oddAndSecondZero(w, true)) {
            const int16_t dc = clampSample(((w[0] + 16) >> 5) + 128);
            for (int i = 0; i < 4; ++i) block[r * 8 + i] = dc;
            continue;
        }
        accurateHalfLine(w, out);
        for (int i = 0; i < 4; ++i) block[r * 8 + i] = clampSample(((out[i] + (1 << 18)) >> 19) + 128);
    }
}

void inverseDctAccurateQuarter(int16_t* block)
{
    Fixed work[2][8] = {}, x[8];
    for (int c : kQuarterColumns) {
        gather(block, c, 8, x);
        if (oddAndSecondZero(x, false)) {
            work[0][c] = work[1][c] = x[0] * 4;
            continue;
        }
        const Fixed e = x[0] * 32768, o = accurateQuarterOdd(x);
        work[0][c] = (e + o + 4096) >> 13;
        work[1][c] = (e - o + 4096) >> 13;
    }
    for (int r = 0; r < 2; ++r) {
        const Fixed* w = work[r];
        if (oddAndSecondZero(w, false)) {
            block[r * 8] = block[r * 8 + 1] = clampSample(((w[0] + 16) >> 5) + 128);
            continue;
        }
        const Fixed e = w[0] * 32768, o = accurateQuarterOdd(w);
        block[r * 8] = clampSample(((e + o + (1 << 19)) >> 20) + 128);
        block[r * 8 + 1] = clampSample(((e - o + (1 << 19)) >> 20) + 128);
    }
}

void inverseDctAccurateEighth(int16_t* block) { block[0] = clampSample(((Fixed{block[0]} + 4) >> 3) + 128); }

void storeSamples(const int16_t* block, uint8_t* destination, int32_t stride)
{
    for (int32_t r = 0; r < 8; ++r, destination += stride)
        for (int32_t c = 0; c < 8; ++c) destination[c] = static_cast<uint8_t>(block[r * 8 + c]);
}
