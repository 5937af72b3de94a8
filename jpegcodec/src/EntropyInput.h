// The decoder's input: bytes of the stream from the caller's buffer or the
// file window, marker search, segment reading, and the bit reader that the
// Huffman decoders use over entropy-coded data.
#ifndef JPEGCODEC_ENTROPY_INPUT_H
#define JPEGCODEC_ENTROPY_INPUT_H

#include "jpegcodec.h"

// readMarker's code for the end of the data; in pendingMarker it means the
// entropy data ran out.
enum { END_OF_DATA = 0x100 };

// Sets the source up for a read: memory from the consumed offset on, or an
// empty file window that the first request fills.
JPEG_STATUS resetInputSource(EntropyIo* io, uint8_t* buffer, int32_t size);
// File source: reads the next window of the file; ended when it held no more.
JPEG_STATUS readFileWindow(EntropyIo* io, bool* ended);
// Takes the next byte; END_OF_DATA when none is left.
int32_t takeByte(EntropyIo* io, JPEG_STATUS* status);
// The code of the next marker (or the pending one), END_OF_DATA at the end.
JPEG_STATUS readMarker(EntropyIo* io, int32_t* code);
// Reads a segment's length and its payload into a heap block the caller frees.
JPEG_STATUS readSegment(EntropyIo* io, uint8_t** payload, int32_t* length);
JPEG_STATUS skipSegment(EntropyIo* io);
// Bytes that lie in the window but were not consumed yet.
inline int32_t unreadBytes(const EntropyIo* io) { return io->cursor.remaining; }

// Bit reader. Past a marker or the end of the data it supplies zero bits,
// so that a damaged scan decodes to its end; the pending marker tells why.
void fillBits(EntropyIo* io);
// The next byte of entropy-coded data with stuffing and fill bytes removed.
// At a marker or the end of the data it notes which in pendingMarker and
// gives a zero byte.
int32_t takeEntropyByte(EntropyIo* io);
// Notes one zero byte supplied past a marker or the end of the data, while
// heldBits bits are held (its bound keeps the count from growing without end).
inline void countPaddingByte(EntropyIo* io, int32_t heldBits)
{
    io->paddingBits = io->paddingBits > heldBits + 64 ? heldBits + 72 : io->paddingBits + 8;
}
inline uint32_t getBits(EntropyIo* io, int32_t n)
{
    if (io->bitCount < n) fillBits(io);
    io->bitCount -= n;
    return static_cast<uint32_t>(io->bits >> io->bitCount) & ((1u << n) - 1);
}
void clearBitCount(EntropyIo* io);
// The signed value that `size` received bits stand for (T.81 F.2.2.1).
int32_t extend(uint32_t value, int32_t size);
// Whether the decoder has used bits past the end of its scan's data (and no
// restart marker explains it): the scan is damaged or cut short. A restart
// marker explains it only in a scan with restart intervals.
bool entropyDataExhausted(const EntropyIo* io, bool restartsInForce);
// At a restart boundary: the reader starts again on a byte of its own. Past
// the end of the data it stays marked as exhausted, since no marker follows.
void restartBitReader(EntropyIo* io);

JPEG_STATUS buildDecoderHuffman(const uint8_t* counts, const uint8_t* values, int32_t tableClass, int32_t id,
                                HuffDecodeTable* table);
int32_t decodeHuffman(EntropyIo* io, const HuffDecodeTable* table);

JPEG_STATUS huffmanDecodeBlock(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                               int32_t* dcPredictor, int16_t* block);
JPEG_STATUS huffmanDecodeDcOnly(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                int32_t* dcPredictor, int16_t* block);

#endif
