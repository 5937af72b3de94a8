#include "AnnotationPlane.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace {

// Coordinates are held to this range first, so the edge arithmetic below
// cannot overflow whatever a caller passes.
constexpr int kCoordinateLimit = 1 << 28;

bool HasPixels(const ArgbPlane& plane) { return plane.pixels && plane.width > 0 && plane.height > 0; }

int Bounded(int v) { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

PixelRect Bounded(const PixelRect& r) { return {Bounded(r.left), Bounded(r.top), Bounded(r.right), Bounded(r.bottom)}; }

std::uint32_t* MemoryRow(const ArgbPlane& plane, int memoryRow)
{
    return plane.pixels + static_cast<std::ptrdiff_t>(memoryRow) * plane.width;
}

// (x, y) in image coordinates, inside the plane.
std::uint32_t& At(const ArgbPlane& plane, int x, int y) { return MemoryRow(plane, plane.height - 1 - y)[x]; }

enum class Write { Over, Replace };

// Opaque colours are stored as they are; translucent ones are blended onto
// the pixel, or onto nothing when they replace it.
void Put(std::uint32_t& pixel, std::uint32_t colour, Write mode)
{
    if (colour >> 24 == 0xFF) {
        pixel = colour;
        return;
    }
    pixel = Argb::BlendOnto(mode == Write::Replace ? 0 : pixel, colour);
}

void PutRow(const ArgbPlane& plane, int y, int fromX, int toX, std::uint32_t colour, Write mode)
{
    if (y < 0 || y >= plane.height) return;
    for (int x = std::max(fromX, 0); x <= std::min(toX, plane.width - 1); ++x) Put(At(plane, x, y), colour, mode);
}

void PutColumn(const ArgbPlane& plane, int x, int fromY, int toY, std::uint32_t colour, Write mode)
{
    if (x < 0 || x >= plane.width) return;
    for (int y = std::max(fromY, 0); y <= std::min(toY, plane.height - 1); ++y) Put(At(plane, x, y), colour, mode);
}

PixelRect Intersect(const PixelRect& a, const PixelRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const PixelRect& r) { return r.left >= r.right || r.top >= r.bottom; }

// The area two top-left aligned planes share, narrowed by the clip.
bool SharedArea(const ArgbPlane& destination, const ArgbPlane& source, const PixelRect* clip, PixelRect& area)
{
    if (!HasPixels(destination) || !HasPixels(source)) return false;
    area = Intersect({0, 0, destination.width, destination.height}, {0, 0, source.width, source.height});
    if (clip) area = Intersect(area, Bounded(*clip));
    return !IsEmpty(area);
}

template <typename PixelStep>
void ForEachShared(const ArgbPlane& destination, const ArgbPlane& source, const PixelRect& area, PixelStep step)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) step(At(destination, x, y), At(source, x, y));
}

// The ellipse inscribed in the visible part of the box, one pass of the
// ring drawing. A box without a half-axis has no ellipse.
bool FillEllipseBox(const ArgbPlane& plane, const PixelRect& rect, std::uint32_t colour)
{
    const int x0 = std::max(rect.left + 1, 0);
    const int nx = std::min(plane.width, rect.right - 1) - x0;
    const int lowestRow = std::min(rect.bottom - 1, plane.height) - 1;
    const int ny = std::min(rect.bottom - 1, plane.height) - std::max(rect.top, 0) - 1;
    const int halfX = nx / 2;
    const int halfY = ny / 2;
    if (halfX <= 0 || halfY <= 0) return false;
    const double a = halfX;
    const double b = halfY;
    const float limit = static_cast<float>(b * b);
    for (int j = 0; j < ny; ++j) {
        const int y = lowestRow - j;
        if (y < 0 || y >= plane.height) continue;
        for (int i = 0; i < nx; ++i) {
            const double v = (i - a) * (i - a) * b * b / a / a + (j - b) * (j - b);
            if (static_cast<float>(v) <= limit) Put(At(plane, x0 + i, y), colour, Write::Replace);
        }
    }
    return true;
}

void PutU16(unsigned char* p, unsigned v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void PutU32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

namespace Argb {

std::uint32_t BlendOnto(std::uint32_t pixel, std::uint32_t colour)
{
    const unsigned a = colour >> 24;
    const unsigned alpha = std::min(255u, (pixel >> 24) + a);
    auto channel = [&](int shift) {
        const unsigned s = colour >> shift & 0xFF;
        const unsigned d = pixel >> shift & 0xFF;
        return (s * a + d * (255 - a)) / 255;
    };
    return Make(channel(16), channel(8), channel(0), alpha);
}

std::uint32_t CompositeOver(std::uint32_t destination, std::uint32_t source, unsigned constantAlpha)
{
    constantAlpha = std::min(constantAlpha, 255u);
    const unsigned sourceAlpha = ((source >> 24) * constantAlpha + 127) / 255;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const unsigned s = shift == 24 ? sourceAlpha : ((source >> shift & 0xFF) * constantAlpha + 127) / 255;
        const unsigned d = destination >> shift & 0xFF;
        result |= std::min(255u, s + (d * (255 - sourceAlpha) + 127) / 255) << shift;
    }
    return result;
}

}  // namespace Argb

