#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "AnnotationTestPlane.h"
#include "ShapeRendering.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(ShapeColour, ChannelsTruncatedAndClamped)
{
    struct Case {
        Telvane::Color colour;
        std::uint32_t argb;
    };
    const Case cases[] = {
        {{1.0f, 1.0f, 1.0f, 0.999f}, 0xFEFFFFFF},           // "opaque" arrives as 254
        {{1.0f, 0.0f, 0.0f, 128.0f / 255.0f}, 0x80FF0000},  // half-transparent stroke
        {{0x12 / 255.0f, 0x34 / 255.0f, 0x56 / 255.0f, 1.0f}, 0xFF123456},
        {{kNaN, -1.0f, 2.0f, kInf}, 0xFF0000FF},  // hostile: clamped
        {{-kInf, 1e30f, -0.0f, kNaN}, 0x0000FF00},
    };
    for (const Case& c : cases) EXPECT_EQ(ShapeValues::Argb(c.colour), c.argb) << std::hex << c.argb;
    EXPECT_EQ(ShapeValues::ColorRef({1.0f, 0.0f, 0.0f, 1.0f}), 0x0000FFu);
}

TEST(ShapeColour, BlackStrokeIsNearBlack)
{
    EXPECT_EQ(ShapeValues::StrokeColorRef({0.0f, 0.0f, 0.0f, 0.999f}), 0x040404u);
    EXPECT_EQ(ShapeValues::StrokeColorRef({0.0f, 0.0f, 1.0f, 0.999f}), 0xFF0000u);
}

TEST(ShapeCheck, HostileNumbersRefused)
{
    EXPECT_TRUE(ShapeValues::IsRenderable(Telvane::RectGraphic(0.1f, 0.2f, -0.5f, 0.5f)));
    for (float v : {kNaN, kInf, -kInf, 1e30f, 65.0f}) {
        EXPECT_FALSE(ShapeValues::IsRenderable(Telvane::RectGraphic(v, 0, 0, 0))) << v;
        EXPECT_FALSE(ShapeValues::IsRenderable(Telvane::Ellipse(0, 0, 0, v))) << v;
        EXPECT_FALSE(ShapeValues::IsRenderable(Telvane::Path({{0.5f, 0.5f}, {0.1f, v}}))) << v;
    }
    Telvane::RectGraphic wide(0, 0, 1, 1);
    wide.setLineWidth(kNaN);
    EXPECT_FALSE(ShapeValues::IsRenderable(wide));
    for (float zoom : {0.0f, -1.0f, kNaN, kInf}) EXPECT_FALSE(ShapeValues::IsUsableZoom(zoom)) << zoom;
    EXPECT_TRUE(ShapeValues::IsUsableZoom(1.0f));
}

TEST(ShapeMapping, CanvasPointOntoPlane)
{
    const ShapeTarget target{{0, 0, 800, 600}, {0, 0, 1024, 768}, 1.0f};
    int x, y;
    ASSERT_TRUE(MapCanvasPoint(400, 300, target, x, y));
    EXPECT_EQ(x, 512);
    EXPECT_EQ(y, 384);
    const ShapeTarget flat{{10, 10, 10, 600}, {0, 0, 1024, 768}, 1.0f};
    EXPECT_FALSE(MapCanvasPoint(400, 300, flat, x, y));
}

