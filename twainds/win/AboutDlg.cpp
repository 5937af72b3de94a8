#include "AboutDlg.h"

#include "LanguageText.h"
#include "SourceDialogs.h"
#include "SourceModule.h"

namespace {

const wchar_t kMakerSite[] = L"https://www.dovraorbile.example/";

// Each text is copied at once: the language file's reader reuses its buffer.
void SetItemText(HWND dialog, int id, const wchar_t* section, const wchar_t* key, const wchar_t* text)
{
    wchar_t shown[512];
    FormatText(shown, 512, L"%ls", ReadIniString(section, key, text));
    ::SetDlgItemTextW(dialog, id, shown);
}

}  // namespace

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_SOURCE_ABOUT, parent) {}

INT_PTR CAboutDlg::DoModal()
{
    CResourceModuleScope scope(SourceModule());
    return CDialog::DoModal();
}

void CAboutDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_ABOUT_LINK, m_link); }

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    wchar_t title[128];
    FormatText(title, 128, L"%ls", ReadIniString(L"CAboutDlg", L"abDlgTitle", L"About..."));
    ::SetWindowTextW(m_hWnd, title);
    SetItemText(m_hWnd, IDC_ABOUT_NOTICE, L"CAboutDlg", L"abCopyright", L"DovraOrbile DocCam TWAIN");
    SetItemText(m_hWnd, IDOK, L"Messages", L"hintOk", L"OK");
    SetItemText(m_hWnd, IDC_ABOUT_UPDATE, L"Messages", L"hintUpdate", L"Update");
    m_link.m_url = kMakerSite;
    return TRUE;
}

BOOL CAboutDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != IDC_ABOUT_UPDATE || HIWORD(wParam) != BN_CLICKED) return CDialog::OnCommand(wParam, lParam);
    wchar_t title[128];
    ::GetWindowTextW(m_hWnd, title, 128);
    ::MessageBoxW(m_hWnd, L"Not supported yet!!", title, MB_OK | MB_ICONINFORMATION);
    return TRUE;
}
