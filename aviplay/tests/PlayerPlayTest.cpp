// Playing through the fake clock: the timer interval, the frames shown per
// tick at each speed and direction, the ends, seeking and stopping.
#include "PlayerTestSupport.h"

#include <cmath>

#include "PlayTiming.h"

namespace {

using PlayTest = PlayerTest;

// The frames the player shows on each of ticks timer ticks at speed, when
// play starts at frame start of a 25 frames-per-second fixture: a tick shows
// the frame that the play clock reached on the tick before.
std::vector<int> ExpectedFrames(int start, float speed, UINT intervalMs, int ticks, int frames)
{
    std::vector<int> shown{start, start};  // Play shows the first frame at once
    int32_t elapsed = start * 40;
    for (int tick = 1; tick < ticks; ++tick) {
        elapsed = kvq::AdvancePlayClock(elapsed, intervalMs, speed);
        int frame = elapsed < 0 ? -1 : elapsed / 40;
        if (frame < 0 || frame >= frames) break;
        shown.push_back(frame);
    }
    return shown;
}

TEST_F(PlayTest, TicksAtTheIntervalForTheSpeedAndShowsTheFramesTheClockReaches)
{
    struct Case {
        float speed;
        UINT intervalMs;
        int start;
    };
    const Case cases[] = {
        {1.0f, 40, 0},     {0.25f, 160, 0}, {0.5f, 80, 0},   {2.0f, 40, 0},   {4.0f, 40, 0},
        {-0.25f, 160, 49}, {-0.5f, 80, 49}, {-1.0f, 40, 49}, {-2.0f, 40, 49}, {-4.0f, 40, 49},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speed);
        KVQAviPlayer player;
        Open(player, L"video25.avi");
        ASSERT_NE(player.Seek(c.start), nullptr);
        FrameLog::Take();
        ASSERT_TRUE(player.Play(c.speed));
        EXPECT_EQ(clock.timer.intervalMs, c.intervalMs);
        EXPECT_EQ(clock.timer.id, KVQAviPlayer::PlayTimerId);
        EXPECT_EQ(clock.timer.window, window);
        EXPECT_EQ(player.IsBackward(), c.speed < 0);
        const int ticks = 11;
        for (int tick = 0; tick < ticks; ++tick) Tick(player, c.intervalMs);
        EXPECT_EQ(FrameLog::Take(), ExpectedFrames(c.start, c.speed, c.intervalMs, ticks, 50));
    }
}

TEST_F(PlayTest, IntervalFollowsTheFileAndNeverGoesBelow30MsOffNormalSpeed)
{
    struct Case {
        const wchar_t* file;
        float speed;
        UINT intervalMs;
    };
    const Case cases[] = {
        {L"video25.avi", 1.0f, 40},     {L"video60.avi", 1.0f, 16},    {L"video25.avi", 2.0f, 40},
        {L"video30.avi", 8.0f, 32},     {L"video30.avi", 1000.0f, 30}, {L"video25.avi", -4.0f, 40},
        {L"sound_first.avi", 1.0f, 33},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.file)) << " at " << c.speed);
        KVQAviPlayer player;
        Open(player, c.file);
        if (c.speed < 0) {
            ASSERT_NE(player.Seek(10), nullptr);
        }
        ASSERT_TRUE(player.Play(c.speed));
        EXPECT_EQ(clock.timer.intervalMs, c.intervalMs);
    }
}

TEST_F(PlayTest, RefusesSpeedZeroAndNotANumber)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    EXPECT_FALSE(player.Play(0.0f));
    EXPECT_FALSE(player.Play(std::nanf("")));
    EXPECT_EQ(clock.starts, 0);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_TRUE(FrameLog::Take().empty());
}

TEST_F(PlayTest, ForwardEndStopsAtFrameZeroWithoutLoop)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    ASSERT_NE(player.Seek(47), nullptr);
    ASSERT_TRUE(player.Play(1.0f));
    for (int tick = 0; tick < 10 && player.IsPlaying(); ++tick) Tick(player, 40);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(clock.timer.running);
    EXPECT_EQ(player.GetPos(), 0u);
    EXPECT_EQ(FrameLog::Take(), (std::vector<int>{47, 47, 47, 48, 49, FrameLog::kEnd}));
    player.OnTimerEvent(KVQAviPlayer::PlayTimerId + 1);  // another timer's tick is ignored
    EXPECT_TRUE(FrameLog::Take().empty());
}

