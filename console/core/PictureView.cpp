#include "PictureView.h"

#include <algorithm>

namespace {

// Moves the span [low, high) by step within [0, limit]: the step is cut to
// the room left on that side.
void Shift(int& low, int& high, int step, int limit)
{
    const int room = step < 0 ? low : limit - high;
    const int move = std::min(step < 0 ? -step : step, room);
    if (move <= 0) return;
    low += step < 0 ? -move : move;
    high += step < 0 ? -move : move;
}

// Places a span of length size about centre, inside [0, limit].
void Centre(int& low, int& high, int centre, int size, int limit)
{
    low = std::max(centre - size / 2, 0);
    high = low + size;
    if (high > limit) {
        high = limit;
        low = limit - size;
    }
}

}  // namespace

void StepView(PixelRect& view, int width, int height, ViewStep step)
{
    const int w = view.right - view.left, h = view.bottom - view.top;
    const int cx = (view.left + view.right) / 2, cy = (view.top + view.bottom) / 2;
    switch (step) {
    case ViewStep::PanUp:
        Shift(view.top, view.bottom, -(h / 20), height);
        break;
    case ViewStep::PanDown:
        Shift(view.top, view.bottom, h / 20, height);
        break;
    case ViewStep::PanLeft:
        Shift(view.left, view.right, -(w / 20), width);
        break;
    case ViewStep::PanRight:
        Shift(view.left, view.right, w / 20, width);
        break;
    case ViewStep::ZoomIn: {
        if (w < 21 || h < 21) return;
        const int zw = 9 * w / 10, zh = 9 * h / 10;
        view.left = cx - zw / 2;
        view.right = view.left + zw;
        view.top = cy - zh / 2;
        view.bottom = view.top + zh;
        break;
    }
    case ViewStep::ZoomOut: {
        int zw = 10 * w / 9, zh = 10 * h / 9;
        if (zw > width || zh > height) {
            zw = width;
            zh = height;
        }
        Centre(view.left, view.right, cx, zw, width);
        Centre(view.top, view.bottom, cy, zh, height);
        break;
    }
    }
}

PixelSize PrintedPictureSize(int width, int height, PixelSize screenDpi, PixelSize printerDpi, PixelSize page)
{
    if (width <= 0 || height <= 0 || screenDpi.width <= 0 || screenDpi.height <= 0) return PixelSize{0, 0};
    const double sx = static_cast<double>(printerDpi.width) / screenDpi.width;
    const double sy = static_cast<double>(printerDpi.height) / screenDpi.height;
    double printedWidth = width * sx, printedHeight = height * sy;
    // One factor for both axes keeps the picture's shape on the page.
    const double shrink = std::min({1.0, page.width / printedWidth, page.height / printedHeight});
    printedWidth *= shrink;
    printedHeight *= shrink;
    return PixelSize{static_cast<int>(printedWidth), static_cast<int>(printedHeight)};
}
