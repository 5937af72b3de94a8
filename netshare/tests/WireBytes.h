#pragma once
// Helpers that spell wire bytes in tests.
#include "telvane/Object.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace wire {

using Bytes = std::vector<uint8_t>;

// A length-prefixed string as the encoder writes it.
inline Bytes str(const std::string& s)
{
    Bytes b{uint8_t(s.size() >> 8), uint8_t(s.size())};
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

inline Bytes zeros(size_t n) { return Bytes(n, 0); }

inline Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

inline Bytes be32(uint32_t v) { return Bytes{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

inline Bytes encode(const Telvane::Object& object)
{
    Telvane::BinaryEncoder encoder(object);
    return Bytes(encoder.data(), encoder.data() + encoder.size());
}

}  // namespace wire
