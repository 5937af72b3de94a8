#pragma once

#include <kvqframe.h>

// Asks whether a running recording should stop. DoModal returns IDOK (Yes)
// to stop it; No and closing the box keep it running.
class CStopRecordDialog : public CDialog {
public:
    enum { IDD = 101 };
    explicit CStopRecordDialog(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
};
