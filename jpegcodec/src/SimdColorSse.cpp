// The class-5 colour bodies: the 64-bit rows with the chroma terms and the
// packed chroma moved by word shuffles.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include "SimdColorRows.h"

#define SSE_BODY __attribute__((target("sse")))

using namespace colourrows;

SSE_BODY void decodeRgb21Sse(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count)
{
    decodeRow<1, ThreeBytes<false>, true>(y, cb, cr, nullptr, out, count);
}

SSE_BODY void decodeBgr21Sse(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count)
{
    decodeRow<1, ThreeBytes<true>, true>(y, cb, cr, nullptr, out, count);
}

SSE_BODY void encodePackedYcc21Sse(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodePackedYccRows<true>(source, stride, y, cb, cr);
}
#endif
