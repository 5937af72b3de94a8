// The vector classes' byte writer for marker segments. The vector Huffman
// bodies may leave bits in the accumulator and the MMX state in use, so it
// first stores the pending bits as stuffed entropy bytes, releases the
// state, and only then appends the segment.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <mmintrin.h>

#include "CpuDispatch.h"
#include "EncOutput.h"

namespace {
// Up to 64 pending bits, each byte possibly followed by a stuffed zero.
struct PendingBytes {
    uint8_t bytes[16];
    int32_t count = 0;
};

PendingBytes pendingBytesOf(const EntropyIo& io)
{
    PendingBytes pending;
    uint64_t bits = io.bits;
    for (int32_t held = io.bitCount; held > 0 && pending.count < 16; held -= 8, bits <<= 8) {
        const auto byte = static_cast<uint8_t>(bits >> 56);
        pending.bytes[pending.count++] = byte;
        if (byte == 0xFF) pending.bytes[pending.count++] = 0;
    }
    return pending;
}
}  // namespace

__attribute__((target("mmx"))) JPEG_STATUS outputWriteMmx(const uint8_t* data, int32_t length, EntropyIo* io)
{
    const PendingBytes pending = pendingBytesOf(*io);
    StreamCursor& cursor = io->cursor;
    const int64_t needed = int64_t{pending.count} + length, room = cursor.windowEnd - cursor.current;
    if (!io->file) {
        // A memory window is never filled to its last byte.
        if (needed >= room) return JPEG_OUTPUT_BUFFER_TOO_SMALL;
    } else if (needed + 2 >= room) {
        const JPEG_STATUS status = flushOutputBuffer(io);
        if (status != JPEG_SUCCESS) return status;
    }
    JPEG_STATUS status = appendToWindow(io, pending.bytes, pending.count);
    io->bits = 0;
    io->bitCount = 0;
    _mm_empty();
    if (status == JPEG_SUCCESS) status = appendToWindow(io, data, length);
    return status;
}
#endif
