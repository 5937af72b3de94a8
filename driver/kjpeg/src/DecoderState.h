// What a decoder keeps in its caller's block: the tables in use and the
// coefficients of the block being decoded, off the kernel stack.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "HuffmanTable.h"
#include "kjpeg/JpegDecoder.h"

namespace kjpeg {

struct JpegDecoder {
    HuffmanTable dcTables[2];
    HuffmanTable acTables[2];
    uint16_t quantTables[2][64];  // natural order
    int16_t coefficients[64];     // natural order; all zero between blocks
};

// One colour component of the frame and where its plane goes.
struct FrameComponent {
    uint8_t id;
    uint8_t horizontal;  // sampling factors
    uint8_t vertical;
    uint8_t quantTable;
    uint8_t dcTable;
    uint8_t acTable;
    uint8_t* plane;
    size_t stride;
};

constexpr int kComponents = 3;

// Resets the tables to the built-in ones, so that no frame inherits tables
// from an earlier one.
void LoadDecoderTables(JpegDecoder& decoder);

}  // namespace kjpeg
