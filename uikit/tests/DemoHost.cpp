// A small host of the skinned classes: a frame window with its four title
// buttons and a panel with buttons, a slider and a wheel. Run with two file
// names: it writes the screen pixels it expects (from the skins) into the
// first once everything is shown, and ends when the second appears.
#include "SkinPixel.h"
#include "kvquikit.h"
#include <shellapi.h>
#include <cstdio>
#include <string>

namespace {

const UINT kPollTimer = 1;

class DemoPanel : public KVQPanel {
public:
    BOOL Build()
    {
        if (!CreatePanel(L"Camera", 760, 40, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE)) return FALSE;
        SetPanelStyle(PANEL_STYLE_DRAG);
        return push.CreateButton(BUTTON_STYLE_PUSH, 20, 40, this, this, 101, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, 1, KVQ_TRANSPARENT, TRUE) &&
               toggle.CreateButton(BUTTON_STYLE_CHECK, 70, 40, this, this, 102, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, 1, KVQ_TRANSPARENT, TRUE) &&
               slider.CreateSlider(20, 150, this, this, 103, FALSE, FALSE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, KVQ_TRANSPARENT, TRUE) &&
               wheel.CreateWheel(200, 40, this, this, 104, nullptr, nullptr, nullptr, nullptr, KVQ_TRANSPARENT, TRUE);
    }
    KVQButton push, toggle;
    KVQSlider slider;
    KVQWheel wheel;
};

class DemoWindow : public KVQWindow {
public:
    std::wstring quitFile;
    void OnTimerEvent(UINT id) override
    {
        if (id == kPollTimer && ::GetFileAttributesW(quitFile.c_str()) != INVALID_FILE_ATTRIBUTES) DestroyWindow();
    }
    void OnDestroyWindow() override { ::PostQuitMessage(0); }
};

class DemoApp : public CWinApp {
public:
    DemoApp() : CWinApp(L"UikitDemo") {}
    BOOL InitInstance() override;

private:
    void WriteExpectations(const wchar_t* path);
    DemoWindow m_window;
    DemoPanel m_panel;
};
DemoApp g_app;

BOOL DemoApp::InitInstance()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 3) return FALSE;
    m_window.quitFile = argv[2];
    m_pMainWnd = &m_window;
    if (!m_window.CreateView(L"Demo", 20, 20, 700, 600, nullptr, 0xF) || !m_panel.Build()) return FALSE;
    m_window.ShowWindow(SW_SHOW);
    m_window.UpdateWindow();
    m_panel.slider.SetPos(50);
    m_panel.toggle.SetCheck(1);
    m_window.SetTimer(kPollTimer, 100);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    WriteExpectations(argv[1]);
    ::LocalFree(argv);
    return TRUE;
}

void DemoApp::WriteExpectations(const wchar_t* path)
{
    struct Check {
        int x, y;
        COLORREF colour;
        char op;  // '=' the screen shows it, '!' it does not
    };
    const int W = 700;
    const POINT wnd{20, 20}, panel{760, 40};
    const Check checks[] = {
        {wnd.x + 350, wnd.y + 13, test::SkinPixel(1001, 50, 13), '='},                // top band
        {wnd.x + 150, wnd.y + 600 - 30, test::SkinPixel(1007, 150, 34), '='},         // bottom-left corner piece
        {wnd.x + 6, wnd.y + 300, test::SkinPixel(1002, 6, (300 - 26) % 40), '='},     // left edge
        {wnd.x + 350, wnd.y + 300, RGB(0, 0, 0), '='},                                // the view
        {wnd.x + W - 63 + 19, wnd.y + 8 + 7, test::SkinPixel(1020, 19, 7), '='},      // close button
        {wnd.x + W - 138 + 3, wnd.y + 8 + 3, test::SkinPixel(1016, 3, 3), '='},       // about button
        {wnd.x + 1, wnd.y + 1, RGB(255, 0, 255), '!'},                                // the round corner is cut
        {panel.x + 175, panel.y + 100, test::SkinPixel(1000, 175, 100), '='},         // panel face
        {panel.x + 0, panel.y + 0, RGB(255, 0, 255), '!'},                            // its keyed-out corner
        {panel.x + 20 + 18, panel.y + 40 + 8, test::SkinPixel(1032, 18, 8), '='},     // push button face
        {panel.x + 70 + 18, panel.y + 40 + 8, test::SkinPixel(1030, 18, 8), '='},     // checked toggle
        {panel.x + 20 + 86, panel.y + 150 + 5, test::SkinPixel(1036, 5, 5), '='},     // slider thumb at 50
        {panel.x + 20 + 40, panel.y + 150 + 5, test::SkinPixel(1035, 40, 5), '='},    // slider fill
        {panel.x + 200 + 70, panel.y + 40 + 16, test::SkinPixel(1051, 8, 8), '='},    // wheel knob at 0
        {panel.x + 200 + 70, panel.y + 40 + 70, test::SkinPixel(1049, 70, 70), '='},  // wheel hub
    };
    FILE* out = _wfopen(path, L"w");
    if (!out) return;
    for (const Check& c : checks)
        fprintf(out, "%d %d %02X%02X%02X %c\n", c.x, c.y, GetRValue(c.colour), GetGValue(c.colour), GetBValue(c.colour),
                c.op);
    fclose(out);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) { return AfxWinMain(instance); }
