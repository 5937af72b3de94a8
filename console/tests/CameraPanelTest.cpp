// The camera panel in this process against the simulated camera: each button
// of each kind of camera sends exactly its command, held buttons repeat at
// their pace, and the buttons follow the camera's state.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "CommandIds.h"
#include "DocCamPanel.h"
#include "OsdKind.h"
#include "PanelTestSupport.h"
#include "SimRig.h"
#include "SkinButton.h"

using paneltest::FakeHost;
using paneltest::RecordingRemote;
using paneltest::TestClock;
using simcam::Exchange;
using simcam::SimRig;
using simcam::Transport;

DWORD TestClock::now = 0;

namespace {

typedef std::vector<std::vector<uint8_t>> Commands;

// A panel on a plain parent window, hosted by the fake main window.
class PanelFixture : public ::testing::Test {
protected:
    PanelFixture() : panel(host)
    {
        KVQButton::SetTickSource(&TestClock::Read);
        // Hidden: presses are messages, and windows that appear cost time.
        parent.CreateEx(0, CWnd::RegisterWndClass(0), L"panel host", WS_POPUP, 0, 0, 700, 200, nullptr, nullptr);
        const ButtonImages images = PanelImages(SKIN_CAMERA_PANEL_FACE);
        CreateSkinButtonForTest(images);
        panel.CreateControls(0);
    }
    ~PanelFixture() override { KVQButton::SetTickSource(nullptr); }

    void CreateSkinButtonForTest(const ButtonImages& images);

    // The simulated camera of a model, attached and current, its state read.
    void UseCamera(uint8_t model, unsigned long feature)
    {
        // The old rig goes first: its end uninstalls the simulated camera.
        controller.reset();
        rig.reset();
        rig = std::make_unique<SimRig>(Transport::kDirectUsb, model);
        controller = std::make_unique<KVQDocCamController>();
        rig->Attach(*controller);
        controller->m_status.modelCode = model;
        controller->m_feature = feature;
        controller->GetAllConfig();
        host.controller = controller.get();
        panel.OnDeviceSetup(controller.get());
        panel.OnDeviceState(controller.get());
        rig->camera.ClearLog();
    }

    // As the idle refresh: the camera's state read again and shown.
    void Refresh()
    {
        controller->GetAllConfig();
        panel.OnDeviceState(controller.get());
        rig->camera.ClearLog();
    }

    Commands Sent() const
    {
        Commands sent;
        for (const Exchange& e : rig->camera.Commands()) sent.push_back({e.op, e.a1, e.a2, e.a3});
        return sent;
    }

    // A click with the mouse on the control, as the user makes it.
    void Click(CDocCamPanel::Control control)
    {
        HWND button = panel.Button(control).m_hWnd;
        SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }

