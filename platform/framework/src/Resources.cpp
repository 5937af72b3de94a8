#include "CreationHook.h"
#include "kvqframe/App.h"
#include <algorithm>
#include <mutex>
#include <vector>

namespace {
HINSTANCE g_framework = nullptr;
HINSTANCE g_resource = nullptr;  // null: the program's own module

std::mutex g_chainLock;
std::vector<HMODULE>& Chain()
{
    static std::vector<HMODULE> modules;
    return modules;
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_framework = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

HINSTANCE FrameworkInstance() { return g_framework; }

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& module, HMODULE instance)
{
    if (!instance) return FALSE;
    module.hModule = instance;
    module.bInitialized = TRUE;
    std::lock_guard guard(g_chainLock);
    if (std::find(Chain().begin(), Chain().end(), instance) == Chain().end()) Chain().push_back(instance);
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& module)
{
    if (!module.bInitialized) return;
    std::lock_guard guard(g_chainLock);
    Chain().erase(std::remove(Chain().begin(), Chain().end(), module.hModule), Chain().end());
    module.bInitialized = FALSE;
}

HINSTANCE AfxGetResourceHandle() { return g_resource ? g_resource : ::GetModuleHandleW(nullptr); }

void AfxSetResourceHandle(HINSTANCE instance) { g_resource = instance; }

HINSTANCE AfxFindResourceHandle(const wchar_t* name, const wchar_t* type)
{
    HINSTANCE current = AfxGetResourceHandle();
    if (::FindResourceW(current, name, type)) return current;
    std::lock_guard guard(g_chainLock);
    for (HMODULE module : Chain())
        if (::FindResourceW(module, name, type)) return module;
    return current;
}
