#include "EncOutput.h"

#include "CpuDispatch.h"
#include "Platform.h"
#include "Zigzag.h"

namespace {
JPEG_STATUS writeWindowToFile(EntropyIo* io, int32_t count)
{
    int32_t written = 0;
    if (!writeCodecFile(io->file, io->cursor.windowStart, count, &written) || written != count) return JPEG_FILE_ERROR;
    io->cursor.current = io->cursor.windowStart;
    return JPEG_SUCCESS;
}

JPEG_STATUS emitByte(EntropyIo* io, uint8_t value)
{
    StreamCursor& cursor = io->cursor;
    if (cursor.current >= cursor.windowEnd) {
        if (!io->file) return JPEG_OUTPUT_BUFFER_TOO_SMALL;
        const JPEG_STATUS status = flushOutputBuffer(io);
        if (status != JPEG_SUCCESS) return status;
    }
    *cursor.current++ = value;
    ++cursor.consumed;
    return JPEG_SUCCESS;
}

JPEG_STATUS emitWholeBytes(EntropyIo* io)
{
    while (io->bitCount >= 8) {
        const JPEG_STATUS status = emitStuffedByte(io, static_cast<uint8_t>(io->bits >> 56));
        if (status != JPEG_SUCCESS) return status;
        io->bits <<= 8;
        io->bitCount -= 8;
    }
    return JPEG_SUCCESS;
}

int32_t categoryOfSmall(uint32_t value)
{
    int32_t bits = 0;
    while (value) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

struct CategoryTable {
    uint8_t entries[256];
    CategoryTable()
    {
        for (uint32_t v = 0; v < 256; ++v) entries[v] = static_cast<uint8_t>(categoryOfSmall(v));
    }
};
const CategoryTable kCategories;

// The extra bits of a signed value: the value itself, or value - 1 (its
// one's complement) when negative.
inline uint32_t extraBits(int32_t value) { return static_cast<uint32_t>(value < 0 ? value - 1 : value); }
}  // namespace

JPEG_STATUS emitStuffedByte(EntropyIo* io, uint8_t value)
{
    JPEG_STATUS status = emitByte(io, value);
    if (status == JPEG_SUCCESS && value == 0xFF) status = emitByte(io, 0);
    return status;
}

int32_t magnitudeCategory(uint32_t magnitude)
{
    if (magnitude < 256) return kCategories.entries[magnitude];
    if (magnitude < 65536) return kCategories.entries[magnitude >> 8] + 8;
    return categoryOfSmall(magnitude);
}

void outputOpen(EntropyIo* io, uint8_t* buffer, int32_t capacity)
{
    StreamCursor& cursor = io->cursor;
    if (io->file) {
        buffer = io->fileWindow;
        capacity = JPEG_FILE_WINDOW_SIZE;
    }
    cursor.windowStart = cursor.current = buffer;
    cursor.windowEnd = buffer + capacity;
    cursor.windowSize = cursor.remaining = capacity;
    cursor.consumed = 0;
    io->bits = 0;
    io->bitCount = 0;
}

JPEG_STATUS outputWrite(const uint8_t* data, int32_t length, EntropyIo* io)
{
    StreamCursor& cursor = io->cursor;
    if (!io->file) {
        // A memory window is never filled to its last byte.
        if (length >= cursor.windowEnd - cursor.current) return JPEG_OUTPUT_BUFFER_TOO_SMALL;
        byteCopy(cursor.current, data, length);
        cursor.current += length;
        cursor.consumed += length;
        return JPEG_SUCCESS;
    }
    return appendToWindow(io, data, length);
}

JPEG_STATUS appendToWindow(EntropyIo* io, const uint8_t* data, int32_t length)
{
    StreamCursor& cursor = io->cursor;
    while (length > 0) {
        if (cursor.current >= cursor.windowEnd) {
            const JPEG_STATUS status = writeWindowToFile(io, JPEG_FILE_WINDOW_SIZE);
            if (status != JPEG_SUCCESS) return status;
        }
        const int32_t room = static_cast<int32_t>(cursor.windowEnd - cursor.current);
        const int32_t chunk = length < room ? length : room;
        byteCopy(cursor.current, data, chunk);
        cursor.current += chunk;
        cursor.consumed += chunk;
        data += chunk;
        length -= chunk;
    }
    return JPEG_SUCCESS;
}

JPEG_STATUS putBits(EntropyIo* io, uint32_t value, int32_t n)
{
    if (n <= 0) return JPEG_SUCCESS;
    const uint64_t masked = value & ((1u << n) - 1);
    io->bitCount += n;
    io->bits |= masked << (64 - io->bitCount);
    if (io->bitCount < 32) return JPEG_SUCCESS;
    return emitWholeBytes(io);
}

JPEG_STATUS flushBits(EntropyIo* io)
{
    JPEG_STATUS status = emitWholeBytes(io);
    if (status == JPEG_SUCCESS && io->bitCount > 0) {
        io->bits |= uint64_t{0x7F} << (64 - io->bitCount - 7);
        status = emitStuffedByte(io, static_cast<uint8_t>(io->bits >> 56));
    }
    io->bits = 0;
    io->bitCount = 0;
    return status;
}

JPEG_STATUS flushOutputBuffer(EntropyIo* io)
{
    if (!io->file) return JPEG_SUCCESS;
    return writeWindowToFile(io, static_cast<int32_t>(io->cursor.current - io->cursor.windowStart));
}

JPEG_STATUS finishOutput(EntropyIo* io)
{
    const JPEG_STATUS status = io->cpuTable->outputWrite(nullptr, 0, io);
    if (status != JPEG_SUCCESS) return status;
    return flushOutputBuffer(io);
}

JPEG_STATUS putSymbol(EntropyIo* io, const HuffEncodeTable* table, int32_t symbol)
{
    return putBits(io, table->code[symbol], table->length[symbol]);
}

JPEG_STATUS huffmanEncodeBlock(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable,
                               int32_t* lastDc, const int16_t* block)
{
    const int32_t diff = block[0] - *lastDc;
    *lastDc = block[0];
    const int32_t size = magnitudeCategory(static_cast<uint32_t>(diff < 0 ? -diff : diff));
    JPEG_STATUS status = putSymbol(io, dcTable, size);
    if (status == JPEG_SUCCESS) status = putBits(io, extraBits(diff), size);
    if (status != JPEG_SUCCESS) return status;
    int32_t run = 0;
    for (int k = 1; k < 64; ++k) {
        const int32_t value = block[zigzagToNatural[k]];
        if (value == 0) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16)
            if ((status = putSymbol(io, acTable, 0xF0)) != JPEG_SUCCESS) return status;
        const int32_t valueSize = magnitudeCategory(static_cast<uint32_t>(value < 0 ? -value : value));
        status = putSymbol(io, acTable, run * 16 + valueSize);
        if (status == JPEG_SUCCESS) status = putBits(io, extraBits(value), valueSize);
        if (status != JPEG_SUCCESS) return status;
        run = 0;
    }
    return run > 0 ? putSymbol(io, acTable, 0x00) : JPEG_SUCCESS;
}
