// Converters from decoded camera frames to the pictures the driver delivers:
// YUY2, RGB24 (B, G, R bytes) and RGB555. Rows are written in the frame's
// order, first row first. Smaller pictures are centred windows of the frame,
// taken every 2nd or 4th pixel pair and row.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "kjpeg/JpegDecoder.h"

namespace kjpeg {

// Lookup tables of the RGB24 conversion (studio-range BT.601, 10-bit fixed
// point), filled by CreateColourTables.
struct Rgb24Tables {
    int32_t luma[256];
    int32_t crToRed[256];
    int32_t cbToBlue[256];
    int32_t cbToGreen[256];
    int32_t crToGreen[256];
};

// RGB555 pixel by (Y >> 3) << 10 | (Cb >> 3) << 5 | (Cr >> 3).
struct Rgb555Table {
    uint16_t pixel[1 << 15];
};

void CreateColourTables(Rgb24Tables* tables);
void CreateColourTables(Rgb555Table* table);

// The caller's picture buffer and the size of the open format.
struct Picture {
    uint8_t* pixels;
    size_t capacity;
    uint32_t width;
    uint32_t height;
};

// Each returns the bytes written, width x height x bytes per pixel, or 0
// (nothing written) when the size cannot be cut from the frame or the buffer
// is too small.
size_t ConvertToYuy2(const DecodedFrame& frame, const Picture& picture);
size_t ConvertToRgb24(const DecodedFrame& frame, const Rgb24Tables& tables, const Picture& picture);
size_t ConvertToRgb555(const DecodedFrame& frame, const Rgb555Table& table, const Picture& picture);

}  // namespace kjpeg
