#include <windows.h>

#include "PlaybackLibrary.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) kvq::AttachPlaybackLibrary();
    if (reason == DLL_PROCESS_DETACH) kvq::DetachPlaybackLibrary();
    return TRUE;
}
