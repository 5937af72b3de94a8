// The tables a frame without DHT or DQT segments is decoded with: the
// typical Huffman tables of JPEG Annex K.3 and the camera's quantisation
// pair.
#pragma once

#include <stdint.h>

#include "HuffmanTable.h"

namespace kjpeg {

extern const HuffmanDefinition kBuiltinDcTables[2];  // luminance, chrominance
extern const HuffmanDefinition kBuiltinAcTables[2];
extern const uint8_t kBuiltinQuantTables[2][64];  // zig-zag order

// Natural position of each zig-zag index.
extern const uint8_t kZigZagToNatural[64];

}  // namespace kjpeg
