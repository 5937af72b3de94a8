#include "SettingDialog.h"

#include <commctrl.h>

#include <cwchar>

#include "CaptureSeries.h"
#include "LanguageText.h"

namespace {
const wchar_t kSection[] = L"CSettingDialog";

enum {
    IDC_GROUP_RESOLUTION = 1044,
    IDC_XGA = 1035,
    IDC_SVGA = 1036,
    IDC_VGA = 1037,
    IDC_STILL_SIZE = 1075,
    IDC_GROUP_CAPTURE = 1045,
    IDC_SINGLE = 1038,
    IDC_CONTINUOUS = 1039,
    IDC_TIME_LABEL = 1069,
    IDC_INTERVAL_LABEL = 1067,
    IDC_TOTAL_TIME = 1047,
    IDC_INTERVAL = 1051,
    IDC_TOTAL_TEXT = 1058,
    IDC_INTERVAL_TEXT = 1059,
    IDC_PATH_LABEL = 1068,
    IDC_PATH = 1050,
    IDC_BROWSE = 1048,
    IDC_WARNING = 1060,
    IDC_NAME_LABEL = 1070,
    IDC_NAME = 1049,
    IDC_GROUP_OTHER = 1071,
    IDC_SHOW_HINTS = 1072,
};

const int kPictureBytes = 51200;  // each picture of a series reckoned at 50 KiB

struct Caption {
    int id;
    const wchar_t* key;
};
const Caption kCaptions[] = {
    {IDC_GROUP_RESOLUTION, L"labelRecordResolution"},
    {IDC_GROUP_CAPTURE, L"labelCapture"},
    {IDC_SINGLE, L"labelSingle"},
    {IDC_CONTINUOUS, L"labelContinuous"},
    {IDC_TIME_LABEL, L"labelTime"},
    {IDC_INTERVAL_LABEL, L"labelInterval"},
    {IDC_PATH_LABEL, L"labelSaveDirectory"},
    {IDC_BROWSE, L"labelBrowse"},
    {IDC_NAME_LABEL, L"labelFileName"},
    {IDC_GROUP_OTHER, L"labelOther"},
    {IDC_SHOW_HINTS, L"labelShowHints"},
    {IDOK, L"labelOk"},
    {IDCANCEL, L"labelCancel"},
};

struct TimeText {
    const wchar_t* number;
    const wchar_t* unit;
};
const TimeText kTotalTexts[kSeriesTableRows] = {
    {L" 1", L"labelMin"},  {L" 2", L"labelMin"},  {L" 3", L"labelMin"},  {L" 5", L"labelMin"},  {L"10", L"labelMin"},
    {L"20", L"labelMin"},  {L"30", L"labelMin"},  {L"40", L"labelMin"},  {L"60", L"labelMin"},  {L"80", L"labelMin"},
    {L"100", L"labelMin"}, {L"120", L"labelMin"}, {L" 3", L"labelHour"}, {L" 6", L"labelHour"}, {L"12", L"labelHour"},
    {L"24", L"labelHour"}, {L"36", L"labelHour"}, {L"48", L"labelHour"}, {L"60", L"labelHour"}, {L"72", L"labelHour"}};
const TimeText kIntervalTexts[kSeriesTableRows] = {
    {L" 5", L"labelSec"}, {L"10", L"labelSec"},  {L"15", L"labelSec"},  {L"20", L"labelSec"},  {L"30", L"labelSec"},
    {L"40", L"labelSec"}, {L"50", L"labelSec"},  {L" 1", L"labelMin"},  {L" 2", L"labelMin"},  {L" 3", L"labelMin"},
    {L" 5", L"labelMin"}, {L"10", L"labelMin"},  {L"20", L"labelMin"},  {L"30", L"labelMin"},  {L"40", L"labelMin"},
    {L"50", L"labelMin"}, {L" 1", L"labelHour"}, {L" 2", L"labelHour"}, {L" 3", L"labelHour"}, {L" 6", L"labelHour"}};

int Clamped(int index) { return index < 0 ? 0 : index >= kSeriesTableRows ? kSeriesTableRows - 1 : index; }

// Characters no file name may hold.
bool IsFileName(const wchar_t* name) { return !std::wcspbrk(name, L"\\/:*?\"<>|"); }
}  // namespace

CSettingDialog::CSettingDialog(CWnd* parent) : CDialog(IDD, parent) {}

void CSettingDialog::SetCaptions()
{
    SetWindowText(ReadIniString(kSection, L"labelSetting", L"labelSetting"));
    for (const Caption& caption : kCaptions)
        SetDlgItemText(caption.id, ReadIniString(kSection, caption.key, caption.key));
}

