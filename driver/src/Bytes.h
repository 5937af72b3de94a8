// Byte helpers for code that has no C library to lean on.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <streamclass/StreamClass.h>

namespace dovracam {

inline void CopyBytes(void* to, const void* from, size_t count)
{
    uint8_t* d = static_cast<uint8_t*>(to);
    const uint8_t* s = static_cast<const uint8_t*>(from);
    for (size_t i = 0; i < count; ++i) d[i] = s[i];
}

inline void ZeroBytes(void* to, size_t count)
{
    uint8_t* d = static_cast<uint8_t*>(to);
    for (size_t i = 0; i < count; ++i) d[i] = 0;
}

inline bool SameBytes(const void* a, const void* b, size_t count)
{
    const uint8_t* x = static_cast<const uint8_t*>(a);
    const uint8_t* y = static_cast<const uint8_t*>(b);
    for (size_t i = 0; i < count; ++i)
        if (x[i] != y[i]) return false;
    return true;
}

inline bool SameGuid(const ScGuid& a, const ScGuid& b) { return SameBytes(&a, &b, sizeof(ScGuid)); }

constexpr uint32_t AlignUp(uint32_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace dovracam
