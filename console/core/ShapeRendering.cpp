#include "ShapeRendering.h"

#include <algorithm>
#include <cmath>

namespace {

// Shapes reach a few picture sizes beyond the picture at most; anything
// further is garbage, and keeping out of it keeps every conversion to int
// defined.
constexpr float kFractionLimit = 64.0f;
constexpr long long kPixelLimit = 1 << 28;

bool IsSane(float v) { return std::isfinite(v) && std::fabs(v) <= kFractionLimit; }

unsigned ChannelByte(float c)
{
    if (!(c > 0.0f)) return 0;  // also NaN
    if (c >= 1.0f) return 255;
    return static_cast<unsigned>(255.0f * c);
}

int ClampPixel(long long v) { return static_cast<int>(std::clamp(v, -kPixelLimit, kPixelLimit)); }

// The truncated product of a fraction and a pixel extent, both already sane.
long long Truncated(double v) { return static_cast<long long>(v); }

// Line widths in plane pixels, truncated and bounded by the plane's width.
int PlanePixels(double v, int planeWidth)
{
    if (!(v > 0.0)) return 0;
    return static_cast<int>(std::min(v, static_cast<double>(std::max(planeWidth, 0))));
}

}  // namespace

namespace ShapeValues {

std::uint32_t Argb(const Telvane::Color& colour)
{
    return Argb::Make(ChannelByte(colour.c0), ChannelByte(colour.c1), ChannelByte(colour.c2), ChannelByte(colour.c3));
}

std::uint32_t ColorRef(const Telvane::Color& colour) { return Argb::ToColorRef(Argb(colour)); }

std::uint32_t StrokeColorRef(const Telvane::Color& colour)
{
    const std::uint32_t colorRef = ColorRef(colour);
    return colorRef ? colorRef : 0x040404;
}

bool IsRenderable(const Telvane::Graphic& shape)
{
    if (!std::isfinite(shape.lineWidth())) return false;
    if (const auto* rect = dynamic_cast<const Telvane::RectGraphic*>(&shape))
        return IsSane(rect->x()) && IsSane(rect->y()) && IsSane(rect->width()) && IsSane(rect->height());
    if (const auto* path = dynamic_cast<const Telvane::Path*>(&shape))
        return std::all_of(path->points().begin(), path->points().end(),
                           [](const Telvane::Point& p) { return IsSane(p.x) && IsSane(p.y); });
    return false;
}

bool IsUsableZoom(float zoom) { return std::isfinite(zoom) && zoom > 0.0f; }

}  // namespace ShapeValues

bool MapCanvasPoint(int x, int y, const ShapeTarget& target, int& outX, int& outY)
{
    const PixelRect& c = target.canvas;
    const PixelRect& v = target.view;
    const long long canvasWidth = static_cast<long long>(c.right) - c.left;
    const long long canvasHeight = static_cast<long long>(c.bottom) - c.top;
    if (canvasWidth == 0 || canvasHeight == 0) return false;
    const long long dx = ClampPixel(static_cast<long long>(x) - c.left);
    const long long dy = ClampPixel(static_cast<long long>(y) - c.top);
    outX = ClampPixel(v.left + dx * (static_cast<long long>(v.right) - v.left) / canvasWidth);
    outY = ClampPixel(v.top + dy * (static_cast<long long>(v.bottom) - v.top) / canvasHeight);
    if (target.opticalZoom) {
        MapIntoZoomWindow(target.zoomWindow, outX, outY);
        outX = ClampPixel(outX);
        outY = ClampPixel(outY);
    }
    return true;
}

