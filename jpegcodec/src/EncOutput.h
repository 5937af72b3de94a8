// The encoder's output side: a bit writer with 0xFF stuffing over the
// state's EntropyIo, the byte window it fills (the caller's memory or a
// 4,096-byte file window) and the baseline block coder.
#ifndef JPEGCODEC_ENC_OUTPUT_H
#define JPEGCODEC_ENC_OUTPUT_H

#include "jpegcodec.h"

// Number of significant bits of a magnitude (0 for 0).
int32_t magnitudeCategory(uint32_t magnitude);

// Dispatch slots: open the window on buffer/capacity (memory) or the file
// window (file handle set), and append bytes that bypass the bit packing.
void outputOpen(EntropyIo* io, uint8_t* buffer, int32_t capacity);
JPEG_STATUS outputWrite(const uint8_t* data, int32_t length, EntropyIo* io);

// Writes one entropy byte; a data byte 0xFF is followed by a stuffed zero so
// it cannot read as a marker.
JPEG_STATUS emitStuffedByte(EntropyIo* io, uint8_t value);

// File mode: copies into the window, writing it out whenever it is full.
JPEG_STATUS appendToWindow(EntropyIo* io, const uint8_t* data, int32_t length);

// Appends the low n bits of value.
JPEG_STATUS putBits(EntropyIo* io, uint32_t value, int32_t n);
// Pads to a byte boundary with 1-bits and empties the accumulator.
JPEG_STATUS flushBits(EntropyIo* io);
// File mode: writes what the window holds and rewinds it.
JPEG_STATUS flushOutputBuffer(EntropyIo* io);
// After the last marker: everything buffered reaches the file.
JPEG_STATUS finishOutput(EntropyIo* io);

// Appends the code of symbol, then `bits` low bits of extra (T.81 F.1.2).
JPEG_STATUS putSymbol(EntropyIo* io, const HuffEncodeTable* table, int32_t symbol);

// Dispatch slot: Huffman-codes one quantised block (natural order).
JPEG_STATUS huffmanEncodeBlock(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable,
                               int32_t* lastDc, const int16_t* block);

#endif
