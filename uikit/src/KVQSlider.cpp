#include "Skin.h"
#include "logic/SkinGeometry.h"
#include <algorithm>

namespace {
enum { FILL, DISABLED, THUMB };
const COLORREF kSeparatorColour = RGB(255, 0, 0);
}  // namespace

KVQSlider::KVQSlider() = default;
KVQSlider::~KVQSlider() = default;

#ifdef KVQ_TWAIN_VARIANT
BOOL KVQSlider::CreateSlider(int x, int y, CWnd* parent, CWnd* notify, UINT id, int vertical, int readOnly,
                             KVQChar* regionFile, HBITMAP face, HBITMAP fill, HBITMAP thumb, HBITMAP disabled,
                             DWORD transparent, BOOL useRegion)
{
    return CreateTrack(x, y, parent, notify, id, vertical, readOnly, 0, 0, kvq::Wide(regionFile), face, fill, thumb,
                       disabled, transparent, useRegion);
}
#else
BOOL KVQSlider::CreateSlider(int x, int y, CWnd* parent, CWnd* notify, UINT id, BOOL vertical, BOOL readOnly,
                             int marginStart, int marginEnd, KVQChar* regionFile, HBITMAP face, HBITMAP fill,
                             HBITMAP thumb, HBITMAP disabled, DWORD transparent, BOOL useRegion)
{
    return CreateTrack(x, y, parent, notify, id, vertical, readOnly, marginStart, marginEnd, regionFile, face, fill,
                       thumb, disabled, transparent, useRegion);
}
#endif

BOOL KVQSlider::CreateTrack(int x, int y, CWnd* parent, CWnd* notify, UINT id, BOOL vertical, BOOL readOnly,
                            int marginStart, int marginEnd, const wchar_t* regionFile, HBITMAP face, HBITMAP fill,
                            HBITMAP thumb, HBITMAP disabled, DWORD transparent, BOOL useRegion)
{
    m_notify = notify;
    m_marginStart = marginStart;
    m_marginEnd = marginEnd;
    m_id = id;
    m_vertical = vertical ? 1 : 0;
    m_readOnly = readOnly ? 1 : 0;

    const kvq::FaceSource source{regionFile, face, UINT(vertical ? 1045 : 1034), transparent, useRegion};
    if (!kvq::CreateSkinnedChild(*this, m_face, m_region, source, x, y, parent, id)) return FALSE;

    kvq::ScreenDC screen;
    if (!screen) return FALSE;
    auto orFace = [face](HBITMAP image) { return image ? image : face; };
    m_images[FILL].FromBitmap(kvq::ImageSource(orFace(fill), vertical ? 1046 : 1035).Handle(), screen.Handle());
    m_images[DISABLED].FromBitmap(kvq::ImageSource(orFace(disabled), vertical ? 1043 : 1033).Handle(), screen.Handle());
    if (!readOnly)  // never the face: a thumb the size of the track could not move
        m_images[THUMB].FromBitmap(kvq::ImageSource(thumb, vertical ? 1047 : 1036).Handle(), screen.Handle());
    return TRUE;
}

void KVQSlider::SetRange(int min, int max)
{
    if (min >= max) return;
    m_min = min;
    m_max = max;
    m_pos = std::clamp(m_pos, min, max);
    if (m_hWnd) RedrawWindow(kvq::kRedrawNow);
}

void KVQSlider::SetPos(int pos)
{
    if (pos < m_min || pos > m_max) return;
    m_pos = pos;
    if (m_hWnd) Invalidate(FALSE);
}

void KVQSlider::SetSep(int sep)
{
    if (sep != -1 && (sep < m_min || sep > m_max)) return;
    m_sep = sep;
    if (m_hWnd) RedrawWindow(kvq::kRedrawNow);
}

