// A viewer's byte stream, cut into pieces as the network might deliver it:
// the first byte of every piece says how long the piece is.
#include "telvane/FrameReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Telvane::FrameReader reader;
    while (size > 0) {
        const size_t piece = std::min<size_t>(data[0] % 64 + 1, size - 1);
        ++data, --size;
        for (size_t offset = 0; offset < piece;) {
            size_t used = 0;
            const auto status = reader.append(data + offset, piece - offset, used);
            if (status == Telvane::FrameReader::Status::Oversized) return 0;
            if (status == Telvane::FrameReader::Status::FrameReady && reader.frameLength() > 0)
                (void)reader.frame()[reader.frameLength() - 1];
            offset += used;
        }
        data += piece, size -= piece;
    }
    return 0;
}
