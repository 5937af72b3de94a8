#pragma once

#include <cstdint>

// A BMP file is this 14-byte file header, the 40-byte bitmap header and the
// pixel rows.
constexpr int kBmpFileHeaderBytes = 14;
constexpr int kBmpHeadersBytes = kBmpFileHeaderBytes + 40;

// "BM", file size, two reserved words and the pixel offset, little-endian;
// the pixels follow the headers and the colour table, if there is one.
void WriteBmpFileHeader(unsigned char (&out)[kBmpFileHeaderBytes], std::uint32_t imageSize,
                        std::uint32_t colorTableBytes = 0);
