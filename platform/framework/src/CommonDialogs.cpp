#include "kvqframe/CommonDialogs.h"
#include "kvqframe/App.h"

#include <cwchar>

namespace {
// Room for any path the platform's dialogs return.
const size_t kPathRoom = 32768;

HWND ParentOf(CWnd* parent)
{
    CWnd* window = parent ? parent : AfxGetMainWnd();
    return window ? window->m_hWnd : nullptr;
}
}  // namespace

CFileDialog::CFileDialog(BOOL openDialog, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, CWnd* parent)
    : m_open(openDialog), m_path(kPathRoom, L'\0'), m_defaultExtension(defaultExtension)
{
    if (fileName) wcsncpy(m_path.data(), fileName, kPathRoom - 1);
    if (filter) {
        // The platform wants NUL separators and a double NUL at the end.
        m_filter.assign(filter, filter + wcslen(filter));
        for (wchar_t& c : m_filter)
            if (c == L'|') c = L'\0';
        m_filter.push_back(L'\0');
        m_filter.push_back(L'\0');
    }
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = ParentOf(parent);
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.data();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_path.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_path.size());
    m_ofn.lpstrDefExt = m_defaultExtension.IsEmpty() ? nullptr : m_defaultExtension.GetString();
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal()
{
    const BOOL chosen = m_open ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

CString CFileDialog::GetFileExt() const
{
    const wchar_t* path = m_path.data();
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c; ++c)
        if (*c == L'\\' || *c == L'/') name = c + 1;
    const wchar_t* dot = wcsrchr(name, L'.');
    return CString(dot ? dot + 1 : L"");
}

CPrintDialog::CPrintDialog(BOOL setupOnly, DWORD flags, CWnd* parent)
{
    m_pd.lStructSize = sizeof(m_pd);
    m_pd.hwndOwner = ParentOf(parent);
    m_pd.Flags = flags | (setupOnly ? PD_PRINTSETUP : 0);
    m_pd.nCopies = 1;
}

CPrintDialog::~CPrintDialog()
{
    if (m_pd.hDevMode) ::GlobalFree(m_pd.hDevMode);
    if (m_pd.hDevNames) ::GlobalFree(m_pd.hDevNames);
}

INT_PTR CPrintDialog::DoModal() { return ::PrintDlgW(&m_pd) ? IDOK : IDCANCEL; }

DEVMODEW* CPrintDialog::GetDevMode() const
{
    // Locked once for the caller's use; movable blocks stay put while locked.
    return m_pd.hDevMode ? static_cast<DEVMODEW*>(::GlobalLock(m_pd.hDevMode)) : nullptr;
}

CString CPrintDialog::Name(WORD DEVNAMES::*offset) const
{
    if (!m_pd.hDevNames) return CString();
    const auto* names = static_cast<const DEVNAMES*>(::GlobalLock(m_pd.hDevNames));
    if (!names) return CString();
    const size_t room = ::GlobalSize(m_pd.hDevNames) / sizeof(wchar_t);
    const auto* text = reinterpret_cast<const wchar_t*>(names);
    const size_t start = names->*offset;
    CString name =
        start < room ? CString(text + start, static_cast<int>(wcsnlen(text + start, room - start))) : CString();
    ::GlobalUnlock(m_pd.hDevNames);
    return name;
}

HDC CPrintDialog::CreatePrinterDC() const
{
    const CString driver = GetDriverName(), device = GetDeviceName(), port = GetPortName();
    if (device.IsEmpty()) return nullptr;
    DEVMODEW* mode = GetDevMode();
    HDC dc = ::CreateDCW(driver, device, port, mode);
    if (mode) ::GlobalUnlock(m_pd.hDevMode);
    return dc;
}

BOOL CWinApp::GetPrinterDeviceDefaults(PRINTDLGW* settings)
{
    if (!settings) return FALSE;
    PRINTDLGW query{};
    query.lStructSize = sizeof(query);
    query.Flags = PD_RETURNDEFAULT;
    if (!::PrintDlgW(&query) || !query.hDevNames) {
        if (query.hDevMode) ::GlobalFree(query.hDevMode);
        if (query.hDevNames) ::GlobalFree(query.hDevNames);
        return FALSE;
    }
    settings->hDevMode = query.hDevMode;
    settings->hDevNames = query.hDevNames;
    return TRUE;
}
