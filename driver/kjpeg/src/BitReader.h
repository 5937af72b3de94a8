// Reads the entropy-coded bits of a scan, never past the frame's length.
//
// Stuffed bytes (FF 00) are unstuffed; at a marker or at the end of the
// frame the reader stops and feeds zero bits, counting them, so that a scan
// that uses any of them is found truncated instead of decoding what is not
// there.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kjpeg {

class BitReader {
public:
    void Start(const uint8_t* data, size_t length, size_t position)
    {
        data_ = data;
        length_ = length;
        position_ = position;
        buffer_ = 0;
        count_ = 0;
        padding_ = 0;
        stopped_ = false;
    }

    // Next n bits (1..16) without taking them.
    uint32_t Peek(int n)
    {
        if (count_ < n) Fill();
        return static_cast<uint32_t>(buffer_ >> (64 - n));
    }
    void Skip(int n)
    {
        buffer_ <<= n;
        count_ -= n;
    }
    uint32_t Take(int n)
    {
        const uint32_t bits = Peek(n);
        Skip(n);
        return bits;
    }
    // Makes at least 32 bits available for the next symbol and its value bits.
    void Refill()
    {
        if (count_ < 32) Fill();
    }

    // True when bits past the scan's data were consumed.
    bool Overrun() const { return count_ < padding_; }

    // Ends an entropy-coded segment: only the last byte's fill bits may
    // remain before the marker. On success the position is at the marker.
    bool FinishSegment()
    {
        Fill();
        if (!stopped_ || Overrun() || count_ - padding_ > 7) return false;
        buffer_ = 0;
        count_ = 0;
        padding_ = 0;
        stopped_ = false;
        return true;
    }

    const uint8_t* data() const { return data_; }
    size_t length() const { return length_; }
    size_t position() const { return position_; }
    // Goes on with the next entropy-coded segment, behind a restart marker.
    void Resume(size_t position) { position_ = position; }

private:
    void Fill()
    {
        while (count_ <= 56) {
            uint32_t byte = 0;
            if (!stopped_) stopped_ = !NextByte(&byte);
            if (stopped_) padding_ += 8;
            buffer_ |= static_cast<uint64_t>(byte) << (56 - count_);
            count_ += 8;
        }
    }

    // The next data byte; false at a marker (position left on its first FF)
    // or at the end of the frame.
    bool NextByte(uint32_t* byte)
    {
        if (position_ >= length_) return false;
        const uint8_t value = data_[position_];
        if (value != 0xFF) {
            ++position_;
            *byte = value;
            return true;
        }
        size_t next = position_ + 1;
        while (next < length_ && data_[next] == 0xFF) ++next;
        if (next >= length_ || data_[next] != 0x00) return false;
        position_ = next + 1;
        *byte = 0xFF;
        return true;
    }

    const uint8_t* data_ = nullptr;
    size_t length_ = 0;
    size_t position_ = 0;
    uint64_t buffer_ = 0;  // bits to read, most significant first
    int count_ = 0;        // valid bits in buffer_
    int padding_ = 0;      // zero bits at the end of buffer_ that the frame does not hold
    bool stopped_ = false;
};

}  // namespace kjpeg
