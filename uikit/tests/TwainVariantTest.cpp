// The older interface (kvqTWAINuikit) used the way the data source uses it.
#include "TestSupport.h"

static_assert(sizeof(KVQChar) == 2, "the older interface types strings as 16-bit units");

namespace {

class SourcePanel : public KVQPanel {
public:
    void OnDraw(CDC* dc, CRect& client) override
    {
        ++draws;
        drawnClient = client;
    }
    void OnChangeSize(UINT type) override { sizes.push_back(type); }
    void OnTimerEvent(UINT id) override { timers.push_back(id); }
    BOOL OnButtonEvent(unsigned short id) override
    {
        events.push_back(id);
        return TRUE;
    }
    int draws = 0;
    CRect drawnClient;
    std::vector<UINT> sizes, timers;
    std::vector<unsigned short> events;
};

const unsigned short* Units(const char16_t* text) { return reinterpret_cast<const unsigned short*>(text); }

}  // namespace

TEST(TwainVariant, PanelIsOwnedByTheApplicationWindowAndAdjusted)
{
    test::Host application(700, 500, 200, 100);
    HBITMAP face = test::SolidBitmap(300, 180, RGB(20, 90, 40));
    SourcePanel panel;
    ASSERT_TRUE(
        panel.CreatePanel(Units(u"Orbile"), 50, 50, nullptr, nullptr, face, KVQ_TRANSPARENT, TRUE, application.m_hWnd));
    panel.m_panelStyle = PANEL_STYLE_DRAG | PANEL_STYLE_KEYS_TO_PARENT;
    panel.ShowWindow(SW_SHOW);
    panel.UpdateWindow();
    panel.SetWindowPos(nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    panel.AdjustPanel();
    test::Pump();

    EXPECT_EQ(::GetWindow(panel.m_hWnd, GW_OWNER), application.m_hWnd);
    CRect rect;
    panel.GetWindowRect(&rect);
    EXPECT_EQ(rect, CRect(50, 50, 350, 230));
    EXPECT_GE(panel.sizes.size(), 2u);  // the resize and the fit (and the creation)
    EXPECT_GT(panel.draws, 0);
    EXPECT_EQ(panel.drawnClient, CRect(0, 0, 300, 180));
    EXPECT_EQ(test::Pixel(panel.m_hWnd, 150, 150), RGB(20, 90, 40));

    panel.PostMessage(WM_KEYDOWN, VK_F1, 1);
    test::Pump();
    ASSERT_EQ(application.keys.size(), 1u);
    EXPECT_EQ(application.keys[0].wParam, WPARAM(VK_F1));

    panel.SendMessage(WM_TIMER, 31);
    EXPECT_EQ(panel.timers, std::vector<UINT>{31});
}

TEST(TwainVariant, ControlsAndViewAsTheDataSourceCreatesThem)
{
    SourcePanel panel;
    ASSERT_TRUE(panel.CreatePanel(Units(u"Orbile"), 50, 50, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE, nullptr));
    KVQSlider slider;
    ASSERT_TRUE(slider.CreateSlider(20, 60, &panel, &panel, 11, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    KVQ_TRANSPARENT, TRUE));
    KVQButton push, toggle;
    ASSERT_TRUE(push.CreateButton(0, 20, 100, &panel, &panel, 12, nullptr, nullptr, nullptr, nullptr, nullptr, 1,
                                  KVQ_TRANSPARENT, TRUE));
    ASSERT_TRUE(toggle.CreateButton(1, 80, 100, &panel, &panel, 13, nullptr, nullptr, nullptr, nullptr, nullptr, 1,
                                    KVQ_TRANSPARENT, TRUE));
    KVQWheel wheel;
    ASSERT_TRUE(
        wheel.CreateWheel(200, 40, &panel, &panel, 14, nullptr, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE));
    test::Click(slider.m_hWnd, 86, 5);
    test::Click(push.m_hWnd, 10, 8);
    test::Click(toggle.m_hWnd, 10, 8);
    EXPECT_EQ(slider.GetPos(), 49);
    EXPECT_EQ(toggle.m_checkState, 1);
    EXPECT_EQ(panel.events, (std::vector<unsigned short>{11, 11, 12, 13}));

    KVQWindow view;
    ASSERT_TRUE(view.CreateView(Units(u"Orbile"), 0, 0, 640, 480, nullptr, 255));
    for (KVQButton* button : view.m_titleButtons) EXPECT_NE(button, nullptr);
}
