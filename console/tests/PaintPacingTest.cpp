// The camera thread's repaint requests against the window's paints, on a
// clock of our own.
#include <gtest/gtest.h>

#include "PaintPacing.h"

namespace {

TEST(PaintPacing, OneRepaintIsDueUntilThePaintAndThenAGapAsLongAsThePaint)
{
    PaintPacing pacing;
    EXPECT_TRUE(pacing.TakeRepaint(1000));
    EXPECT_FALSE(pacing.TakeRepaint(1033)) << "a repaint is already due";

    pacing.Painted(1040, 1240);  // a paint of 200 ms
    EXPECT_FALSE(pacing.TakeRepaint(1273)) << "the window's timers get their turn first";
    EXPECT_FALSE(pacing.TakeRepaint(1439));
    EXPECT_TRUE(pacing.TakeRepaint(1440));

    pacing.Painted(1450, 1455);  // fast paints keep every frame
    EXPECT_TRUE(pacing.TakeRepaint(1460));
}

TEST(PaintPacing, APaintThatNeverCameIsAskedForAgainAfterASecond)
{
    PaintPacing pacing;
    EXPECT_TRUE(pacing.TakeRepaint(5000));
    EXPECT_FALSE(pacing.TakeRepaint(5999));
    EXPECT_TRUE(pacing.TakeRepaint(6000));
    EXPECT_FALSE(pacing.TakeRepaint(6033));
}

TEST(PaintPacing, TheTickCountWrappingKeepsThePace)
{
    PaintPacing pacing;
    pacing.Painted(0xFFFFFF00u, 0xFFFFFFF0u);  // 240 ms, ending just before the wrap
    EXPECT_FALSE(pacing.TakeRepaint(0x10));
    EXPECT_TRUE(pacing.TakeRepaint(0xE0));
}

}  // namespace
