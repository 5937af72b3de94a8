#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaptureSeries.h"

namespace {

const uint32_t kTickMs = 50;
const std::wstring kBase = L"D:\\Shots\\pic2008-Jan-01_Tue_10-00-00.jpg";

// Runs a series on the 50 ms timer from `start` until it ends or `limitMs`
// passed. A large-still camera answers a request after stillDelayMs (never
// when negative); with loseFirst the first request of each shot goes
// unanswered.
struct SeriesRun {
    std::vector<std::wstring> names;
    std::vector<uint32_t> shotTicks;
    int stillRequests = 0;
};

SeriesRun RunSeries(CaptureSeries& series, uint32_t start, uint32_t limitMs, bool largeStills, int stillDelayMs,
                    bool loseFirst = false)
{
    SeriesRun run;
    bool stillComing = false;
    uint32_t stillDue = 0;
    int requestsOfShot = 0;
    auto takeShot = [&](uint32_t now) {
        run.names.push_back(series.NextShotName());
        run.shotTicks.push_back(now - start);
        series.ShotDone(true);
        requestsOfShot = 0;
    };
    for (uint32_t now = start; series.IsRunning() && now - start <= limitMs; now += kTickMs) {
        if (stillComing && now - stillDue < 0x80000000u) {
            stillComing = false;
            takeShot(now);
        }
        switch (series.Tick(now, largeStills)) {
        case CaptureSeries::Step::TakeShot:
            takeShot(now);
            break;
        case CaptureSeries::Step::RequestStill:
            ++run.stillRequests;
            if (stillDelayMs >= 0 && !(loseFirst && requestsOfShot == 0)) {
                stillComing = true;
                stillDue = now + static_cast<uint32_t>(stillDelayMs);
            }
            ++requestsOfShot;
            break;
        case CaptureSeries::Step::None:
            break;
        }
    }
    return run;
}

std::wstring Shot(int n)
{
    wchar_t number[8];
    swprintf(number, 8, L"%05d", n);
    return L"D:\\Shots\\pic2008-Jan-01_Tue_10-00-00_" + std::wstring(number) + L".jpg";
}

TEST(CaptureSeries, SixtySecondsEveryFiveGivesThirteenNumberedShotsOnTime)
{
    std::wstring base;
    ASSERT_TRUE(MakeSeriesBaseName(L"D:\\Shots", L"pic", L"2008-Jan-01_Tue_10-00-00", &base));
    EXPECT_EQ(base, L"D:\\Shots\\pic2008-Jan-01_Tue_10-00-00.jpg");
    // Also across the tick counter's wrap.
    for (uint32_t start : {1000u, 0xFFFFF000u}) {
        CaptureSeries series;
        series.Start(base, 5, 13, start);
        const SeriesRun run = RunSeries(series, start, 120000, false, 0);
        ASSERT_EQ(run.names.size(), 13u) << start;
        for (int n = 0; n < 13; ++n) {
            EXPECT_EQ(run.names[n], Shot(n));
            EXPECT_EQ(run.shotTicks[n], uint32_t(n) * 5000u) << "shot " << n << " at its interval";
        }
        EXPECT_FALSE(series.IsRunning());
        EXPECT_EQ(series.ShotsTaken(), 13);
    }
}

TEST(CaptureSeries, LargeStillsAreAskedOncePerShotAndAgainOnlyAfterTheBoundedWait)
{
    struct Case {
        int stillDelayMs;  // -1: the camera never answers
        bool loseFirst;
        uint32_t limitMs;
        size_t shots;
        int requests;
    };
    const Case cases[] = {
        {400, false, 70000, 13, 13},   // the still comes within the wait: one request per shot
        {2950, false, 70000, 13, 13},  // just within
        {400, true, 70000, 13, 26},    // each first request lost: asked again three seconds on
        {-1, false, 59950, 0, 20},     // never a still: one request every three seconds of the minute
    };
    for (const Case& c : cases) {
        CaptureSeries series;
        series.Start(kBase, 5, 13, 0);
        const SeriesRun run = RunSeries(series, 0, c.limitMs, true, c.stillDelayMs, c.loseFirst);
        EXPECT_EQ(run.names.size(), c.shots) << c.stillDelayMs << " " << c.loseFirst;
        EXPECT_EQ(run.stillRequests, c.requests) << c.stillDelayMs << " " << c.loseFirst;
        for (size_t n = 0; n < run.names.size(); ++n) EXPECT_EQ(run.names[n], Shot(int(n)));
    }
}

TEST(CaptureSeries, AFailedShotCountsAndIsReportedOncePerSeries)
{
    CaptureSeries series;
    series.Start(kBase, 5, 3, 0);
    const CaptureSeries::Outcome first = series.ShotDone(false);
    EXPECT_TRUE(first.reportFailure);
    EXPECT_FALSE(first.ended);
    EXPECT_EQ(series.NextShotName(), Shot(1)) << "the series goes on";
    EXPECT_FALSE(series.ShotDone(false).reportFailure);
    EXPECT_TRUE(series.ShotDone(true).ended);

    series.Start(kBase, 5, 3, 0);
    EXPECT_TRUE(series.ShotDone(false).reportFailure) << "a new series reports again";
    series.Stop();
    EXPECT_EQ(series.Tick(99999, false), CaptureSeries::Step::None);
    EXPECT_FALSE(series.ShotDone(true).ended) << "a stopped series takes no late still";
}

TEST(CaptureSeries, BaseNamesAreJoinedWithABackslashAndTooLongOnesRefused)
{
    struct Case {
        std::wstring folder, name;
        bool made;
        std::wstring base;
    };
    const std::wstring stamp = L"2008-Jan-01_Tue_10-00-00";  // 24 characters
    // The longest shot name that fits: 259 characters with "_00000".
    const std::wstring fits(259 - 3 - 1 - 3 - 24 - 6 - 4, L'f');
    const Case cases[] = {
        {L"C:\\", L"pic", true, L"C:\\\\pic" + stamp + L".jpg"},  // doubled, as the system takes it
        {L"D:\\Shots", L"", true, L"D:\\Shots\\" + stamp + L".jpg"},
        {L"C:\\" + fits, L"pic", true, L"C:\\" + fits + L"\\pic" + stamp + L".jpg"},
        {L"C:\\" + fits + L"x", L"pic", false, L"unchanged"},
        {L"C:\\" + std::wstring(1000, L'x'), L"pic", false, L"unchanged"},
    };
    for (const Case& c : cases) {
        std::wstring base = L"unchanged";
        EXPECT_EQ(MakeSeriesBaseName(c.folder, c.name, stamp, &base), c.made) << c.folder.size();
        EXPECT_EQ(base, c.base);
        if (c.made) {
            EXPECT_LT(SeriesShotName(base, 12, L"jpg").size(), kMaxPathChars);
        }
    }
}

TEST(SeriesTables, ShotsPerSeries)
{
    EXPECT_EQ(ShotsPerSeries(0, 0), 13);    // 60 / 5 + 1
    EXPECT_EQ(ShotsPerSeries(19, 19), 13);  // 259200 / 21600 + 1
    EXPECT_EQ(ShotsPerSeries(0, 19), 1);    // interval longer than the series
    EXPECT_EQ(ShotsPerSeries(3, 4), 11);    // 300 / 30 + 1
    // A hand-edited profile: indexes outside the tables take the nearest row.
    EXPECT_EQ(ShotsPerSeries(-7, 400), ShotsPerSeries(0, 19));
    EXPECT_EQ(SeriesTotalSeconds(99), 259200);
    EXPECT_EQ(SeriesIntervalSeconds(-1), 5);
    for (int i = 1; i < kSeriesTableRows; ++i) {
        EXPECT_LT(kSeriesTotalSeconds[i - 1], kSeriesTotalSeconds[i]);
        EXPECT_LT(kSeriesIntervalSeconds[i - 1], kSeriesIntervalSeconds[i]);
    }
}

}  // namespace

TEST(SeriesTables, IntervalLimitsOfATotalTime)
{
    struct Case {
        int totalIndex, onOpen, afterMove;
    } cases[] = {
        {0, 7, 7},     // 1 min: up to the 1 min interval either way
        {9, 17, 16},   // 80 min: 2 h as opened (first not below), 1 h once moved (last not above)
        {3, 10, 10},   // 5 min: exactly an interval
        {19, 19, 19},  // 72 h: every interval, never past the table
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntervalLimitOnOpen(c.totalIndex), c.onOpen) << c.totalIndex;
        EXPECT_EQ(IntervalLimitForTotal(c.totalIndex), c.afterMove) << c.totalIndex;
    }
}
