#include "MemoryCabinet.h"

#include <cstring>

namespace setup {

size_t MemoryCabinet::Read(void* out, size_t count)
{
    size_t left = size_ - position_;
    if (count > left) count = left;
    if (count) std::memcpy(out, data_ + position_, count);
    position_ += count;
    return count;
}

long MemoryCabinet::Seek(long offset, int origin)
{
    long long base;
    switch (origin) {
    case 0:
        base = 0;
        break;
    case 1:
        base = static_cast<long long>(position_);
        break;
    case 2:
        base = static_cast<long long>(size_);
        break;
    default:
        return -1;
    }
    long long target = base + offset;
    if (target < 0) target = 0;
    if (target > static_cast<long long>(size_)) target = static_cast<long long>(size_);
    position_ = static_cast<size_t>(target);
    return static_cast<long>(position_);
}

}  // namespace setup
