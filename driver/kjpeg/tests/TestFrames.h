// Frames and reference decodes shared by the decoder's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kjpeg/JpegDecoder.h"

namespace kjpeg_test {

using Bytes = std::vector<uint8_t>;

// A frame made by make_frames.sh.
Bytes ReadFrame(const std::string& name);

// The decoder's planes, or its refusal.
struct KernelDecode {
    kjpeg::Status status;
    kjpeg::ChromaLayout chroma;
    Bytes planes;
};
KernelDecode DecodeWithKernel(const Bytes& frame);

// libjpeg-turbo's Y, Cb and Cr planes at their own sampling (no upsampling,
// no colour conversion), accurate integer DCT, one after the other.
Bytes DecodeWithTurbo(const Bytes& frame);

// The frame without its segments of the given marker code.
Bytes WithoutSegments(const Bytes& frame, uint8_t marker);

// Offset of the first marker FF code in the frame's header part.
size_t FindMarker(const Bytes& frame, uint8_t marker);

}  // namespace kjpeg_test
