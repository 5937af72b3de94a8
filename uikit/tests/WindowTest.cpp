// Frame window: sizing, press routing, title buttons, full screen, painting.
#include "TestSupport.h"

namespace {

// Records the hooks and the commands the application object receives.
class ProbeApp : public CWinApp {
public:
    ProbeApp() : CWinApp(L"UikitTests") {}
    BOOL OnCmdMsg(UINT id, int code) override
    {
        routed.push_back(id);
        return TRUE;
    }
    std::vector<UINT> routed;
};
ProbeApp g_app;

struct MouseCall {
    CPoint pt;
    BOOL down;
};

class ProbeWindow : public KVQWindow {
public:
    void OnMouse(UINT, CPoint pt, BOOL down) override { mouse.push_back({pt, down}); }
    BOOL OnDoubleClick(UINT flags, CPoint pt) override
    {
        ++doubleClicks;
        return KVQWindow::OnDoubleClick(flags, pt);
    }
    void OnTimerEvent(UINT id) override { timer = id; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CLOSE) {
            ++closes;
            return 0;
        }
        return KVQWindow::WindowProc(message, wParam, lParam);
    }
    std::vector<MouseCall> mouse;
    int doubleClicks = 0;
    int closes = 0;
    UINT timer = 0;
};

// Client coordinates of a window coordinate.
LPARAM WindowPoint(const KVQWindow& wnd, int x, int y) { return test::At(x - wnd.m_border, y - wnd.m_border); }

void Post(KVQWindow& wnd, UINT message, int x, int y, WPARAM flags = 0)
{
    ::PostMessageW(wnd.m_hWnd, message, flags, WindowPoint(wnd, x, y));
    test::Pump();
}

CRect WindowRect(HWND wnd)
{
    CRect r;
    ::GetWindowRect(wnd, &r);
    return r;
}

void ClickTitleButton(KVQButton* button)
{
    ASSERT_NE(button, nullptr);
    test::Click(button->m_hWnd, 4, 4);
}

}  // namespace

TEST(Window, CreateViewRaisesTheSizeAndPlacesTheTitleButtons)
{
    ProbeWindow wnd;
    ASSERT_TRUE(wnd.CreateView(L"probe", 40, 30, 400, 100, nullptr, 0xFF));
    test::Pump();
    const CRect rect = WindowRect(wnd.m_hWnd);
    EXPECT_EQ(rect.Width(), 667);
    EXPECT_EQ(rect.Height(), 0x96);
    EXPECT_NE(wnd.m_savedStyle & WS_MAXIMIZE, 0u);
    const int offsets[] = {138, 113, 88, 63};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(wnd.m_titleButtons[i], nullptr);
        const CRect button = WindowRect(wnd.m_titleButtons[i]->m_hWnd);
        EXPECT_EQ(button.left - rect.left, 667 - offsets[i]) << i;
        EXPECT_EQ(button.top - rect.top, 8) << i;
    }
    ProbeWindow bare;
    ASSERT_TRUE(bare.CreateView(L"bare", 40, 30, 700, 600, nullptr, 0x8));
    EXPECT_EQ(bare.m_titleButtons[0], nullptr);
    EXPECT_NE(bare.m_titleButtons[3], nullptr);
}

TEST(Window, SizingKeepsTheViewAtFourToThree)
{
    ProbeWindow wnd;
    ASSERT_TRUE(wnd.CreateView(L"probe", 0, 0, 700, 600, nullptr, 0));
    struct Case {
        int w, h, expectW, expectH;
    } cases[] = {{800, 600, 707, 600}, {700, 900, 700, 594}, {500, 400, 667, 570}};
    for (const Case& c : cases)
        for (WPARAM edge : {WPARAM(WMSZ_BOTTOMRIGHT), WPARAM(WMSZ_TOPLEFT)}) {
            RECT r{100, 50, 100 + c.w, 50 + c.h};
            wnd.SendMessage(WM_SIZING, edge, reinterpret_cast<LPARAM>(&r));
            EXPECT_EQ(r.left, 100);
            EXPECT_EQ(r.top, 50);
            EXPECT_EQ(r.right - r.left, c.expectW) << c.w << "x" << c.h;
            EXPECT_EQ(r.bottom - r.top, c.expectH) << c.w << "x" << c.h;
        }
}

