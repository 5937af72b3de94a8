#include "EncHuffopt.h"

namespace {
// Codes of one symbol in a 257-symbol merge tree are at most 256 bits long.
constexpr int kMaxTreeDepth = HUFF_FREQUENCY_ENTRIES;

// The entry with the smallest non-zero count; ties go to the larger index.
int smallestEntry(const uint64_t counts[HUFF_FREQUENCY_ENTRIES], int excluded)
{
    int best = -1;
    uint64_t bound = ~uint64_t{0};
    for (int i = 0; i < HUFF_FREQUENCY_ENTRIES; ++i)
        if (counts[i] && counts[i] <= bound && i != excluded) {
            bound = counts[i];
            best = i;
        }
    return best;
}
}  // namespace

void computeHuffmanLengths(const uint32_t frequencies[HUFF_FREQUENCY_ENTRIES], uint8_t bits[16], uint8_t huffval[256])
{
    uint64_t counts[HUFF_FREQUENCY_ENTRIES];
    int32_t codeSize[HUFF_FREQUENCY_ENTRIES];
    int32_t next[HUFF_FREQUENCY_ENTRIES];
    for (int i = 0; i < HUFF_FREQUENCY_ENTRIES; ++i) {
        counts[i] = frequencies[i];
        codeSize[i] = 0;
        next[i] = -1;
    }
    // The reserved entry keeps every real symbol off the all-ones code.
    counts[256] = 1;

    for (;;) {
        const int c1 = smallestEntry(counts, -1);
        const int c2 = smallestEntry(counts, c1);
        if (c2 < 0) break;
        counts[c1] += counts[c2];
        counts[c2] = 0;
        int i = c1;
        for (++codeSize[i]; next[i] >= 0; ++codeSize[i]) i = next[i];
        next[i] = c2;
        for (i = c2, ++codeSize[i]; next[i] >= 0; ++codeSize[i]) i = next[i];
    }

    int32_t lengthCount[kMaxTreeDepth + 1] = {};
    int32_t longest = 0;
    for (int i = 0; i < HUFF_FREQUENCY_ENTRIES; ++i)
        if (codeSize[i]) {
            ++lengthCount[codeSize[i]];
            if (codeSize[i] > longest) longest = codeSize[i];
        }

    // Lengths above 16: move pairs up the tree, each pair's prefix taking the
    // place of a shorter code that is split in two (T.81 K.3, Figure K.3).
    for (int i = longest; i > 16; --i)
        while (lengthCount[i] > 0) {
            int j = i - 2;
            while (lengthCount[j] == 0) --j;
            lengthCount[i] -= 2;
            lengthCount[i - 1] += 1;
            lengthCount[j + 1] += 2;
            lengthCount[j] -= 1;
        }
    // Drop the reserved code: it is the longest one.
    int i = 16;
    while (i > 1 && lengthCount[i] == 0) --i;
    if (lengthCount[i] > 0) --lengthCount[i];

    for (int length = 1; length <= 16; ++length) bits[length - 1] = static_cast<uint8_t>(lengthCount[length]);
    int p = 0;
    for (int length = 1; length <= longest; ++length)
        for (int symbol = 0; symbol < 256; ++symbol)
            if (codeSize[symbol] == length) huffval[p++] = static_cast<uint8_t>(symbol);
}
