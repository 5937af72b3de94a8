// 64-bit vector bodies of the decoder's colour output and of the packed
// 4:2:2 input and output, eight pixels per step. The red and blue terms come
// from one high product each and are offset after the shift, so they can be
// one lower than the portable terms; green equals the portable term for
// every chroma pair.
#include "simd_kernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include "cpu_dispatch.h"
#include "simd_color_rows.h"

#define MMX_BODY __attribute__((target("mmx")))

namespace {
using namespace colourrows;

template <int kChromaShift, class Layout>
MMX_BODY void decodeThree(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count) {
  decodeRow<kChromaShift, Layout, false>(y, cb, cr, nullptr, out, count);
}

// Rows that share their chroma convert it once for both.
template <class Layout>
MMX_BODY void decodeThreePair(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr,
                              uint8_t* outTop, uint8_t* outBottom, int32_t count) {
  decodeRows<1, Layout, false, 2>({yTop, yBottom}, cb, cr, nullptr, {outTop, outBottom}, count);
}

template <int kChromaShift>
MMX_BODY void decodeYcck(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* k, uint8_t* out,
                         int32_t count) {
  decodeRow<kChromaShift, CmykBytes, false>(y, cb, cr, k, out, count);
}

MMX_BODY void decodeGreyMmx(const uint8_t* samples, uint8_t* out, int32_t count) {
  int32_t x = 0;
  for (; x + 8 <= count; x += 8) store8(out + x, load8(samples + x));
  for (; x < count; ++x) out[x] = samples[x];
}

// Y Cb Y Cr pairs from luma and half-width chroma.
MMX_BODY void decodePackedYccMmx(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count) {
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

MMX_BODY void encodePackedYcc21Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr) {
  encodePackedYccRows<false>(source, stride, y, cb, cr);
}
}  // namespace

void installVectorColourOutput(CpuDispatchTable* t, int32_t cpuClass) {
  const bool shuffles = cpuClass >= 5;
  t->decodeGrey = decodeGreyMmx;
  t->decodeRgb11 = decodeThree<0, ThreeBytes<false>>;
  t->decodeBgr11 = decodeThree<0, ThreeBytes<true>>;
  t->decodeRgb21 = shuffles ? decodeRgb21Sse : decodeThree<1, ThreeBytes<false>>;
  t->decodeBgr21 = shuffles ? decodeBgr21Sse : decodeThree<1, ThreeBytes<true>>;
  t->decodeRgb22 = decodeThreePair<ThreeBytes<false>>;
  t->decodeBgr22 = decodeThreePair<ThreeBytes<true>>;
  t->decodeYccToRgbx11 = decodeThree<0, RgbxBytes>;
  t->decodeYccToRgbx21 = t->decodeYccToRgbx22 = decodeThree<1, RgbxBytes>;
  t->decodeYcckToCmyk11 = decodeYcck<0>;
  t->decodeYcckToCmyk21 = t->decodeYcckToCmyk22 = decodeYcck<1>;
  t->decodePackedYcc21 = decodePackedYccMmx;
  t->encodePackedYcc21 = shuffles ? encodePackedYcc21Sse : encodePackedYcc21Mmx;
}
#endif