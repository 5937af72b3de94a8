// A cabinet held in memory (the program's own resource), read like a file.
#pragma once

#include <cstddef>

namespace setup {

class MemoryCabinet {
public:
    MemoryCabinet() = default;
    MemoryCabinet(const void* data, size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}

    // Copies at most the bytes left from the current position and advances.
    size_t Read(void* out, size_t count);
    // origin: 0 from the start, 1 from the current position, 2 from the end
    // (offsets before the end are negative). The position stays within the
    // data; -1 for an unknown origin.
    long Seek(long offset, int origin);
    size_t Position() const { return position_; }

private:
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
};

}  // namespace setup
