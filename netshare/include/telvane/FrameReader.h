#pragma once
// Reassembles command frames (a big-endian u32 length, then the payload)
// from whatever pieces one viewer's stream delivers, so that a viewer that
// stalls mid-frame holds up nobody else.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Telvane {

class FrameReader {
public:
    // Larger frames are refused before anything is allocated for them.
    static constexpr uint32_t kMaxFrameLength = 16u << 20;

    enum class Status { NeedMore, FrameReady, Oversized };

    // Takes bytes up to the end of the current frame and reports how many
    // it used. After FrameReady the frame stays available until the next
    // call; after Oversized the stream cannot be trusted any more.
    Status append(const uint8_t* data, size_t size, size_t& used);

    const uint8_t* frame() const { return payload_.data(); }
    uint32_t frameLength() const { return uint32_t(payload_.size()); }

private:
    uint8_t prefix_[4] = {};
    size_t prefixFilled_ = 0;
    uint32_t expected_ = 0;
    bool complete_ = false;
    bool oversized_ = false;
    std::vector<uint8_t> payload_;
};

}  // namespace Telvane
