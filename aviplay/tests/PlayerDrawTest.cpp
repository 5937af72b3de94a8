// Frames drawn into the window: the pixels on screen carry the index of the
// frame the player was asked to show, upright, at any window size.
#include "PlayerTestSupport.h"

namespace {

class DrawTest : public PlayerTest {
protected:
    // The window's client area at (x, y) as (R, G, B).
    COLORREF PixelAt(int x, int y)
    {
        HDC dc = GetDC(window);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return colour;
    }
    // The frame index on screen, from the middle of either half; -1 when the
    // halves do not show one upright fixture frame.
    int IndexOnScreen()
    {
        RECT client;
        GetClientRect(window, &client);
        COLORREF upper = PixelAt(client.right / 2, client.bottom / 4);
        COLORREF lower = PixelAt(client.right / 2, client.bottom * 3 / 4);
        if (GetGValue(upper) != 0x20 || GetBValue(upper) != 0xC0) return -1;
        if (GetGValue(lower) != 0xC0 || GetBValue(lower) != 0x20) return -1;
        return GetRValue(upper) == GetRValue(lower) ? GetRValue(upper) : -1;
    }
    void ShowWindowAt(int width, int height)
    {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, width, height, SWP_SHOWWINDOW);
        UpdateWindow(window);
    }
};

TEST_F(DrawTest, SeekDrawsTheFrameIntoTheWholeClientArea)
{
    const SIZE sizes[] = {{64, 48}, {200, 150}, {40, 30}};
    for (SIZE size : sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
        ShowWindowAt(size.cx, size.cy);
        KVQAviPlayer player;
        Open(player, L"video25.avi", KVQAviPlayer::OptionDrawToWindow);
        for (UINT frame : {0u, 7u, 31u, 49u}) {
            ASSERT_NE(player.Seek(frame), nullptr);
            EXPECT_EQ(IndexOnScreen(), static_cast<int>(frame));
        }
    }
}

TEST_F(DrawTest, PlayDrawsEachTicksFrame)
{
    ShowWindowAt(64, 48);
    KVQAviPlayer player;
    Open(player, L"video30.avi", KVQAviPlayer::OptionDrawToWindow);
    ASSERT_TRUE(player.Play(2.0f));
    for (int tick = 0; tick < 6; ++tick) {
        Tick(player, 33);
        EXPECT_EQ(IndexOnScreen(), FrameLog::Take().back()) << "tick " << tick;
    }
}

TEST_F(DrawTest, WithoutTheDrawOptionTheWindowIsLeftAlone)
{
    ShowWindowAt(64, 48);
    HDC dc = GetDC(window);
    RECT client = {0, 0, 64, 48};
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, dc);
    KVQAviPlayer player;
    Open(player, L"video25.avi");
    ASSERT_NE(player.Seek(9), nullptr);
    EXPECT_EQ(PixelAt(32, 12), RGB(0, 0, 0));
    EXPECT_EQ(FrameLog::Take(), std::vector<int>{9}) << "the callback still gets the frame";
}

}  // namespace
