#pragma once

#include "BasePanel.h"
#include "PanelHost.h"

struct SkinButtonRow;

// The camera's controls under the main window: zoom, auto focus, freeze,
// rotation, colour mode, automatic image, motion mode and brightness. A
// press drives the current camera (or, while a viewed console's picture is
// shown, goes to that console as a one-character command); zoom and
// brightness buttons held down repeat on the main window's timer; the
// buttons follow the camera's state.
class CDocCamPanel : public CBasePanel2 {
public:
    enum Control {
        AUTO_FOCUS,
        ZOOM_IN,
        ZOOM_OUT,
        ZOOM_RESET,
        FREEZE,
        ROTATE,
        MIRROR,
        COLOUR_MODE,
        EXPOSURE,
        WHITE_BALANCE,
        AUTO_IMAGE,
        MOTION,
        BRIGHTNESS_UP,
        BRIGHTNESS_DOWN,
        BUTTON_COUNT
    };

    explicit CDocCamPanel(IPanelHost& host);
    ~CDocCamPanel() override;

    void CreateControls(int) override;
    BOOL OnButtonEvent(unsigned short id) override;
    void OnDeviceSetup(KVQDocCamController* controller) override;
    void OnDeviceState(KVQDocCamController* controller) override;
    void OnTimerTick(KVQDocCamController* controller) override;
    // Mirrors the state the viewed console reports.
    void RefreshFromRemote();
    BOOL PreTranslateMessage(MSG* msg) override;

    KVQButton& Button(Control control) { return m_buttons[control]; }
    KVQSlider& BrightnessSlider() { return m_brightness; }
    KVQSlider& ZoomSlider() { return m_zoom; }
    // The tip a control shows now.
    const wchar_t* TipText(Control control) const { return m_tipTexts[control]; }

private:
    static const SkinButtonRow kButtons[BUTTON_COUNT];

    BOOL SendToRemote(IRemoteCamera& remote, unsigned short id);
    void RunLocal(KVQDocCamController& camera, unsigned short id);
    void ZoomStep(KVQDocCamController& camera, bool in);
    void RepeatHeldLocally(KVQDocCamController& camera);
    void RepeatHeldRemotely(IRemoteCamera& remote);
    // A brightness one step from the remote's, kept within its range.
    void SendRemoteBrightnessStep(IRemoteCamera& remote, double step);
    void CycleColourMode(KVQDocCamController& camera);
    void ShowColourMode(int mode);
    void ShowFrozen(bool frozen);
    void Enable(CWnd& control, bool enable, bool erase = false);
    void Check(Control control, int state);
    void SetTip(Control control, const wchar_t* key, const wchar_t* defaultText);
    void EnableCameraControls(bool enable, bool withWhiteBalance);

    IPanelHost& m_host;
    KVQButton m_buttons[BUTTON_COUNT];
    KVQSlider m_brightness;
    KVQSlider m_zoom;
    CToolTipCtrl m_tips[BUTTON_COUNT + 2];
    CString m_tipTexts[BUTTON_COUNT];
    // Remote refreshes that leave the brightness slider alone after a
    // brightness command was sent, so that the slider does not jump back.
    int m_brightnessHold = 0;
    int m_lastZoomSeen = 0;
    bool m_shownFrozen = false;
    float m_lastRemoteZoom = 0.0f;
    int m_lastRemoteRotation = 0;
    int m_lastRemoteControllable = 1;
};
