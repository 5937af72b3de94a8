// Portable forward transforms and quantisers of the encoder (dispatch slots).
#ifndef JPEGCODEC_ENC_FDCT_H
#define JPEGCODEC_ENC_FDCT_H

#include <stdint.h>

// In place on 64 level-shifted samples, row-major; natural-order output.
void forwardDctAccurate(int16_t* block);
// Scaled (Arai-Agui-Nakajima) output: the fast quantiser's table undoes the scale.
void forwardDctFast(int16_t* block);
// c = (c * m + 16384) >> 15 per coefficient, m in natural order.
void quantizeAccurate(int16_t* block, const uint16_t* table);
void quantizeFast(int16_t* block, const uint16_t* table);

#endif