TEST_F(PlayTest, BackwardEndStopsOnTheLastFrameWithoutLoop)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    ASSERT_NE(player.Seek(2), nullptr);
    ASSERT_TRUE(player.Play(-1.0f));
    for (int tick = 0; tick < 10 && player.IsPlaying(); ++tick) Tick(player, 40);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.GetPos(), 49u);
    // Seek shows frame 2, Play shows it again, and each tick shows the frame
    // the clock reached on the tick before: 40 ms back is 39 after rounding.
    EXPECT_EQ(FrameLog::Take(), (std::vector<int>{2, 2, 2, 1, 0, FrameLog::kEnd}));
}

TEST_F(PlayTest, LoopWrapsAtBothEnds)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi", KVQAviPlayer::OptionLoop);
    ASSERT_NE(player.Seek(48), nullptr);
    ASSERT_TRUE(player.Play(1.0f));
    for (int tick = 0; tick < 4; ++tick) Tick(player, 40);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(FrameLog::Take(), (std::vector<int>{48, 48, 48, 49, 0, 1}));

    player.Stop();
    ASSERT_NE(player.Seek(1), nullptr);
    FrameLog::Take();
    ASSERT_TRUE(player.Play(-1.0f));
    for (int tick = 0; tick < 4; ++tick) Tick(player, 40);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(FrameLog::Take(), (std::vector<int>{1, 1, 0, 49, 48}));
}

TEST_F(PlayTest, RefusesToPlayPastAnEndWithoutLoop)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    ASSERT_NE(player.Seek(49), nullptr);
    EXPECT_FALSE(player.Play(1.0f));
    ASSERT_NE(player.Seek(0), nullptr);
    EXPECT_FALSE(player.Play(-1.0f));
    EXPECT_EQ(clock.starts, 0);
    player.SetOptions(KVQAviPlayer::OptionLoop);
    EXPECT_TRUE(player.Play(-1.0f));
}

TEST_F(PlayTest, LateTicksSkipFramesInsteadOfSlowingDown)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    clock.now = 0xFFFFFF00;  // the tick count wraps during play
    ASSERT_TRUE(player.Play(1.0f));
    Tick(player, 400);
    Tick(player, 40);
    Tick(player, 120);
    EXPECT_EQ(FrameLog::Take(), (std::vector<int>{0, 0, 10, 11}));
    EXPECT_EQ(player.GetPos(), 14u);
    EXPECT_EQ(player.GetElapsedTime(), 560u);
}

TEST_F(PlayTest, SeekWrapsShowsAtOnceAndKeepsPlayGoing)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    ASSERT_NE(player.Seek(player.Frames() + 3), nullptr);
    EXPECT_EQ(player.GetPos(), 3u);
    EXPECT_EQ(player.GetElapsedTime(), 120u);
    EXPECT_EQ(FrameLog::Take(), std::vector<int>{3});

    ASSERT_TRUE(player.Play(1.0f));
    Tick(player, 40);
    ASSERT_NE(player.Seek(30), nullptr);
    EXPECT_TRUE(player.IsPlaying());
    Tick(player, 40);
    Tick(player, 40);
    EXPECT_EQ(FrameLog::Take(), (std::vector<int>{3, 3, 30, 30, 31}));
}

TEST_F(PlayTest, StopKeepsThePositionAndPlayResumesFromIt)
{
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    ASSERT_TRUE(player.Play(1.0f));
    for (int tick = 0; tick < 5; ++tick) Tick(player, 40);
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(clock.timer.running);
    EXPECT_EQ(player.GetPos(), 5u);
    FrameLog::Take();
    clock.Advance(10000);  // time passing while stopped does not move the film
    ASSERT_TRUE(player.Play(1.0f));
    Tick(player, 40);
    EXPECT_EQ(FrameLog::Take(), (std::vector<int>{5, 5}));
    EXPECT_EQ(player.GetPos(), 6u);
}

TEST_F(PlayTest, ACopyTakesSettingsButNeverTheFile)
{
    auto original = std::make_unique<KVQAviPlayer>();
    Open(*original, L"video25.avi", KVQAviPlayer::OptionLoop);
    ASSERT_TRUE(original->Play(1.0f));

    KVQAviPlayer copy(*original);
    EXPECT_FALSE(copy.IsOpened());
    EXPECT_FALSE(copy.IsPlaying());
    EXPECT_EQ(copy.GetOptions(), KVQAviPlayer::OptionLoop);
    EXPECT_EQ(copy.Frames(), 0u);
    KVQAviPlayer assigned;
    Open(assigned, L"video60.avi");
    assigned = *original;
    EXPECT_EQ(assigned.FrameMilliseconds(), 16u) << "assignment keeps the target's own file";

    original.reset();  // closes the file the copies never shared
    copy.Close();
    ASSERT_TRUE(copy.OpenFile(window, FixturePath(L"video30.avi").c_str()));
    ASSERT_NE(copy.Seek(2), nullptr);
    EXPECT_EQ(FrameLog::Take().back(), 2) << "the copy kept the callback";
}

}  // namespace
