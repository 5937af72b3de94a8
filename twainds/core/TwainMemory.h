#pragma once
#include <cstddef>

#include "TwainProtocol.h"

// The moveable memory that TWAIN records hand across (containers, native
// pictures): global memory on Windows, a checked heap in the native tests.
// Lock answers null for a handle it does not know, and Size 0, so records
// that point at foreign or freed memory are refused, not followed.
class TwainMemory {
public:
    virtual ~TwainMemory() = default;
    virtual TW_HANDLE Alloc(std::size_t bytes) = 0;  // zero-filled; null when exhausted
    virtual void* Lock(TW_HANDLE handle) = 0;
    virtual void Unlock(TW_HANDLE handle) = 0;
    virtual void Free(TW_HANDLE handle) = 0;
    virtual std::size_t Size(TW_HANDLE handle) = 0;
};

// Locks a handle for one scope.
class LockedHandle {
public:
    LockedHandle(TwainMemory& memory, TW_HANDLE handle)
        : m_memory(memory),
          m_handle(handle),
          m_bytes(handle ? memory.Lock(handle) : nullptr),
          m_size(m_bytes ? memory.Size(handle) : 0)
    {
    }
    ~LockedHandle()
    {
        if (m_bytes) m_memory.Unlock(m_handle);
    }
    LockedHandle(const LockedHandle&) = delete;
    LockedHandle& operator=(const LockedHandle&) = delete;

    unsigned char* Bytes() const { return static_cast<unsigned char*>(m_bytes); }
    std::size_t Size() const { return m_size; }

private:
    TwainMemory& m_memory;
    TW_HANDLE m_handle;
    void* m_bytes;
    std::size_t m_size;
};
