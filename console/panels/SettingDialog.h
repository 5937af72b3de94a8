#pragma once

#include <kvqframe.h>

#include "ConsoleSettings.h"

// The settings dialog: where and under which name pictures are saved, single
// shots or a timed series with its total time and interval, and whether
// hints are shown. It works on a copy; the caller commits after OK.
class CSettingDialog : public CDialog {
public:
    enum { IDD = 144 };
    static constexpr int kNameLength = 20;

    explicit CSettingDialog(CWnd* parent = nullptr);

    // Inputs, set before DoModal.
    CaptureSettings m_input;
    bool m_locked = false;       // a series runs: its controls stay as they are
    bool m_largeStills = false;  // the camera shown takes 2016 x 1520 stills

    // The outputs: the working copy with the texts of the path and name fields.
    CaptureSettings Commit() const { return m_working; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    void OnHScroll(UINT code, UINT pos, HWND bar) override;

private:
    void SetCaptions();
    void ShowTimeLabel(int labelId, bool total, int index);
    void EnableSeriesControls(bool enable);
    void CheckDiskSpace();
    void SetIntervalLimit(int limit);
    void Browse();

    CaptureSettings m_working;
    int m_shots = 12;
};
