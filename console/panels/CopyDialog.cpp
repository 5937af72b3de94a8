#include "CopyDialog.h"

#include "LanguageText.h"

namespace {
enum { IDC_COPIED_TEXT = 1006, IDC_DO_NOT_SHOW = 1007 };
}

CCopyDialog::CCopyDialog(bool showHints, CWnd* parent) : CDialog(IDD, parent), m_doNotShow(!showHints) {}

BOOL CCopyDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_DO_NOT_SHOW, m_doNotShow ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_COPIED_TEXT, ReadIniString(L"CCopyDialog", L"textCopied", L"textCopied"));
    SetDlgItemText(IDC_DO_NOT_SHOW, ReadIniString(L"CCopyDialog", L"labelDoNotShowHints", L"labelDoNotShowHints"));
    return TRUE;
}

BOOL CCopyDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_DO_NOT_SHOW && HIWORD(wParam) == BN_CLICKED) {
        m_doNotShow = IsDlgButtonChecked(IDC_DO_NOT_SHOW) != BST_UNCHECKED;
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

bool CCopyDialog::Result()
{
    m_result = !m_doNotShow;
    return m_result;
}
