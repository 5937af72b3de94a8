// What the library needs of Windows while controllers live: COM, the Orbile
// transform filter registered (by this library only when it was missing),
// and the DirectShow capture graph.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "LibraryState.h"
#include "Trace.h"
#include "kvqvideodevice.h"

namespace devicelib {

namespace {

const wchar_t kTransformClassKey[] = L"CLSID\\{5ADCD5C3-4106-4E01-B549-CE2F85E6E04E}";

bool g_comStarted = false;
bool g_filterRegistered = false;

bool TransformFilterRegistered()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kTransformClassKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Orbile.ax beside this library's own file, never found through the search
// path, so no other file of that name is ever run.
std::wstring TransformFilterPath()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&TransformFilterPath), &self);
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + L"orbile.ax";
}

// Calls DllRegisterServer or DllUnregisterServer of Orbile.ax.
bool CallTransformFilterServer(const char* entry)
{
    const std::wstring path = TransformFilterPath();
    HMODULE filter = path.empty() ? nullptr : LoadLibraryW(path.c_str());
    if (!filter) {
        Trace(L"  can not find orbile.ax in current directory.\n");
        return false;
    }
    typedef HRESULT(STDAPICALLTYPE * ServerEntry)();
    auto server = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(filter, entry)));
    if (server) server();
    FreeLibrary(filter);
    return server != nullptr;
}

}  // namespace

std::unique_ptr<CaptureGraph> PlatformCaptureGraph() { return std::unique_ptr<CaptureGraph>(new KVQVideoDevice); }

void StartPlatformServices()
{
    const HRESULT com = CoInitialize(nullptr);
    g_comStarted = SUCCEEDED(com);
    if (TransformFilterRegistered()) return;
    Trace(L"  registering orbile.ax...\n");
    if (CallTransformFilterServer("DllRegisterServer")) {
        Trace(L"  orbile.ax is registered.\n");
        g_filterRegistered = true;
    }
}

void StopPlatformServices()
{
    if (g_filterRegistered) {
        Trace(L"  unregistering orbile.ax...\n");
        if (CallTransformFilterServer("DllUnregisterServer")) Trace(L"  orbile.ax is unregistered.\n");
        g_filterRegistered = false;
    }
    if (g_comStarted) CoUninitialize();
    g_comStarted = false;
}

}  // namespace devicelib
