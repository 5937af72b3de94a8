#include "AboutDialog.h"

#include "LanguageText.h"

namespace {
enum { IDC_COPYRIGHT = 1001, IDC_LINK = 1002, IDC_UPDATE = 1033 };
const wchar_t kMakerAddress[] = L"https://www.korvane.example/orbile";
}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD) {}

void CAboutDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_LINK, m_link); }

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(ReadIniString(L"CAboutDlg", L"abDlgTitle", L"About..."));
    SetDlgItemText(IDC_COPYRIGHT, ReadIniString(L"CAboutDlg", L"abCopyright", L"Copyright (C) Korvane Imaging"));
    SetDlgItemText(IDOK, ReadIniString(L"Messages", L"hintOk", L"OK"));
    SetDlgItemText(IDC_UPDATE, ReadIniString(L"Messages", L"hintUpdate", L"Update"));
    m_link.m_url = kMakerAddress;
    return TRUE;
}

BOOL CAboutDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_UPDATE && HIWORD(wParam) == BN_CLICKED) {
        ::MessageBoxW(m_hWnd, L"Not supported yet!!", nullptr, MB_OK);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}
