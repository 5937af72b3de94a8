// Panel: placement, shape, dragging, Close, keys, title, child commands.
#include "TestSupport.h"

namespace {

class ProbePanel : public KVQPanel {
public:
    BOOL MyMouseMove(UINT, CPoint) override { return veto; }
    void OnMouse(UINT, CPoint pt) override { presses.push_back(pt); }
    BOOL OnKeyboard(UINT vk, UINT, UINT, BOOL down) override
    {
        keys.push_back(down ? int(vk) : -int(vk));
        return TRUE;
    }
    BOOL OnButtonEvent(unsigned short id) override
    {
        events.push_back(id);
        return TRUE;
    }
    BOOL veto = FALSE;
    std::vector<CPoint> presses;
    std::vector<int> keys;
    std::vector<unsigned short> events;
};

CRect WindowRect(HWND wnd)
{
    CRect r;
    ::GetWindowRect(wnd, &r);
    return r;
}

}  // namespace

TEST(Panel, TakesTheFacesSizeAndShape)
{
    ProbePanel panel;
    ASSERT_TRUE(panel.CreatePanel(L"", 100, 26, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    EXPECT_EQ(WindowRect(panel.m_hWnd), CRect(100, 26, 451, 226));
    EXPECT_NE(::GetWindowLongW(panel.m_hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(panel.m_hWnd, region), ERROR);
    EXPECT_FALSE(::PtInRegion(region, 0, 0));  // a keyed-out corner
    EXPECT_TRUE(::PtInRegion(region, 175, 100));
    EXPECT_TRUE(::PtInRegion(region, 12, 0));
    ::DeleteObject(region);
    test::Pump();
    EXPECT_EQ(test::Pixel(panel.m_hWnd, 175, 12), RGB(70, 100, 140));  // the face's title strip
}

TEST(Panel, DragsWithTheStyleUnlessVetoed)
{
    ProbePanel panel;
    ASSERT_TRUE(panel.CreatePanel(L"", 100, 300, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    test::Press(panel.m_hWnd, 50, 50);
    EXPECT_EQ(panel.presses.size(), 1u);
    EXPECT_NE(::GetCapture(), panel.m_hWnd);
    test::Move(panel.m_hWnd, 80, 70, MK_LBUTTON);
    EXPECT_EQ(WindowRect(panel.m_hWnd).TopLeft(), CPoint(100, 300));
    test::Release(panel.m_hWnd, 80, 70);

    panel.SetPanelStyle(PANEL_STYLE_DRAG);
    test::Press(panel.m_hWnd, 50, 50);
    EXPECT_EQ(::GetCapture(), panel.m_hWnd);
    EXPECT_EQ(panel.m_dragOrigin, CPoint(50, 50));
    test::Move(panel.m_hWnd, 80, 70, MK_LBUTTON);
    EXPECT_EQ(WindowRect(panel.m_hWnd).TopLeft(), CPoint(130, 320));
    panel.veto = TRUE;
    test::Move(panel.m_hWnd, 90, 90, MK_LBUTTON);
    EXPECT_EQ(WindowRect(panel.m_hWnd).TopLeft(), CPoint(130, 320));
    test::Release(panel.m_hWnd, 90, 90);
    EXPECT_EQ(panel.m_dragOrigin.x, -1);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(panel.presses.size(), 2u);
}

TEST(Panel, CloseOnlyWhenClosable)
{
    ProbePanel panel;
    ASSERT_TRUE(panel.CreatePanel(L"", 10, 10, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    panel.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    panel.SendMessage(WM_SYSCOMMAND, SC_CLOSE | 3);
    EXPECT_TRUE(::IsWindow(panel.m_hWnd));
    panel.SetPanelStyle(PANEL_STYLE_CLOSABLE);
    panel.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_EQ(panel.m_hWnd, nullptr);
}

TEST(Panel, KeysGoToTheOwnerWhenAsked)
{
    test::Host owner(600, 600, 100, 100);
    ProbePanel owned, alone;
    ASSERT_TRUE(owned.CreatePanel(L"", 10, 10, &owner, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    ASSERT_TRUE(alone.CreatePanel(L"", 10, 10, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    EXPECT_EQ(::GetWindow(owned.m_hWnd, GW_OWNER), owner.m_hWnd);

    owned.PostMessage(WM_KEYDOWN, 'A', MAKELPARAM(1, 0x1E));
    test::Pump();
    EXPECT_EQ(owned.keys, std::vector<int>{'A'});
    EXPECT_TRUE(owner.keys.empty());

    owned.SetPanelStyle(PANEL_STYLE_KEYS_TO_PARENT);
    alone.SetPanelStyle(PANEL_STYLE_KEYS_TO_PARENT);
    owned.PostMessage(WM_KEYDOWN, 'B', MAKELPARAM(2, 0x30));
    owned.PostMessage(WM_KEYUP, 'B', MAKELPARAM(1, 0xC030));
    alone.PostMessage(WM_KEYUP, 'C', MAKELPARAM(1, 0xC02E));
    test::Pump();
    ASSERT_EQ(owner.keys.size(), 2u);
    EXPECT_EQ(owner.keys[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(owner.keys[0].wParam, WPARAM('B'));
    EXPECT_EQ(owner.keys[0].lParam, MAKELPARAM(2, 0x30));
    EXPECT_EQ(owner.keys[1].message, UINT(WM_KEYUP));
    EXPECT_EQ(owned.keys, std::vector<int>{'A'});
    EXPECT_EQ(alone.keys, std::vector<int>{-'C'});  // no owner: its own hook
}

TEST(Panel, DrawsItsTitleAndRoutesChildCommandsToTheHook)
{
    kvqSetWindowTextFormat(nullptr, RGB(0, 0, 0x20), RGB(0, 0, 0xFF), 0, RGB(0x80, 0x80, 0x80));
    ProbePanel titled, untitled;
    ASSERT_TRUE(titled.CreatePanel(L"WWWW", 10, 10, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    ASSERT_TRUE(untitled.CreatePanel(L"", 10, 250, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    test::Pump();
    auto textPixels = [](HWND wnd) { return test::CountColour(wnd, RECT{40, 4, 120, 24}, RGB(0, 0, 0x20)); };
    EXPECT_GT(textPixels(titled.m_hWnd), 0);
    EXPECT_EQ(textPixels(untitled.m_hWnd), 0);

    KVQButton button;
    ASSERT_TRUE(button.CreateButton(0, 100, 100, &titled, &titled, 555, nullptr, nullptr, nullptr, nullptr, nullptr, 1,
                                    KVQ_TRANSPARENT, TRUE));
    test::Click(button.m_hWnd, 10, 8);
    EXPECT_EQ(titled.events, std::vector<unsigned short>{555});
}
