#include "BmpFormat.h"

namespace {

void PutU32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

void WriteBmpFileHeader(unsigned char (&out)[kBmpFileHeaderBytes], std::uint32_t imageSize,
                        std::uint32_t colorTableBytes)
{
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out + 2, imageSize + colorTableBytes + kBmpHeadersBytes);
    PutU32(out + 6, 0);
    PutU32(out + 10, colorTableBytes + kBmpHeadersBytes);
}