PixelRect PlaneViewSource(const ShapeTarget& target, int planeWidth, int planeHeight)
{
    if (planeWidth <= 0 || planeHeight <= 0) return {0, 0, 0, 0};
    long long left = 0, top = 0, width = planeWidth, height = planeHeight;
    if (target.opticalZoom) {
        const OpticalZoomWindow& w = target.zoomWindow;
        width = w.zoomed.width;
        height = w.zoomed.height;
        left = w.centreX - width / 2;
        top = w.centreY - height / 2;
    }
    const PixelRect& v = target.view;
    return {ClampPixel(std::max(left + v.left * width / planeWidth, 0LL)),
            ClampPixel(std::max(top + v.top * height / planeHeight, 0LL)),
            ClampPixel(std::min(left + v.right * width / planeWidth, static_cast<long long>(planeWidth))),
            ClampPixel(std::min(top + v.bottom * height / planeHeight, static_cast<long long>(planeHeight)))};
}

bool PlaceShapeRect(const Telvane::RectGraphic& shape, const ShapeTarget& target, PixelRect& out)
{
    if (!ShapeValues::IsRenderable(shape)) return false;
    const PixelRect& c = target.canvas;
    const double canvasWidth = static_cast<double>(c.right) - c.left;
    const double canvasHeight = static_cast<double>(c.bottom) - c.top;
    const int x1 = ClampPixel(Truncated(shape.x() * canvasWidth) + c.left);
    const int y1 = ClampPixel(Truncated(shape.y() * canvasHeight) + c.top);
    const int x2 = ClampPixel(x1 + Truncated(shape.width() * canvasWidth));
    const int y2 = ClampPixel(y1 + Truncated(shape.height() * canvasHeight));
    int px1, py1, px2, py2;
    if (!MapCanvasPoint(x1, y1, target, px1, py1) || !MapCanvasPoint(x2, y2, target, px2, py2)) return false;
    out = {std::min(px1, px2), std::min(py1, py2), std::max(px1, px2) + 1, std::max(py1, py2) + 1};
    return true;
}

bool ShapeRenderer::Prepare(const Telvane::RectGraphic& shape, PixelRect& rect, int& border)
{
    if (!ShapeValues::IsUsableZoom(m_target.zoom) || !PlaceShapeRect(shape, m_target, rect)) return false;
    border = PlanePixels(static_cast<double>(shape.lineWidth()) * m_drawing.width / m_target.zoom, m_drawing.width);
    AnnotationOps::EraseRect(m_staging, {0, 0, m_staging.width, m_staging.height});
    return true;
}

bool ShapeRenderer::RenderRect(const Telvane::RectGraphic& shape) { return RenderBox(shape, false); }

bool ShapeRenderer::RenderEllipse(const Telvane::Ellipse& shape) { return RenderBox(shape, true); }

bool ShapeRenderer::RenderBox(const Telvane::RectGraphic& shape, bool ellipse)
{
    PixelRect rect;
    int border;
    if (!Prepare(shape, rect, border)) return false;
    const bool fill = shape.secondColor().c3 != 0.0f;
    const std::uint32_t line = ShapeValues::Argb(shape.firstColor());
    const std::uint32_t inside = ShapeValues::Argb(shape.secondColor());
    if (ellipse)
        AnnotationOps::DrawEllipse(m_staging, rect, fill, border, line, inside);
    else
        AnnotationOps::DrawRect(m_staging, rect, fill, border, line, inside);
    AnnotationOps::CompositeFrom(m_drawing, m_staging, 255);
    return true;
}

bool ShapeRenderer::RenderEraser(const Telvane::RectEraser& shape)
{
    PixelRect rect;
    if (!PlaceShapeRect(shape, m_target, rect)) return false;
    AnnotationOps::EraseRect(m_drawing, rect);
    return true;
}

bool ShapeRenderer::PathPenWidth(const Telvane::Path& shape, int& width) const
{
    if (!ShapeValues::IsUsableZoom(m_target.zoom) || !ShapeValues::IsRenderable(shape)) return false;
    width =
        PlanePixels(m_drawing.width / static_cast<double>(m_target.zoom) * shape.lineWidth() + 0.5, m_drawing.width);
    return true;
}
