#include <gtest/gtest.h>

#include "PictureView.h"

namespace {

TEST(StepView, PansAndZoomsWithinThePicture)
{
    struct Case {
        PixelRect view;
        ViewStep step;
        PixelRect expected;
    };
    // A 1024 x 768 picture.
    const Case cases[] = {
        // A twentieth of the view, whole pixels.
        {{100, 100, 612, 484}, ViewStep::PanUp, {100, 81, 612, 465}},
        {{100, 100, 612, 484}, ViewStep::PanDown, {100, 119, 612, 503}},
        {{100, 100, 612, 484}, ViewStep::PanLeft, {75, 100, 587, 484}},
        {{100, 100, 612, 484}, ViewStep::PanRight, {125, 100, 637, 484}},
        // Near an edge the step is cut to the room left; at the edge nothing moves.
        {{100, 10, 612, 394}, ViewStep::PanUp, {100, 0, 612, 384}},
        {{100, 0, 612, 384}, ViewStep::PanUp, {100, 0, 612, 384}},
        {{0, 0, 512, 384}, ViewStep::PanLeft, {0, 0, 512, 384}},
        {{512, 384, 1024, 768}, ViewStep::PanDown, {512, 384, 1024, 768}},
        {{512, 384, 1024, 768}, ViewStep::PanRight, {512, 384, 1024, 768}},
        {{500, 0, 1012, 384}, ViewStep::PanRight, {512, 0, 1024, 384}},
        // Nine tenths about the centre.
        {{0, 0, 1024, 768}, ViewStep::ZoomIn, {52, 39, 973, 730}},
        // Below 21 pixels on either axis zooming in stops.
        {{100, 100, 120, 200}, ViewStep::ZoomIn, {100, 100, 120, 200}},
        {{100, 100, 200, 120}, ViewStep::ZoomIn, {100, 100, 200, 120}},
        {{100, 100, 121, 121}, ViewStep::ZoomIn, {101, 101, 119, 119}},
        // Ten ninths about the centre, pushed back inside at the edges.
        {{52, 39, 973, 730}, ViewStep::ZoomOut, {1, 1, 1024, 768}},
        {{0, 0, 300, 300}, ViewStep::ZoomOut, {0, 0, 333, 333}},
        {{950, 700, 1024, 768}, ViewStep::ZoomOut, {942, 693, 1024, 768}},
        // Larger than the picture on one axis: the whole picture.
        {{100, 0, 300, 700}, ViewStep::ZoomOut, {0, 0, 1024, 768}},
    };
    for (const Case& c : cases) {
        PixelRect view = c.view;
        StepView(view, 1024, 768, c.step);
        EXPECT_EQ(view, c.expected) << "from " << c.view.left << "," << c.view.top << "," << c.view.right << ","
                                    << c.view.bottom << " step " << static_cast<int>(c.step);
    }
}

TEST(StepView, ZoomingOutFromAnyViewEndsAtTheWholePicture)
{
    for (int left = 0; left < 1000; left += 37) {
        PixelRect view{left, left * 3 / 4, left + 24, left * 3 / 4 + 22};
        for (int step = 0; step < 100; ++step) {
            StepView(view, 1024, 768, ViewStep::ZoomOut);
            ASSERT_GE(view.left, 0);
            ASSERT_GE(view.top, 0);
            ASSERT_LE(view.right, 1024);
            ASSERT_LE(view.bottom, 768);
        }
        EXPECT_EQ(view, (PixelRect{0, 0, 1024, 768})) << "from left " << left;
    }
}

TEST(PrintedPictureSize, ScreenSizeAtThePrinterResolutionShrunkToThePage)
{
    struct Case {
        int width, height;
        PixelSize printerDpi, page, expected;
    };
    const Case cases[] = {
        // 600 dpi over a 96 dpi screen: 6.25 on each axis.
        {1024, 768, {600, 600}, {7000, 5000}, {6400, 4800}},
        {640, 480, {300, 600}, {7000, 5000}, {2000, 3000}},
        // Larger than the page: one factor for both axes.
        {1024, 768, {600, 600}, {6400, 2400}, {3200, 2400}},
        {1024, 768, {600, 600}, {3200, 4800}, {3200, 2400}},
        {0, 768, {600, 600}, {7000, 5000}, {0, 0}},
    };
    for (const Case& c : cases) {
        const PixelSize size = PrintedPictureSize(c.width, c.height, {96, 96}, c.printerDpi, c.page);
        EXPECT_EQ(size.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(size.height, c.expected.height) << c.width << "x" << c.height;
    }
}

}  // namespace
