#include "Skin.h"
#include "logic/SkinGeometry.h"
#include <algorithm>

struct KVQWheel::Geometry : kvq::WheelGeometry {};

KVQWheel::Geometry KVQWheel::Shape() const
{
    Geometry g;
    g.cx = m_cx;
    g.cy = m_cy;
    g.outer = m_outer;
    g.inner = m_inner;
    g.angleA = m_angleA;
    g.angleB = m_angleB;
    g.min = m_min;
    g.max = m_max;
    return g;
}

KVQWheel::KVQWheel() = default;
KVQWheel::~KVQWheel() = default;

BOOL KVQWheel::CreateWheel(int x, int y, CWnd* parent, CWnd* notify, UINT id, KVQChar* regionFile, HBITMAP face,
                           HBITMAP knob, HBITMAP disabled, DWORD transparent, BOOL useRegion)
{
    m_notify = notify;
    m_transparent = transparent;
    m_id = id;

    const kvq::FaceSource source{kvq::Wide(regionFile), face, 1049, transparent, useRegion};
    if (!kvq::CreateSkinnedChild(*this, m_face, m_region, source, x, y, parent, id)) return FALSE;

    kvq::ScreenDC screen;
    if (!screen) return FALSE;
    if (!m_knob.Attach(knob ? knob : kvq::LoadLibraryBitmap(1051)))
        return FALSE;  // the window stays; the screen DC is released all the same
    m_knob.GetBitmap(&m_knobInfo);
    m_disabled.FromBitmap(kvq::ImageSource(disabled, 1050).Handle(), screen.Handle());
    return TRUE;
}

void KVQWheel::SetWheelArea(int cx, int cy, int r1, int r2, int a1, int a2)
{
    m_cx = cx;
    m_cy = cy;
    m_outer = std::max(r1, r2);
    m_inner = std::min(r1, r2);
    m_angleA = a1;
    m_angleB = a2;
}

void KVQWheel::SetRange(int min, int max)
{
    if (min >= max) return;
    m_min = min;
    m_max = max;
    m_pos = std::clamp(m_pos, min, max);
    m_displayPos = m_pos;
    if (m_hWnd) Invalidate(FALSE);
}

void KVQWheel::SetPos(int pos)
{
    if (pos < m_min || pos > m_max) return;
    m_pos = m_displayPos = pos;
    if (m_hWnd) Invalidate(FALSE);
}

BOOL KVQWheel::PtInWheel(CPoint& pt) { return Shape().Contains(pt.x, pt.y); }

int KVQWheel::GetDistance(CPoint& pt) { return Shape().Distance(pt.x, pt.y); }

int KVQWheel::GetAngleLite(CPoint& pt, float radius) { return Shape().AngleLite(pt.x, pt.y, radius); }

int KVQWheel::GetAngle(CPoint& pt) { return Shape().Angle(pt.x, pt.y); }

void KVQWheel::SetPosByMouse(CPoint& pt)
{
    const Geometry g = Shape();
    const int d = g.Distance(pt.x, pt.y);
    if (d < g.inner || d > g.outer) return;
    const int t = g.AngleLite(pt.x, pt.y, static_cast<float>(d));
    if (t < g.Low() || t > g.High()) return;
    m_pos = g.SnappedPosition(t);
    m_displayPos = g.DisplayPosition(t);
}

void KVQWheel::RedrawAndNotify()
{
    RedrawWindow(kvq::kRedrawNow);
    if (m_notify) ::PostMessageW(m_notify->m_hWnd, WM_COMMAND, m_id, 0);
}

void KVQWheel::OnPaint()
{
    CPaintDC dc(this);
    CRect window;
    GetWindowRect(&window);
    if (!m_faceDC.GetSafeHdc()) {
        m_faceDC.CreateCompatibleDC(&dc);
        m_faceDC.SelectObject(&m_face);
        m_knobDC.CreateCompatibleDC(&dc);
        m_knobDC.SelectObject(&m_knob);
    }
    if (!IsWindowEnabled()) {
        m_disabled.Draw(dc, 0, 0, window.Width(), window.Height());
        return;
    }
    dc.BitBlt(0, 0, window.Width(), window.Height(), &m_faceDC, 0, 0, SRCCOPY);
    int x, y;
    Shape().KnobCentre(m_displayPos, &x, &y);
    const int kw = m_knobInfo.bmWidth, kh = m_knobInfo.bmHeight;
    dc.TransparentBlt(x - kw / 2, y - kh / 2, kw, kh, &m_knobDC, 0, 0, kw, kh, m_transparent);
}

void KVQWheel::OnLButtonDown(UINT, CPoint pt)
{
    if (PtInWheel(pt)) {
        SetCapture();
        m_thumbState = 1;
        SetPosByMouse(pt);
        RedrawAndNotify();
    }
    Default();
}

void KVQWheel::OnMouseMove(UINT, CPoint pt)
{
    if (m_thumbState == 1) {
        SetPosByMouse(pt);
        RedrawAndNotify();
    }
    Default();
}

void KVQWheel::OnLButtonUp(UINT, CPoint pt)
{
    if (m_thumbState == 1) {
        ::ReleaseCapture();
        m_thumbState = 0;
        SetPosByMouse(pt);
        m_displayPos = m_pos;  // the knob settles on the step
        RedrawAndNotify();
    }
    Default();
}
