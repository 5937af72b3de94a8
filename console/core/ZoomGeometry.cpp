#include "ZoomGeometry.h"

#include <algorithm>
#include <climits>

namespace {

// The zoom in percent that the optical zoom state stands for.
int OpticalZoomPercent(const CameraPictureState& s)
{
    if (s.zoomFactor == 0) return 100;
    double z = s.zoomFraction >= 100 ? 100.0 * s.zoomFactor + s.zoomFraction - 100
                                     : (100.0 * s.zoomFactor + 10.0 * s.zoomFraction) / 1.4;
    if (s.opticalZoomMode) {
        if (s.zoomStepKind == 1 && s.zoomStepCount % 6 == 0)
            z *= 1.6;
        else if (s.zoomStepKind == 2 && s.zoomStepCount % 5 == 0)
            z *= 2.5;
        else
            z *= 2;
    }
    return static_cast<int>(std::clamp(z, -1e9, 1e9));
}

// A side shrunk by zoomPercent; zoom of 100 or less (nothing to cut, or no
// sensible value) keeps the side, and a cut-out is at least one pixel.
int ZoomedSide(int side, int zoomPercent)
{
    if (zoomPercent <= 100) return side;
    return std::max(1, static_cast<int>(static_cast<long long>(side) * 100 / zoomPercent));
}

// Moves [start, start + length) inside [0, limit); length never exceeds limit.
int KeepInside(long long start, int length, int limit)
{
    return static_cast<int>(std::clamp<long long>(start, 0, limit - length));
}

PixelRect PlaceInside(long long left, long long top, PixelSize size, int width, int height)
{
    const int x = KeepInside(left, size.width, width);
    const int y = KeepInside(top, size.height, height);
    return {x, y, x + size.width, y + size.height};
}

long long PanShift(int pan, int displaySide, int sign, int panRange)
{
    return panRange == 0 ? 0 : static_cast<long long>(pan) * displaySide * sign / panRange;
}

// The pan's directions on the picture: a mirrored picture pans the other way
// across; a quarter turn swaps both.
struct PanSigns {
    int x, y;
};

PanSigns PanSignsOf(const CameraPictureState& state)
{
    const int turn = state.rotation == 1 ? -1 : 1;
    return {(state.mirror ? -1 : 1) * turn, turn};
}

int ClampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

bool IsCameraZoomed(const CameraPictureState& s)
{
    return s.zoomFactor > 1 || s.zoomFraction != 0 || s.opticalZoomMode;
}

PixelSize ComputeZoomedSize(int width, int height, const CameraPictureState& state)
{
    const int z = OpticalZoomPercent(state);
    return {ZoomedSide(width, z), ZoomedSide(height, z)};
}

PixelRect ComputeZoomRect(int width, int height, const CameraPictureState& state)
{
    if (width <= 0 || height <= 0) return {0, 0, std::max(width, 0), std::max(height, 0)};
    const PixelSize size{ZoomedSide(width, state.zoomSize), ZoomedSide(height, state.zoomSize)};
    long long cx, cy;
    if (state.features & kFeaturePanOffsets) {
        cx = static_cast<long long>(state.panHori) + width / 2;
        cy = height / 2 - static_cast<long long>(state.panVert);
    } else {
        cx = static_cast<long long>(state.panHori * 15.75 + width / 2);
        cy = static_cast<long long>(state.panVert * 4.0 + height / 2);
    }
    return PlaceInside(cx - size.width / 2, cy - size.height / 2, size, width, height);
}

PixelRect ComputeAnnotationCutout(int planeWidth, int planeHeight, int displayWidth, int displayHeight,
                                  const CameraPictureState& state)
{
    if (planeWidth <= 0 || planeHeight <= 0) return {0, 0, 0, 0};
    const PixelSize size = ComputeZoomedSize(planeWidth, planeHeight, state);
    long long left = (planeWidth - size.width) / 2;
    long long top = (planeHeight - size.height) / 2;
    if (state.features & kFeaturePanOffsets) {
        const PanSigns signs = PanSignsOf(state);
        left += PanShift(state.panHori, displayWidth, signs.x, state.panRangeHori);
        top += PanShift(state.panVert, displayHeight, signs.y, state.panRangeVert);
    }
    return PlaceInside(left, top, size, planeWidth, planeHeight);
}

bool ComputeOpticalZoomWindow(int frameWidth, int frameHeight, int displayWidth, int displayHeight,
                              const CameraPictureState& state, OpticalZoomWindow& out)
{
    if (!IsCameraZoomed(state) || frameWidth <= 0 || frameHeight <= 0) return false;
    long long cx = frameWidth / 2;
    long long cy = frameHeight / 2;
    if (state.features & kFeaturePanOffsets) {
        const PanSigns signs = PanSignsOf(state);
        cx += PanShift(state.panHori, displayWidth, signs.x, state.panRangeHori);
        cy -= PanShift(state.panVert, displayHeight, signs.y, state.panRangeVert);
    }
    out = {frameWidth, frameHeight, ComputeZoomedSize(frameWidth, frameHeight, state), ClampToInt(cx), ClampToInt(cy)};
    return true;
}

void MapIntoZoomWindow(const OpticalZoomWindow& window, int& x, int& y)
{
    const PixelSize& z = window.zoomed;
    x = ClampToInt(static_cast<long long>(x) * z.width / window.frameWidth - z.width / 2 + window.centreX);
    y = ClampToInt(static_cast<long long>(y) * z.height / window.frameHeight - z.height / 2 + window.centreY);
}