TEST(Window, PressesInTheViewReachTheHookAndOnTheFrameDrag)
{
    ProbeWindow wnd;
    ASSERT_TRUE(wnd.CreateView(L"probe", 50, 50, 700, 600, nullptr, 0));
    test::Pump();
    Post(wnd, WM_LBUTTONDOWN, 200, 200, MK_LBUTTON);
    ASSERT_EQ(wnd.mouse.size(), 1u);
    EXPECT_EQ(wnd.mouse[0].pt, CPoint(200, 200));
    EXPECT_TRUE(wnd.mouse[0].down);
    EXPECT_EQ(wnd.GetMouseDown(), 1);
    Post(wnd, WM_LBUTTONUP, 200, 200);
    ASSERT_EQ(wnd.mouse.size(), 2u);
    EXPECT_FALSE(wnd.mouse[1].down);

    // On the top band: a drag, not a press for the hook; the release is.
    const CRect before = WindowRect(wnd.m_hWnd);
    Post(wnd, WM_LBUTTONDOWN, 300, 10, MK_LBUTTON);
    EXPECT_EQ(wnd.mouse.size(), 2u);
    Post(wnd, WM_MOUSEMOVE, 330, 30, MK_LBUTTON);
    const CRect after = WindowRect(wnd.m_hWnd);
    EXPECT_EQ(after.left - before.left, 30);
    EXPECT_EQ(after.top - before.top, 20);
    Post(wnd, WM_LBUTTONUP, 300, 10);
    ASSERT_EQ(wnd.mouse.size(), 3u);
    EXPECT_FALSE(wnd.mouse[2].down);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST(Window, TitleButtonsCloseMinimiseAndRouteAboutToTheApplication)
{
    ProbeWindow wnd;
    ASSERT_TRUE(wnd.CreateView(L"probe", 60, 60, 700, 600, nullptr, 0xFF));
    test::Pump();
    ClickTitleButton(wnd.m_titleButtons[3]);
    EXPECT_EQ(wnd.closes, 1);
    ClickTitleButton(wnd.m_titleButtons[0]);
    ASSERT_EQ(g_app.routed.size(), 1u);
    EXPECT_EQ(g_app.routed[0], ID_APP_ABOUT);
    ClickTitleButton(wnd.m_titleButtons[1]);
    EXPECT_TRUE(wnd.IsIconic());
}

TEST(Window, FullScreenByButtonOrFrameAndBack)
{
    ProbeWindow wnd;
    ASSERT_TRUE(wnd.CreateView(L"probe", 60, 60, 700, 600, nullptr, 0xFF));
    test::Pump();
    ClickTitleButton(wnd.m_titleButtons[2]);
    EXPECT_EQ(wnd.IsFullscreen(), 1);
    EXPECT_EQ(wnd.GetStyle() & ~(WS_MAXIMIZE | WS_CLIPSIBLINGS), DWORD(WS_VISIBLE | WS_CLIPCHILDREN));
    EXPECT_NE(wnd.m_savedStyle & WS_THICKFRAME, 0u);
    EXPECT_FALSE(wnd.m_titleButtons[0]->IsWindowVisible());
    // In full screen the view is the whole window: no drag, the double click
    // goes to the hook, which leaves full screen.
    Post(wnd, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    EXPECT_EQ(wnd.mouse.size(), 1u);
    Post(wnd, WM_LBUTTONUP, 5, 5);
    Post(wnd, WM_LBUTTONDBLCLK, 5, 5, MK_LBUTTON);
    EXPECT_EQ(wnd.doubleClicks, 1);
    EXPECT_EQ(wnd.IsFullscreen(), 0);
    EXPECT_TRUE(wnd.m_titleButtons[0]->IsWindowVisible());
    // Back with its frame: it can be sized and has its system menu again.
    EXPECT_EQ(wnd.GetStyle() & (WS_THICKFRAME | WS_SYSMENU), DWORD(WS_THICKFRAME | WS_SYSMENU));

    // A double click on the frame enters it; Escape leaves it.
    Post(wnd, WM_LBUTTONDBLCLK, 300, 10, MK_LBUTTON);
    EXPECT_EQ(wnd.IsFullscreen(), 1);
    // The bare style, with the clipping every size change adds.
    EXPECT_EQ(wnd.GetStyle() & ~(WS_MAXIMIZE | WS_CLIPSIBLINGS), DWORD(WS_VISIBLE | WS_CLIPCHILDREN));
    wnd.PostMessage(WM_KEYDOWN, VK_ESCAPE, 1);
    test::Pump();
    EXPECT_EQ(wnd.IsFullscreen(), 0);
    EXPECT_EQ(wnd.GetStyle() & (WS_THICKFRAME | WS_SYSMENU), DWORD(WS_THICKFRAME | WS_SYSMENU));
    EXPECT_TRUE(wnd.OnKeyboard(VK_ESCAPE, 1, 0, TRUE));  // handled outside full screen too
    EXPECT_FALSE(wnd.OnKeyboard(VK_ESCAPE, 1, 0, FALSE));
}

TEST(Window, PaintsTheFrameAndTheViewAndCutsTheCorners)
{
    ProbeWindow wnd;
    ASSERT_TRUE(wnd.CreateView(L"probe", 0, 0, 700, 600, nullptr, 0xFF));
    wnd.ShowWindow(SW_SHOW);
    test::Pump();
    // Window coordinates read through the client DC, against the skins.
    const int b = wnd.m_border;
    EXPECT_EQ(test::Pixel(wnd.m_hWnd, 350 - b, 13 - b), test::SkinPixel(1001, 350 - 300, 13));
    EXPECT_EQ(test::Pixel(wnd.m_hWnd, 350 - b, 600 - 64 + 10 - b), test::SkinPixel(1003, 50, 10));
    EXPECT_EQ(test::Pixel(wnd.m_hWnd, 6 - b, 300 - b), test::SkinPixel(1002, 6, (300 - 26) % 40));
    EXPECT_EQ(test::Pixel(wnd.m_hWnd, 100 - b, 20 - b), test::SkinPixel(1005, 100, 20));
    EXPECT_EQ(test::Pixel(wnd.m_hWnd, 350 - b, 300 - b), RGB(0, 0, 0));  // the default view
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(wnd.m_hWnd, region), ERROR);
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_TRUE(::PtInRegion(region, 8, 8));
    EXPECT_FALSE(::PtInRegion(region, 699, 599));
    EXPECT_TRUE(::PtInRegion(region, 350, 300));
    ::DeleteObject(region);
}

TEST(Window, TimerAndUnknownCommandsPassThrough)
{
    ProbeWindow wnd;
    ASSERT_TRUE(wnd.CreateView(L"probe", 0, 0, 700, 600, nullptr, 0));
    wnd.SendMessage(WM_TIMER, 9527);
    EXPECT_EQ(wnd.timer, 9527u);
    const size_t routed = g_app.routed.size();
    wnd.SendMessage(WM_COMMAND, 1234);
    EXPECT_EQ(g_app.routed.size(), routed);  // only About goes to the application
}
