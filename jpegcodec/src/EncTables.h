// The encoder's constant tables and their preparation: quality scaling, the
// quantiser multipliers of both transform families and the Huffman code
// assignment.
#ifndef JPEGCODEC_ENC_TABLES_H
#define JPEGCODEC_ENC_TABLES_H

#include "jpegcodec.h"

// ITU-T T.81 Annex K tables: K.1/K.2 in zig-zag order, K.3-K.6 as BITS/HUFFVAL.
extern const uint8_t kLuminanceQuant[64];
extern const uint8_t kChrominanceQuant[64];
extern const uint8_t kDcLuminanceBits[16];
extern const uint8_t kDcLuminanceValues[12];
extern const uint8_t kDcChrominanceBits[16];
extern const uint8_t kDcChrominanceValues[12];
extern const uint8_t kAcLuminanceBits[16];
extern const uint8_t kAcLuminanceValues[162];
extern const uint8_t kAcChrominanceBits[16];
extern const uint8_t kAcChrominanceValues[162];

// The quality factor the tables are scaled by: 1..100 as usual, below 1 as 1,
// above 100 as all ones.
int32_t qualityScale(int32_t quality);
// Scales a base table (zig-zag) into 16-bit divisors 1..255 (zig-zag).
void scaleQuantTable(const uint8_t base[64], int32_t quality, uint16_t out[64]);
// Turns scaled divisors (zig-zag) into the accurate quantiser's Q15
// reciprocals in natural order.
void buildReciprocalTable(const uint16_t divisors[64], uint16_t out[64]);
// Turns scaled divisors (zig-zag) into the fast quantiser's multipliers
// (reciprocals that also undo the scaled transform's factors), natural order.
// Divisors are used as they stand: the DQT already written holds the same.
void buildFastReciprocalTable(const uint16_t divisors[64], uint16_t out[64]);

// Encoder code table from BITS/HUFFVAL; -6 when the lists do not form a code.
JPEG_STATUS buildEncoderHuffman(const uint8_t bits[16], const uint8_t* values, HuffEncodeTable* table);

#endif
