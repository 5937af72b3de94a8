#pragma once

#include <windows.h>

#include "Annotator.h"
#include "ShapeRendering.h"

// Draws a received freehand stroke or line: the points are stroked with a
// GDI pen on the pen layer, each step keyed into the staging layer as opaque
// pixels, and the whole stroke composited over the drawing plane at once, so
// a translucent stroke is translucent as a whole and never darker where it
// crosses itself.
class PathRenderer {
public:
    PathRenderer(const ShapeTarget& target, KVQAnnotator& drawing, KVQAnnotator& pen, KVQAnnotator& staging)
        : m_target(target), m_drawing(drawing), m_pen(pen), m_staging(staging)
    {
    }

    // False for a refused shape, which draws nothing.
    bool Render(const Telvane::Path& shape);

private:
    bool MapPoint(const Telvane::Point& point, POINT& out) const;

    ShapeTarget m_target;
    KVQAnnotator& m_drawing;
    KVQAnnotator& m_pen;
    KVQAnnotator& m_staging;
};
