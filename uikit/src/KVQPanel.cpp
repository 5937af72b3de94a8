#include "Skin.h"

KVQPanel::KVQPanel() = default;
KVQPanel::~KVQPanel() = default;

BOOL KVQPanel::CreateOwned(const wchar_t* title, int x, int y, HWND owner, const wchar_t* regionFile, HBITMAP face,
                           DWORD transparent, BOOL useRegion)
{
    const wchar_t* windowClass = RegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS);
    CRgn region;
    kvq::LoadSkinBitmap(&region, &m_faceRect, &m_face, regionFile, face, 1000, transparent, useRegion);
    if (!CreateEx(WS_EX_TOOLWINDOW, windowClass, title, WS_POPUP | WS_VISIBLE, x, y, m_faceRect.Width(),
                  m_faceRect.Height(), owner, nullptr))
        return FALSE;
    m_dragOrigin.x = -1;
    if (useRegion) kvq::HandRegionTo(*this, region);
    return TRUE;
}

#ifdef KVQ_TWAIN_VARIANT
BOOL KVQPanel::CreatePanel(const KVQChar* title, int x, int y, CWnd* owner, KVQChar* regionFile, HBITMAP face,
                           DWORD transparent, BOOL useRegion, HWND ownerWindow)
{
    return CreateOwned(kvq::Wide(title), x, y, owner ? owner->m_hWnd : ownerWindow, kvq::Wide(regionFile), face,
                       transparent, useRegion);
}

void KVQPanel::AdjustPanel()
{
    SetWindowPos(nullptr, 0, 0, m_faceRect.Width(), m_faceRect.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KVQPanel::OnSize(UINT type, int, int)
{
    OnChangeSize(type);
    Default();
}

void KVQPanel::OnTimer(UINT_PTR id)
{
    OnTimerEvent(static_cast<UINT>(id));
    Default();
}
#else
BOOL KVQPanel::CreatePanel(const KVQChar* title, int x, int y, CWnd* owner, KVQChar* regionFile, HBITMAP face,
                           DWORD transparent, BOOL useRegion)
{
    return CreateOwned(title, x, y, owner ? owner->m_hWnd : nullptr, regionFile, face, transparent, useRegion);
}
#endif

void KVQPanel::OnDraw(CDC* dc)
{
    const CString title = GetWindowText();
    if (!title.IsEmpty()) kvqTextOut(dc, 44, 6, title, 0);
}

BOOL KVQPanel::OnCommand(WPARAM wParam, LPARAM lParam)
{
    return OnButtonEvent(LOWORD(wParam)) || CWnd::OnCommand(wParam, lParam);
}

int KVQPanel::OnCreate(CREATESTRUCTW* cs)
{
    if (Default() == -1) return -1;
    return OnCreateWindow(cs) ? 0 : -1;
}

void KVQPanel::OnDestroy()
{
    OnDestroyWindow();
    CWnd::OnDestroy();
}

void KVQPanel::OnPaint()
{
    CPaintDC dc(this);
    if (!m_faceDC.GetSafeHdc() && m_faceDC.CreateCompatibleDC(&dc)) m_faceDC.SelectObject(&m_face);
    CRect client;
    GetClientRect(&client);
    dc.BitBlt(0, 0, client.Width(), client.Height(), &m_faceDC, 0, 0, SRCCOPY);
    OnDraw(&dc);
#ifdef KVQ_TWAIN_VARIANT
    OnDraw(&dc, client);
#endif
}

void KVQPanel::OnMove(int x, int y)
{
    OnMoveWindow(x, y);
    Default();
}

void KVQPanel::OnLButtonDown(UINT flags, CPoint pt)
{
    if (m_panelStyle & PANEL_STYLE_DRAG) {
        SetCapture();
        m_dragOrigin = pt;
    }
    OnMouse(flags, pt);
    Default();
}

void KVQPanel::OnMouseMove(UINT flags, CPoint pt)
{
    // The panel moves with the pointer, so the press point stays the origin.
    if (m_dragOrigin.x != -1 && (m_panelStyle & PANEL_STYLE_DRAG) && (flags & MK_LBUTTON) && !MyMouseMove(flags, pt)) {
        CRect rect;
        GetWindowRect(&rect);
        rect.OffsetRect(pt.x - m_dragOrigin.x, pt.y - m_dragOrigin.y);
        MoveWindow(rect, TRUE);
    }
    Default();
}

void KVQPanel::OnLButtonUp(UINT, CPoint)
{
    m_dragOrigin.x = -1;
    if (m_panelStyle & PANEL_STYLE_DRAG) ::ReleaseCapture();
    Default();
}

void KVQPanel::OnSysCommand(UINT id, LPARAM)
{
    // The low four bits of a system command belong to the system.
    if ((id & 0xFFF0) == SC_CLOSE && !(m_panelStyle & PANEL_STYLE_CLOSABLE)) return;
    Default();
}

void KVQPanel::OnKey(UINT message, UINT vk, UINT repeat, UINT flags)
{
    HWND owner = ::GetParent(m_hWnd);
    if ((m_panelStyle & PANEL_STYLE_KEYS_TO_PARENT) && owner) {
        ::PostMessageW(owner, message, vk, repeat | (static_cast<LPARAM>(flags) << 16));
        Default();
    } else if (!OnKeyboard(vk, repeat, flags, message == WM_KEYDOWN)) {
        Default();
    }
}

void KVQPanel::OnKeyDown(UINT vk, UINT repeat, UINT flags) { OnKey(WM_KEYDOWN, vk, repeat, flags); }

void KVQPanel::OnKeyUp(UINT vk, UINT repeat, UINT flags) { OnKey(WM_KEYUP, vk, repeat, flags); }
