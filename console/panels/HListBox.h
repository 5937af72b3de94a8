#pragma once

#include <kvqframe/Wnd.h>

// A standard list box whose horizontal scroll extent follows its widest
// item, so that long names can be scrolled into view. Strings added,
// inserted or deleted through the list's own messages keep it current.
class CHListBox : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int WidestExtent() const { return m_widest; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ExtendTo(const wchar_t* text);
    void RemeasureAll();

    int m_widest = 0;
};
