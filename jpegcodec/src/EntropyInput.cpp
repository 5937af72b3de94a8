#include "EntropyInput.h"

#include <cstdlib>

#include "Platform.h"
#include "Zigzag.h"

JPEG_STATUS readFileWindow(EntropyIo* io, bool* ended)
{
    int32_t got = 0;
    if (!readCodecFile(io->file, io->fileWindow, JPEG_FILE_WINDOW_SIZE, &got)) return JPEG_FILE_ERROR;
    *ended = got == 0;
    io->cursor.windowStart = io->cursor.current = io->fileWindow;
    io->cursor.windowEnd = io->fileWindow + got;
    io->cursor.remaining = got;
    return JPEG_SUCCESS;
}

int32_t extend(uint32_t value, int32_t size)
{
    const int32_t v = static_cast<int32_t>(value);
    return size > 0 && v < (1 << (size - 1)) ? v - ((1 << size) - 1) : v;
}

JPEG_STATUS resetInputSource(EntropyIo* io, uint8_t* buffer, int32_t size)
{
    io->bits = 0;
    clearBitCount(io);
    io->pendingMarker = 0;
    io->componentBase = 0;
    StreamCursor& cursor = io->cursor;
    if (io->file) {
        cursor.windowStart = cursor.current = cursor.windowEnd = io->fileWindow + JPEG_FILE_WINDOW_SIZE;
        cursor.windowSize = JPEG_FILE_WINDOW_SIZE;
        cursor.remaining = 0;
        return JPEG_SUCCESS;
    }
    if (cursor.consumed < 0 || cursor.consumed > size) cursor.consumed = 0;
    cursor.windowStart = buffer;
    cursor.windowEnd = buffer + size;
    cursor.current = buffer + cursor.consumed;
    cursor.windowSize = size;
    cursor.remaining = size - cursor.consumed;
    return JPEG_SUCCESS;
}

int32_t takeByte(EntropyIo* io, JPEG_STATUS* status)
{
    StreamCursor& cursor = io->cursor;
    if (cursor.remaining <= 0) {
        bool ended = true;
        if (io->file) *status = readFileWindow(io, &ended);
        if (ended || *status != JPEG_SUCCESS) return END_OF_DATA;
    }
    --cursor.remaining;
    ++cursor.consumed;
    return *cursor.current++;
}

JPEG_STATUS readMarker(EntropyIo* io, int32_t* code)
{
    if (io->pendingMarker) {
        *code = io->pendingMarker;
        // The end of the data stays noted: the image it cut short is incomplete.
        if (io->pendingMarker != END_OF_DATA) io->pendingMarker = 0;
        return JPEG_SUCCESS;
    }
    JPEG_STATUS status = JPEG_SUCCESS;
    int32_t byte = takeByte(io, &status);
    for (;;) {
        while (byte != 0xFF && byte != END_OF_DATA) byte = takeByte(io, &status);
        while (byte == 0xFF) byte = takeByte(io, &status);  // fill bytes
        if (byte != 0x00) break;                            // 0x00: a stuffed data byte
        byte = takeByte(io, &status);
    }
    *code = byte;
    return status;
}

JPEG_STATUS readSegment(EntropyIo* io, uint8_t** payload, int32_t* length)
{
    JPEG_STATUS status = JPEG_SUCCESS;
    const int32_t high = takeByte(io, &status);
    const int32_t low = takeByte(io, &status);
    if (status != JPEG_SUCCESS) return status;
    if (high == END_OF_DATA || low == END_OF_DATA || (high << 8 | low) < 2) return JPEG_DATA_ERROR;
    *length = (high << 8 | low) - 2;
    *payload = static_cast<uint8_t*>(std::malloc(*length > 0 ? *length : 1));
    if (!*payload) return JPEG_MEMORY_ERROR;
    for (int32_t i = 0; i < *length; ++i) {
        const int32_t byte = takeByte(io, &status);
        if (byte == END_OF_DATA) {
            std::free(*payload);
            *payload = nullptr;
            return status != JPEG_SUCCESS ? status : JPEG_DATA_ERROR;
        }
        (*payload)[i] = static_cast<uint8_t>(byte);
    }
    return JPEG_SUCCESS;
}

JPEG_STATUS skipSegment(EntropyIo* io)
{
    uint8_t* payload = nullptr;
    int32_t length = 0;
    const JPEG_STATUS status = readSegment(io, &payload, &length);
    std::free(payload);
    return status;
}

int32_t takeEntropyByte(EntropyIo* io)
{
    JPEG_STATUS status = JPEG_SUCCESS;
    int32_t byte = takeByte(io, &status);
    if (byte == 0xFF) {
        do byte = takeByte(io, &status);
        while (byte == 0xFF);  // fill bytes
        if (byte == 0x00) return 0xFF;
        io->pendingMarker = byte;
        return 0;
    }
    if (byte != END_OF_DATA) return byte;
    io->pendingMarker = END_OF_DATA;
    return 0;
}

