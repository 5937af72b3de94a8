#pragma once

#include <kvquikit.h>

#include <atomic>

#include "ConsoleSettings.h"
#include "LiveFramePath.h"

class KVQDocCamController;

// The console's main window: the live camera picture in the skinned frame,
// with the on-screen texts over it, the no-camera state, the 4:3 sizing rule,
// device arrival and removal, and the settings written when it goes. Its live
// buffers and locks are the live frame path's, which it hosts.
class CMainFrame : public KVQWindow, public ILiveFrameHost {
public:
    enum : unsigned short { ID_LEAVE_FULLSCREEN = 59656 };

    CMainFrame();
    ~CMainFrame() override;

    // Start-up, once the window exists.
    void SetUpToolTips();
    // A local camera is there (its live picture is shown) or not (the
    // "Usb unconnected" state).
    void ShowCameraPresence(bool present);
    void SetCaptureSettings(const CaptureSettings& settings);

    // After the devices were opened: reads the camera's whole state.
    void RefreshDeviceState(KVQDocCamController* controller);
    // From the idle loop: brings the on-screen texts in line with the
    // camera's state.
    void RefreshControls(KVQDocCamController* controller);

    LiveFramePath& Live() { return m_live; }

    // KVQWindow hooks.
    BOOL OnCreateWindow(CREATESTRUCTW* cs) override;
    void OnDraw(CDC* dc, CRect& rect) override;
    void OnPostDraw(CDC* dc) override;
    void OnChangeSize(UINT type) override;
    void OnDestroyWindow() override;
    void OnMoveMouse(UINT flags, CPoint pt) override;
    BOOL OnKeyboard(UINT vk, UINT repeat, UINT flags, BOOL down) override;
    BOOL OnButtonEvent(unsigned short id) override;
    void OnTimerEvent(UINT id) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ILiveFrameHost, called on the capture thread.
    bool IsLocalCameraShown() override;
    void RequestRepaint() override;
    void PostLargeFrame(bool continuousMode) override;

private:
    enum class CameraPresence { Unknown, Present, Absent };
    // Transient texts at the bottom right, shown for a number of 50 ms ticks.
    enum OsdKind { OSD_NONE = 0, OSD_BRIGHTNESS = 1, OSD_FROZEN = 3, OSD_ZOOM = 5, OSD_ROTATION = 6 };

    void CreateExitButton();
    bool DrawLivePicture(CDC* dc, const CRect& rect);
    void DrawTexts(CDC* dc, const CRect& rect);
    void DrawNoCameraText(CDC* dc, const CRect& rect);
    void NoteShownValues(KVQDocCamController* controller);
    void ShowOsd(int kind, int ticks);
    void FormatOsdText(wchar_t* text, size_t size, KVQDocCamController* controller) const;
    void KeepPictureAt4To3();
    void OnDeviceChange(WPARAM event, LPARAM data);
    void ReopenDevices();
    void LeaveFullscreen();
    void WriteSettings();

    LiveFramePath m_live;
    CaptureSettings m_capture;
    std::atomic<CameraPresence> m_presence{CameraPresence::Unknown};

    int m_osdKind = OSD_NONE;
    int m_osdCountdown = 0;
    wchar_t m_osdBrightnessLabel[64] = L"";
    wchar_t m_osdFrozenLabel[64] = L"";
    CFont m_osdFont;
    // Camera values last shown, to tell a change; the first refresh after
    // start-up only notes them.
    bool m_shownValuesKnown = false;
    int m_shownBrightness = 0;
    int m_shownZoom = 0;
    int m_shownRotation = 0;

    UINT_PTR m_timer = 0;
    KVQButton m_exitButton;
    CToolTipCtrl m_toolTips[4];
    HDEVNOTIFY m_deviceNotification = nullptr;
};
