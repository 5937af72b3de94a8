#include "telvane/FrameReader.h"

#include "telvane/ByteOrder.h"

#include <algorithm>
#include <new>

namespace Telvane {

FrameReader& FrameReader::operator=(FrameReader&& other) noexcept
{
    if (this == &other) return *this;
    release();
    budget_ = other.budget_;
    charged_ = other.charged_;
    std::copy(other.prefix_, other.prefix_ + sizeof prefix_, prefix_);
    prefixFilled_ = other.prefixFilled_;
    expected_ = other.expected_;
    complete_ = other.complete_;
    refused_ = other.refused_;
    refusal_ = other.refusal_;
    payload_ = std::move(other.payload_);
    other.charged_ = 0;
    other.payload_.clear();
    return *this;
}

void FrameReader::release()
{
    if (budget_) budget_->give(charged_);
    charged_ = 0;
    payload_.clear();
    payload_.shrink_to_fit();
}

FrameReader::Status FrameReader::append(const uint8_t* data, size_t size, size_t& used)
{
    used = 0;
    if (refused_) return refusal_;
    if (complete_) {
        complete_ = false;
        prefixFilled_ = 0;
        release();
    }
    if (prefixFilled_ < sizeof prefix_) {
        const size_t take = std::min(size, sizeof prefix_ - prefixFilled_);
        std::copy(data, data + take, prefix_ + prefixFilled_);
        prefixFilled_ += take;
        used += take;
        if (prefixFilled_ < sizeof prefix_) return Status::NeedMore;
        expected_ = loadBigEndian32(prefix_);
        if (expected_ > kMaxFrameLength) {
            refused_ = true;
            return refusal_ = Status::Oversized;
        }
    }
    // The buffer grows with what arrives, never with what is announced.
    const size_t take = std::min(size - used, size_t(expected_) - payload_.size());
    if (budget_ && !budget_->take(take)) {
        refused_ = true;
        return refusal_ = Status::Refused;
    }
    charged_ += take;
    try {
        payload_.insert(payload_.end(), data + used, data + used + take);
    } catch (const std::bad_alloc&) {
        refused_ = true;
        return refusal_ = Status::Refused;
    }
    used += take;
    if (payload_.size() < expected_) return Status::NeedMore;
    complete_ = true;
    return Status::FrameReady;
}

}  // namespace Telvane
