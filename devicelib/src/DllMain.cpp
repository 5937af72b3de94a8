// Entry point of kvqdoccam.dll. Loading runs nothing heavy: the controllers
// start COM and register the transform filter when the first one is made.
#include <windows.h>

#include "Trace.h"

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        devicelib::Trace(L"DllMain(DLL_PROCESS_ATTACH):\n");
        DisableThreadLibraryCalls(module);
    } else if (reason == DLL_PROCESS_DETACH) {
        devicelib::Trace(L"DllMain(DLL_PROCESS_DETACH):\n");
    }
    return TRUE;
}
