#include "telvane/FrameReader.h"

#include "telvane/ByteOrder.h"

#include <algorithm>

namespace Telvane {

FrameReader::Status FrameReader::append(const uint8_t* data, size_t size, size_t& used)
{
    used = 0;
    if (oversized_)
        return Status::Oversized;
    if (complete_) {
        complete_ = false;
        prefixFilled_ = 0;
        payload_.clear();
    }
    if (prefixFilled_ < sizeof prefix_) {
        const size_t take = std::min(size, sizeof prefix_ - prefixFilled_);
        std::copy(data, data + take, prefix_ + prefixFilled_);
        prefixFilled_ += take;
        used += take;
        if (prefixFilled_ < sizeof prefix_)
            return Status::NeedMore;
        expected_ = loadBigEndian32(prefix_);
        if (expected_ > kMaxFrameLength) {
            oversized_ = true;
            return Status::Oversized;
        }
    }
    // The buffer grows with what arrives, never with what is announced.
    const size_t take = std::min(size - used, size_t(expected_) - payload_.size());
    payload_.insert(payload_.end(), data + used, data + used + take);
    used += take;
    if (payload_.size() < expected_)
        return Status::NeedMore;
    complete_ = true;
    return Status::FrameReady;
}

}  // namespace Telvane
