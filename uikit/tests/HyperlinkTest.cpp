// The link: a static control that reports clicks, coloured by its state.
#include "TestSupport.h"

namespace {
// A static control in a window, subclassed as a link.
struct LinkFixture {
    LinkFixture() : host(500, 500, 200, 60)
    {
        HWND label = ::CreateWindowExW(0, L"STATIC", L"WWWWWWWW", WS_CHILD | WS_VISIBLE, 5, 5, 150, 20, host.m_hWnd,
                                       reinterpret_cast<HMENU>(1002), nullptr, nullptr);
        link.SubclassWindow(label);
        test::Pump();
    }
    int CountColour(COLORREF colour)
    {
        link.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return test::CountColour(link.m_hWnd, RECT{0, 0, 150, 20}, colour);
    }
    test::Host host;
    KVQHyperlink link;
};
const COLORREF kNormal = 0x00FF0000, kVisited = 0x00800080, kHover = 0x0000FFFF;
}  // namespace

TEST(Hyperlink, ClickWithoutAddressOnlyMarksItVisited)
{
    LinkFixture f;
    EXPECT_NE(f.link.GetStyle() & SS_NOTIFY, 0u);
    EXPECT_GT(f.CountColour(kNormal), 0);
    test::Click(f.link.m_hWnd, 10, 10);
    EXPECT_EQ(f.link.IsVisited(), 1);
    EXPECT_GT(f.CountColour(kVisited), 0);
    EXPECT_EQ(f.CountColour(kNormal), 0);
}

TEST(Hyperlink, HoverTurnsItYellowEvenWhenVisited)
{
    LinkFixture f;
    test::Click(f.link.m_hWnd, 10, 10);
    test::Move(f.link.m_hWnd, 10, 10);
    EXPECT_EQ(f.link.IsHovering(), 1);
    EXPECT_EQ(::GetCapture(), f.link.m_hWnd);
    EXPECT_EQ(f.link.CurrentColour(), kHover);
    EXPECT_GT(f.CountColour(kHover), 0);
    test::Move(f.link.m_hWnd, 300, 10);
    EXPECT_EQ(f.link.IsHovering(), 0);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(f.link.CurrentColour(), kVisited);
}

TEST(Hyperlink, ShowsTheHandCursor)
{
    LinkFixture f;
    f.link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(f.link.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
}