    FakeHost host;
    CWnd parent;
    CDocCamPanel panel;
    std::unique_ptr<SimRig> rig;
    std::unique_ptr<KVQDocCamController> controller;
};

void PanelFixture::CreateSkinButtonForTest(const ButtonImages& images)
{
    ASSERT_TRUE(CreateSkinButton(panel, host.SkinLibrary(), images, BUTTON_STYLE_MOUSE, 0, 0, &parent, &parent, 0));
}

struct ButtonCase {
    const char* name;
    uint8_t model;
    unsigned long feature;
    unsigned short id;
    Commands sent;
};

const unsigned long kTrD4 = 0x00000FFF;         // model 0x60
const unsigned long kMotionModel = 0x00021FFF;  // model 0x69

TEST_F(PanelFixture, EachButtonSendsItsCommandForTheModel)
{
    const ButtonCase cases[] = {
        {"auto focus", 0x60, kTrD4, ID_AUTO_FOCUS, {{0xB7, 0, 0, 0}}},
        {"auto focus without the feature", 0x60, kTrD4 & ~0x4u, ID_AUTO_FOCUS, {}},
        {"zoom in, one zoom", 0x60, kTrD4, ID_ZOOM_IN, {{0xAA, 0x30, 0, 0}}},
        {"zoom out, one zoom", 0x60, kTrD4, ID_ZOOM_OUT, {{0xAA, 0x31, 0, 0}}},
        {"zoom in, digital", 0x11, 0, ID_ZOOM_IN, {{0xAA, 0x00, 0, 0}}},
        {"zoom reset", 0x60, kTrD4, ID_ZOOM_RESET, {{0xAA, 0xFF, 0, 0}}},
        {"freeze", 0x60, kTrD4, ID_FREEZE, {{0xA9, 1, 0, 0}}},
        {"rotate, quarter turn", 0x60, kTrD4, ID_ROTATE, {{0xAE, 1, 0, 0}}},
        {"rotate, half turn", 0x31, 0xBFD, ID_ROTATE, {{0xAE, 2, 0, 0}}},
        {"rotate, quarter turns", 0x68, 0x21BFD | 0x400, ID_ROTATE, {{0xAE, 1, 0, 0}}},
        {"rotate, old model", 0x53, 0xFE, ID_ROTATE, {{0xAE, 1, 0, 0}}},
        {"mirror", 0x60, kTrD4, ID_MIRROR, {{0xAF, 1, 0, 0}}},
        {"colour mode", 0x60, kTrD4, ID_COLOUR_MODE, {{0xB0, 1, 0, 0}}},
        {"exposure", 0x60, kTrD4, ID_EXPOSURE, {{0xB2, 1, 0, 0}}},
        {"white balance", 0x60, kTrD4, ID_WHITE_BALANCE, {{0xB1, 1, 0, 0}}},
        {"automatic image", 0x69, kMotionModel | 0x40000, ID_AUTO_IMAGE, {{0xBE, 1, 0, 0}}},
        {"automatic image without the feature", 0x69, kMotionModel, ID_AUTO_IMAGE, {}},
        {"motion, checked at start", 0x69, kMotionModel, ID_MOTION, {{0xBC, 1, 0, 0}}},
        {"brightness up", 0x60, kTrD4, ID_BRIGHTNESS_UP, {{0xAB, 0, 0, 0}}},
        {"brightness down", 0x60, kTrD4, ID_BRIGHTNESS_DOWN, {{0xAB, 1, 0, 0}}},
        {"the zoom meter", 0x60, kTrD4, ID_ZOOM_METER, {}},
        {"the bar's settings", 0x60, kTrD4, ID_SETTINGS, {}},
    };
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(c.name);
        UseCamera(c.model, c.feature);
        const BOOL handled = panel.OnButtonEvent(c.id);
        EXPECT_EQ(handled, c.id != ID_ZOOM_METER && c.id != ID_SETTINGS);
        EXPECT_EQ(Sent(), c.sent);
    }
}

TEST_F(PanelFixture, ClicksReachTheCameraAndNothingIsSentWithoutOne)
{
    UseCamera(0x60, kTrD4);
    Click(CDocCamPanel::ZOOM_RESET);
    Click(CDocCamPanel::BRIGHTNESS_UP);
    EXPECT_EQ(Sent(), (Commands{{0xAA, 0xFF, 0, 0}, {0xAB, 0, 0, 0}}));
    EXPECT_EQ(host.osd, OSD_ZOOM_RESET);
    rig->camera.ClearLog();

    RecordingRemote remote;
    host.remote = &remote;
    host.controller = nullptr;
    panel.OnDeviceSetup(nullptr);
    for (int i = 0; i < CDocCamPanel::BUTTON_COUNT; ++i) {
        Click(CDocCamPanel::Control(i));
        EXPECT_FALSE(panel.OnButtonEvent(GetDlgCtrlID(panel.Button(CDocCamPanel::Control(i)).m_hWnd)));
    }
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(remote.sent.empty()) << "not even to a viewed console";
    for (CDocCamPanel::Control control : {CDocCamPanel::ZOOM_IN, CDocCamPanel::FREEZE, CDocCamPanel::ROTATE})
        EXPECT_FALSE(panel.Button(control).IsWindowEnabled()) << "camera buttons stay disabled without a camera";
}

TEST_F(PanelFixture, RotationAndColourStepThroughTheirCycles)
{
    struct Cycle {
        const char* name;
        uint8_t model;
        unsigned long feature;
        unsigned short id;
        Commands sent;
    } cycles[] = {
        {"half turns", 0x31, 0xBFD, ID_ROTATE, {{0xAE, 2, 0, 0}, {0xAE, 0, 0, 0}, {0xAE, 2, 0, 0}}},
        {"quarter turns",
         0x68,
         0x21BFD | 0x400,
         ID_ROTATE,
         {{0xAE, 1, 0, 0}, {0xAE, 2, 0, 0}, {0xAE, 3, 0, 0}, {0xAE, 0, 0, 0}, {0xAE, 1, 0, 0}}},
        {"colour, grey, negative",
         0x60,
         kTrD4,
         ID_COLOUR_MODE,
         {{0xB0, 1, 0, 0}, {0xB0, 2, 0, 0}, {0xB0, 0, 0, 0}, {0xB0, 1, 0, 0}}},
    };
    for (const Cycle& cycle : cycles) {
        SCOPED_TRACE(cycle.name);
        UseCamera(cycle.model, cycle.feature);
        Commands sent;
        for (size_t press = 0; press < cycle.sent.size(); ++press) {
            panel.OnButtonEvent(cycle.id);
            const Commands one = Sent();
            sent.insert(sent.end(), one.begin(), one.end());
            Refresh();
        }
        EXPECT_EQ(sent, cycle.sent);
    }
}

