#pragma once
#include <kvquikit.h>

#include <memory>
#include <vector>

class CTwainSourceApp;
class KVQDocCamController;

// Command ids of the camera panel's buttons.
enum DocCamCommand : unsigned short {
    kCmdAutoFocus = 0xE920,
    kCmdZoomIn = 0xE921,
    kCmdZoomOut = 0xE922,
    kCmdZoomReset = 0xE923,
    kCmdFreeze = 0xE924,
    kCmdRotate = 0xE925,
    kCmdMirror = 0xE926,
    kCmdColorMode = 0xE927,
    kCmdAutoExposure = 0xE928,
    kCmdAutoWhiteBalance = 0xE929,
    kCmdBrightness = 0xE92A,
    kCmdZoomSlider = 0xE92B,
    kCmdCapture = 0xEA00,
    kCmdClose = 0xEA01,
    kCmdAbout = 0xEA02,
    kCmdFullScreen = 0xEA03,
    kCmdCloseFromTitle = 0xEA04,
};

// The panel's tooltips: each tool is a window, whose mouse messages the
// control takes itself.
class CPanelToolTip : public CToolTipCtrl {
public:
    BOOL AddWindowTool(CWnd* tool, const wchar_t* text);
};

// The data source's window: a skinned panel owned by the application's
// window that draws the live picture and drives the camera; its capture
// button starts a transfer, its close buttons ask the application to disable
// the source.
class CDocCamPanel : public KVQPanel {
public:
    explicit CDocCamPanel(CTwainSourceApp& app) : m_app(app) {}
    ~CDocCamPanel() override;

    bool Open(HWND owner);
    void Close();

    void OnDraw(CDC* dc, CRect& client) override;
    BOOL OnButtonEvent(unsigned short id) override;
    void OnTimerEvent(UINT id) override;
    void OnDestroyWindow() override;
    void OnChangeSize(UINT type) override;

    // Where the picture is drawn, in client coordinates.
    static const RECT kPictureArea;

private:
    void CreateButtons();
    void CreateSliders(bool tips);
    void LoadControlsFromCamera(KVQDocCamController& camera);
    void SyncControlsWithCamera(KVQDocCamController& camera);
    void ShowHoldText(int state);
    void RunCameraCommand(unsigned short id);
    void ShowAbout();
    void RefreshFromCamera(KVQDocCamController& camera);
    void DrawHoldText(CDC& dc, KVQDocCamController& camera);
    void SaveAudioSilence(KVQDocCamController& camera);
    void SavePlacement();

    CTwainSourceApp& m_app;
    std::vector<std::unique_ptr<KVQButton>> m_buttons;
    KVQWheel m_brightnessWheel;
    KVQSlider m_zoomSlider;
    CPanelToolTip m_toolTip;
    // The on-screen text: 0 none, 1 brightness, 2 contrast, 3 frozen, 5 zoom,
    // 6 rotation; ticks of the timer it stays.
    int m_holdState = 0;
    int m_holdCount = 0;
    DWORD m_lastRefresh = 0;
    HFONT m_font = nullptr;
    int m_colorMode = 0;
    int m_mirror = 0;
    int m_rotation = 0;
    // What the camera reported at the last refresh, to show what changed.
    int m_shownZoom = 0;
    int m_shownBrightness = 0;
    int m_shownRotation = 0;
};
