#pragma once

#include <kvqframe.h>

// The hint that a selected area went to the clipboard, with a check box to
// stop showing it. The caller writes Result() back as the show-hints setting.
class CCopyDialog : public CDialog {
public:
    enum { IDD = 145 };
    CCopyDialog(bool showHints, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The new show-hints value.
    bool Result();

private:
    bool m_doNotShow;
    bool m_result = true;
};
