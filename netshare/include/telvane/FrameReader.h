#pragma once
// Reassembles command frames (a big-endian u32 length, then the payload)
// from whatever pieces one viewer's stream delivers, so that a viewer that
// stalls mid-frame holds up nobody else.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace Telvane {

// The bytes that the frames of several viewers may hold together, so that
// many viewers each part-way through a large frame cannot exhaust memory.
class FrameBudget {
public:
    explicit FrameBudget(size_t limit) : limit_(limit) {}

    bool take(size_t bytes)
    {
        if (bytes > limit_ - held_) return false;
        held_ += bytes;
        return true;
    }
    void give(size_t bytes) { held_ -= bytes; }
    size_t held() const { return held_; }

private:
    size_t limit_;
    size_t held_ = 0;
};

class FrameReader {
public:
    // Larger frames are refused before anything is allocated for them.
    static constexpr uint32_t kMaxFrameLength = 16u << 20;

    // Oversized: the announced length is over the limit. Refused: the
    // frame's bytes do not fit the budget or cannot be allocated.
    enum class Status { NeedMore, FrameReady, Oversized, Refused };

    // Without a budget only the per-frame limit applies.
    explicit FrameReader(FrameBudget* budget = nullptr) : budget_(budget) {}
    ~FrameReader() { release(); }
    FrameReader(FrameReader&& other) noexcept { *this = std::move(other); }
    FrameReader& operator=(FrameReader&& other) noexcept;

    // Takes bytes up to the end of the current frame and reports how many
    // it used. After FrameReady the frame stays available until the next
    // call; after Oversized or Refused the stream cannot be trusted any
    // more. Never throws.
    Status append(const uint8_t* data, size_t size, size_t& used);

    const uint8_t* frame() const { return payload_.data(); }
    uint32_t frameLength() const { return uint32_t(payload_.size()); }

private:
    void release();

    FrameBudget* budget_ = nullptr;
    size_t charged_ = 0;
    uint8_t prefix_[4] = {};
    size_t prefixFilled_ = 0;
    uint32_t expected_ = 0;
    bool complete_ = false;
    bool refused_ = false;
    Status refusal_ = Status::NeedMore;
    std::vector<uint8_t> payload_;
};

}  // namespace Telvane
