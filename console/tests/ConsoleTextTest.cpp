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

}  // namespace
