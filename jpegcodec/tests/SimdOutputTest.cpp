// The vector classes' marker-segment writer against the portable one: the
// same bytes in memory and through the file window, and the bits a vector
// Huffman body left pending stored first.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "EncOutput.h"
#include "Platform.h"
#include "SimdTestSupport.h"

namespace {
using simdtest::portable;
using simdtest::tableOf;

std::vector<uint8_t> segment(int32_t length, uint8_t seed)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(seed + i * 13);
    return bytes;
}

// Segment lengths of a marker sequence; the last leaves the memory window
// without room for its final byte.
constexpr int32_t kLengths[] = {2, 18, 0, 67, 4100, 9000, 1};

struct Written {
    std::vector<JPEG_STATUS> statuses;
    std::vector<uint8_t> bytes;
    int32_t count;
};

Written writeSegments(const CpuDispatchTable& table, bool toFile)
{
    auto io = std::make_unique<EntropyIo>();
    const std::string path = testing::TempDir() + "simd_output_" + std::to_string(toFile) + ".bin";
    if (toFile) io->file = openCodecFile(path.c_str(), CODEC_FILE_READ_WRITE);
    int32_t total = 0;
    for (int32_t length : kLengths) total += length;
    std::vector<uint8_t> memory(static_cast<size_t>(total));
    outputOpen(io.get(), memory.data(), total);
    Written written;
    uint8_t seed = 1;
    for (int32_t length : kLengths)
        written.statuses.push_back(table.outputWrite(segment(length, seed++).data(), length, io.get()));
    table.endKernels();
    written.count = io->cursor.consumed;
    if (!toFile) {
        written.bytes.assign(memory.begin(), memory.begin() + written.count);
        return written;
    }
    EXPECT_EQ(JPEG_SUCCESS, flushOutputBuffer(io.get()));
    closeCodecFile(io->file);
    std::ifstream file(path, std::ios::binary);
    written.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    return written;
}

TEST(SimdOutput, MarkerSegmentsGiveThePortableBytesInMemoryAndFiles)
{
    const CpuDispatchTable vector = tableOf(CPU_CLASS_FAMILY5_MMX);
    for (bool toFile : {false, true}) {
        const Written expected = writeSegments(portable(), toFile), actual = writeSegments(vector, toFile);
        EXPECT_EQ(expected.statuses, actual.statuses) << "file " << toFile;
        EXPECT_EQ(expected.count, actual.count) << "file " << toFile;
        EXPECT_EQ(expected.bytes, actual.bytes) << "file " << toFile;
    }
    EXPECT_EQ(JPEG_OUTPUT_BUFFER_TOO_SMALL, writeSegments(vector, false).statuses.back());
}

// Twelve pending bits 1111 1111 1000: stored as FF 00 80, counted, and
// the accumulator left empty for the segment that follows.
TEST(SimdOutput, PendingBitsLeaveAsStuffedBytesBeforeTheSegment)
{
    const CpuDispatchTable vector = tableOf(CPU_CLASS_FAMILY6_SSE);
    auto io = std::make_unique<EntropyIo>();
    uint8_t memory[16] = {};
    outputOpen(io.get(), memory, sizeof memory);
    io->bits = uint64_t{0xFF8} << 52;
    io->bitCount = 12;
    const uint8_t marker[2] = {0xFF, 0xD9};
    EXPECT_EQ(JPEG_SUCCESS, vector.outputWrite(marker, 2, io.get()));
    const uint8_t expected[] = {0xFF, 0x00, 0x80, 0xFF, 0xD9};
    EXPECT_EQ(0, std::memcmp(expected, memory, sizeof expected));
    EXPECT_EQ(5, io->cursor.consumed);
    EXPECT_EQ(0, io->bitCount);
    EXPECT_EQ(0u, io->bits);
}
}  // namespace
