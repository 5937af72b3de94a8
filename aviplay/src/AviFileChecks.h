// Checks on AVI data that the system's AVI reader does not make itself
// before trusting it. Platform-free, so they are also fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvq {

// The first bytes a header check reads of a file: far more than the stream
// headers of any file this system records.
constexpr size_t kHeaderCheckBytes = 256 * 1024;

// False when a stream header in the first bytes of a RIFF AVI file has a
// zero rate or scale: such a stream has no timing, and the system's reader
// does not survive opening it. Other damage is left to the reader, which
// refuses it itself; data that is no RIFF AVI at all is not judged here.
bool StreamTimingIsUsable(const uint8_t* data, size_t size);

// Bytes of one uncompressed bottom-up frame: rows padded to four bytes. 0
// for sizes that make no picture.
uint64_t UncompressedFrameBytes(int32_t width, int32_t height, uint16_t bitCount);

}  // namespace kvq
