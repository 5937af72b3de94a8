#pragma once
#include <kvquikit.h>

// The data source's About box: the notice, a link to the maker's web site,
// OK and an update button (updates are not offered yet).
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent);

    // Modal; the template comes from the data source's own resources.
    INT_PTR DoModal() override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    KVQHyperlink m_link;
};
