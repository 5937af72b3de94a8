#pragma once
// What the program tests share: files beside the test, and the
// simulated camera registered as a video-input device for the test's span.
#include <windows.h>
#include <objbase.h>

#include <string>

inline std::wstring BesideTest(const wchar_t* relative)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + relative;
}

// Registers simcamfilter.dll (a "PC Camera" the device library finds) and
// unregisters it again, so that no other test of the prefix sees it.
class SimCameraRegistration {
public:
    explicit SimCameraRegistration(bool install = true)
    {
        CoInitialize(nullptr);
        m_module = LoadLibraryW(BesideTest(L"simcamfilter.dll").c_str());
        // Unregistering first clears what an interrupted run left behind.
        Call("DllUnregisterServer");
        m_registered = install && Call("DllRegisterServer");
    }
    ~SimCameraRegistration()
    {
        if (m_registered) Call("DllUnregisterServer");
        if (m_module) FreeLibrary(m_module);
        CoUninitialize();
    }
    SimCameraRegistration(const SimCameraRegistration&) = delete;
    SimCameraRegistration& operator=(const SimCameraRegistration&) = delete;

    bool Registered() const { return m_registered; }
    HMODULE Module() const { return m_module; }

private:
    bool Call(const char* entry)
    {
        typedef HRESULT(STDAPICALLTYPE * ServerEntry)();
        auto call = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(m_module, entry)));
        return call && SUCCEEDED(call());
    }

    HMODULE m_module = nullptr;
    bool m_registered = false;
};
