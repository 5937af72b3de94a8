#pragma once

#include <kvquikit.h>

// The About box: the program's icon, its version, the maker's copyright line
// and web address.
class CAboutDlg : public CDialog {
public:
    enum { IDD = 100 };
    CAboutDlg();

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    KVQHyperlink m_link;
};
