#include "InverseDct.h"

namespace kjpeg {
namespace {

// Sums and products wrap in 32 bits instead of being undefined: hostile
// coefficients give wrong samples, never a fault. Frames within the range of
// 8-bit samples never wrap.
using Word = uint32_t;

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;

constexpr Word Fix(int32_t k) { return static_cast<Word>(k); }
constexpr Word kFix0_298631336 = Fix(2446);
constexpr Word kFix0_390180644 = Fix(3196);
constexpr Word kFix0_541196100 = Fix(4433);
constexpr Word kFix0_765366865 = Fix(6270);
constexpr Word kFix0_899976223 = Fix(7373);
constexpr Word kFix1_175875602 = Fix(9633);
constexpr Word kFix1_501321110 = Fix(12299);
constexpr Word kFix1_847759065 = Fix(15137);
constexpr Word kFix1_961570560 = Fix(16069);
constexpr Word kFix2_053119869 = Fix(16819);
constexpr Word kFix2_562915447 = Fix(20995);
constexpr Word kFix3_072711026 = Fix(25172);

inline int32_t Descale(Word x, int bits) { return static_cast<int32_t>(x + (Word{1} << (bits - 1))) >> bits; }

inline uint8_t Sample(int32_t value)
{
    value += 128;
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// One 1-D transform of x[0], x[step], ... x[7 step]; results before
// descaling, in the order out[0..7].
struct Butterfly {
    Word even0, even1, even2, even3;  // tmp10, tmp11, tmp12, tmp13
    Word odd0, odd1, odd2, odd3;      // tmp3, tmp2, tmp1, tmp0

    Butterfly(Word x0, Word x1, Word x2, Word x3, Word x4, Word x5, Word x6, Word x7)
    {
        Word z1 = (x2 + x6) * kFix0_541196100;
        const Word t2 = z1 - x6 * kFix1_847759065;
        const Word t3 = z1 + x2 * kFix0_765366865;
        const Word t0 = (x0 + x4) << kConstBits;
        const Word t1 = (x0 - x4) << kConstBits;
        even0 = t0 + t3;
        even3 = t0 - t3;
        even1 = t1 + t2;
        even2 = t1 - t2;

        z1 = x7 + x1;
        Word z2 = x5 + x3;
        Word z3 = x7 + x3;
        Word z4 = x5 + x1;
        const Word z5 = (z3 + z4) * kFix1_175875602;
        Word a0 = x7 * kFix0_298631336;
        Word a1 = x5 * kFix2_053119869;
        Word a2 = x3 * kFix3_072711026;
        Word a3 = x1 * kFix1_501321110;
        z1 = 0 - z1 * kFix0_899976223;
        z2 = 0 - z2 * kFix2_562915447;
        z3 = z5 - z3 * kFix1_961570560;
        z4 = z5 - z4 * kFix0_390180644;
        a0 += z1 + z3;
        a1 += z2 + z4;
        a2 += z2 + z3;
        a3 += z1 + z4;
        odd0 = a3;
        odd1 = a2;
        odd2 = a1;
        odd3 = a0;
    }

    template <typename Store>
    void Emit(Store store) const
    {
        store(0, even0 + odd0);
        store(7, even0 - odd0);
        store(1, even1 + odd1);
        store(6, even1 - odd1);
        store(2, even2 + odd2);
        store(5, even2 - odd2);
        store(3, even3 + odd3);
        store(4, even3 - odd3);
    }
};

}  // namespace

void InverseDct(const int16_t* coefficients, const uint16_t* quant, uint8_t* out, size_t stride)
{
    int32_t workspace[64];
    for (int column = 0; column < 8; ++column) {
        const int16_t* in = coefficients + column;
        const uint16_t* q = quant + column;
        auto dequantised = [&](int row) { return static_cast<Word>(int32_t{in[row * 8]} * int32_t{q[row * 8]}); };
        int32_t* ws = workspace + column;
        if ((in[8] | in[16] | in[24] | in[32] | in[40] | in[48] | in[56]) == 0) {
            const int32_t dc = static_cast<int32_t>(dequantised(0) << kPass1Bits);
            for (int row = 0; row < 8; ++row) ws[row * 8] = dc;
            continue;
        }
        const Butterfly b(dequantised(0), dequantised(1), dequantised(2), dequantised(3), dequantised(4),
                          dequantised(5), dequantised(6), dequantised(7));
        b.Emit([&](int row, Word v) { ws[row * 8] = Descale(v, kConstBits - kPass1Bits); });
    }
    for (int row = 0; row < 8; ++row) {
        const int32_t* ws = workspace + row * 8;
        uint8_t* line = out + row * stride;
        auto w = [&](int i) { return static_cast<Word>(ws[i]); };
        const Butterfly b(w(0), w(1), w(2), w(3), w(4), w(5), w(6), w(7));
        b.Emit([&](int column, Word v) { line[column] = Sample(Descale(v, kConstBits + kPass1Bits + 3)); });
    }
}

void InverseDctDcOnly(int16_t dc, uint16_t quant, uint8_t* out, size_t stride)
{
    // What both passes of InverseDct make of a lone DC term.
    const Word first = static_cast<Word>(int32_t{dc} * int32_t{quant}) << kPass1Bits;
    const uint8_t value = Sample(Descale(first << kConstBits, kConstBits + kPass1Bits + 3));
    for (int row = 0; row < 8; ++row) __builtin_memset(out + row * stride, value, 8);
}

}  // namespace kjpeg
