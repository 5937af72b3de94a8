// Dispatch tables of the processor classes and random blocks for the
// differential tests of the vector bodies.
#ifndef JPEGCODEC_SIMD_TEST_SUPPORT_H
#define JPEGCODEC_SIMD_TEST_SUPPORT_H

#include <cstring>
#include <random>

#include "CpuDispatch.h"

namespace simdtest {

// The sanitizer build (unoptimised and instrumented) runs a sample; the
// optimised builds (Windows under Wine, bench) run the full counts: a
// million random blocks, every 24-bit colour.
#if defined(__SANITIZE_ADDRESS__)
#define SIMD_TEST_SAMPLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SIMD_TEST_SAMPLED 1
#endif
#endif
#ifdef SIMD_TEST_SAMPLED
constexpr int32_t kRandomBlocks = 30000;
constexpr uint32_t kColourStep = 61;  // every 61st MCU or line of a colour sweep
#else
constexpr int32_t kRandomBlocks = 1000000;
constexpr uint32_t kColourStep = 1;
#endif

inline CpuDispatchTable tableOf(int32_t cpuClass)
{
    CpuDispatchTable table = {};
    fillDispatchTable(&table, cpuClass);
    return table;
}

inline const CpuDispatchTable& portable()
{
    static const CpuDispatchTable table = tableOf(CPU_CLASS_OTHER);
    return table;
}

struct Block {
    int16_t values[64];
    bool operator==(const Block& other) const { return std::memcmp(values, other.values, sizeof values) == 0; }
};

inline Block randomBlock(std::mt19937& random, int32_t low, int32_t high)
{
    std::uniform_int_distribution<int32_t> value(low, high);
    Block block;
    for (int16_t& v : block.values) v = static_cast<int16_t>(value(random));
    return block;
}

// Decoded blocks mostly end within their first rows: a random block with
// any subset of its rows cleared.
inline Block randomBlockWithRowsCleared(std::mt19937& random, int32_t low, int32_t high)
{
    Block block = randomBlock(random, low, high);
    const uint32_t cleared = random() % 256;
    for (int row = 0; row < 8; ++row)
        if (cleared & (1u << row)) std::memset(block.values + row * 8, 0, 8 * sizeof(int16_t));
    return block;
}

}  // namespace simdtest

#endif
