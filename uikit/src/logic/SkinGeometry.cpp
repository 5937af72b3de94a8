#include "SkinGeometry.h"
#include <algorithm>
#include <cmath>

namespace kvq {

Extent FitFrameSize(int width, int height)
{
    const int matching = (4 * height - 360) / 3 + 27;
    if (matching >= width)
        height = std::min(height, (3 * width - 81) / 4 + 90);
    else
        width = matching;
    return {std::max(width, 667), std::max(height, 570)};
}

int SliderTrack::PositionAt(int coordinate) const
{
    const int half = thumb / 2;
    const int start = vertical ? half : marginStart + half;
    const int end = vertical ? length - half : length - marginEnd - half;
    const int travel = vertical ? length - thumb : length - marginEnd - marginStart - thumb;
    // The extremes first, so a track without room for travel still maps.
    if (vertical) {
        if (coordinate <= start || travel <= 0) return max;
        if (coordinate >= end) return min;
        return max - (max - min) * (coordinate - half) / travel;
    }
    if (coordinate <= start || travel <= 0) return min;
    if (coordinate >= end) return max;
    return min + (coordinate - marginStart - half) * (max - min) / travel;
}

int SliderTrack::ThumbOffset(int position) const
{
    const int range = max - min;
    if (vertical) {
        const int travel = std::max(length - thumb, 0);
        return range > 0 ? (max - position) * travel / range : 0;
    }
    const int travel = std::max(length - marginEnd - marginStart - thumb, 0);
    return marginStart + (range > 0 ? (position - min) * travel / range : 0);
}

int SliderTrack::FilledLength(int position, int separator) const
{
    if (max <= min) return 0;
    if (separator < 0) return (position - min) * length / (max - min);
    if (position < separator) {
        if (separator <= min) return 0;
        return static_cast<int>(((position - min) * length / (separator - min)) * 0.5);
    }
    if (separator >= max)  // only the maximum itself lies right of such a mark
        return length;
    return static_cast<int>((static_cast<double>(position - separator) / (max - separator) * 0.5 + 0.5) * length);
}

int WheelGeometry::Distance(int x, int y) const
{
    const double dx = x - cx, dy = y - cy;
    return static_cast<int>(std::sqrt(dx * dx + dy * dy) + 0.5);
}

int WheelGeometry::AngleLite(int x, int y, float radius) const
{
    if (x == cx) return y <= cy ? 0 : -180;
    if (y == cy) return x > cx ? 90 : -90;
    float cosine = static_cast<float>(cy - y) / radius;
    cosine = std::clamp(cosine, -1.0f, 1.0f);  // a rounded radius may fall short of |cy - y|
    const float degrees = std::acos(cosine) * 180.0f / 3.141592653589793f;
    const int magnitude = static_cast<int>(degrees);
    return x > cx ? magnitude : -magnitude;
}

int WheelGeometry::Angle(int x, int y) const
{
    const float dx = static_cast<float>(x - cx), dy = static_cast<float>(y - cy);
    return AngleLite(x, y, std::sqrt(dx * dx + dy * dy));
}

bool WheelGeometry::Contains(int x, int y) const
{
    const int d = Distance(x, y);
    if (d < inner || d > outer) return false;
    const int t = AngleLite(x, y, static_cast<float>(d));
    return t >= Low() && t <= High();
}

int WheelGeometry::ClampPosition(int position) const { return std::clamp(position, min, max); }

int WheelGeometry::SnappedPosition(int t) const
{
    const int lo = Low(), hi = High();
    if (hi == lo) return min;
    const int snapped = (t >= 0 ? (t + 18) / 36 : (t - 18) / 36) * 36 + 3;
    return ClampPosition(((snapped - lo) * max + (hi - snapped) * min) / (hi - lo));
}

int WheelGeometry::DisplayPosition(int t) const
{
    const int lo = Low(), hi = High();
    if (hi == lo) return min;
    return ClampPosition(((hi - t) * min + (t - lo) * max) / (hi - lo));
}

void WheelGeometry::KnobCentre(int display, int* x, int* y) const
{
    const int radius = (inner + outer) / 2;
    const int angle = max > min ? ((display - min) * High() + (max - display) * Low()) / (max - min) : Low();
    const double radians = angle * 3.141592653589793 / 180.0;
    *x = cx + static_cast<int>(std::sin(radians) * radius);
    *y = cy - static_cast<int>(std::cos(radians) * radius);
}

void CollectOpaqueRuns(const uint32_t* pixels, int width, int height, uint32_t key, std::vector<Run>& runs)
{
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * width;
        int x = 0;
        while (x < width) {
            while (x < width && row[x] == key) ++x;
            const int left = x;
            while (x < width && row[x] != key) ++x;
            if (x > left) runs.push_back({y, left, x});
        }
    }
}

}  // namespace kvq
