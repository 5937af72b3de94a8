#include "MessageDialog.h"

#include "LanguageText.h"
#include "resource.h"

CMessageDialog::CMessageDialog() : CDialog(IDD_MESSAGE_DIALOG) {}

void CMessageDialog::Show(const wchar_t* textSection, const wchar_t* textKey, const wchar_t* titleSection,
                          const wchar_t* titleKey)
{
    if (!m_hWnd && !Create(IDD_MESSAGE_DIALOG)) return;
    if (titleKey) SetWindowText(ReadIniString(titleSection, titleKey, L"Initializing"));
    ::SetDlgItemTextW(m_hWnd, IDC_MESSAGE_TEXT, ReadIniString(textSection, textKey, L"Please wait..."));
    ShowWindow(SW_SHOWNOACTIVATE);
    UpdateWindow();
}

void CMessageDialog::Close()
{
    if (m_hWnd) DestroyWindow();
}
