// Huffman code lengths that follow a scan's symbol counts (T.81 K.2).
#ifndef JPEGCODEC_ENC_HUFFOPT_H
#define JPEGCODEC_ENC_HUFFOPT_H

#include <stdint.h>

enum { HUFF_FREQUENCY_ENTRIES = 257 };  // symbols 0..255 and the reserved all-ones code

// BITS (16 counts) and HUFFVAL (up to 256 symbols) of a code for the counts;
// no code is longer than 16 bits. A table without counts yields no codes.
void computeHuffmanLengths(const uint32_t frequencies[HUFF_FREQUENCY_ENTRIES], uint8_t bits[16], uint8_t huffval[256]);

#endif
