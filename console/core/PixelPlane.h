#pragma once

// A 24-bit picture laid out as the frame buffer's DIB section holds it:
// `height` rows of `stride` bytes, each pixel blue, green, red. The first row
// in memory is the picture's bottom row (the JPEG codec describes this layout
// with a negative height). The plane does not own its pixels.
struct BgrPlane {
    unsigned char* pixels;
    int width;
    int height;
    int stride;
};

// A rectangle in picture pixels, right and bottom exclusive.
struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
};

inline bool operator==(const PixelRect& a, const PixelRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Bytes per row of a 24-bit DIB: three bytes a pixel, padded to 4 bytes.
inline int BgrStride(int width) { return (3 * width + 3) & ~3; }

// In-place pixel operations. Each visits only the width x height pixels,
// never the row padding, and does nothing on a plane without pixels.
namespace PixelOps {
void Negative(const BgrPlane& plane);
void Grayscale(const BgrPlane& plane);
void AdjustBrightness(const BgrPlane& plane, int delta);
void AdjustContrast(const BgrPlane& plane, int level);
void Mirror(const BgrPlane& plane, bool vertical);
void Rotate180(const BgrPlane& plane);
}  // namespace PixelOps
