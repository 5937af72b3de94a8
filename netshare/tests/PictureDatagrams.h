#pragma once
// Multicast picture datagrams spelled out by hand, so that tests check the
// sender and the reassembly against the wire format, not against each other.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace datagrams {

using Bytes = std::vector<uint8_t>;

inline void putBigEndian(Bytes& b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
}

inline void putLittleEndian(Bytes& b, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8) b.push_back(uint8_t(v >> shift));
}

inline Bytes star(uint32_t pictureLength, uint32_t frameId)
{
    Bytes b{'S', 'T', 'A', 'R', 0x01, 0x00, 0, 0, 'J', 'P', 'E', 'G'};
    putBigEndian(b, pictureLength);
    putLittleEndian(b, frameId);
    return b;
}

inline Bytes chunk(const char* tag, uint32_t offset, uint32_t frameId, const uint8_t* payload, size_t size)
{
    Bytes b(tag, tag + 4);
    putBigEndian(b, offset);
    putLittleEndian(b, frameId);
    b.insert(b.end(), payload, payload + size);
    return b;
}

// The datagrams of one picture, in sending order.
inline std::vector<Bytes> picture(const Bytes& jpeg, const Bytes& meta, uint32_t frameId)
{
    std::vector<Bytes> all{star(uint32_t(jpeg.size()), frameId)};
    if (!meta.empty()) all.push_back(chunk("META", 0, frameId, meta.data(), meta.size()));
    size_t offset = 0;
    do {
        const size_t size = std::min<size_t>(1460, jpeg.size() - offset);
        all.push_back(chunk("JPEG", uint32_t(offset), frameId, jpeg.data() + offset, size));
        offset += size;
    } while (offset < jpeg.size());
    return all;
}

inline Bytes pattern(size_t size, uint8_t seed)
{
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = uint8_t(i * 31 + seed + (i >> 8));
    return b;
}

}  // namespace datagrams
