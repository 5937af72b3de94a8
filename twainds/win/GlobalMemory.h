#pragma once
#include "TwainMemory.h"

// TWAIN's moveable memory as the platform's global memory. A handle that is
// not global memory locks as null and has size 0.
class GlobalMemory : public TwainMemory {
public:
    TW_HANDLE Alloc(std::size_t bytes) override;
    void* Lock(TW_HANDLE handle) override;
    void Unlock(TW_HANDLE handle) override;
    void Free(TW_HANDLE handle) override;
    std::size_t Size(TW_HANDLE handle) override;
};