namespace AnnotationOps {

bool DrawLine(const ArgbPlane& plane, int x1, int y1, int x2, int y2, std::uint32_t colour)
{
    if (!HasPixels(plane)) return false;
    x1 = Bounded(x1), y1 = Bounded(y1), x2 = Bounded(x2), y2 = Bounded(y2);
    const long long dx = static_cast<long long>(x2) - x1;
    const long long dy = static_cast<long long>(y2) - y1;
    if (dy == 0) {
        if (y1 < 0 || y1 >= plane.height) return false;
        PutRow(plane, y1, std::min(x1, x2), std::max(x1, x2), colour, Write::Over);
        return true;
    }
    if (dx == 0) {
        if (x1 < 0 || x1 >= plane.width) return false;
        PutColumn(plane, x1, std::min(y1, y2), std::max(y1, y2), colour, Write::Over);
        return true;
    }
    bool havePrevious = false;
    long long previous = 0;
    const int lastRow = std::min(std::max(y1, y2), plane.height - 1);
    for (int y = std::max(std::min(y1, y2), 0); y <= lastRow; ++y) {
        const long long x = x1 + (y - y1) * dx / dy;
        if (x < 0 || x >= plane.width) continue;
        // A run from the previous row's x keeps shallow lines connected.
        if (havePrevious && x > previous)
            PutRow(plane, y, static_cast<int>(previous + 1), static_cast<int>(x), colour, Write::Over);
        else if (havePrevious && x < previous)
            PutRow(plane, y, static_cast<int>(x), static_cast<int>(previous - 1), colour, Write::Over);
        else
            Put(At(plane, static_cast<int>(x), y), colour, Write::Over);
        previous = x;
        havePrevious = true;
    }
    return true;
}

bool DrawRect(const ArgbPlane& plane, const PixelRect& rect, bool fill, int border, std::uint32_t lineColour,
              std::uint32_t fillColour)
{
    if (!HasPixels(plane)) return false;
    const PixelRect r = Bounded(rect);
    const int w = plane.width;
    const int h = plane.height;
    if (fill) {
        const int fromX = std::max(r.left + 1, 0);
        const int toX = std::min(r.right - 1, w) - 1;
        for (int y = std::max(r.top, 0) + 1; y <= std::min(r.bottom - 1, h) - 1; ++y)
            PutRow(plane, y, fromX, toX, fillColour, Write::Over);
    }
    border = std::clamp(border, 0, kCoordinateLimit);
    const int x0 = std::max(r.left, 0), x1 = std::min(r.right, w);
    const int y0 = std::max(r.top, 0), y1 = std::min(r.bottom, h);
    // Each edge is border pixels thick but never crosses the opposite side.
    if (r.bottom <= h)
        for (int k = 0, y = y1 - 1; k < border && y >= 0; ++k, --y) {
            PutRow(plane, y, x0, x1 - 1, lineColour, Write::Replace);
            if (y <= r.top) break;
        }
    if (r.left >= 0)
        for (int k = 0, x = x0; k < border && x < w; ++k, ++x) {
            PutColumn(plane, x, y0, y1 - 1, lineColour, Write::Replace);
            if (x >= r.right - 1) break;
        }
    // A rectangle that ends at the layer's right side gets no right edge.
    if (r.right < w)
        for (int k = 0, x = r.right - 1; k < border && x >= 0; ++k, --x) {
            PutColumn(plane, x, y0, y1 - 1, lineColour, Write::Replace);
            if (x <= x0) break;
        }
    if (r.top >= 0)
        for (int k = 0, y = r.top; k < border && y < h; ++k, ++y) {
            PutRow(plane, y, x0, x1 - 1, lineColour, Write::Replace);
            if (y >= y1 - 1) break;
        }
    return true;
}

bool EraseRect(const ArgbPlane& plane, const PixelRect& rect)
{
    if (!HasPixels(plane)) return false;
    const PixelRect area = Intersect(Bounded(rect), {0, 0, plane.width, plane.height});
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) At(plane, x, y) = 0;
    return true;
}

bool DrawEllipse(const ArgbPlane& plane, PixelRect& rect, bool fill, int border, std::uint32_t lineColour,
                 std::uint32_t fillColour)
{
    if (!HasPixels(plane)) return false;
    rect = Bounded(rect);
    if (rect.top == rect.bottom) return false;
    const bool drew = FillEllipseBox(plane, rect, lineColour);
    border = std::clamp(border, 0, kCoordinateLimit);
    rect.left += border;
    rect.top += border;
    rect.right -= border;
    rect.bottom -= border;
    if (rect.top != rect.bottom) FillEllipseBox(plane, rect, fill ? fillColour : 0);
    return drew;
}

