// 64-bit vector bodies of the decoder's colour output and of the packed
// 4:2:2 input and output, eight pixels per step. The red and blue terms come
// from one high product each and are offset after the shift, so they can be
// one lower than the portable terms; green equals the portable term for
// every chroma pair.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include "SimdColorRows.h"

#define MMX_BODY __attribute__((target("mmx")))

namespace {
using namespace colourrows;

template <int kChromaShift, class Layout>
MMX_BODY void decodeThree(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count)
{
    decodeRow<kChromaShift, Layout, false>(y, cb, cr, nullptr, out, count);
}

// Rows that share their chroma convert it once for both.
template <class Layout>
MMX_BODY void decodeThreePair(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr,
                              uint8_t* outTop, uint8_t* outBottom, int32_t count)
{
    decodeRows<1, Layout, false, 2>({yTop, yBottom}, cb, cr, nullptr, {outTop, outBottom}, count);
}

template <int kChromaShift>
MMX_BODY void decodeYcck(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* k, uint8_t* out,
                         int32_t count)
{
    decodeRow<kChromaShift, CmykBytes, false>(y, cb, cr, k, out, count);
}

MMX_BODY void copyGreyRow(const uint8_t* samples, uint8_t* out, int32_t count)
{
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) store8(out + x, load8(samples + x));
    for (; x < count; ++x) out[x] = samples[x];
}

// Y Cb Y Cr pairs from luma and half-width chroma.
MMX_BODY void interleavePackedYcc(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count)
{
    int32_t x = 0;
    for (; x + 8 <= count; x += 8, out += 16) {
        const __m64 luma = load8(y + x), chroma = _mm_unpacklo_pi8(load4(cb + x / 2), load4(cr + x / 2));
        store8(out, _mm_unpacklo_pi8(luma, chroma));
        store8(out + 8, _mm_unpackhi_pi8(luma, chroma));
    }
    for (; x < count; ++x, out += 2) {
        out[0] = y[x];
        out[1] = (x & 1) ? cr[x >> 1] : cb[x >> 1];
    }
}

MMX_BODY void splitPackedYcc(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodePackedYccRows<false>(source, stride, y, cb, cr);
}
}  // namespace

const DecodeGreyFn decodeGreyMmx = copyGreyRow;
const Decode3Fn decodeRgb11Mmx = decodeThree<0, ThreeBytes<false>>;
const Decode3Fn decodeRgb21Mmx = decodeThree<1, ThreeBytes<false>>;
const Decode3PairFn decodeRgb22Mmx = decodeThreePair<ThreeBytes<false>>;
const Decode3Fn decodeBgr11Mmx = decodeThree<0, ThreeBytes<true>>;
const Decode3Fn decodeBgr21Mmx = decodeThree<1, ThreeBytes<true>>;
const Decode3PairFn decodeBgr22Mmx = decodeThreePair<ThreeBytes<true>>;
const Decode3Fn decodeYccToRgbx11Mmx = decodeThree<0, RgbxBytes>;
const Decode3Fn decodeYccToRgbx21Mmx = decodeThree<1, RgbxBytes>;
const Decode4Fn decodeYcckToCmyk11Mmx = decodeYcck<0>;
const Decode4Fn decodeYcckToCmyk21Mmx = decodeYcck<1>;
const Decode3Fn decodePackedYcc21Mmx = interleavePackedYcc;
const Encode3Fn encodePackedYcc21Mmx = splitPackedYcc;
#endif