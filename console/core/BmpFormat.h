#pragma once

#include <cstdint>

// A BMP file is this 14-byte file header, the 40-byte bitmap header and the
// pixel rows.
constexpr int kBmpFileHeaderBytes = 14;
constexpr int kBmpHeadersBytes = kBmpFileHeaderBytes + 40;

// "BM", file size, two reserved words and the pixel offset, little-endian.
void WriteBmpFileHeader(unsigned char (&out)[kBmpFileHeaderBytes], std::uint32_t imageSize);
