#include "DrawLayout.h"

#include <cmath>

namespace {

int Width(const PixelRect& r) { return r.right - r.left; }
int Height(const PixelRect& r) { return r.bottom - r.top; }

AffineTransform Multiply(const AffineTransform& a, const AffineTransform& b)
{
    return {a.m11 * b.m11 + a.m12 * b.m21, a.m11 * b.m12 + a.m12 * b.m22,      a.m21 * b.m11 + a.m22 * b.m21,
            a.m21 * b.m12 + a.m22 * b.m22, a.dx * b.m11 + a.dy * b.m21 + b.dx, a.dx * b.m12 + a.dy * b.m22 + b.dy};
}

}  // namespace

StretchLayout LayoutStretch(const PixelRect& destination, int pictureWidth, int pictureHeight, const PixelRect* source,
                            bool keepAspect, bool fillBands)
{
    StretchLayout layout{};
    if (pictureWidth <= 0 || pictureHeight <= 0) return layout;
    layout.source = source ? *source : PixelRect{0, 0, pictureWidth, pictureHeight};
    if (source && *source == destination) {
        layout.kind = StretchLayout::Copy;
        layout.output = destination;
        return layout;
    }

    const PixelRect& d = destination;
    const int dw = Width(d), dh = Height(d);
    if (!keepAspect) {
        layout.kind = StretchLayout::Stretch;
        layout.output = d;
        return layout;
    }
    if (dh == 0) return layout;

    const float destinationAspect = static_cast<float>(dw) / static_cast<float>(dh);
    const float pictureAspect = static_cast<float>(pictureWidth) / static_cast<float>(pictureHeight);
    PixelRect& out = layout.output;
    if (destinationAspect < pictureAspect) {
        const int h = static_cast<int>(static_cast<long long>(pictureHeight) * dw / pictureWidth);
        out = {d.left, d.top + (dh - h) / 2, d.right, 0};
        out.bottom = out.top + h;
        layout.bands[0] = {d.left, d.top, d.right, out.top};
        layout.bands[1] = {d.left, out.bottom, d.right, d.bottom};
    } else {
        const int w = static_cast<int>(static_cast<long long>(pictureWidth) * dh / pictureHeight);
        out = {d.left + (dw - w) / 2, d.top, 0, d.bottom};
        out.right = out.left + w;
        layout.bands[0] = {d.left, d.top, out.left, d.bottom};
        layout.bands[1] = {out.right, d.top, d.right, d.bottom};
    }
    layout.bandCount = fillBands ? 2 : 0;
    layout.kind = StretchLayout::Stretch;
    return layout;
}

AffineTransform RotationTransform(int destinationWidth, int destinationHeight, int pictureWidth, int pictureHeight,
                                  float degrees)
{
    const float radians = degrees * 3.1415926f / 180.0f;
    const float c = std::cos(radians), s = std::sin(radians);
    const float halfW = destinationWidth / 2.0f, halfH = destinationHeight / 2.0f;
    const float scale = pictureWidth > 0 ? static_cast<float>(pictureHeight) / pictureWidth : 1.0f;

    AffineTransform t{1, 0, 0, 1, -halfW, -halfH};
    t = Multiply(t, {c, -s, s, c, 0, 0});
    t = Multiply(t, {scale, 0, 0, scale, 0, 0});
    return Multiply(t, {1, 0, 0, 1, halfW, halfH});
}