BOOL CSettingDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetCaptions();
    m_working = m_input;
    m_working.totalTimeIndex = Clamped(m_working.totalTimeIndex);
    m_working.intervalIndex = Clamped(m_working.intervalIndex);
    m_shots = ShotsPerSeries(m_working.totalTimeIndex, m_working.intervalIndex);
    SetDlgItemText(IDC_PATH, m_working.savingPath);
    SendDlgItemMessage(IDC_NAME, EM_LIMITTEXT, kNameLength);
    SetDlgItemText(IDC_NAME, m_working.savingName);

    SendDlgItemMessage(IDC_TOTAL_TIME, TBM_SETRANGE, TRUE, MAKELPARAM(0, kSeriesTableRows - 1));
    SendDlgItemMessage(IDC_INTERVAL, TBM_SETRANGE, TRUE, MAKELPARAM(0, kSeriesTableRows - 1));
    SetIntervalLimit(IntervalLimitOnOpen(m_working.totalTimeIndex));
    SendDlgItemMessage(IDC_TOTAL_TIME, TBM_SETPOS, TRUE, m_working.totalTimeIndex);

    // The recorder chooses no resolution in this console: its still size is shown.
    CheckDlgButton(IDC_XGA, BST_CHECKED);
    SetDlgItemText(IDC_STILL_SIZE, m_largeStills ? L"SXGA 2016x1520" : L"XGA 1024x768");

    const bool series = m_working.captureMode == 1;
    CheckDlgButton(series ? IDC_CONTINUOUS : IDC_SINGLE, BST_CHECKED);
    EnableSeriesControls(series);
    ShowTimeLabel(IDC_TOTAL_TEXT, true, m_working.totalTimeIndex);
    ShowTimeLabel(IDC_INTERVAL_TEXT, false, m_working.intervalIndex);
    SetDlgItemText(IDC_WARNING, L"");
    if (m_locked) {
        for (int id : {IDC_SINGLE, IDC_CONTINUOUS, IDC_NAME, IDC_BROWSE}) EnableDlgItem(id, FALSE);
        EnableSeriesControls(false);
    }
    CheckDlgButton(IDC_SHOW_HINTS, m_working.showHints ? BST_CHECKED : BST_UNCHECKED);
    CheckDiskSpace();
    return TRUE;
}

void CSettingDialog::SetIntervalLimit(int limit)
{
    SendDlgItemMessage(IDC_INTERVAL, TBM_SETRANGEMAX, TRUE, limit);
    if (m_working.intervalIndex > limit) m_working.intervalIndex = limit;
    SendDlgItemMessage(IDC_INTERVAL, TBM_SETPOS, TRUE, m_working.intervalIndex);
}

void CSettingDialog::ShowTimeLabel(int labelId, bool total, int index)
{
    const TimeText& text = (total ? kTotalTexts : kIntervalTexts)[Clamped(index)];
    wchar_t label[64];
    const CString number(text.number);
    FormatText(label, 64, L"%ls %ls", number.GetString(), ReadIniString(kSection, text.unit, text.unit));
    SetDlgItemText(labelId, label);
}

void CSettingDialog::EnableSeriesControls(bool enable)
{
    for (int id : {IDC_TOTAL_TIME, IDC_INTERVAL, IDC_TOTAL_TEXT, IDC_INTERVAL_TEXT, IDC_TIME_LABEL, IDC_INTERVAL_LABEL})
        EnableDlgItem(id, enable);
}

void CSettingDialog::CheckDiskSpace()
{
    ULARGE_INTEGER available{};
    const CString path = GetDlgItemText(IDC_PATH);
    if (!::GetDiskFreeSpaceExW(path, &available, nullptr, nullptr))
        SetDlgItemText(IDC_WARNING, ReadIniString(kSection, L"alertDiskUnknown",
                                                  L"<!> The free space of this folder cannot be read."));
    else if (available.QuadPart / kPictureBytes < static_cast<ULONGLONG>(m_shots))
        SetDlgItemText(IDC_WARNING,
                       ReadIniString(kSection, L"alertDiskNotEnough", L"<!> There is not enough disk space."));
    else
        SetDlgItemText(IDC_WARNING, L"");
}

void CSettingDialog::OnHScroll(UINT code, UINT, HWND bar)
{
    if (code == TB_ENDTRACK) return;
    const int position = static_cast<int>(::SendMessageW(bar, TBM_GETPOS, 0, 0));
    if (bar == GetDlgItem(IDC_INTERVAL)) {
        m_working.intervalIndex = position;
        ShowTimeLabel(IDC_INTERVAL_TEXT, false, position);
    } else if (bar == GetDlgItem(IDC_TOTAL_TIME)) {
        m_working.totalTimeIndex = position;
        ShowTimeLabel(IDC_TOTAL_TEXT, true, position);
        SetIntervalLimit(IntervalLimitForTotal(position));
        ShowTimeLabel(IDC_INTERVAL_TEXT, false, m_working.intervalIndex);
    } else {
        return;
    }
    m_shots = ShotsPerSeries(m_working.totalTimeIndex, m_working.intervalIndex);
    CheckDiskSpace();
}

void CSettingDialog::Browse()
{
    CString folder;
    if (!AfxChooseFolder(this, L"Choose the path", folder)) return;
    SetDlgItemText(IDC_PATH, folder);
    CheckDiskSpace();
}

BOOL CSettingDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_SINGLE:
        case IDC_CONTINUOUS:
            m_working.captureMode = LOWORD(wParam) == IDC_CONTINUOUS ? 1 : 0;
            EnableSeriesControls(m_working.captureMode == 1);
            return TRUE;
        case IDC_SHOW_HINTS:
            m_working.showHints = IsDlgButtonChecked(IDC_SHOW_HINTS) == BST_CHECKED;
            return TRUE;
        case IDC_BROWSE:
            Browse();
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CSettingDialog::OnOK()
{
    const CString name = GetDlgItemText(IDC_NAME);
    if (!IsFileName(name)) {
        // The dialog stays open with the reason under the path.
        SetDlgItemText(IDC_WARNING, ReadIniString(kSection, L"alertBadFileName",
                                                  L"<!> A file name can't contain \\ / : * ? \" < > |"));
        ::SetFocus(GetDlgItem(IDC_NAME));
        return;
    }
    m_working.savingName = name;
    m_working.savingPath = GetDlgItemText(IDC_PATH);
    CDialog::OnOK();
}
