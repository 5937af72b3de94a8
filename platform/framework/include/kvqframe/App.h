#pragma once
#include "Wnd.h"

#include <commdlg.h>

// The process's application object: one instance, made by the host (a program
// or a plug-in library), registered with the framework by its constructor.
class FX_API CWinApp {
public:
    explicit CWinApp(const wchar_t* appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    CString m_appName;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    // The message loop: idle processing while the queue is empty, then
    // PreTranslateMessage and dispatch; returns ExitInstance() after WM_QUIT.
    virtual int Run();
    // Offers a queued message to the windows from its target up through its
    // parents and owners to the main window; TRUE = consumed.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Idle work; TRUE asks for another idle call before waiting.
    virtual BOOL OnIdle(LONG count) { return count == 0; }
    // Commands that no window handled (the About command of title bars).
    virtual BOOL OnCmdMsg(UINT id, int code) { return FALSE; }

    // Per-user profile: HKEY_CURRENT_USER\Software\<company>\<application>\<section>.
    void SetRegistryKey(const wchar_t* company);
    const CString& GetRegistryKey() const { return m_company; }
    CString GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue = nullptr);
    UINT GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue);
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value);
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value);

    // The default printer's settings and names into settings->hDevMode and
    // hDevNames, new blocks the caller frees; FALSE when there is no printer.
    BOOL GetPrinterDeviceDefaults(PRINTDLGW* settings);

private:
    HKEY OpenSectionKey(const wchar_t* section, bool create);
    CString m_company;
    int m_exitCode = 0;
};

FX_API CWinApp* AfxGetApp();
FX_API CWnd* AfxGetMainWnd();

// Program entry for hosts that are programs: InitInstance, then Run, or
// ExitInstance at once when initialisation fails.
FX_API int AfxWinMain(HINSTANCE instance);

// Resource-module chain. Resources are looked up first in the current
// resource module, then in every registered extension library in order of
// registration. A library registers with AfxInitExtensionModule and stays in
// the chain until AfxTermExtensionModule.
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
};
FX_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& module, HMODULE instance);
FX_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& module);
FX_API HINSTANCE AfxGetResourceHandle();
FX_API void AfxSetResourceHandle(HINSTANCE instance);
FX_API HINSTANCE AfxFindResourceHandle(const wchar_t* name, const wchar_t* type);

// Makes a module the current resource module for the life of the scope.
class FX_API CResourceModuleScope {
public:
    explicit CResourceModuleScope(HINSTANCE instance) : m_saved(AfxGetResourceHandle())
    {
        AfxSetResourceHandle(instance);
    }
    ~CResourceModuleScope() { AfxSetResourceHandle(m_saved); }
    CResourceModuleScope(const CResourceModuleScope&) = delete;
    CResourceModuleScope& operator=(const CResourceModuleScope&) = delete;

private:
    HINSTANCE m_saved;
};
