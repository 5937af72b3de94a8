#include <gtest/gtest.h>

#include <cmath>

#include "DrawLayout.h"

namespace {

TEST(LayoutStretch, KeepAspectCentresTheWholePictureWithBands)
{
    struct Case {
        PixelRect destination;
        int width, height;
        PixelRect output, band0, band1;
    };
    const Case cases[] = {
        // Relatively narrower destination: full width, bands above and below.
        {{0, 0, 100, 100}, 400, 300, {0, 12, 100, 87}, {0, 0, 100, 12}, {0, 87, 100, 100}},
        // Relatively wider destination: full height, bands left and right.
        {{10, 20, 210, 120}, 400, 300, {43, 20, 176, 120}, {10, 20, 43, 120}, {176, 20, 210, 120}},
        // Same aspect: filled whole, empty bands.
        {{0, 0, 640, 480}, 1024, 768, {0, 0, 640, 480}, {0, 0, 0, 480}, {640, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        const StretchLayout l = LayoutStretch(c.destination, c.width, c.height, nullptr, true, true);
        EXPECT_EQ(l.kind, StretchLayout::Stretch);
        EXPECT_EQ(l.output, c.output);
        EXPECT_EQ(l.source, (PixelRect{0, 0, c.width, c.height}));
        ASSERT_EQ(l.bandCount, 2);
        EXPECT_EQ(l.bands[0], c.band0);
        EXPECT_EQ(l.bands[1], c.band1);
        EXPECT_EQ(LayoutStretch(c.destination, c.width, c.height, nullptr, true, false).bandCount, 0);
    }
}

TEST(LayoutStretch, SpecialCases)
{
    const PixelRect view{100, 50, 612, 434};
    // Zero-height destination with keep-aspect: nothing drawn.
    EXPECT_EQ(LayoutStretch({0, 0, 100, 0}, 640, 480, nullptr, true, true).kind, StretchLayout::Nothing);
    // No picture: nothing drawn.
    EXPECT_EQ(LayoutStretch({0, 0, 100, 100}, 0, 0, nullptr, false, false).kind, StretchLayout::Nothing);
    // Without keep-aspect the source area covers the destination.
    const StretchLayout free = LayoutStretch({5, 5, 50, 90}, 640, 480, &view, false, true);
    EXPECT_EQ(free.kind, StretchLayout::Stretch);
    EXPECT_EQ(free.output, (PixelRect{5, 5, 50, 90}));
    EXPECT_EQ(free.source, view);
    EXPECT_EQ(free.bandCount, 0);
    // A source equal to the destination is a 1:1 copy.
    const StretchLayout copy = LayoutStretch(view, 640, 480, &view, true, true);
    EXPECT_EQ(copy.kind, StretchLayout::Copy);
    EXPECT_EQ(copy.output, view);
    // Keep-aspect keeps the whole picture's proportions even for a part.
    const PixelRect part{0, 0, 100, 400};
    EXPECT_EQ(LayoutStretch({0, 0, 400, 300}, 640, 480, &part, true, false).output, (PixelRect{0, 0, 400, 300}));
}

struct Point {
    float x, y;
};

Point Apply(const AffineTransform& t, float x, float y)
{
    return {x * t.m11 + y * t.m21 + t.dx, x * t.m12 + y * t.m22 + t.dy};
}

TEST(RotationTransform, QuarterTurnFitsTheLongSideIntoTheHeightCentred)
{
    const AffineTransform t = RotationTransform(1024, 768, 1024, 768, 90.0f);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const Point corner : {Point{0, 0}, Point{1024, 0}, Point{0, 768}, Point{1024, 768}}) {
        const Point p = Apply(t, corner.x, corner.y);
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    EXPECT_NEAR(minY, 0, 0.01);
    EXPECT_NEAR(maxY, 768, 0.01);
    EXPECT_NEAR(minX, 224, 0.01);
    EXPECT_NEAR(maxX, 800, 0.01);
    // The picture's top-left corner goes to the bottom-left of the turned picture.
    const Point topLeft = Apply(t, 0, 0);
    EXPECT_NEAR(topLeft.x, 224, 0.01);
    EXPECT_NEAR(topLeft.y, 768, 0.01);
}

TEST(RotationTransform, HalfTurnSwapsCornersAndKeepsTheCentre)
{
    const AffineTransform t = RotationTransform(400, 300, 400, 300, 180.0f);
    const Point centre = Apply(t, 200, 150);
    EXPECT_NEAR(centre.x, 200, 0.01);
    EXPECT_NEAR(centre.y, 150, 0.01);
    const Point corner = Apply(t, 0, 0);  // scaled by 300/400 about the centre
    EXPECT_NEAR(corner.x, 200 + 150, 0.05);
    EXPECT_NEAR(corner.y, 150 + 112.5, 0.05);
}

}  // namespace
