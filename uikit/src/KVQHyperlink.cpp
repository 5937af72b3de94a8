#include "Skin.h"
#include <shellapi.h>

KVQHyperlink::KVQHyperlink() : m_cursor(::LoadCursorW(nullptr, IDC_HAND)) {}
KVQHyperlink::~KVQHyperlink() = default;

void KVQHyperlink::PreSubclassWindow()
{
    ModifyStyle(0, SS_NOTIFY);  // a static reports clicks only with it
    CStatic::PreSubclassWindow();
}

COLORREF KVQHyperlink::CurrentColour() const
{
    return m_hover ? m_hoverColour : m_visited ? m_visitedColour : m_normalColour;
}

BOOL KVQHyperlink::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* result)
{
    if (message == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, CurrentColour());
        ::SetBkMode(dc, TRANSPARENT);
        *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        if (!m_url.IsEmpty()) ::ShellExecuteW(nullptr, L"open", m_url, nullptr, nullptr, SW_SHOWNORMAL);
        m_visited = 1;
        RedrawWindow(kvq::kRedrawNow);
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

BOOL KVQHyperlink::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (!m_cursor) return CStatic::OnSetCursor(wnd, hitTest, message);
    ::SetCursor(m_cursor);
    return TRUE;
}

void KVQHyperlink::OnMouseMove(UINT, CPoint pt)
{
    // Holding the capture while hovering lets the control see the pointer leave.
    CRect rect;
    GetWindowRect(&rect);
    rect.MoveToXY(0, 0);
    if (rect.PtInRect(pt)) {
        SetCapture();
        m_hover = 1;
    } else {
        ::ReleaseCapture();
        m_hover = 0;
    }
    RedrawWindow(kvq::kRedrawNow);
    Default();
}
