#include "ManagerNotice.h"

#include <windows.h>

namespace {

typedef TW_UINT16(WINAPI* DsmEntry)(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 dat,
                                    TW_UINT16 message, TW_MEMREF data);

}  // namespace

void SendManagerNotice(TW_IDENTITY& source, TW_IDENTITY& application, TW_UINT16 message)
{
    HMODULE manager = LoadLibraryW(L"TWAIN_32.DLL");
    if (!manager) return;
    auto entry = reinterpret_cast<DsmEntry>(reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
    if (entry) entry(&source, &application, DG_CONTROL, DAT_NULL, message, nullptr);
    FreeLibrary(manager);
}
