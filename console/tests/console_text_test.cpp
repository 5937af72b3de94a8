#include <gtest/gtest.h>

#include <cwchar>
#include <regex>
#include <string>

#include "ConsoleText.h"

namespace {

std::wstring Shorten(const std::wstring& path)
{
    wchar_t out[kShortPathLength + 1];
    ShortenPath(out, path.c_str());
    return out;
}

TEST(ShortenPath, KeepsShortPathsAndCutsLongOnesTo32)
{
    struct Case {
        std::wstring path, shown;
    };
    const Case cases[] = {
        {L"", L""},
        {L"C:\\Pictures\\2026\\December\\a.jpg", L"C:\\Pictures\\2026\\December\\a.jpg"},  // 31: as it is
        {L"C:\\Pictures\\2026\\December\\ab.jpg", L"C:\\...\\ab.jpg"},                     // 32
        {L"C:\\Users\\someone\\Pictures\\Snaps\\b.jpg", L"C:\\...\\b.jpg"},                // 40
        {L"C:\\Pictures\\2026-Dec-10_Thu_13-05-09_00001.jpg", L"C:\\...\\2026-Dec-10_Thu_13-05-..."},
        {L"D:\\a\\" + std::wstring(60, L'x'), L"D:\\...\\" + std::wstring(22, L'x') + L"..."},
        {std::wstring(40, L'y'), std::wstring(29, L'y') + L"..."},  // no backslash at all
    };
    for (const Case& c : cases) {
        const std::wstring shown = Shorten(c.path);
        EXPECT_EQ(shown, c.shown) << c.path.size();
        EXPECT_LE(shown.size(), 32u);
    }
}

TEST(Timestamp, FormatsYearMonthDayWeekdayAndTime)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 10;
    t.tm_wday = 4;
    t.tm_hour = 13;
    t.tm_min = 5;
    t.tm_sec = 9;
    wchar_t text[128];
    FormatTimestamp(text, 128, t);
    EXPECT_STREQ(text, L"2026-Dec-10_Thu_13-05-09");
}

TEST(Timestamp, CurrentTimeHasTheFileNameShape)
{
    const std::wstring stamp = TimestampString();
    EXPECT_TRUE(std::regex_match(stamp, std::wregex(L"\\d{4}-[A-Z][a-z]{2}-\\d{2}_[A-Z][a-z]{2}_\\d{2}-\\d{2}-\\d{2}")))
        << std::string(stamp.begin(), stamp.end());
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
