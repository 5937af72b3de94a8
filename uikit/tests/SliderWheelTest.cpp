// Slider and wheel: pointer to position, posted notifications, drawing.
#include "TestSupport.h"

namespace {

// Default skin colours (the skin script's): slider fill, track, wheel knob.
const COLORREF kFill = RGB(60, 170, 90), kTrack = RGB(40, 40, 48), kKnob = RGB(240, 160, 40);
const UINT kId = 77;

class ControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { host = new test::Host(400, 20, 360, 360); }
    static void TearDownTestSuite() { delete host; }
    void SetUp() override { host->commands.clear(); }
    static size_t PostedCommands()
    {
        size_t n = 0;
        for (const test::Command& c : host->commands) {
            EXPECT_EQ(c.wParam, kId);
            EXPECT_EQ(c.lParam, 0);
            n += !c.sent;
        }
        return n;
    }
    static test::Host* host;
};
test::Host* ControlTest::host = nullptr;

}  // namespace

TEST_F(ControlTest, SliderMapsPressesAndPostsEachChange)
{
    struct Case {
        BOOL vertical;
        int min, max, at, expect;
    } cases[] = {{FALSE, 0, 100, 86, 49}, {FALSE, 100, 200, 86, 149}, {FALSE, 0, 100, 5, 0}, {FALSE, 0, 100, 168, 100},
                 {TRUE, 0, 100, 86, 51},  {TRUE, 0, 100, 5, 100},     {TRUE, 0, 100, 168, 0}};
    for (const Case& c : cases) {
        host->commands.clear();
        KVQSlider slider;
        ASSERT_TRUE(slider.CreateSlider(10, 10, host, host, kId, c.vertical, FALSE, 0, 0, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
        slider.SetRange(c.min, c.max);
        const int x = c.vertical ? 5 : c.at, y = c.vertical ? c.at : 5;
        ::PostMessageW(slider.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, test::At(x, y));
        test::Pump();
        EXPECT_EQ(slider.GetPos(), c.expect) << c.at;
        EXPECT_EQ(slider.GetThumbState(), 1);
        EXPECT_EQ(::GetCapture(), slider.m_hWnd);
        test::Release(slider.m_hWnd, x, y);
        EXPECT_EQ(slider.GetThumbState(), 0);
        EXPECT_EQ(PostedCommands(), 2u);
        EXPECT_EQ(host->commands.size(), 2u);
    }
}

TEST_F(ControlTest, SliderDragFollowsTheButtonAndReadOnlyIgnoresTheMouse)
{
    KVQSlider slider, meter;
    ASSERT_TRUE(slider.CreateSlider(10, 10, host, host, kId, FALSE, FALSE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, KVQ_TRANSPARENT, TRUE));
    test::Move(slider.m_hWnd, 86, 5, MK_LBUTTON);  // pressed elsewhere, dragged in
    EXPECT_EQ(slider.GetPos(), 49);
    test::Move(slider.m_hWnd, 120, 5);  // no button: no change
    EXPECT_EQ(slider.GetPos(), 49);
    EXPECT_EQ(PostedCommands(), 1u);

    ASSERT_TRUE(meter.CreateSlider(10, 40, host, host, kId, FALSE, TRUE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, KVQ_TRANSPARENT, TRUE));
    test::Click(meter.m_hWnd, 100, 5);
    EXPECT_EQ(meter.GetPos(), 0);
    EXPECT_EQ(PostedCommands(), 1u);
}

TEST_F(ControlTest, SliderSettersValidateAndSendNothing)
{
    KVQSlider slider;
    ASSERT_TRUE(slider.CreateSlider(10, 10, host, host, kId, FALSE, TRUE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, KVQ_TRANSPARENT, TRUE));
    slider.SetRange(50, 50);
    EXPECT_EQ(slider.GetRangeMin(), 0);
    EXPECT_EQ(slider.GetRangeMax(), 100);
    slider.SetPos(30);
    slider.SetPos(300);
    EXPECT_EQ(slider.GetPos(), 30);
    slider.SetRange(0, 10);
    EXPECT_EQ(slider.GetPos(), 10);
    test::Pump();
    EXPECT_TRUE(host->commands.empty());
}

TEST_F(ControlTest, MeterFillsUpToItsPositionWithASeparatorMark)
{
    KVQSlider meter;
    ASSERT_TRUE(meter.CreateSlider(10, 10, host, host, kId, FALSE, TRUE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, KVQ_TRANSPARENT, TRUE));
    const HWND wnd = meter.m_hWnd;
    const COLORREF red = RGB(255, 0, 0);
    struct Case {
        int pos, sep, filled;
    } cases[] = {{50, -1, 86}, {10, 20, 43}, {60, 20, 129}, {100, 100, 173}};
    for (const Case& c : cases) {
        meter.SetSep(-1);
        meter.SetPos(c.pos);
        meter.SetSep(c.sep);
        test::Pump();
        EXPECT_EQ(test::Pixel(wnd, c.filled - 2, 5), kFill) << c.pos << " sep " << c.sep;
        if (c.filled < 170) {
            EXPECT_NE(test::Pixel(wnd, c.filled + 2, 5), kFill) << c.pos << " sep " << c.sep;
        }
        EXPECT_EQ(test::Pixel(wnd, 86, 5) == red, c.sep >= 0) << c.pos << " sep " << c.sep;
    }
    // A new range keeps the mark (the owner sets ranges before marks); a mark
    // outside the range is refused.
    meter.SetSep(-1);
    meter.SetSep(80);
    meter.SetRange(0, 50);
    meter.SetPos(0);
    test::Pump();
    EXPECT_EQ(test::Pixel(wnd, 86, 5), red);
    meter.SetSep(-1);
    meter.SetSep(500);
    test::Pump();
    EXPECT_NE(test::Pixel(wnd, 86, 5), red);
}

TEST_F(ControlTest, SliderThumbSitsAtItsPosition)
{
    KVQSlider slider;
    ASSERT_TRUE(slider.CreateSlider(10, 10, host, host, kId, FALSE, FALSE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, KVQ_TRANSPARENT, TRUE));
    slider.SetPos(50);
    test::Pump();
    EXPECT_EQ(test::Pixel(slider.m_hWnd, 86, 5), RGB(235, 235, 235));  // thumb from 81 to 91
    EXPECT_EQ(test::Pixel(slider.m_hWnd, 60, 5), kFill);
    EXPECT_EQ(test::Pixel(slider.m_hWnd, 120, 2), kTrack);
}

TEST_F(ControlTest, WheelTurnsInStepsAndPostsOnPressMoveAndRelease)
{
    KVQWheel wheel;
    ASSERT_TRUE(wheel.CreateWheel(10, 10, host, host, kId, nullptr, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    const HWND wnd = wheel.m_hWnd;
    test::Press(wnd, 70, 16);  // straight up
    EXPECT_EQ(wheel.GetThumbState(), 1);
    EXPECT_EQ(wheel.GetPos(), 0);
    test::Move(wnd, 124, 70, MK_LBUTTON);  // right: 90 degrees snaps to 111
    EXPECT_EQ(wheel.GetPos(), ((111 + 158) * 50 + (158 - 111) * -50) / 316);
    EXPECT_EQ(wheel.m_displayPos, ((158 - 90) * -50 + (90 + 158) * 50) / 316);
    test::Move(wnd, 70, 70, MK_LBUTTON);  // the centre: nothing changes, still posted
    test::Release(wnd, 124, 70);
    EXPECT_EQ(wheel.GetThumbState(), 0);
    EXPECT_EQ(wheel.m_displayPos, wheel.GetPos());
    EXPECT_EQ(PostedCommands(), 4u);
    EXPECT_EQ(host->commands.size(), 4u);
}

TEST_F(ControlTest, WheelIgnoresPressesOutsideTheRingOrAngles)
{
    KVQWheel wheel;
    ASSERT_TRUE(wheel.CreateWheel(10, 10, host, host, kId, nullptr, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    wheel.SetPos(20);
    for (POINT p : {POINT{70, 124}, POINT{70, 70}, POINT{100, 70}}) {
        test::Click(wheel.m_hWnd, p.x, p.y);
        EXPECT_EQ(wheel.GetPos(), 20);
        EXPECT_EQ(wheel.GetThumbState(), 0);
    }
    EXPECT_TRUE(host->commands.empty());
}

TEST_F(ControlTest, WheelPositionsStayInTheRangeAndTheKnobFollowsThem)
{
    KVQWheel wheel;
    ASSERT_TRUE(wheel.CreateWheel(10, 10, host, host, kId, nullptr, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    const HWND wnd = wheel.m_hWnd;
    wheel.SetPos(0);
    test::Pump();
    EXPECT_EQ(test::Pixel(wnd, 70, 16), kKnob);
    wheel.SetPos(50);
    test::Pump();
    EXPECT_EQ(test::Pixel(wnd, 90, 120), kKnob);
    EXPECT_NE(test::Pixel(wnd, 70, 16), kKnob);

    // The same ring with the angles the other way round and the radii swapped.
    wheel.SetWheelArea(70, 70, 64, 44, 158, -158);
    wheel.Invalidate(FALSE);
    test::Pump();
    EXPECT_EQ(test::Pixel(wnd, 90, 120), kKnob);

    // A narrower angle range snaps past its end: the position is clamped.
    wheel.SetWheelArea(70, 70, 44, 64, -100, 100);
    test::Click(wnd, 124, 70);
    EXPECT_EQ(wheel.GetPos(), 50);
    wheel.SetRange(0, 10);
    EXPECT_EQ(wheel.GetPos(), 10);
    wheel.SetRange(5, 5);
    EXPECT_EQ(wheel.GetRangeMin(), 0);
}
