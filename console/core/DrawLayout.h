#pragma once

#include "PixelPlane.h"

// Where a picture of pictureWidth x pictureHeight lands when it is stretched
// into a destination rectangle; the GDI side only carries it out.
struct StretchLayout {
    enum Kind { Nothing, Copy, Stretch };
    Kind kind;
    PixelRect source;  // part of the picture that is drawn
    PixelRect output;  // where it lands on the target
    int bandCount;     // black bands beside the output (keep-aspect with bands)
    PixelRect bands[2];
};

// source may be null (the whole picture). A source equal to the destination
// is copied 1:1. With keepAspect the whole picture's proportions are kept,
// centred, and fillBands asks for the uncovered bands.
StretchLayout LayoutStretch(const PixelRect& destination, int pictureWidth, int pictureHeight, const PixelRect* source,
                            bool keepAspect, bool fillBands);

// A world transform in the layout of the GDI XFORM: x' = x*m11 + y*m21 + dx,
// y' = x*m12 + y*m22 + dy.
struct AffineTransform {
    float m11, m12, m21, m22, dx, dy;
};

// Turns a picture drawn at (0, 0) at its own size by `degrees` about the
// centre of a destinationWidth x destinationHeight area, shrunk by
// pictureHeight / pictureWidth so that a quarter-turned landscape picture
// fits the destination's height.
AffineTransform RotationTransform(int destinationWidth, int destinationHeight, int pictureWidth, int pictureHeight,
                                  float degrees);
