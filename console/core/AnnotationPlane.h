#pragma once

#include <cstdint>

#include "BmpFormat.h"
#include "PixelPlane.h"

// The annotation layer's pixels: 0xAARRGGBB words, colour premultiplied by
// alpha, 0 fully transparent. Rows are stored bottom-up like the layer's DIB
// section: image row y (counted downwards) is memory row height - 1 - y. The
// plane does not own its pixels.
struct ArgbPlane {
    std::uint32_t* pixels;
    int width;
    int height;
};

namespace Argb {
constexpr std::uint32_t Make(unsigned r, unsigned g, unsigned b, unsigned a)
{
    return (a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}
// A GDI colour (0x00BBGGRR) with an alpha byte, and back.
constexpr std::uint32_t FromColorRef(std::uint32_t colorRef, unsigned a)
{
    return (a & 0xFF) << 24 | (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | (colorRef >> 16 & 0xFF);
}
constexpr std::uint32_t ToColorRef(std::uint32_t argb)
{
    return (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16;
}
constexpr std::uint32_t WithAlpha(std::uint32_t argb, unsigned a) { return (argb & 0xFFFFFF) | (a & 0xFF) << 24; }

// The layer's own blend of a colour (its alpha A) onto a pixel: alpha is the
// saturated sum, each channel (S x A + D x (255 - A)) / 255 truncated.
std::uint32_t BlendOnto(std::uint32_t pixel, std::uint32_t colour);
// The platform's per-pixel-alpha composite of a premultiplied source pixel
// with a constant alpha over a destination pixel.
std::uint32_t CompositeOver(std::uint32_t destination, std::uint32_t source, unsigned constantAlpha);
}  // namespace Argb

// Drawing on the plane. Rectangles are in image coordinates, right and bottom
// exclusive; everything is clipped to the plane, so no operation reads or
// writes outside it whatever the arguments. Each returns whether it drew
// (the caller's dirty flag).
namespace AnnotationOps {
bool DrawLine(const ArgbPlane& plane, int x1, int y1, int x2, int y2, std::uint32_t colour);
bool DrawRect(const ArgbPlane& plane, const PixelRect& rect, bool fill, int border, std::uint32_t lineColour,
              std::uint32_t fillColour);
bool EraseRect(const ArgbPlane& plane, const PixelRect& rect);
// Shrinks rect by the border on every side, as the layer's callers expect.
bool DrawEllipse(const ArgbPlane& plane, PixelRect& rect, bool fill, int border, std::uint32_t lineColour,
                 std::uint32_t fillColour);

// Both planes top-left aligned; the area is the clip (when given) within
// both planes.
bool MergeFrom(const ArgbPlane& destination, const ArgbPlane& source, bool keyed, bool blend, const PixelRect* clip,
               unsigned alpha, std::uint32_t key);
bool BlendFrom(const ArgbPlane& destination, const ArgbPlane& source, const PixelRect* clip, unsigned alpha);
// The same composite over the whole overlap as the platform's alpha blend.
void CompositeFrom(const ArgbPlane& destination, const ArgbPlane& source, unsigned constantAlpha);

void MirrorRows(const ArgbPlane& plane);
void FlipColumns(const ArgbPlane& plane);
void HalfTurn(const ArgbPlane& plane);
// Scratch memory row width - 1 - x, column y takes memory row y, column x:
// a quarter turn into a plane of swapped size. Pixels without a place in the
// scratch are left out.
void Transpose(const ArgbPlane& source, const ArgbPlane& scratch);

// File and bitmap headers of the plane as a 32-bit bottom-up BMP.
void WriteBmpHeaders(unsigned char (&out)[kBmpHeadersBytes], int width, int height);
}  // namespace AnnotationOps