bool MergeFrom(const ArgbPlane& destination, const ArgbPlane& source, bool keyed, bool blend, const PixelRect* clip,
               unsigned alpha, std::uint32_t key)
{
    PixelRect area;
    if (!SharedArea(destination, source, clip, area)) return false;
    alpha = std::min(alpha, 255u);
    const std::uint32_t keyColour = key & 0xFFFFFF;
    if (keyed) {
        const bool blended = blend && alpha < 255;
        ForEachShared(destination, source, area, [&](std::uint32_t& d, std::uint32_t s) {
            if ((s & 0xFFFFFF) != keyColour) return;
            d = blended ? Argb::BlendOnto(d, Argb::WithAlpha(s, alpha)) : Argb::WithAlpha(s, alpha);
        });
    } else if (alpha == 255 || !blend) {
        ForEachShared(destination, source, area, [](std::uint32_t& d, std::uint32_t s) {
            if (s >> 24) d = s;
        });
    } else if (alpha > 0) {
        ForEachShared(destination, source, area, [alpha](std::uint32_t& d, std::uint32_t s) {
            if (s >> 24) d = Argb::BlendOnto(d, Argb::WithAlpha(s, alpha));
        });
    } else {
        ForEachShared(destination, source, area, [](std::uint32_t& d, std::uint32_t s) {
            if (!(s >> 24)) d = s | 0xFF000000;
        });
    }
    return true;
}

bool BlendFrom(const ArgbPlane& destination, const ArgbPlane& source, const PixelRect* clip, unsigned alpha)
{
    PixelRect area;
    if (!SharedArea(destination, source, clip, area)) return false;
    if (alpha >= 255)
        ForEachShared(destination, source, area, [](std::uint32_t& d, std::uint32_t s) { d = s | 0xFF000000; });
    else
        ForEachShared(destination, source, area, [alpha](std::uint32_t& d, std::uint32_t s) {
            d = Argb::BlendOnto(d, Argb::WithAlpha(s, alpha));
        });
    return true;
}

void CompositeFrom(const ArgbPlane& destination, const ArgbPlane& source, unsigned constantAlpha)
{
    PixelRect area;
    if (!SharedArea(destination, source, nullptr, area)) return;
    ForEachShared(destination, source, area,
                  [constantAlpha](std::uint32_t& d, std::uint32_t s) { d = Argb::CompositeOver(d, s, constantAlpha); });
}

void MirrorRows(const ArgbPlane& plane)
{
    if (!HasPixels(plane)) return;
    for (int y = 0; y < plane.height; ++y) std::reverse(MemoryRow(plane, y), MemoryRow(plane, y) + plane.width);
}

void FlipColumns(const ArgbPlane& plane)
{
    if (!HasPixels(plane)) return;
    for (int y = 0; y < plane.height / 2; ++y)
        std::swap_ranges(MemoryRow(plane, y), MemoryRow(plane, y) + plane.width,
                         MemoryRow(plane, plane.height - 1 - y));
}

void HalfTurn(const ArgbPlane& plane)
{
    if (!HasPixels(plane)) return;
    std::reverse(plane.pixels, plane.pixels + static_cast<std::ptrdiff_t>(plane.width) * plane.height);
}

void Transpose(const ArgbPlane& source, const ArgbPlane& scratch)
{
    if (!HasPixels(source) || !HasPixels(scratch)) return;
    const int rows = std::min(source.height, scratch.width);
    const int firstColumn = std::max(0, source.width - scratch.height);
    for (int y = 0; y < rows; ++y)
        for (int x = firstColumn; x < source.width; ++x)
            MemoryRow(scratch, source.width - 1 - x)[y] = MemoryRow(source, y)[x];
}

void WriteBmpHeaders(unsigned char (&out)[kBmpHeadersBytes], int width, int height)
{
    const std::uint32_t imageSize = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height) * 4;
    unsigned char fileHeader[kBmpFileHeaderBytes];
    WriteBmpFileHeader(fileHeader, imageSize);
    std::memcpy(out, fileHeader, sizeof fileHeader);
    unsigned char* info = out + kBmpFileHeaderBytes;
    PutU32(info, 40);
    PutU32(info + 4, static_cast<std::uint32_t>(width));
    PutU32(info + 8, static_cast<std::uint32_t>(height));
    PutU16(info + 12, 1);
    PutU16(info + 14, 32);
    PutU32(info + 16, 0);  // uncompressed
    PutU32(info + 20, imageSize);
    PutU32(info + 24, 120);
    PutU32(info + 28, 120);
    PutU32(info + 32, 0);
    PutU32(info + 36, 0);
}

}  // namespace AnnotationOps
