#include "HuffmanTable.h"

#include "Memory.h"

namespace kjpeg {

bool HuffmanTable::Build(const HuffmanDefinition& definition, bool dc)
{
    int total = 0;
    for (int i = 0; i < 16; ++i) total += definition.counts[i];
    if (total > 256) return false;
    for (int i = 0; i < total; ++i)
        if (dc && definition.symbols[i] > 11) return false;
    CopyBytes(symbols_, definition.symbols, static_cast<size_t>(total));
    ClearBytes(lookahead_, sizeof lookahead_);

    // Canonical codes: each length continues where the shorter ones ended.
    int32_t code = 0;
    int index = 0;
    maxCode_[0] = -1;
    valueOffset_[0] = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = definition.counts[length - 1];
        valueOffset_[length] = index - code;
        // No code may be all ones (JPEG C.2), so the last one stays below it.
        if (count > 0 && code + count >= (int32_t{1} << length)) return false;
        if (length <= kLookaheadBits) {
            const int spread = kLookaheadBits - length;
            for (int i = 0; i < count; ++i) {
                const uint16_t entry = static_cast<uint16_t>(length << 8 | symbols_[index + i]);
                const int first = (code + i) << spread;
                for (int j = 0; j < (1 << spread); ++j) lookahead_[first + j] = entry;
            }
        }
        code += count;
        index += count;
        maxCode_[length] = count > 0 ? code - 1 : -1;
        code <<= 1;
    }
    return true;
}

int HuffmanTable::DecodeLong(BitReader& reader) const
{
    const int32_t bits = static_cast<int32_t>(reader.Peek(16));
    for (int length = kLookaheadBits + 1; length <= 16; ++length) {
        const int32_t code = bits >> (16 - length);
        if (code <= maxCode_[length]) {
            reader.Skip(length);
            return symbols_[valueOffset_[length] + code];
        }
    }
    return -1;
}

}  // namespace kjpeg
