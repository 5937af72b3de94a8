#pragma once
#include "Wnd.h"

#include <commdlg.h>

#include <vector>

// The platform's open and save dialogs. The filter is "text|pattern|" pairs
// closed by a second "|".
class FX_API CFileDialog {
public:
    CFileDialog(BOOL openDialog, const wchar_t* defaultExtension = nullptr, const wchar_t* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const wchar_t* filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK with the chosen path, IDCANCEL otherwise.
    INT_PTR DoModal();
    CString GetPathName() const { return CString(m_path.data()); }
    // The chosen name's extension without the dot; empty when it has none.
    CString GetFileExt() const;

    OPENFILENAMEW m_ofn{};

private:
    BOOL m_open;
    std::vector<wchar_t> m_path;
    std::vector<wchar_t> m_filter;
    CString m_defaultExtension;
};

// The platform's print dialog. Its settings (m_pd.hDevMode, m_pd.hDevNames)
// belong to the dialog object and are freed with it.
class FX_API CPrintDialog {
public:
    CPrintDialog(BOOL setupOnly,
                 DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                               PD_NOSELECTION,
                 CWnd* parent = nullptr);
    ~CPrintDialog();
    CPrintDialog(const CPrintDialog&) = delete;
    CPrintDialog& operator=(const CPrintDialog&) = delete;

    INT_PTR DoModal();
    // The settings the dialog shows and returns, locked (the caller unlocks
    // m_pd.hDevMode); null before there are any.
    DEVMODEW* GetDevMode() const;
    CString GetDriverName() const { return Name(&DEVNAMES::wDriverOffset); }
    CString GetDeviceName() const { return Name(&DEVNAMES::wDeviceOffset); }
    CString GetPortName() const { return Name(&DEVNAMES::wOutputOffset); }
    // A drawing context of the chosen printer with the chosen settings.
    HDC CreatePrinterDC() const;

    PRINTDLGW m_pd{};

private:
    CString Name(WORD DEVNAMES::*offset) const;
};
