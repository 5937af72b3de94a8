#pragma once

#include <cstdint>

#include "AnnotationPlane.h"
#include "ZoomGeometry.h"
#include "telvane/Shapes.h"

// Shapes that another console sends, turned into pixels of the drawing
// plane. Everything here comes from the network: a shape that cannot be
// placed (non-finite or absurd numbers) is refused, colours are clamped.
namespace ShapeValues {
// The colour as the layer stores it: each channel x 255, truncated, after
// clamping to 0..1 (NaN counts as 0). Opacity 0.999 gives alpha 254.
std::uint32_t Argb(const Telvane::Color& colour);
// The same channels as a GDI colour (0x00BBGGRR).
std::uint32_t ColorRef(const Telvane::Color& colour);
// A received stroke is drawn in its colour keyed against a cleared layer, so
// black becomes 0x040404, which the layer can tell from nothing.
std::uint32_t StrokeColorRef(const Telvane::Color& colour);

// Finite numbers of a sane size for the shape's rectangle or points and its
// line width.
bool IsRenderable(const Telvane::Graphic& shape);
// The camera's zoom as a factor: finite and above 0, or unusable.
bool IsUsableZoom(float zoom);
}  // namespace ShapeValues

// Where the receiving window shows the picture and how it maps to the plane.
struct ShapeTarget {
    PixelRect canvas;  // where the window drew the picture, window pixels
    PixelRect view;    // the picture part shown, in drawing-plane pixels
    float zoom;        // camera zoom size / 100
    // Set while the camera is optically zoomed: the plane shows only the
    // zoom window, so points move into it.
    bool opticalZoom = false;
    OpticalZoomWindow zoomWindow{};
};

// A window point onto the plane through the canvas and view rectangles, and
// into the optical zoom window when there is one; integer arithmetic
// truncated towards zero; false for an empty canvas.
bool MapCanvasPoint(int x, int y, const ShapeTarget& target, int& outX, int& outY);
// The part of a planeWidth x planeHeight plane that the window shows on its
// canvas: the view, within the optical zoom window when there is one, kept
// inside the plane.
PixelRect PlaneViewSource(const ShapeTarget& target, int planeWidth, int planeHeight);
// The plane rectangle of a received shape's rectangle (fractions of the
// canvas, width and height possibly negative).
bool PlaceShapeRect(const Telvane::RectGraphic& shape, const ShapeTarget& target, PixelRect& out);

// Draws rectangles, ellipses and erasers. A shape is drawn whole into the
// staging plane and then composited over the drawing plane as the platform's
// alpha blend would, so its translucency is that of the shape. Each returns
// false for a refused shape, which draws nothing.
class ShapeRenderer {
public:
    ShapeRenderer(const ShapeTarget& target, const ArgbPlane& drawing, const ArgbPlane& staging)
        : m_target(target), m_drawing(drawing), m_staging(staging)
    {
    }

    bool RenderRect(const Telvane::RectGraphic& shape);
    bool RenderEllipse(const Telvane::Ellipse& shape);
    bool RenderEraser(const Telvane::RectEraser& shape);
    // The pen width of a path in plane pixels: line width x plane width / zoom, rounded.
    bool PathPenWidth(const Telvane::Path& shape, int& width) const;

private:
    bool Prepare(const Telvane::RectGraphic& shape, PixelRect& rect, int& border);
    // Drawn whole into the staging plane, then composited over the drawing.
    bool RenderBox(const Telvane::RectGraphic& shape, bool ellipse);

    ShapeTarget m_target;
    ArgbPlane m_drawing;
    ArgbPlane m_staging;
};