void fillBits(EntropyIo* io)
{
    StreamCursor& cursor = io->cursor;
    while (io->bitCount <= 56) {
        if (!io->pendingMarker && cursor.remaining > 0 && *cursor.current != 0xFF) {
            // The common case: a plain data byte already in the window.
            io->bits = (io->bits << 8) | *cursor.current++;
            --cursor.remaining;
            ++cursor.consumed;
            io->bitCount += 8;
            continue;
        }
        const int32_t byte = io->pendingMarker ? 0 : takeEntropyByte(io);
        if (io->pendingMarker) countPaddingByte(io, io->bitCount);
        io->bits = (io->bits << 8) | static_cast<uint32_t>(byte);
        io->bitCount += 8;
    }
}

void clearBitCount(EntropyIo* io) { io->bitCount = io->paddingBits = 0; }

bool entropyDataExhausted(const EntropyIo* io, bool restartsInForce)
{
    const bool restartNext = restartsInForce && io->pendingMarker >= 0xD0 && io->pendingMarker <= 0xD7;
    return io->paddingBits > io->bitCount && !restartNext;
}

void restartBitReader(EntropyIo* io)
{
    clearBitCount(io);
    if (io->pendingMarker == END_OF_DATA) io->paddingBits = 1;
}

JPEG_STATUS buildDecoderHuffman(const uint8_t* counts, const uint8_t* values, int32_t tableClass, int32_t id,
                                HuffDecodeTable* table)
{
    *table = HuffDecodeTable{};
    table->tableClass = static_cast<uint16_t>(tableClass);
    table->id = static_cast<uint16_t>(id);
    int32_t total = 0;
    for (int l = 0; l < 16; ++l) total += counts[l];
    if (total > 256) return JPEG_BAD_HUFFMAN_TABLE;
    for (int32_t i = 0; i < total; ++i) {
        if (tableClass == 0 && values[i] > 15) return JPEG_BAD_HUFFMAN_TABLE;
        table->huffval[i] = values[i];
    }
    int32_t code = 0, index = 0;
    table->maxcode[0] = -1;
    for (int l = 1; l <= 16; ++l) {
        const int32_t n = counts[l - 1];
        if (n == 0) {
            table->maxcode[l] = -1;
        } else {
            table->valptr[l] = index;
            table->mincode[l] = code;
            for (int32_t i = 0; i < n; ++i, ++index, ++code) {
                if (code >= (1 << l)) return JPEG_BAD_HUFFMAN_TABLE;  // lengths over-subscribe the code space
                if (l <= 8)
                    for (int32_t fill = 0; fill < (1 << (8 - l)); ++fill)
                        table->lookahead[(code << (8 - l)) | fill] = {table->huffval[index], static_cast<uint16_t>(l)};
            }
            table->maxcode[l] = code - 1;
        }
        code <<= 1;
    }
    table->maxcode[17] = -1;
    return JPEG_SUCCESS;
}

int32_t decodeHuffman(EntropyIo* io, const HuffDecodeTable* table)
{
    if (io->bitCount < 16) fillBits(io);
    const HuffLookahead& entry = table->lookahead[(io->bits >> (io->bitCount - 8)) & 0xFF];
    if (entry.length) {
        io->bitCount -= entry.length;
        return entry.symbol;
    }
    int32_t length = 9;
    int32_t code = static_cast<int32_t>(getBits(io, 9));
    while (code > table->maxcode[length]) {
        if (++length > 16) return 0;  // matches no code: decoded as symbol 0
        code = code * 2 + static_cast<int32_t>(getBits(io, 1));
    }
    return table->huffval[(table->valptr[length] + code - table->mincode[length]) & 0xFF];
}

namespace {
template <bool kStore>
JPEG_STATUS decodeBlock(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                        int32_t* dcPredictor, int16_t* block)
{
    if (kStore)
        for (int i = 0; i < 64; ++i) block[i] = 0;
    int32_t s = decodeHuffman(io, dcTable) & 15;
    const int32_t diff = s ? extend(getBits(io, s), s) : 0;
    *dcPredictor = static_cast<int16_t>(*dcPredictor + diff);
    if (kStore) block[0] = static_cast<int16_t>(*dcPredictor);
    int32_t position = 1;
    for (int32_t left = 63; left > 0;) {
        const int32_t symbol = decodeHuffman(io, acTable);
        const int32_t run = symbol >> 4;
        s = symbol & 15;
        if (s == 0) {
            if (run != 15) break;
            position += 16;
            left -= 16;
            continue;
        }
        left -= run + 1;
        position += run;
        const uint32_t bits = getBits(io, s);
        if (kStore) block[zigzagToNatural[position < 79 ? position : 79]] = static_cast<int16_t>(extend(bits, s));
        ++position;
    }
    return JPEG_SUCCESS;
}
}  // namespace

JPEG_STATUS huffmanDecodeBlock(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                               int32_t* dcPredictor, int16_t* block)
{
    return decodeBlock<true>(io, dcTable, acTable, dcPredictor, block);
}

JPEG_STATUS huffmanDecodeDcOnly(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                int32_t* dcPredictor, int16_t* block)
{
    return decodeBlock<false>(io, dcTable, acTable, dcPredictor, block);
}
