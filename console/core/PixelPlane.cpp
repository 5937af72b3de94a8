#include "PixelPlane.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool HasPixels(const BgrPlane& plane) { return plane.pixels && plane.width > 0 && plane.height > 0; }

unsigned char* Row(const BgrPlane& plane, int y)
{
    return plane.pixels + static_cast<std::ptrdiff_t>(y) * plane.stride;
}

unsigned char ClampByte(int v) { return static_cast<unsigned char>(std::clamp(v, 0, 255)); }

// Maps every colour byte through a 256-entry table built for this call.
template <typename ByteMap>
void MapBytes(const BgrPlane& plane, ByteMap map)
{
    if (!HasPixels(plane)) return;
    unsigned char table[256];
    for (int v = 0; v < 256; ++v) table[v] = map(v);
    for (int y = 0; y < plane.height; ++y) {
        unsigned char* p = Row(plane, y);
        for (int i = 0; i < plane.width * 3; ++i) p[i] = table[p[i]];
    }
}

void SwapPixels(unsigned char* a, unsigned char* b)
{
    for (int i = 0; i < 3; ++i) std::swap(a[i], b[i]);
}

void ReverseRow(unsigned char* row, int width)
{
    for (int x = 0; x < width / 2; ++x) SwapPixels(row + 3 * x, row + 3 * (width - 1 - x));
}

// Whole rows, padding included, in 32-bit words (the stride is a multiple of 4).
void SwapRows(unsigned char* a, unsigned char* b, int stride)
{
    for (int i = 0; i + 4 <= stride; i += 4) {
        std::uint32_t wa, wb;
        std::memcpy(&wa, a + i, 4);
        std::memcpy(&wb, b + i, 4);
        std::memcpy(a + i, &wb, 4);
        std::memcpy(b + i, &wa, 4);
    }
}

}  // namespace

namespace PixelOps {

void Negative(const BgrPlane& plane)
{
    MapBytes(plane, [](int v) { return static_cast<unsigned char>(255 - v); });
}

void Grayscale(const BgrPlane& plane)
{
    if (!HasPixels(plane)) return;
    for (int y = 0; y < plane.height; ++y) {
        unsigned char* p = Row(plane, y);
        for (int x = 0; x < plane.width; ++x, p += 3) {
            // The weights sum to 65535, so white becomes 254.
            const unsigned luma = (19595u * p[2] + 38469u * p[1] + 7471u * p[0]) >> 16;
            p[0] = p[1] = p[2] = static_cast<unsigned char>(luma);
        }
    }
}

void AdjustBrightness(const BgrPlane& plane, int delta)
{
    delta = std::clamp(delta, -255, 255);
    MapBytes(plane, [delta](int v) { return ClampByte(v + delta); });
}

void AdjustContrast(const BgrPlane& plane, int level)
{
    if (level <= 0) {
        const int c = std::max(level, -127);
        MapBytes(plane, [c](int v) { return ClampByte(v * (255 + 2 * c) / 255 - c); });
    } else {
        const int c = std::min(level, 127);
        const int divisor = 255 - 2 * c;
        MapBytes(plane, [c, divisor](int v) { return ClampByte((v - c) * 255 / divisor); });
    }
}

void Mirror(const BgrPlane& plane, bool vertical)
{
    if (!HasPixels(plane)) return;
    if (vertical) {
        for (int y = 0; y < plane.height / 2; ++y)
            SwapRows(Row(plane, y), Row(plane, plane.height - 1 - y), plane.stride);
    } else {
        for (int y = 0; y < plane.height; ++y) ReverseRow(Row(plane, y), plane.width);
    }
}

void Rotate180(const BgrPlane& plane)
{
    if (!HasPixels(plane)) return;
    const int w = plane.width;
    for (int y = 0; y < plane.height / 2; ++y) {
        unsigned char* a = Row(plane, y);
        unsigned char* b = Row(plane, plane.height - 1 - y);
        for (int x = 0; x < w; ++x) SwapPixels(a + 3 * x, b + 3 * (w - 1 - x));
    }
    if (plane.height % 2) ReverseRow(Row(plane, plane.height / 2), w);
}

}  // namespace PixelOps
