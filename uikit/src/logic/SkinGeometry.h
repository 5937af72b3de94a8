#pragma once
// The arithmetic of the skinned controls, free of any window: pointer to
// position mappings, thumb and knob placement, the frame's sizing rule and the
// opaque runs of a skin. Integer quotients truncate toward zero.
#include <cstdint>
#include <vector>

namespace kvq {

struct Extent {
    int width;
    int height;
};

// The frame window's size for a dragged size: the view (the window less 26 px
// on top, 64 below and 13 at each side) kept at 4:3, at least 667 x 570.
Extent FitFrameSize(int width, int height);

// A slider's track along its axis: the whole length, the thumb's length along
// the axis and the margins the thumb does not enter (horizontal only).
struct SliderTrack {
    bool vertical;
    int length;
    int thumb;
    int marginStart;
    int marginEnd;
    int min;
    int max;

    int PositionAt(int coordinate) const;
    // Left (horizontal) or top (vertical) edge of the thumb for a position.
    int ThumbOffset(int position) const;
    // Width filled by a read-only horizontal bar; with a separator the left
    // half spans min..separator and the right half separator..max.
    int FilledLength(int position, int separator) const;
};

// A wheel: a ring around a centre, an angle range (0 is up, clockwise
// positive) and the value range it maps to.
struct WheelGeometry {
    int cx = 70;
    int cy = 70;
    int outer = 64;
    int inner = 44;
    int angleA = -158;
    int angleB = 158;
    int min = -50;
    int max = 50;

    int Low() const { return angleA < angleB ? angleA : angleB; }
    int High() const { return angleA < angleB ? angleB : angleA; }
    int Distance(int x, int y) const;
    int AngleLite(int x, int y, float radius) const;
    int Angle(int x, int y) const;
    bool Contains(int x, int y) const;
    // The position reported for a pointer at angle t (snapped to 36 degree
    // steps) and the one the knob is drawn at (exact); both within the range.
    int SnappedPosition(int t) const;
    int DisplayPosition(int t) const;
    int ClampPosition(int position) const;
    // Centre of the knob for a display position.
    void KnobCentre(int display, int* x, int* y) const;
};

// One horizontal run of opaque pixels: [left, right) on row y.
struct Run {
    int y;
    int left;
    int right;
};

// The runs of pixels that differ from the key, row by row (rows top-down,
// pixels as 0x00RRGGBB); empty runs are never produced.
void CollectOpaqueRuns(const uint32_t* pixels, int width, int height, uint32_t key, std::vector<Run>& runs);

}  // namespace kvq
