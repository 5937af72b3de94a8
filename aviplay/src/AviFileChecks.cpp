#include "AviFileChecks.h"

#include <cstring>

namespace kvq {

namespace {

uint32_t ReadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool IsFourCc(const uint8_t* p, const char* code) { return std::memcmp(p, code, 4) == 0; }

// The chunks of one RIFF level: a four-character id and a little-endian
// size, the payload padded to an even length. A chunk that runs past the end
// of the bytes at hand (a cut-off file) is read as far as it goes.
class ChunkReader {
public:
    ChunkReader(const uint8_t* begin, size_t size) : next_(begin), end_(begin + size) {}

    bool Next()
    {
        if (static_cast<size_t>(end_ - next_) < 8) return false;
        id_ = next_;
        payload_ = next_ + 8;
        size_t available = static_cast<size_t>(end_ - payload_);
        size_t size = ReadLe32(next_ + 4);
        size_ = size < available ? size : available;
        uint64_t padded = static_cast<uint64_t>(size) + (size & 1);
        next_ = padded < available ? payload_ + padded : end_;
        return true;
    }
    bool Is(const char* id) const { return IsFourCc(id_, id); }
    // A LIST of the given kind; its inner chunks follow the kind.
    bool IsList(const char* kind) const { return Is("LIST") && size_ >= 4 && IsFourCc(payload_, kind); }
    ChunkReader ListBody() const { return ChunkReader(payload_ + 4, size_ - 4); }
    const uint8_t* Payload() const { return payload_; }
    size_t Size() const { return size_; }

private:
    const uint8_t* next_;
    const uint8_t* end_;
    const uint8_t* id_ = nullptr;
    const uint8_t* payload_ = nullptr;
    size_t size_ = 0;
};

// dwScale and dwRate of an AVISTREAMHEADER.
constexpr size_t kStreamScaleOffset = 20;
constexpr size_t kStreamRateOffset = 24;

bool StreamListTimingIsUsable(ChunkReader streamList)
{
    while (streamList.Next()) {
        if (!streamList.Is("strh") || streamList.Size() < kStreamRateOffset + 4) continue;
        const uint8_t* header = streamList.Payload();
        if (ReadLe32(header + kStreamScaleOffset) == 0 || ReadLe32(header + kStreamRateOffset) == 0) return false;
    }
    return true;
}

}  // namespace

bool StreamTimingIsUsable(const uint8_t* data, size_t size)
{
    if (size < 12 || !IsFourCc(data, "RIFF") || !IsFourCc(data + 8, "AVI ")) return true;
    // The RIFF size may claim more than the file holds; the bytes at hand rule.
    ChunkReader file(data + 12, size - 12);
    while (file.Next()) {
        if (!file.IsList("hdrl")) continue;
        ChunkReader headers = file.ListBody();
        while (headers.Next()) {
            if (headers.IsList("strl") && !StreamListTimingIsUsable(headers.ListBody())) return false;
        }
        return true;
    }
    return true;
}

uint64_t UncompressedFrameBytes(int32_t width, int32_t height, uint16_t bitCount)
{
    if (width <= 0 || height == 0 || bitCount == 0) return 0;
    uint64_t rowBytes = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    uint64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    return rowBytes * rows;
}

}  // namespace kvq
