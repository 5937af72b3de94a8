#include "kvqframe/App.h"
#include <vector>

namespace {
CWinApp* g_app = nullptr;

// Messages after which the application is idle again: everything except the
// periodic ones that would keep OnIdle running without a reason.
bool StartsIdle(const MSG& msg)
{
    static POINT lastMove{-1, -1};
    if (msg.message == WM_PAINT || msg.message == 0x0118 /* WM_SYSTIMER, caret blink */) return false;
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        if (msg.pt.x == lastMove.x && msg.pt.y == lastMove.y) return false;
        lastMove = msg.pt;
    }
    return true;
}
}  // namespace

CWinApp::CWinApp(const wchar_t* appName) : m_hInstance(::GetModuleHandleW(nullptr)), m_appName(appName)
{
    if (m_appName.IsEmpty()) {
        wchar_t path[MAX_PATH];
        DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name(path, length);
        size_t slash = name.find_last_of(L"\\/");
        name = name.substr(slash == std::wstring::npos ? 0 : slash + 1);
        size_t dot = name.find_last_of(L'.');
        m_appName = name.substr(0, dot);
    }
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

int AfxWinMain(HINSTANCE instance)
{
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    if (!app->InitInstance()) {
        if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd) app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

int CWinApp::Run()
{
    LONG idleCount = 0;
    bool idle = true;
    MSG msg;
    for (;;) {
        while (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = false;
        }
        do {
            if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
                m_exitCode = static_cast<int>(msg.wParam);
                return ExitInstance();
            }
            if (!PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (StartsIdle(msg)) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    HWND mainWnd = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    for (HWND wnd = msg->hwnd; wnd; wnd = ::GetParent(wnd)) {
        if (CWnd* object = CWnd::FromHandlePermanent(wnd))
            if (object->PreTranslateMessage(msg)) return TRUE;
        if (wnd == mainWnd) return FALSE;
    }
    // A message for a window outside the main window's family still passes
    // the main window (its tooltips and accelerators).
    return m_pMainWnd && mainWnd && m_pMainWnd->PreTranslateMessage(msg);
}

void CWinApp::SetRegistryKey(const wchar_t* company) { m_company = company; }

HKEY CWinApp::OpenSectionKey(const wchar_t* section, bool create)
{
    if (m_company.IsEmpty() || !section) return nullptr;
    std::wstring path = L"Software\\";
    path += m_company.GetString();
    path += L"\\";
    path += m_appName.GetString();
    path += L"\\";
    path += section;
    HKEY key = nullptr;
    LONG status = create ? ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                             nullptr, &key, nullptr)
                         : ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

CString CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue)
{
    HKEY key = OpenSectionKey(section, false);
    if (!key) return CString(defaultValue);
    DWORD type = 0, size = 0;
    CString result(defaultValue);
    if (::RegQueryValueExW(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
        if (::RegQueryValueExW(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
            ERROR_SUCCESS)
            result = text.data();
    }
    ::RegCloseKey(key);
    return result;
}

UINT CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
{
    HKEY key = OpenSectionKey(section, false);
    if (!key) return defaultValue;
    DWORD value = 0, type = 0, size = sizeof(value);
    LONG status = ::RegQueryValueExW(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? value : static_cast<UINT>(defaultValue);
}

BOOL CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value)
{
    HKEY key = OpenSectionKey(section, true);
    if (!key) return FALSE;
    LONG status;
    if (!entry)  // no entry: the whole section goes
        status = ::RegDeleteTreeW(key, nullptr);
    else if (!value)
        status = ::RegDeleteValueW(key, entry);
    else
        status = ::RegSetValueExW(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                  static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value)
{
    HKEY key = OpenSectionKey(section, true);
    if (!key) return FALSE;
    DWORD data = static_cast<DWORD>(value);
    LONG status = ::RegSetValueExW(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
