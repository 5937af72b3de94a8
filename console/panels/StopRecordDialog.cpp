#include "StopRecordDialog.h"

#include "LanguageText.h"

namespace {
enum { IDC_QUESTION = 1003 };
}  // namespace

CStopRecordDialog::CStopRecordDialog(CWnd* parent) : CDialog(IDD, parent) {}

BOOL CStopRecordDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_QUESTION, ReadIniString(L"Messages", L"hintStopRecording", L"Stop recording"));
    SetDlgItemText(IDOK, ReadIniString(L"Messages", L"hintOk", L"Yes"));
    SetDlgItemText(IDCANCEL, ReadIniString(L"Messages", L"hintCancel", L"No"));
    return TRUE;
}
