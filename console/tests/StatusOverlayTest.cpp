#include <gtest/gtest.h>

#include "StatusOverlay.h"

namespace {

const PixelRect kClient{0, 0, 1000, 700};

struct Shown {
    StatusText text;
    PixelRect box;
};

void ExpectItems(const StatusOverlayState& state, std::vector<Shown> expected, const char* what)
{
    const std::vector<StatusOverlayItem> items = LayOutStatusTexts(state, kClient);
    ASSERT_EQ(items.size(), expected.size()) << what;
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(static_cast<int>(items[i].text), static_cast<int>(expected[i].text)) << what << ", item " << i;
        EXPECT_TRUE(items[i].box == expected[i].box) << what << ", item " << i;
    }
}

TEST(StatusOverlay, NoticesBlinkAndTakeTheirPlaces)
{
    const PixelRect rec{750, 2, 1000, 40}, capturing{800, 2, 1000, 40}, clock{900, 3, 1000, 23};
    const PixelRect sharing{20, 670, 300, 700}, server{10, 5, 800, 32};
    using T = StatusText;
    struct Case {
        const char* what;
        StatusOverlayState state;
        std::vector<Shown> expected;
    };
    // state: recording, seconds, series, sharing, remote shown, tick
    const Case cases[] = {
        {"nothing going on", {false, 0, false, false, false, 100}, {}},
        {"recording, blink on",
         {true, 65, false, false, false, 1599},
         {{T::Recording, rec}, {T::RecordingTime, clock}}},
        {"recording, blink off: the clock stays", {true, 65, false, false, false, 1600}, {{T::RecordingTime, clock}}},
        {"series wins over recording",
         {true, 5, true, false, false, 0},
         {{T::Capturing, capturing}, {T::RecordingTime, clock}}},
        {"series, blink off", {false, 0, true, false, false, 999}, {}},
        {"sharing, blink on", {false, 0, false, true, false, 2000}, {{T::Sharing, sharing}}},
        {"sharing, blink off", {false, 0, false, true, false, 2600}, {}},
        {"viewing: the server's name, steady", {false, 0, false, true, true, 2600}, {{T::ServerName, server}}},
        {"viewing while the blink is on: no sharing notice",
         {false, 0, false, true, true, 0},
         {{T::ServerName, server}}},
    };
    for (const Case& c : cases) ExpectItems(c.state, c.expected, c.what);
}

TEST(StatusOverlay, RecordingTimeHasTwoDigitsEach)
{
    const struct {
        unsigned seconds;
        const wchar_t* text;
    } cases[] = {
        {0, L"00:00:00"},    {59, L"00:00:59"},    {60, L"00:01:00"},     {3599, L"00:59:59"},
        {3600, L"01:00:00"}, {36061, L"10:01:01"}, {359999, L"99:59:59"}, {360000, L"100:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatRecordingTime(c.seconds), c.text) << c.seconds;
}

}  // namespace