TEST_F(PanelFixture, BlackAndWhiteHasNoWhiteBalance)
{
    UseCamera(0x60, kTrD4);
    const struct {
        int mode;
        int check;
        const wchar_t* tip;
        bool whiteBalance;
    } modes[] = {{1, 1, L"Gray display", false}, {2, 2, L"Inverted display", true}, {0, 0, L"Color display", true}};
    for (const auto& m : modes) {
        panel.OnButtonEvent(ID_COLOUR_MODE);
        Refresh();
        EXPECT_EQ(controller->m_status.effect, m.mode);
        EXPECT_EQ(panel.Button(CDocCamPanel::COLOUR_MODE).GetCheckState(), m.check);
        EXPECT_STREQ(panel.TipText(CDocCamPanel::COLOUR_MODE), m.tip);
        EXPECT_EQ(panel.Button(CDocCamPanel::WHITE_BALANCE).IsWindowEnabled() != FALSE, m.whiteBalance) << m.mode;
    }
}

TEST_F(PanelFixture, FreezeLeavesOnlyItselfAndOffersUnfreeze)
{
    UseCamera(0x60, kTrD4);
    panel.OnButtonEvent(ID_FREEZE);
    Refresh();
    ASSERT_EQ(controller->m_status.frozen, 1);
    for (int i = 0; i < CDocCamPanel::BUTTON_COUNT; ++i)
        EXPECT_EQ(panel.Button(CDocCamPanel::Control(i)).IsWindowEnabled() != FALSE, i == CDocCamPanel::FREEZE) << i;
    EXPECT_FALSE(panel.BrightnessSlider().IsWindowEnabled());
    EXPECT_FALSE(panel.ZoomSlider().IsWindowEnabled());
    EXPECT_EQ(panel.Button(CDocCamPanel::FREEZE).GetCheckState(), 1);
    EXPECT_STREQ(panel.TipText(CDocCamPanel::FREEZE), L"UnFreeze");

    Click(CDocCamPanel::FREEZE);
    EXPECT_EQ(Sent(), (Commands{{0xA9, 0, 0, 0}})) << "a frozen camera is unfrozen";
    Refresh();
    EXPECT_EQ(panel.Button(CDocCamPanel::FREEZE).GetCheckState(), 0);
    EXPECT_STREQ(panel.TipText(CDocCamPanel::FREEZE), L"Freeze");
    for (CDocCamPanel::Control control : {CDocCamPanel::ZOOM_IN, CDocCamPanel::ROTATE, CDocCamPanel::COLOUR_MODE,
                                          CDocCamPanel::BRIGHTNESS_UP, CDocCamPanel::AUTO_FOCUS})
        EXPECT_TRUE(panel.Button(control).IsWindowEnabled()) << control;
}

