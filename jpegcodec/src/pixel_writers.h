// Portable decoder output kernels: sample lines to bitmap pixels, with the
// codec's integer YCbCr-to-RGB conversion.
#ifndef JPEGCODEC_PIXEL_WRITERS_H
#define JPEGCODEC_PIXEL_WRITERS_H

#include <stdint.h>

struct CpuDispatchTable;

void installPortableDecodeKernels(CpuDispatchTable* table);

// R, G, B of one YCbCr sample, clamped to 0..255.
struct Rgb {
  int32_t r, g, b;
};
inline int32_t clampByte(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
inline Rgb yccToRgb(int32_t y, int32_t cb, int32_t cr) {
  return {clampByte(y + ((359 * cr - 45813) >> 8)), clampByte(y - ((88 * cb + 183 * cr - 34806) >> 8)),
          clampByte(y + ((454 * cb - 57937) >> 8))};
}

// Converts pixels whose first three bytes hold Y, Cb, Cr in place: into
// B, G, R (bgr), R, G, B, or for four-byte pixels the complement of R, G, B
// (complement, the YCCK case) or R, G, B (the fourth byte kept).
void convertPixelsInPlace(uint8_t* pixels, int32_t count, int32_t channels, bool bgr, bool complement);

#endif