namespace {
kvq::SliderTrack TrackOf(int vertical, const CRect& window, const SkinImage& thumb, int marginStart, int marginEnd,
                         int min, int max)
{
    return kvq::SliderTrack{vertical != 0,
                            vertical ? window.Height() : window.Width(),
                            vertical ? thumb.Height() : thumb.Width(),
                            vertical ? 0 : marginStart,
                            vertical ? 0 : marginEnd,
                            min,
                            max};
}
}  // namespace

void KVQSlider::OnPaint()
{
    CPaintDC dc(this);
    CRect window;
    GetWindowRect(&window);
    const int W = window.Width(), H = window.Height();
    if (!m_faceDC.GetSafeHdc() && m_faceDC.CreateCompatibleDC(&dc)) m_faceDC.SelectObject(&m_face);
    const kvq::SliderTrack track =
        TrackOf(m_vertical, window, m_images[THUMB], m_marginStart, m_marginEnd, m_min, m_max);
    const SkinImage& fill = m_images[FILL];

    if (!IsWindowEnabled()) {
        m_images[DISABLED].Draw(dc, 0, 0, W, H);
    } else if (m_readOnly && m_vertical) {
        const int f = track.FilledLength(m_pos, -1);
        dc.BitBlt(0, 0, W, H - f, &m_faceDC, 0, 0, SRCCOPY);
        fill.Draw(dc, 0, H - f, W, f, 0, H - f);
    } else if (m_readOnly) {
        const int f = track.FilledLength(m_pos, m_sep);
        dc.BitBlt(f, 0, W - f, H, &m_faceDC, f, 0, SRCCOPY);
        fill.Draw(dc, 0, 0, f, H);
        if (m_sep >= 0) {
            CPen pen(PS_SOLID, 1, kSeparatorColour);
            HGDIOBJ old = dc.SelectObject(&pen);
            dc.MoveTo(W / 2, 1);
            dc.LineTo(W / 2, H - 1);
            dc.SelectObject(old);
        }
    } else if (m_vertical) {
        const int t = m_images[THUMB].Height();
        const int y = track.ThumbOffset(m_pos);
        dc.BitBlt(0, 0, W, y, &m_faceDC, 0, 0, SRCCOPY);
        fill.Draw(dc, 0, y + t, W, H - t - y, 0, y + t);
        m_images[THUMB].Draw(dc, 0, y, m_images[THUMB].Width(), t);
    } else {
        const int tw = m_images[THUMB].Width();
        const int x = track.ThumbOffset(m_pos);
        BITMAP face{};
        m_face.GetBitmap(&face);
        // The face right of the thumb, right-aligned with the face bitmap.
        dc.BitBlt(x + tw, 0, W - tw - x, H, &m_faceDC, face.bmWidth + tw + x - W, 0, SRCCOPY);
        fill.Draw(dc, 0, 0, x, H);
        m_images[THUMB].Draw(dc, x, 0, tw, m_images[THUMB].Height());
    }
}

void KVQSlider::TrackPointer(CPoint pt)
{
    CRect window;
    GetWindowRect(&window);
    const kvq::SliderTrack track =
        TrackOf(m_vertical, window, m_images[THUMB], m_marginStart, m_marginEnd, m_min, m_max);
    m_pos = track.PositionAt(m_vertical ? pt.y : pt.x);
    if (m_notify) ::PostMessageW(m_notify->m_hWnd, WM_COMMAND, m_id, 0);
    RedrawWindow(kvq::kRedrawNow);
}

void KVQSlider::OnLButtonDown(UINT, CPoint pt)
{
    if (!m_readOnly) {
        SetCapture();
        m_thumbState = 1;
        TrackPointer(pt);
    }
    Default();
}

void KVQSlider::OnLButtonUp(UINT, CPoint pt)
{
    if (!m_readOnly) {
        ::ReleaseCapture();
        m_thumbState = 0;
        TrackPointer(pt);
    }
    Default();
}

void KVQSlider::OnMouseMove(UINT flags, CPoint pt)
{
    if (!m_readOnly && (flags & MK_LBUTTON)) TrackPointer(pt);
    Default();
}
