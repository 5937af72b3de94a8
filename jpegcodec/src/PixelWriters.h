// Portable decoder output kernels: sample lines to bitmap pixels, with the
// codec's integer YCbCr-to-RGB conversion.
#ifndef JPEGCODEC_PIXEL_WRITERS_H
#define JPEGCODEC_PIXEL_WRITERS_H

#include <stdint.h>

#include "CpuDispatch.h"

// The portable bodies of the output slots; the 21 bodies of the four-byte
// and plain layouts also serve their 22 slots.
extern const DecodeGreyFn decodeGrey;
extern const Decode3Fn decodeRgb11, decodeRgb21, decodeBgr11, decodeBgr21, decodeYccToRgbx11, decodeYccToRgbx21,
    decodePlain3x11, decodePlain3x21, decodePlain3ToCmyk11, decodePackedYcc21;
extern const Decode3PairFn decodeRgb22, decodeBgr22;
extern const Decode4Fn decodeYcckToCmyk11, decodeYcckToCmyk21, decodePlain4x11;

// R, G, B of one YCbCr sample, clamped to 0..255.
struct Rgb {
    int32_t r, g, b;
};
inline int32_t clampByte(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
// The terms one chroma sample adds to every luma sample it covers; green's
// is subtracted, which decides its rounding.
struct ChromaTerms {
    int32_t red, green, blue;
};
inline ChromaTerms chromaTerms(int32_t cb, int32_t cr)
{
    return {(359 * cr - 45813) >> 8, (88 * cb + 183 * cr - 34806) >> 8, (454 * cb - 57937) >> 8};
}
inline Rgb applyChroma(int32_t y, const ChromaTerms& t)
{
    return {clampByte(y + t.red), clampByte(y - t.green), clampByte(y + t.blue)};
}
inline Rgb yccToRgb(int32_t y, int32_t cb, int32_t cr) { return applyChroma(y, chromaTerms(cb, cr)); }

// Converts pixels whose first three bytes hold Y, Cb, Cr in place: into
// B, G, R (bgr), R, G, B, or for four-byte pixels the complement of R, G, B
// (complement, the YCCK case) or R, G, B (the fourth byte kept).
void convertPixelsInPlace(uint8_t* pixels, int32_t count, int32_t channels, bool bgr, bool complement);

#endif
