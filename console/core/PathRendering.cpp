#include "PathRendering.h"

#include <algorithm>

namespace {

// Pen strokes reach at most this far beyond the points they join.
constexpr int kStrokeMargin = 20;

void SizeLike(KVQAnnotator& layer, const KVQAnnotator& model)
{
    if (layer.GetWidth() != model.GetWidth() || layer.GetHeight() != model.GetHeight())
        layer.Resize(model.GetWidth(), model.GetHeight());
}

void Include(RECT& dirty, POINT p)
{
    dirty.left = std::min<LONG>(dirty.left, p.x - kStrokeMargin);
    dirty.top = std::min<LONG>(dirty.top, p.y - kStrokeMargin);
    dirty.right = std::max<LONG>(dirty.right, p.x + kStrokeMargin);
    dirty.bottom = std::max<LONG>(dirty.bottom, p.y + kStrokeMargin);
}

}  // namespace

bool PathRenderer::MapPoint(const Telvane::Point& point, POINT& out) const
{
    const PixelRect& c = m_target.canvas;
    const int x = static_cast<int>(point.x * (static_cast<double>(c.right) - c.left)) + c.left;
    const int y = static_cast<int>(point.y * (static_cast<double>(c.bottom) - c.top)) + c.top;
    int px, py;
    if (!MapCanvasPoint(x, y, m_target, px, py)) return false;
    out = {px, py};
    return true;
}

bool PathRenderer::Render(const Telvane::Path& shape)
{
    int width = 0;
    const ShapeRenderer check(m_target, m_drawing.Plane(), m_staging.Plane());
    if (!m_drawing.Plane().pixels || !check.PathPenWidth(shape, width)) return false;
    // MapPoint converts only sane fractions, which PathPenWidth has checked.
    SizeLike(m_pen, m_drawing);
    SizeLike(m_staging, m_drawing);
    const COLORREF colour = ShapeValues::StrokeColorRef(shape.firstColor());
    const DWORD key = Argb::FromColorRef(colour, 0);
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    if (!pen) return false;
    HDC penDC = m_pen.GetDC();
    HGDIOBJ previousPen = SelectObject(penDC, pen);
    m_staging.Clear();

    POINT p{}, q{};
    int step = 1;
    for (const Telvane::Point& point : shape.points()) {
        POINT r;
        if (!MapPoint(point, r)) break;
        if (step == 1) p = r;
        MoveToEx(penDC, r.x, r.y, nullptr);
        LineTo(penDC, r.x + 1, r.y);
        RECT dirty{r.x, r.y, r.x, r.y};
        if (step < 3) {
            MoveToEx(penDC, p.x, p.y, nullptr);
            LineTo(penDC, r.x, r.y);
            Include(dirty, p);
            Include(dirty, r);
        } else {
            const POINT bezier[4] = {
                p, {p.x + (r.x - q.x) / 4, p.y + (r.y - q.y) / 4}, {r.x - (r.x - p.x) / 4, r.y - (r.y - p.y) / 4}, r};
            PolyBezier(penDC, bezier, 4);
            for (const POINT& b : bezier) Include(dirty, b);
        }
        GdiFlush();
        m_staging.MergeFrom(m_pen, 1, 0, &dirty, 255, key);
        m_pen.EraseRect(dirty);
        q = p;
        p = r;
        ++step;
    }

    SelectObject(penDC, previousPen);
    DeleteObject(pen);
    m_drawing.SetDirty(1);
    const BYTE constantAlpha = shape.firstColor().c3 <= 0.9f ? 128 : 255;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha, AC_SRC_ALPHA};
    AlphaBlend(m_drawing.GetDC(), 0, 0, m_drawing.GetWidth(), m_drawing.GetHeight(), m_staging.GetDC(), 0, 0,
               m_staging.GetWidth(), m_staging.GetHeight(), blend);
    return true;
}