TEST_F(PanelFixture, HeldButtonsRepeatAfterTheirDelayAndOnceMoreOnRelease)
{
    struct Hold {
        CDocCamPanel::Control control;
        std::vector<uint8_t> command;
        size_t expected;  // in one second: every tick after the delay, and the release
    } holds[] = {
        {CDocCamPanel::ZOOM_IN, {0xAA, 0x30, 0, 0}, 16 + 1},     // ticks at 250..1000 ms
        {CDocCamPanel::BRIGHTNESS_UP, {0xAB, 0, 0, 0}, 10 + 1},  // ticks at 550..1000 ms
    };
    for (const Hold& hold : holds) {
        UseCamera(0x60, kTrD4);
        TestClock::now = 0;
        HWND button = panel.Button(hold.control).m_hWnd;
        SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        for (DWORD t = 50; t <= 1000; t += 50) {
            TestClock::now = t;
            panel.OnTimerTick(controller.get());
        }
        SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        size_t repeats = 0;
        for (const auto& sent : Sent()) repeats += sent == hold.command;
        EXPECT_EQ(repeats, hold.expected) << hold.control;
    }

    // Viewing another console: one '+' per tick after 200 ms, one on release.
    UseCamera(0x60, kTrD4);
    RecordingRemote remote;
    host.remote = &remote;
    TestClock::now = 0;
    HWND zoomIn = panel.Button(CDocCamPanel::ZOOM_IN).m_hWnd;
    SendMessageW(zoomIn, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    for (DWORD t = 50; t <= 1000; t += 50) {
        TestClock::now = t;
        panel.OnTimerTick(controller.get());
    }
    SendMessageW(zoomIn, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(remote.sent, (std::vector<std::pair<char, unsigned char>>(17, {'+', 0})));
    EXPECT_TRUE(Sent().empty()) << "nothing reaches the local camera";

    // Held past the longest click, a zoom button sends nothing on release.
    remote.sent.clear();
    TestClock::now = 0;
    SendMessageW(zoomIn, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    TestClock::now = 3500;
    SendMessageW(zoomIn, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(remote.sent.empty());
}

TEST_F(PanelFixture, ViewedConsoleGetsCommandCharactersWithinItsRange)
{
    UseCamera(0x60, kTrD4);
    RecordingRemote remote;
    host.remote = &remote;
    remote.capability.brightnessMin = 0;
    remote.capability.brightnessMax = 100;
    struct Case {
        float brightness;
        unsigned short id;
        std::vector<std::pair<char, unsigned char>> sent;
    } cases[] = {
        {98.0f, ID_BRIGHTNESS_UP, {{'b', 100}}}, {3.0f, ID_BRIGHTNESS_DOWN, {{'b', 0}}},
        {50.0f, ID_ROTATE, {{'t', 0}}},          {50.0f, ID_COLOUR_MODE, {{'c', 0}}},
        {50.0f, ID_MOTION, {{'~', 0}}},          {std::nanf(""), ID_BRIGHTNESS_UP, {}},  // nothing to step from
        {INFINITY, ID_BRIGHTNESS_DOWN, {}},
    };
    for (const Case& c : cases) {
        remote.sent.clear();
        remote.state.brightness = c.brightness;
        EXPECT_TRUE(panel.OnButtonEvent(c.id));
        EXPECT_EQ(remote.sent, c.sent) << c.id << " at " << c.brightness;
    }
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PanelFixture, RemoteRefreshesSpareTheSliderAfterABrightnessCommand)
{
    UseCamera(0x60, kTrD4);
    RecordingRemote remote;
    host.remote = &remote;
    remote.capability = RemoteCapability{3, 2, 4, 0, 100, 0x22};
    remote.state.controllable = 1;
    remote.state.brightness = 40.0f;
    remote.state.zoom = 2.0f;
    panel.RefreshFromRemote();
    EXPECT_EQ(panel.BrightnessSlider().GetPos(), 40);
    EXPECT_EQ(panel.ZoomSlider().GetRangeMax(), 2400);
    EXPECT_EQ(panel.ZoomSlider().GetPos(), 200);

    remote.state.brightness = 98.0f;
    panel.OnButtonEvent(ID_BRIGHTNESS_UP);
    remote.state.brightness = 70.0f;
    for (int refresh = 0; refresh < 5; ++refresh) {
        panel.RefreshFromRemote();
        EXPECT_EQ(panel.BrightnessSlider().GetPos(), 40) << refresh;
    }
    panel.RefreshFromRemote();
    EXPECT_EQ(panel.BrightnessSlider().GetPos(), 70);

    // Values that are no numbers leave the sliders where they are.
    remote.state.brightness = std::nanf("");
    remote.state.zoom = -INFINITY;
    panel.RefreshFromRemote();
    EXPECT_EQ(panel.BrightnessSlider().GetPos(), 70);
    EXPECT_EQ(panel.ZoomSlider().GetPos(), 200);
    remote.state.zoom = 1e30f;
    panel.RefreshFromRemote();
    EXPECT_EQ(panel.ZoomSlider().GetPos(), 2400) << "clamped to the range";

    // Back to no zoom: the zoom-reset message once.
    remote.state.zoom = 1.0f;
    host.osd = 0;
    panel.RefreshFromRemote();
    EXPECT_EQ(host.osd, OSD_ZOOM_RESET);
    host.osd = 0;
    panel.RefreshFromRemote();
    EXPECT_NE(host.osd, OSD_ZOOM_RESET);
}

TEST_F(PanelFixture, ZoomRangeAndSeparatorByModel)
{
    struct Case {
        uint8_t model;
        unsigned long feature;
        int max;
    } cases[] = {{0x75, 0x1BF9, 3200}, {0x11, 0, 200}, {0x13, 0, 400}, {0x60, kTrD4, 0}};
    for (const Case& c : cases) {
        UseCamera(c.model, c.feature);
        if (c.max) EXPECT_EQ(panel.ZoomSlider().GetRangeMax(), c.max) << int(c.model);
    }
    UseCamera(0x33, 0xFE);
    EXPECT_FALSE(panel.ZoomSlider().IsWindowEnabled()) << "model 0x33 zooms without the meter";
}

}  // namespace
