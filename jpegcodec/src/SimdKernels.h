// Vector bodies of the dispatch table's kernels for the MMX, SSE and SSE2
// processor classes. Each is compiled for its own instruction set by a
// function attribute, so the library still loads on any processor and only
// the dispatch table decides what runs.
#ifndef JPEGCODEC_SIMD_KERNELS_H
#define JPEGCODEC_SIMD_KERNELS_H

#include <stdint.h>

#include "CpuDispatch.h"

#if defined(__i386__) || defined(__x86_64__)
#define JPEGCODEC_HAS_X86_KERNELS 1

// 64-bit integer vector bodies (classes 3-6 where no wider body exists).
void forwardDctFastMmx(int16_t* block);
void forwardDctAccurateMmx(int16_t* block);
void inverseDctFastMmx(int16_t* block);
void inverseDctAccurateMmx(int16_t* block);
void quantizeFastMmx(int16_t* block, const uint16_t* table);
void quantizeAccurateMmx(int16_t* block, const uint16_t* table);
void dequantizeAccurateMmx(int16_t* block, const int32_t* table);
void encodeGreyMmx(const uint8_t* source, int32_t stride, int16_t* block);
void encodeRgb11Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);
void encodeRgb21Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);
void encodeRgb22Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);
void encodeBgr11Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);
void encodeBgr21Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);
void encodeBgr22Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);
void encodeCmyk11Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k);
void encodeCmyk21Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k);
void encodeCmyk22Mmx(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k);
extern const Encode3Fn encodePackedYcc21Mmx;
// Decoder output, eight pixels per step; the 21 bodies also serve the 22
// slots of the four-byte layouts.
extern const DecodeGreyFn decodeGreyMmx;
extern const Decode3Fn decodeRgb11Mmx, decodeRgb21Mmx, decodeBgr11Mmx, decodeBgr21Mmx, decodeYccToRgbx11Mmx,
    decodeYccToRgbx21Mmx, decodePackedYcc21Mmx;
extern const Decode3PairFn decodeRgb22Mmx, decodeBgr22Mmx;
extern const Decode4Fn decodeYcckToCmyk11Mmx, decodeYcckToCmyk21Mmx;
// Transformed samples to bytes with saturating packs.
void storeSamplesMmx(const int16_t* block, uint8_t* destination, int32_t stride);
// The marker-segment writer: empties the bit accumulator and releases the
// MMX state before it appends.
JPEG_STATUS outputWriteMmx(const uint8_t* data, int32_t length, EntropyIo* io);

// Class 5: the 64-bit bodies scheduled with the SSE integer additions and
// shuffles. Each instruction set's bodies have their own file, since the
// 32-bit build compiles each file for the processors of its classes only.
void forwardDctAccurateSse(int16_t* block);
void inverseDctAccurateSse(int16_t* block);
void quantizeAccurateSse(int16_t* block, const uint16_t* table);
void decodeRgb21Sse(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count);
void decodeBgr21Sse(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count);
void encodePackedYcc21Sse(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);

// Class 6: 128-bit bodies.
void forwardDctAccurateSse2(int16_t* block);
void inverseDctAccurateSse2(int16_t* block);
void quantizeAccurateSse2(int16_t* block, const uint16_t* table);
void dequantizeAccurateSse2(int16_t* block, const int32_t* table);
void storeSamplesSse2(const int16_t* block, uint8_t* destination, int32_t stride);
void decodeRgb22Sse2(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr, uint8_t* outTop,
                     uint8_t* outBottom, int32_t count);
void decodeBgr22Sse2(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr, uint8_t* outTop,
                     uint8_t* outBottom, int32_t count);
#endif

// Huffman block coders and decoders of the vector classes. The coders emit
// the portable coder's bits in two phases: vector symbol collection (64-bit
// compares, with the SSE byte mask, or 128-bit compares), then the codes;
// the decoders give the portable decoder's coefficients, status and
// end-of-data handling.
#ifdef JPEGCODEC_HAS_X86_KERNELS
JPEG_STATUS huffmanEncodeBlockTwoPhase(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable,
                                       int32_t* lastDc, const int16_t* block);
JPEG_STATUS huffmanEncodeBlockTwoPhaseSse2(EntropyIo* io, const HuffEncodeTable* dcTable,
                                           const HuffEncodeTable* acTable, int32_t* lastDc, const int16_t* block);
JPEG_STATUS huffmanEncodeBlockTwoPhaseSse(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable,
                                          int32_t* lastDc, const int16_t* block);
#endif
JPEG_STATUS huffmanDecodeBlockByteRefill(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                         int32_t* dcPredictor, int16_t* block);
JPEG_STATUS huffmanDecodeBlockWordRefill(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                         int32_t* dcPredictor, int16_t* block);
// The same with the block cleared by SSE2 stores (class 6).
JPEG_STATUS huffmanDecodeBlockWordRefillSse2(EntropyIo* io, const HuffDecodeTable* dcTable,
                                             const HuffDecodeTable* acTable, int32_t* dcPredictor, int16_t* block);
JPEG_STATUS huffmanDecodeDcOnlyWordRefill(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                          int32_t* dcPredictor, int16_t* block);

#endif
