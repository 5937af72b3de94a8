#include "GlobalMemory.h"

#include <windows.h>

namespace {

// The platform takes any pointer for a handle of fixed memory and locks it
// as itself; only a block of the process heap is such memory.
bool IsGlobalMemory(TW_HANDLE handle, void* locked)
{
    return locked && (locked != handle || HeapValidate(GetProcessHeap(), 0, locked));
}

}  // namespace

TW_HANDLE GlobalMemory::Alloc(std::size_t bytes) { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes); }

void* GlobalMemory::Lock(TW_HANDLE handle)
{
    void* locked = GlobalLock(static_cast<HGLOBAL>(handle));
    if (IsGlobalMemory(handle, locked)) return locked;
    if (locked) GlobalUnlock(static_cast<HGLOBAL>(handle));
    return nullptr;
}

void GlobalMemory::Unlock(TW_HANDLE handle) { GlobalUnlock(static_cast<HGLOBAL>(handle)); }

void GlobalMemory::Free(TW_HANDLE handle) { GlobalFree(static_cast<HGLOBAL>(handle)); }

std::size_t GlobalMemory::Size(TW_HANDLE handle)
{
    void* locked = GlobalLock(static_cast<HGLOBAL>(handle));
    const bool valid = IsGlobalMemory(handle, locked);
    if (locked) GlobalUnlock(static_cast<HGLOBAL>(handle));
    return valid ? GlobalSize(static_cast<HGLOBAL>(handle)) : 0;
}
