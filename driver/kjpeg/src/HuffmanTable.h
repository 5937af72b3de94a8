// A Huffman table of a scan in decoding form (JPEG F.2.2.3), with a 9-bit
// lookahead for the short codes.
#pragma once

#include <stdint.h>

#include "BitReader.h"

namespace kjpeg {

// A table as a DHT segment carries it: code counts per length, symbols.
struct HuffmanDefinition {
    uint8_t counts[16];  // codes of length 1..16
    const uint8_t* symbols;
};

class HuffmanTable {
public:
    static constexpr int kLookaheadBits = 9;

    // False when the counts overflow the code space (all-ones codes
    // included), there are more than 256 symbols, or a DC table holds a
    // category above 11.
    bool Build(const HuffmanDefinition& definition, bool dc);

    // The next symbol, or -1 when the bits match no code.
    int Decode(BitReader& reader) const
    {
        const uint32_t entry = lookahead_[reader.Peek(kLookaheadBits)];
        if (entry != 0) {
            reader.Skip(static_cast<int>(entry >> 8));
            return static_cast<int>(entry & 0xFF);
        }
        return DecodeLong(reader);
    }

private:
    int DecodeLong(BitReader& reader) const;

    uint16_t lookahead_[1 << kLookaheadBits];  // length << 8 | symbol; 0 for longer codes
    int32_t maxCode_[17];                      // per length; -1 when there is none
    int32_t valueOffset_[17];                  // symbol index minus code, per length
    uint8_t symbols_[256];
};

}  // namespace kjpeg