// With the camera optically zoomed the plane shows only the zoom window: a
// point of the whole picture moves into it, around a centre the pan moves.
TEST(ShapeMapping, OpticallyZoomedPointMovesIntoTheZoomWindow)
{
    struct Case {
        const char* what;
        int factor, fraction;
        unsigned features;
        int mirror, rotation;
        int frameWidth, frameHeight;
        int x, y;  // canvas point
        int expectedX, expectedY;
    };
    const Case cases[] = {
        // 300 %: a window of 341 x 256 around (512, 384).
        {"corner", 3, 100, 0, 0, 0, 1024, 768, 0, 0, 342, 256},
        {"far corner", 3, 100, 0, 0, 0, 1024, 768, 800, 600, 683, 512},
        {"inside", 3, 100, 0, 0, 0, 1024, 768, 200, 150, 427, 320},
        // Left of the canvas: -10 x 341 / 1024 truncates towards zero, to -3.
        {"left of it", 3, 100, 0, 0, 0, 1024, 768, -8, 0, 339, 256},
        // Pan offsets (10 of 100 across, -5 of 50 up): the centre moves by
        // 102 across and 76 down.
        {"panned", 3, 100, kFeaturePanOffsets, 0, 0, 1024, 768, 0, 0, 444, 332},
        {"panned mirrored", 3, 100, kFeaturePanOffsets, 1, 0, 1024, 768, 0, 0, 240, 332},
        {"panned turned", 3, 100, kFeaturePanOffsets, 0, 1, 1024, 768, 0, 0, 240, 180},
        {"panned turned mirrored", 3, 100, kFeaturePanOffsets, 1, 1, 1024, 768, 0, 0, 444, 180},
        {"pan without offsets", 3, 100, 0, 1, 1, 1024, 768, 0, 0, 342, 256},
        // The window is that of the current frame, here twice the plane.
        {"large frame", 3, 100, 0, 0, 0, 2048, 1536, 0, 0, 683, 512},
        {"not zoomed", 1, 0, kFeaturePanOffsets, 0, 0, 1024, 768, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CameraPictureState state{};
        state.zoomFactor = c.factor;
        state.zoomFraction = c.fraction;
        state.features = c.features;
        state.mirror = c.mirror;
        state.rotation = c.rotation;
        state.panHori = 10, state.panRangeHori = 100;
        state.panVert = -5, state.panRangeVert = 50;
        ShapeTarget target{{0, 0, 800, 600}, {0, 0, 1024, 768}, 1.0f};
        target.opticalZoom = ComputeOpticalZoomWindow(c.frameWidth, c.frameHeight, 1024, 768, state, target.zoomWindow);
        EXPECT_EQ(target.opticalZoom, c.factor > 1) << c.what;
        int x = -1, y = -1;
        ASSERT_TRUE(MapCanvasPoint(c.x, c.y, target, x, y)) << c.what;
        EXPECT_EQ(x, c.expectedX) << c.what;
        EXPECT_EQ(y, c.expectedY) << c.what;
    }
    // An empty frame has no window.
    CameraPictureState zoomed{};
    zoomed.zoomFactor = 3;
    OpticalZoomWindow window;
    EXPECT_FALSE(ComputeOpticalZoomWindow(0, 768, 1024, 768, zoomed, window));
}

// The preview is shown from the part of the plane that the canvas maps onto:
// the view, inside the optical zoom window when the camera is zoomed.
TEST(ShapeMapping, ShownPlanePartIsWhereTheCanvasCornersMap)
{
    ShapeTarget target{{0, 0, 800, 600}, {100, 50, 900, 700}, 1.0f};
    EXPECT_EQ(PlaneViewSource(target, 1024, 768), (PixelRect{100, 50, 900, 700}));
    target.view = {-10, -10, 2000, 800};
    EXPECT_EQ(PlaneViewSource(target, 1024, 768), (PixelRect{0, 0, 1024, 768}));
    EXPECT_EQ(PlaneViewSource(target, 0, 768), (PixelRect{0, 0, 0, 0}));

    CameraPictureState state{};
    state.zoomFactor = 3;
    state.zoomFraction = 100;  // 300 %
    target.view = {0, 0, 1024, 768};
    ASSERT_TRUE(ComputeOpticalZoomWindow(1024, 768, 1024, 768, state, target.zoomWindow));
    target.opticalZoom = true;
    const PixelRect shown = PlaneViewSource(target, 1024, 768);
    int left, top, right, bottom;
    ASSERT_TRUE(MapCanvasPoint(0, 0, target, left, top));
    ASSERT_TRUE(MapCanvasPoint(800, 600, target, right, bottom));
    EXPECT_EQ(shown, (PixelRect{left, top, right, bottom}));
    EXPECT_EQ(shown, (PixelRect{342, 256, 683, 512}));
    // A view of the picture's top-left quarter: that quarter of the window.
    target.view = {0, 0, 512, 384};
    EXPECT_EQ(PlaneViewSource(target, 1024, 768), (PixelRect{342, 256, 512, 384}));
}

struct RenderFixture {
    explicit RenderFixture(float zoom = 1.0f)
        : drawing(100, 100),
          staging(100, 100),
          renderer({{0, 0, 100, 100}, {0, 0, 100, 100}, zoom}, drawing.plane, staging.plane)
    {
    }
    AnnotationTestPlane drawing;
    AnnotationTestPlane staging;
    ShapeRenderer renderer;
};

Telvane::RectGraphic WhiteFrame(float x, float y, float w, float h)
{
    Telvane::RectGraphic shape(x, y, w, h);
    shape.setLineWidth(0.025f);  // two pixels of the 100-pixel plane, truncated
    shape.setFirstColor({1.0f, 1.0f, 1.0f, 0.999f});
    return shape;
}

TEST(ShapeRender, OpaqueFrameArrivesWithAlpha254)
{
    RenderFixture f;
    ASSERT_TRUE(f.renderer.RenderRect(WhiteFrame(0.1f, 0.1f, 0.5f, 0.5f)));
    // Rectangle (10, 10)-(61, 61): left edge at 10 and 11, interior cleared.
    EXPECT_EQ(f.drawing.At(10, 30), 0xFEFEFEFEu);
    EXPECT_EQ(f.drawing.At(11, 30), 0xFEFEFEFEu);
    EXPECT_EQ(f.drawing.At(12, 30), 0u);
    EXPECT_EQ(f.drawing.At(30, 60), 0xFEFEFEFEu);
    EXPECT_EQ(f.drawing.At(30, 61), 0u);
}

TEST(ShapeRender, NegativeExtentIsTheSameRectangle)
{
    RenderFixture a, b;
    a.renderer.RenderRect(WhiteFrame(0.1f, 0.1f, 0.5f, 0.5f));
    b.renderer.RenderRect(WhiteFrame(0.6f, 0.6f, -0.5f, -0.5f));
    EXPECT_EQ(a.drawing.words, b.drawing.words);
}

TEST(ShapeRender, TranslucentFillComposedOverTheDrawing)
{
    RenderFixture f;
    for (auto& w : f.drawing.words) w = 0xFF0000FF;  // earlier opaque blue drawing
    Telvane::Ellipse shape(0.0f, 0.0f, 1.0f, 1.0f);
    shape.setLineWidth(0.05f);
    shape.setFirstColor({1.0f, 0.0f, 0.0f, 1.0f});
    shape.setSecondColor({0.0f, 1.0f, 0.0f, 128.0f / 255.0f});
    ASSERT_TRUE(f.renderer.RenderEllipse(shape));
    EXPECT_EQ(f.drawing.At(50, 50), Argb::CompositeOver(0xFF0000FF, 0x80008000, 255));  // fill, premultiplied
    EXPECT_EQ(f.drawing.At(2, 50), 0xFFFF0000u);                                        // ring
    EXPECT_EQ(f.drawing.At(0, 0), 0xFF0000FFu);                                         // outside: kept
}

TEST(ShapeRender, RefusedShapesDrawNothing)
{
    for (float zoom : {0.0f, kNaN, -2.0f}) {
        RenderFixture f(zoom);
        EXPECT_FALSE(f.renderer.RenderRect(WhiteFrame(0.1f, 0.1f, 0.5f, 0.5f))) << zoom;
        EXPECT_EQ(f.drawing.CountNonZero(), 0);
    }
    RenderFixture f;
    EXPECT_FALSE(f.renderer.RenderRect(WhiteFrame(kNaN, 0.1f, 0.5f, 0.5f)));
    EXPECT_FALSE(f.renderer.RenderEllipse(Telvane::Ellipse(0.1f, kInf, 0.5f, 0.5f)));
    EXPECT_FALSE(f.renderer.RenderEraser(Telvane::RectEraser(0.1f, 0.1f, 1e20f, 0.5f)));
    int width = 0;
    EXPECT_FALSE(
        RenderFixture(0.0f).renderer.PathPenWidth(Telvane::Path(std::vector<Telvane::Point>{{0.0f, 0.0f}}), width));
    EXPECT_EQ(f.drawing.CountNonZero(), 0);
}

TEST(ShapeRender, HugeLineWidthStaysInTheLayer)
{
    RenderFixture f(1e-30f);
    Telvane::RectGraphic shape = WhiteFrame(-20.0f, -20.0f, 40.0f, 40.0f);
    shape.setLineWidth(3e38f);
    EXPECT_TRUE(f.renderer.RenderRect(shape));
    int width = 0;
    Telvane::Path path({{0, 0}, {1, 1}});
    path.setLineWidth(3e38f);
    EXPECT_TRUE(f.renderer.PathPenWidth(path, width));
    EXPECT_EQ(width, 100);
}

TEST(ShapeRender, EraserClearsItsRectangle)
{
    RenderFixture f;
    for (auto& w : f.drawing.words) w = 0xFFFFFFFF;
    ASSERT_TRUE(f.renderer.RenderEraser(Telvane::RectEraser(0.0f, 0.0f, 0.1f, 0.1f)));
    EXPECT_EQ(f.drawing.At(10, 10), 0u);  // the placed rectangle includes its far corner
    EXPECT_EQ(f.drawing.At(11, 10), 0xFFFFFFFFu);
    EXPECT_EQ(f.drawing.CountNonZero(), 100 * 100 - 11 * 11);
}

}  // namespace
