// Dequantisation and inverse DCTs, fast (AAN) and accurate families, at
// full size and reduced to 4x4, 2x2 and 1x1 samples (left in the block's
// top-left corner, clamped to 0..255). Intermediates are 64-bit so that
// corrupt coefficients cannot overflow.
#ifndef JPEGCODEC_INVERSE_DCT_H
#define JPEGCODEC_INVERSE_DCT_H

#include <stdint.h>

// Table preparation from 64 quantisers in zig-zag order, in place.
void buildFastDequantTable(int32_t* table);
void reorderDequantTable(int32_t* table);

void dequantizeFast(int16_t* block, const int32_t* table);
void dequantizeAccurate(int16_t* block, const int32_t* table);

void inverseDctFast(int16_t* block);
void inverseDctFastHalf(int16_t* block);
void inverseDctFastQuarter(int16_t* block);
void inverseDctFastEighth(int16_t* block);
void inverseDctAccurate(int16_t* block);
void inverseDctAccurateHalf(int16_t* block);
void inverseDctAccurateQuarter(int16_t* block);
void inverseDctAccurateEighth(int16_t* block);
// The transformed samples of a full block as bytes.
void storeSamples(const int16_t* block, uint8_t* destination, int32_t stride);

#endif
