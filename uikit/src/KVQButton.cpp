#include "Skin.h"
#include <algorithm>

namespace {
const DWORD kLongestClick = 3000;  // ms; a longer hold is no click

DWORD SystemTicks() { return ::GetTickCount(); }
KVQButton::TickSource g_ticks = &SystemTicks;
}  // namespace

void KVQButton::SetTickSource(TickSource source) { g_ticks = source ? source : &SystemTicks; }

KVQButton::KVQButton() = default;
KVQButton::~KVQButton() = default;

BOOL KVQButton::CreateButton(int style, int x, int y, CWnd* parent, CWnd* notify, UINT id, KVQChar* regionFile,
                             HBITMAP face, HBITMAP hover, HBITMAP disabled, HBITMAP* states, int count,
                             DWORD transparent, BOOL useRegion)
{
    m_id = id;
    m_style = style;
    m_notify = notify;
    m_stateCount = std::clamp(count, 1, 8);

    const kvq::FaceSource source{kvq::Wide(regionFile), face, 1032, transparent, useRegion};
    if (!kvq::CreateSkinnedChild(*this, m_face, m_region, source, x, y, parent, id)) return FALSE;

    // Every image but the face falls back to the caller's face, then to the
    // library's default for its role.
    auto orFace = [face](HBITMAP image) { return image ? image : face; };
    kvq::ScreenDC screen;
    if (!screen) return FALSE;
    m_images[0].FromBitmap(kvq::ImageSource(orFace(disabled), 1029).Handle(), screen.Handle());
    m_images[1].FromBitmap(kvq::ImageSource(orFace(hover), 1031).Handle(), screen.Handle());
    for (int k = 0; k < m_stateCount; ++k) {
        HBITMAP state = states ? (states[k] ? states[k] : states[0]) : face;
        m_images[2 + k].FromBitmap(kvq::ImageSource(state, 1030).Handle(), screen.Handle());
    }
    return TRUE;
}

void KVQButton::SetCheck(int state)
{
    if (m_style != BUTTON_STYLE_MANUAL) m_style = BUTTON_STYLE_CHECK;
    m_checkState = state < 0 ? 0 : std::min(state, m_stateCount);
    Redraw();
}

DWORD KVQButton::GetHoldTime() const { return m_held ? g_ticks() - m_pressTime : 0; }

BOOL KVQButton::OnCommand(WPARAM wParam, LPARAM lParam)
{
    return OnButtonEvent(LOWORD(wParam)) || CWnd::OnCommand(wParam, lParam);
}

bool KVQButton::Notify()
{
    if (!m_notify) return true;
    LifeGuard guard(this);
    ::SendMessageW(m_notify->m_hWnd, WM_COMMAND, m_id, 0);
    return guard.Alive();
}

void KVQButton::Redraw()
{
    if (m_hWnd) RedrawWindow(kvq::kRedrawNow);
}

const SkinImage* KVQButton::ImageToShow() const
{
    if (!IsWindowEnabled()) return &m_images[0];
    if (m_checkState >= 1) return &m_images[m_checkState + 1];
    if (m_held) return &m_images[2];
    if (m_hover) return &m_images[1];
    return nullptr;  // the face
}

void KVQButton::OnPaint()
{
    CPaintDC dc(this);
    CRect window;
    GetWindowRect(&window);
    const int width = window.Width(), height = window.Height();
    if (!m_faceDC.GetSafeHdc() && m_faceDC.CreateCompatibleDC(&dc)) m_faceDC.SelectObject(&m_face);
    if (const SkinImage* image = ImageToShow())
        image->Draw(dc, 0, 0, width, height);
    else
        dc.BitBlt(0, 0, width, height, &m_faceDC, 0, 0, SRCCOPY);
    CRect client(0, 0, width, height);
    OnDraw(&dc, client);
}

void KVQButton::OnLButtonDown(UINT flags, CPoint pt)
{
    if (m_style == BUTTON_STYLE_MOUSE) {
        OnMouse(flags, pt);
        Default();
        return;
    }
    if (!m_captured) {
        SetCapture();
        m_captured = 1;
    }
    m_held = 1;
    if (m_style == BUTTON_STYLE_PRESS && !Notify()) return;
    m_pressTime = g_ticks();
    Redraw();
    Default();
}

void KVQButton::OnLButtonUp(UINT flags, CPoint pt)
{
    if (m_style == BUTTON_STYLE_MOUSE) {
        Default();
        return;
    }
    m_held = 0;
    if (m_captured) {
        m_captured = 0;
        m_hover = 0;
        ::ReleaseCapture();
    }
    if (m_style != BUTTON_STYLE_PRESS && g_ticks() - m_pressTime < kLongestClick) {
        if (m_style == BUTTON_STYLE_CHECK) m_checkState = m_checkState >= m_stateCount ? 0 : m_checkState + 1;
        if (!Notify()) return;
    }
    Redraw();
    Default();
}

void KVQButton::OnMouseMove(UINT flags, CPoint pt)
{
    if (m_style != BUTTON_STYLE_MOUSE && !m_held) {
        CRect window;
        GetWindowRect(&window);
        window.MoveToXY(0, 0);
        if (window.PtInRect(pt)) {
            if (!m_hover) {
                SetCapture();
                m_captured = 1;
                m_hover = 1;
            }
            Redraw();
        } else if (m_hover) {
            m_captured = 0;
            m_hover = 0;
            ::ReleaseCapture();
            Redraw();
        }
    }
    Default();
}

void KVQButton::OnCaptureChanged(CWnd* other)
{
    // Another window took the mouse: the release and the leave will not come.
    if (other != this && (m_captured || m_hover || m_held)) {
        m_captured = 0;
        m_hover = 0;
        m_held = 0;
        Redraw();
    }
    Default();
}
