// Whatever arrives on the header and data pipes, the frame header check and
// the frame-start search decide without reading or writing past the bytes
// received.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "BulkFrames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const uint32_t packet = 1u << (data[0] % 10);  // 1 .. 512
    const uint32_t rawFrameSize = uint32_t(data[1]) << (data[2] % 24);
    const bool jpeg = data[3] & 1;
    const bool yuy2 = data[3] & 2;
    data += 4;
    size -= 4;

    // Exactly the bytes received, so that the sanitizer sees any overrun.
    const size_t headerBytes = size < dovracam::kFrameHeaderSize + 8 ? size : dovracam::kFrameHeaderSize + 8;
    std::vector<uint8_t> header(data, data + headerBytes);
    dovracam::FrameHeader parsed;
    if (dovracam::ParseFrameHeader(header.data(), uint32_t(header.size()), rawFrameSize, packet, &parsed)) {
        if (parsed.imageLength > parsed.total || parsed.total > rawFrameSize || parsed.total % packet) __builtin_trap();
    }

    std::vector<uint8_t> frame(data + headerBytes, data + size);
    uint32_t early = 0;
    dovracam::CheckFrameStart(frame.data(), uint32_t(frame.size()), packet, jpeg, yuy2, &early);
    if (early > frame.size()) __builtin_trap();
    return 0;
}
