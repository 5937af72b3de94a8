#pragma once

#include "CameraPictureState.h"
#include "PixelPlane.h"

struct PixelSize {
    int width;
    int height;
};

// True when the camera shows a zoomed picture (optical factor above 1, a
// fraction, or optical zoom mode), so that drawings must be cut to match.
bool IsCameraZoomed(const CameraPictureState& state);

// The part of a width x height plane that the optical zoom shows. Never
// larger than the plane and never empty.
PixelSize ComputeZoomedSize(int width, int height, const CameraPictureState& state);

// The part of a width x height frame that the digital zoom shows, centred at
// the pan position and kept inside the frame; the whole frame at zoom 100 or
// below.
PixelRect ComputeZoomRect(int width, int height, const CameraPictureState& state);

// The part of the drawing plane that matches the zoomed camera picture:
// ComputeZoomedSize of the plane, centred, moved with the pan position on
// models with pan offsets (in proportion to the display frame's size) and
// kept inside the plane. An axis whose pan range is 0 does not move.
PixelRect ComputeAnnotationCutout(int planeWidth, int planeHeight, int displayWidth, int displayHeight,
                                  const CameraPictureState& state);

// Where the optically zoomed picture lies in the drawing plane: a window of
// the zoomed size around a centre that the pan moves.
struct OpticalZoomWindow {
    int frameWidth, frameHeight;  // the current frame
    PixelSize zoomed;             // ComputeZoomedSize of the frame
    int centreX, centreY;
};

// The window of a frameWidth x frameHeight frame shown by the zoomed camera,
// moved with the pan on models with pan offsets (in proportion to the display
// frame's size); false when the camera is not zoomed or the frame is empty.
bool ComputeOpticalZoomWindow(int frameWidth, int frameHeight, int displayWidth, int displayHeight,
                              const CameraPictureState& state, OpticalZoomWindow& out);

// A plane point of the whole picture onto the zoomed window, integer
// arithmetic truncated towards zero.
void MapIntoZoomWindow(const OpticalZoomWindow& window, int& x, int& y);
