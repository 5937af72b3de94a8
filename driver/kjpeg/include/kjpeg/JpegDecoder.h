// Kernel JPEG decoder of the camera's 1024x768 baseline frames.
//
// Freestanding: no allocation, no globals, no locks. The caller owns the
// decoder's block (from non-paged pool) and serialises the calls on one
// decoder; separate decoders are independent.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kjpeg {

// Why a frame was refused. Every status but Ok leaves the planes undefined.
enum class Status : int32_t {
    Ok = 0,
    BadArgument,     // null pointers or a block that is too small or misaligned
    Truncated,       // the frame ends before its picture does
    BadMarker,       // a marker out of place, or bytes where a marker must stand
    BadSegment,      // a segment whose length disagrees with its contents
    Unsupported,     // not the camera's kind of frame: size, components, sampling, precision, process
    BadTable,        // a table id or Huffman table the camera does not send, or one that overflows
    BadEntropyData,  // a bit pattern that matches no code, or a block past 64 coefficients
    BadRestart,      // a missing or out-of-order restart marker
    OutputTooSmall,  // the planes do not fit the caller's buffer
};

// The frame's geometry: the only one accepted.
constexpr uint32_t kFrameWidth = 1024;
constexpr uint32_t kFrameHeight = 768;
constexpr size_t kLumaPlaneSize = size_t{kFrameWidth} * kFrameHeight;
// Largest plane set (4:2:2); also the driver's decode buffer size.
constexpr size_t kMaxPlanesSize = kLumaPlaneSize * 2;

// How the chroma planes are sampled; follows the frame's luma sampling.
enum class ChromaLayout : uint8_t {
    Quarter,  // 2x2 luma sampling (4:2:0): 512x384 chroma planes
    Half,     // 2x1 luma sampling (4:2:2): 512x768 chroma planes
};

// A decoded frame: Y (1024x768), Cb and Cr planes one after the other.
struct DecodedFrame {
    const uint8_t* planes;
    ChromaLayout chroma;
    size_t size;  // bytes of all three planes
};

struct JpegDecoder;

// Bytes and alignment of the block a decoder lives in.
constexpr size_t kJpegDecoderBlockSize = 8192;
constexpr size_t kJpegDecoderBlockAlignment = 8;

// Places a decoder in the caller's block and loads its built-in tables.
// Returns null when the block is too small or misaligned.
JpegDecoder* CreateJpegDecoder(void* block, size_t blockSize);

// Decodes one frame into planes (capacity bytes). Nothing outside the
// frame's length is read and nothing outside the planes is written.
Status DecodeJpegFrame(JpegDecoder* decoder, const uint8_t* frame, size_t length, uint8_t* planes, size_t capacity,
                       DecodedFrame* decoded);

}  // namespace kjpeg
