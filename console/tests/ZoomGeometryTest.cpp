#include <gtest/gtest.h>

#include <climits>

#include "ZoomGeometry.h"

namespace {

CameraPictureState Zoomed(int size, int panHori = 0, int panVert = 0, unsigned features = 0)
{
    CameraPictureState s{};
    s.zoomSize = size;
    s.panHori = panHori;
    s.panVert = panVert;
    s.features = features;
    return s;
}

TEST(ComputeZoomRect, DigitalZoomWindowAtThePanPositionInsideTheFrame)
{
    struct Case {
        CameraPictureState state;
        PixelRect expected;
    };
    const Case cases[] = {
        {Zoomed(100), {0, 0, 1024, 768}},
        {Zoomed(0), {0, 0, 1024, 768}},
        {Zoomed(200), {256, 192, 768, 576}},
        // Models with pan offsets: x = pan + w/2, y = h/2 - pan.
        {Zoomed(200, 100, 50, kFeaturePanOffsets), {356, 142, 868, 526}},
        // Others: x = pan x 15.75 + w/2, y = pan x 4 + h/2.
        {Zoomed(200, 8, -10, 0), {382, 152, 894, 536}},
        // Pushed back inside at every edge.
        {Zoomed(200, 10000, 10000, kFeaturePanOffsets), {512, 0, 1024, 384}},
        {Zoomed(400, -10000, -10000, 0), {0, 0, 256, 192}},
        {Zoomed(400, INT_MAX, INT_MIN, 0), {768, 0, 1024, 192}},
        // Below 100 % the window would be larger than the frame: the whole frame.
        {Zoomed(50, 300, 300, kFeaturePanOffsets), {0, 0, 1024, 768}},
        {Zoomed(-200), {0, 0, 1024, 768}},
        // Far zoom keeps at least one pixel.
        {Zoomed(INT_MAX), {512, 384, 513, 385}},
    };
    for (const Case& c : cases) {
        const PixelRect r = ComputeZoomRect(1024, 768, c.state);
        EXPECT_EQ(r, c.expected) << "zoom " << c.state.zoomSize << " pan " << c.state.panHori << "," << c.state.panVert
                                 << " -> " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

CameraPictureState Optical(int factor, int fraction, int mode = 0, int kind = 0, int steps = 0)
{
    CameraPictureState s{};
    s.zoomFactor = factor;
    s.zoomFraction = fraction;
    s.opticalZoomMode = mode;
    s.zoomStepKind = kind;
    s.zoomStepCount = steps;
    return s;
}

TEST(ComputeZoomedSize, FollowsTheOpticalZoomAndNeverGrows)
{
    struct Case {
        CameraPictureState state;
        PixelSize expected;
    };
    const Case cases[] = {
        {Optical(0, 0), {1024, 768}},
        {Optical(3, 100), {341, 256}},          // 300 + 100 - 100 = 300 %
        {Optical(2, 50), {204, 153}},           // (200 + 500) / 1.4 = 500 %
        {Optical(2, 0), {721, 540}},            // 200 / 1.4 = 142 %
        {Optical(2, 0, 1, 1, 12), {449, 336}},  // x 1.6 = 228 %
        {Optical(2, 0, 1, 2, 10), {286, 215}},  // x 2.5 = 357 %
        {Optical(2, 0, 1, 1, 7), {359, 269}},   // otherwise x 2 = 285 %
        // Factor 1 gives 71 %: a larger cut-out than the plane is never made.
        {Optical(1, 0), {1024, 768}},
        {Optical(-5, 0), {1024, 768}},
        {Optical(INT_MAX, INT_MAX, 1), {1, 1}},
    };
    for (const Case& c : cases) {
        const PixelSize s = ComputeZoomedSize(1024, 768, c.state);
        EXPECT_EQ(s.width, c.expected.width) << c.state.zoomFactor << "/" << c.state.zoomFraction;
        EXPECT_EQ(s.height, c.expected.height) << c.state.zoomFactor << "/" << c.state.zoomFraction;
    }
}

TEST(IsCameraZoomed, FactorAboveOneFractionOrOpticalMode)
{
    EXPECT_FALSE(IsCameraZoomed(Optical(0, 0)));
    EXPECT_FALSE(IsCameraZoomed(Optical(1, 0)));
    EXPECT_TRUE(IsCameraZoomed(Optical(2, 0)));
    EXPECT_TRUE(IsCameraZoomed(Optical(1, 5)));
    EXPECT_TRUE(IsCameraZoomed(Optical(1, 0, 1)));
}

TEST(ComputeAnnotationCutout, CentredMovedWithThePanAndKeptInside)
{
    CameraPictureState s = Optical(3, 100);  // 300 %: 341 x 256 of 1024 x 768
    EXPECT_EQ(ComputeAnnotationCutout(1024, 768, 1024, 768, s), (PixelRect{341, 256, 682, 512}));

    // Pan offsets move in proportion to the display frame over the pan range.
    s.features = kFeaturePanOffsets;
    s.panHori = 10, s.panRangeHori = 100;
    s.panVert = -5, s.panRangeVert = 50;
    EXPECT_EQ(ComputeAnnotationCutout(1024, 768, 1024, 768, s), (PixelRect{443, 180, 784, 436}));
    s.mirror = 1;  // mirrored: the other way across
    EXPECT_EQ(ComputeAnnotationCutout(1024, 768, 1024, 768, s), (PixelRect{239, 180, 580, 436}));
    s.rotation = 1;  // a quarter turn flips both
    EXPECT_EQ(ComputeAnnotationCutout(1024, 768, 1024, 768, s), (PixelRect{443, 332, 784, 588}));

    // A pan range of 0 moves nothing on that axis (and divides by nothing).
    s = Optical(3, 100);
    s.features = kFeaturePanOffsets;
    s.panHori = 500, s.panRangeHori = 0;
    s.panVert = 500, s.panRangeVert = 0;
    EXPECT_EQ(ComputeAnnotationCutout(1024, 768, 1024, 768, s), (PixelRect{341, 256, 682, 512}));

    // A pan far beyond its range stops at the plane's edge.
    s.panHori = 30000, s.panRangeHori = 1;
    s.panVert = -30000, s.panRangeVert = 1;
    EXPECT_EQ(ComputeAnnotationCutout(1024, 768, 1024, 768, s), (PixelRect{683, 0, 1024, 256}));

    // Without pan offsets the pan is ignored; without zoom the whole plane.
    s.features = 0;
    EXPECT_EQ(ComputeAnnotationCutout(1024, 768, 1024, 768, s), (PixelRect{341, 256, 682, 512}));
    EXPECT_EQ(ComputeAnnotationCutout(768, 1024, 1024, 768, Optical(1, 0)), (PixelRect{0, 0, 768, 1024}));
    EXPECT_EQ(ComputeAnnotationCutout(0, 0, 1024, 768, s), (PixelRect{0, 0, 0, 0}));
}

}  // namespace
