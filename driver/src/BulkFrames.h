// The bulk frame format: the 64-byte header the camera sends before each
// picture, and the check that a received picture starts (and ends) where it
// should. Everything here is bounded by the bytes actually received.
#pragma once

#include <stdint.h>

namespace dovracam {

constexpr uint32_t kFrameHeaderSize = 64;
constexpr uint32_t kFrameStatusOffset = 12;
constexpr uint32_t kFrameStatusSize = 48;

struct FrameHeader {
    uint32_t total;         // bytes the camera sends on the data pipe
    uint32_t imageLength;   // of which the picture
    const uint8_t* status;  // the 48 status bytes inside the header
};

// Accepts a header only when it is whole, carries both markers, announces a
// whole number of packets that fits the raw frame buffer, and a picture no
// longer than the transfer.
bool ParseFrameHeader(const uint8_t* bytes, uint32_t received, uint32_t rawFrameSize, uint32_t packetSize,
                      FrameHeader* header);

// Whether the picture in raw (received bytes of it) starts with its marker and
// holds no second start. For a bad frame, *earlyBytes counts the bytes of the
// next frame found at a later packet boundary (0 when none).
bool CheckFrameStart(uint8_t* raw, uint32_t received, uint32_t packetSize, bool jpegMarker, bool yuy2FromCamera,
                     uint32_t* earlyBytes);

}  // namespace dovracam
