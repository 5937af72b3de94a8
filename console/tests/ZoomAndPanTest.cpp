// The pan cross on a skinned window: where it sits, what a held arrow sends
// on the window's ticks, and that the centre sends nothing.
#include <gtest/gtest.h>

#include <vector>

#include "CommandIds.h"
#include "PanelTestSupport.h"
#include "ZoomAndPan.h"

namespace {

class CommandWindow : public KVQWindow {
public:
    BOOL OnButtonEvent(unsigned short id) override
    {
        commands.push_back(id);
        return TRUE;
    }
    std::vector<unsigned short> commands;
};

class StripFixture : public ::testing::Test {
protected:
    StripFixture()
    {
        owner.CreateView(L"owner", 0, 0, 667, 570, nullptr, 0);
        strip.Create(&owner, paneltest::Skins());
    }

    // The button's top-left in the owner's window coordinates.
    CPoint WindowPlace(CZoomAndPan::Slot slot)
    {
        CRect button, window;
        strip.Button(slot).GetWindowRect(&button);
        owner.GetWindowRect(&window);
        return CPoint(button.left - window.left, button.top - window.top);
    }

    CommandWindow owner;
    CZoomAndPan strip;
};

TEST_F(StripFixture, SitsAbove64PixelsOfTheBottomAtTheLeft)
{
    CRect rect;
    CZoomAndPan::GetStripRect(&rect, CRect(0, 0, 667, 570));
    EXPECT_EQ(rect, CRect(13, 416, 103, 506));
    EXPECT_EQ(WindowPlace(CZoomAndPan::UP), CPoint(45, 416));
    EXPECT_EQ(WindowPlace(CZoomAndPan::LEFT), CPoint(23, 438));
    EXPECT_EQ(WindowPlace(CZoomAndPan::CENTRE), CPoint(45, 438));
    // It follows a new size.
    owner.SetWindowPos(nullptr, 0, 0, 800, 660, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    strip.Layout();
    EXPECT_EQ(WindowPlace(CZoomAndPan::DOWN), CPoint(45, 660 - 154 + 47));
}

TEST_F(StripFixture, AHeldArrowSendsOnPressAndAtEveryTick)
{
    strip.SetVisible(1);
    HWND left = strip.Button(CZoomAndPan::LEFT).m_hWnd;
    SendMessageW(left, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    for (int tick = 0; tick < 5; ++tick) strip.Tick();
    SendMessageW(left, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    strip.Tick();
    EXPECT_EQ(owner.commands, std::vector<unsigned short>(6, ID_PAN_LEFT));

    owner.commands.clear();
    HWND centre = strip.Button(CZoomAndPan::CENTRE).m_hWnd;
    SendMessageW(centre, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    strip.Tick();
    SendMessageW(centre, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(owner.commands.empty()) << "the centre sends nothing";
}

TEST_F(StripFixture, ShownItOffersEveryArrow)
{
    strip.Button(CZoomAndPan::RIGHT).EnableWindow(FALSE);
    strip.SetVisible(1);
    EXPECT_TRUE(strip.Button(CZoomAndPan::RIGHT).IsWindowEnabled());
    // The owner itself stays hidden here: the buttons' own visibility counts.
    EXPECT_TRUE(strip.Button(CZoomAndPan::UP).GetStyle() & WS_VISIBLE);
    strip.SetVisible(0);
    EXPECT_FALSE(strip.Button(CZoomAndPan::UP).GetStyle() & WS_VISIBLE);
}

}  // namespace
