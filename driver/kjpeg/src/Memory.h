// The only C runtime the kernel offers: memset, memcpy, memmove (inlined by
// the compiler where it can).
#pragma once

#include <stddef.h>

namespace kjpeg {
inline void ClearBytes(void* destination, size_t count) { __builtin_memset(destination, 0, count); }
inline void CopyBytes(void* destination, const void* source, size_t count)
{
    __builtin_memcpy(destination, source, count);
}
}  // namespace kjpeg
