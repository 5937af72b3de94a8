#include "logic/SkinGeometry.h"
#include <gtest/gtest.h>

using namespace kvq;

TEST(FrameSizing, KeepsTheViewAtFourToThreeAndTheMinimum)
{
    struct Case {
        int w, h, expectW, expectH;
    } cases[] = {
        {800, 600, 707, 600},  // width follows the height
        {700, 900, 700, 594},  // height follows the width
        {500, 400, 667, 570},  // raised to the minimum
        {667, 570, 667, 570},  // the minimum is itself 4:3
        {2000, 1000, 1240, 1000},
    };
    for (const Case& c : cases) {
        Extent e = FitFrameSize(c.w, c.h);
        EXPECT_EQ(e.width, c.expectW) << c.w << "x" << c.h;
        EXPECT_EQ(e.height, c.expectH) << c.w << "x" << c.h;
    }
}

TEST(SliderTrack, MapsThePointerToPositions)
{
    const SliderTrack horizontal{false, 173, 10, 0, 0, 0, 100};
    const SliderTrack shifted{false, 173, 10, 0, 0, 100, 200};
    const SliderTrack vertical{true, 173, 10, 0, 0, 0, 100};
    const SliderTrack margins{false, 173, 10, 20, 30, 0, 100};
    struct Case {
        const SliderTrack& track;
        int at, expect;
    } cases[] = {
        {horizontal, 5, 0},     {horizontal, 168, 100}, {horizontal, 86, 49}, {horizontal, -40, 0},
        {horizontal, 400, 100}, {shifted, 86, 149},     {vertical, 5, 100},   {vertical, 168, 0},
        {vertical, 86, 51},     {margins, 25, 0},       {margins, 138, 100},  {margins, 80, (80 - 25) * 100 / 113},
    };
    for (const Case& c : cases) EXPECT_EQ(c.track.PositionAt(c.at), c.expect) << "at " << c.at;
}

TEST(SliderTrack, PlacesTheThumbAndTheFill)
{
    const SliderTrack horizontal{false, 173, 10, 0, 0, 0, 100};
    const SliderTrack vertical{true, 173, 10, 0, 0, 0, 100};
    EXPECT_EQ(horizontal.ThumbOffset(0), 0);
    EXPECT_EQ(horizontal.ThumbOffset(100), 163);
    EXPECT_EQ(horizontal.ThumbOffset(50), 81);
    EXPECT_EQ(vertical.ThumbOffset(100), 0);
    EXPECT_EQ(vertical.ThumbOffset(0), 163);

    const SliderTrack meter{false, 173, 0, 0, 0, 0, 100};
    struct Case {
        int pos, sep, expect;
    } cases[] = {
        {50, -1, 86},
        {100, -1, 173},
        {10, 20, 43},
        {20, 20, 86},
        {60, 20, 129},
        {0, 0, 86},
        // The separator at the maximum: the right half has no width of range.
        {100, 100, 173},
        {99, 100, 85},
    };
    for (const Case& c : cases) EXPECT_EQ(meter.FilledLength(c.pos, c.sep), c.expect) << c.pos << " sep " << c.sep;
}

TEST(SliderTrack, DegenerateTracksDoNotDivideByZero)
{
    // The thumb as long as the track, or margins eating it whole.
    const SliderTrack full{false, 10, 10, 0, 0, 0, 100};
    const SliderTrack eaten{false, 40, 10, 20, 20, 0, 100};
    const SliderTrack tall{true, 10, 10, 0, 0, 0, 100};
    for (int at : {-5, 0, 5, 9, 50}) {
        EXPECT_GE(full.PositionAt(at), 0);
        EXPECT_LE(eaten.PositionAt(at), 100);
        EXPECT_LE(tall.PositionAt(at), 100);
    }
    EXPECT_EQ(full.ThumbOffset(50), 0);
    EXPECT_EQ(eaten.ThumbOffset(100), 20);
}

TEST(WheelGeometry, SnapsAnglesToStepsAndClampsToTheRange)
{
    const WheelGeometry wheel;  // centre 70,70; ring 44..64; angles -158..158; range -50..50
    struct Case {
        int angle, position;
    } cases[] = {{0, 0}, {17, 0}, {18, 12}, {-18, -10}, {157, 46}, {-158, -44}, {158, 46}};
    for (const Case& c : cases) EXPECT_EQ(wheel.SnappedPosition(c.angle), c.position) << c.angle;
    EXPECT_EQ(wheel.DisplayPosition(0), 0);
    EXPECT_EQ(wheel.DisplayPosition(158), 50);
    EXPECT_EQ(wheel.DisplayPosition(-158), -50);

    WheelGeometry narrow;
    narrow.angleA = -100;
    narrow.angleB = 100;
    EXPECT_EQ(narrow.SnappedPosition(90), 50);  // snaps to 111, past the end of the range
    EXPECT_EQ(narrow.SnappedPosition(-90), -50);

    WheelGeometry closed;
    closed.angleA = closed.angleB = 10;
    EXPECT_EQ(closed.SnappedPosition(10), closed.min);
    EXPECT_EQ(closed.DisplayPosition(10), closed.min);
}

TEST(WheelGeometry, HitsOnlyTheRingWithinTheAngles)
{
    const WheelGeometry wheel;
    EXPECT_TRUE(wheel.Contains(70, 16));  // straight up, distance 54
    EXPECT_EQ(wheel.AngleLite(70, 16, 54.0f), 0);
    EXPECT_FALSE(wheel.Contains(70, 124));  // straight down: angle -180
    EXPECT_FALSE(wheel.Contains(70, 70));   // the centre
    EXPECT_FALSE(wheel.Contains(100, 70));  // distance 30
    EXPECT_TRUE(wheel.Contains(124, 70));   // right, +90
    EXPECT_EQ(wheel.Angle(124, 70), 90);
    EXPECT_EQ(wheel.Angle(16, 70), -90);
    EXPECT_EQ(wheel.Angle(108, 32), 45);
    EXPECT_EQ(wheel.Angle(32, 108), -135);
}

TEST(WheelGeometry, DrawsTheKnobFromTheSortedAngles)
{
    WheelGeometry wheel;
    int x, y;
    wheel.KnobCentre(0, &x, &y);
    EXPECT_EQ(x, 70);
    EXPECT_EQ(y, 16);
    wheel.KnobCentre(50, &x, &y);
    EXPECT_EQ(x, 90);
    EXPECT_EQ(y, 120);
    // The same ring given the other way round maps positions the same way,
    // so the knob must follow them.
    std::swap(wheel.angleA, wheel.angleB);
    wheel.KnobCentre(50, &x, &y);
    EXPECT_EQ(x, 90);
    EXPECT_EQ(y, 120);
    EXPECT_EQ(wheel.SnappedPosition(157), 46);
}

TEST(OpaqueRuns, SplitsRowsAtTheKey)
{
    const uint32_t K = 0xFF00FF, o = 0x123456;
    const uint32_t pixels[] = {
        K, K, K, K, K,  //
        o, o, o, o, o,  //
        o, K, o, K, o,  //
        K, o, o, o, K,  //
    };
    std::vector<kvq::Run> runs;
    CollectOpaqueRuns(pixels, 5, 4, K, runs);
    const std::vector<std::vector<int>> expect = {{1, 0, 5}, {2, 0, 1}, {2, 2, 3}, {2, 4, 5}, {3, 1, 4}};
    ASSERT_EQ(runs.size(), expect.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].y, expect[i][0]);
        EXPECT_EQ(runs[i].left, expect[i][1]);
        EXPECT_EQ(runs[i].right, expect[i][2]);
    }
}
