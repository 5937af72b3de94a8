#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PlayTiming.h"

namespace {

using kvq::PlayTimerIntervalMs;

struct IntervalCase {
    uint32_t scale, rate;
    float speed;
    uint32_t intervalMs;
};

TEST(PlayTimerInterval, FollowsTheFrameRateAndNeverTicksFasterThan30MsOffNormalSpeed)
{
    const IntervalCase cases[] = {
        {1, 25, 1.0f, 40},  {1, 60, 1.0f, 16},        // normal speed: the frame interval, however short
        {1, 1000, 1.0f, 1}, {1, 25, 2.0f, 40},        // 20 doubled
        {1, 30, 8.0f, 32},  {1, 30, 1000.0f, 30},     // 33/8 = 4 doubled three times; a zero quotient is 30
        {1, 25, -4.0f, 40}, {1, 25, 4.0f, 40},        // 10 doubled twice; backward as forward
        {1, 25, 0.5f, 80},  {1, 25, 0.25f, 160},      // slow play stretches the interval
        {1, 25, -0.5f, 80}, {1, 60, 2.0f, 32},        // 8 doubled twice
        {1, 17, 2.0f, 58},  {1001, 30000, 1.0f, 33},  // 29 doubled; NTSC timing
    };
    for (const IntervalCase& c : cases) {
        EXPECT_EQ(PlayTimerIntervalMs(c.scale, c.rate, c.speed), c.intervalMs)
            << c.scale << "/" << c.rate << " at " << c.speed;
    }
}

TEST(PlayTimerInterval, IsZeroWithoutTimingOrSpeed)
{
    EXPECT_EQ(PlayTimerIntervalMs(1, 0, 1.0f), 0u);
    EXPECT_EQ(PlayTimerIntervalMs(1, 25, 0.0f), 0u);
    EXPECT_EQ(PlayTimerIntervalMs(1, 25, -0.0f), 0u);
    EXPECT_EQ(PlayTimerIntervalMs(1, 25, std::nanf("")), 0u);
    EXPECT_EQ(PlayTimerIntervalMs(1, 25, 1e-30f), 0x7FFFFFFFu) << "absurdly slow play stops at the timer's ceiling";
}

TEST(FileTiming, NeverDividesByZero)
{
    EXPECT_EQ(kvq::FrameIntervalMs(1, 0), 0u);
    EXPECT_EQ(kvq::LengthInSeconds(50, 1, 0), 0u);
    EXPECT_EQ(kvq::FramesPerSecond(0, 25), 0.0f);
    EXPECT_EQ(kvq::FrameIntervalMs(1, 25), 40u);
    EXPECT_EQ(kvq::LengthInSeconds(250, 1, 25), 10u);
    EXPECT_FLOAT_EQ(kvq::FramesPerSecond(1001, 30000), 29.97003f);
}

TEST(PlayClock, AdvancesByTheRoundedScaledWallClockTime)
{
    EXPECT_EQ(kvq::AdvancePlayClock(0, 40, 1.0f), 40);
    EXPECT_EQ(kvq::AdvancePlayClock(100, 45, 0.5f), 123);    // 22.5 rounds up
    EXPECT_EQ(kvq::AdvancePlayClock(1000, 40, -1.0f), 961);  // -39.5 truncates toward zero
    EXPECT_EQ(kvq::AdvancePlayClock(0, 30, -4.0f), -119);
    EXPECT_EQ(kvq::AdvancePlayClock(0, 0xFFFFFFFFu, 4.0f), std::numeric_limits<int32_t>::max())
        << "a clock that jumps by days saturates instead of wrapping";
}

}  // namespace
