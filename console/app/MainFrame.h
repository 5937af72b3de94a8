#pragma once

#include <kvquikit.h>

#include <atomic>
#include <memory>

#include "AnnotationHost.h"
#include "AnnotationPanel.h"
#include "AnnotationQueue.h"
#include "ConsoleSettings.h"
#include "ControlPanel.h"
#include "DocCamPanel.h"
#include "InputCtrl.h"
#include "LiveFramePath.h"
#include "OsdKind.h"
#include "PanelHost.h"
#include "ZoomAndPan.h"

class KVQDocCamController;

// The console's main window: the live camera picture in the skinned frame,
// with the on-screen texts over it, the no-camera state, the 4:3 sizing rule,
// device arrival and removal, and the settings written when it goes. Its live
// buffers and locks are the live frame path's, which it hosts. It owns the
// control bar docked under it and the sub-panels the bar shows.
class CMainFrame : public KVQWindow, public ILiveFrameHost, public IPanelHost, public IAnnotationHost {
public:
    // The sub-panels of the bar, in the order the bar's commands name them.
    enum SubPanel { CAMERA_PANEL, ANNOTATION_PANEL, VIDEO_PANEL, NETWORK_PANEL, SUB_PANEL_COUNT, NO_SUB_PANEL = -1 };

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
    CControlPanel* Bar() { return m_bar.get(); }
    CDocCamPanel* CameraPanel() { return m_cameraPanel.get(); }
    CAnnotationPanel* AnnotationPanel() { return m_annotationPanel.get(); }

    // Annotations that viewers send, from any thread (the command server's):
    // carried out on the UI thread, in the order they came. False when too
    // many wait already (the shape is dropped).
    bool PostAnnotation(std::unique_ptr<Telvane::Graphic> shape);
    bool PostEraseAllAnnotations();
    SubPanel VisibleSubPanel() const { return m_visibleSubPanel; }
    // The camera's frames no longer arrive (false when a frame in progress
    // did not end in time: the controllers must then stay).
    bool FramesStopped() const { return m_framesStopped; }
    // A local camera is attached and driven, whatever picture is shown.
    bool IsLocalCameraPresent() const;

    // KVQWindow hooks.
    BOOL OnCreateWindow(CREATESTRUCTW* cs) override;
    void OnDraw(CDC* dc, CRect& rect) override;
    void OnPostDraw(CDC* dc) override;
    void OnChangeSize(UINT type) override;
    void OnDestroyWindow() override;
    void OnMoveWindow(int x, int y) override;
    void OnActivateWindow(UINT state, CWnd* other, BOOL minimized) override;
    void OnMouse(UINT flags, CPoint pt, BOOL down) override;
    BOOL OnDoubleClick(UINT flags, CPoint pt) override;
    void OnMoveMouse(UINT flags, CPoint pt) override;
    BOOL OnKeyboard(UINT vk, UINT repeat, UINT flags, BOOL down) override;
    BOOL OnButtonEvent(unsigned short id) override;
    void OnTimerEvent(UINT id) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ILiveFrameHost, called on the capture thread. The local camera's
    // picture is the one shown: a camera is present and no viewed console's
    // picture takes its place.
    bool IsLocalCameraShown() override;
    void RequestRepaint() override;
    void PostLargeFrame(bool continuousMode) override;
    void ComposeOverlay(CFrameBuffer& frame, const CameraPictureState& state, int displayWidth,
                        int displayHeight) override;

    // IPanelHost.
    KVQDocCamController* CurrentController() override;
    bool IsStatusPolled() override;
    HMODULE SkinLibrary() override;
    void ShowOsd(int kind, int ticks) override;
    int ShownOsd() override { return m_osdKind; }
    void RepaintPicture(bool erase) override { Invalidate(erase); }
    IRemoteCamera* ShownRemoteCamera() override { return m_remoteCamera; }
    void SetMotionFlag(int on, bool alsoApplication) override;
    BOOL OnMainCommand(unsigned short id) override { return OnButtonEvent(id); }
    bool HasPictureSource() override;
    CaptureSettings CurrentCaptureSettings() override { return m_capture; }
    void ApplyCaptureSettings(const CaptureSettings& settings) override;
    bool CanTakeLargeStills() override;

    // IAnnotationHost.
    bool GetDrawingSurface(CWnd* window, DrawingSurface& surface) override;
    orbile::CriticalSection& DisplayLock() override { return m_live.DisplayLock(); }
    void DrawingPlaneChanged() override;
    CWnd* LiveWindow() override { return this; }
    CWnd* LastActivePictureWindow() override { return this; }
    void ShowAnnotationPanel(bool show) override;
    bool IsOtherSubPanelShown() override;

private:
    enum class CameraPresence { Unknown, Present, Absent };

    bool CreateBar(const CREATESTRUCTW& cs);
    void CreateCameraPanel();
    bool CreateAnnotation();
    void DrainPostedAnnotations();
    // Posted to this window when the first of the waiting annotations arrives.
    static constexpr UINT WM_POSTED_ANNOTATIONS = WM_APP + 10;
    void ShowSubPanel(SubPanel panel);
    void RefreshMotionMode(KVQDocCamController* controller);
    void PanCommand(unsigned short id);
    void CreateExitButton();
    bool DrawLivePicture(CDC* dc, const CRect& rect);
    void DrawTexts(CDC* dc, const CRect& rect);
    void DrawNoCameraText(CDC* dc, const CRect& rect);
    void NoteShownValues(KVQDocCamController* controller);
    void FormatOsdText(wchar_t* text, size_t size, KVQDocCamController* controller) const;
    void KeepPictureAt4To3();
    void OnDeviceChange(WPARAM event, LPARAM data);
    void ReopenDevices();
    void WriteSettings();

    LiveFramePath m_live;
    CaptureSettings m_capture;
    std::atomic<CameraPresence> m_presence{CameraPresence::Unknown};

    int m_osdKind = OSD_NONE;
    int m_osdCountdown = 0;
    wchar_t m_osdBrightnessLabel[64] = L"";
    wchar_t m_osdFrozenLabel[64] = L"";
    CFont m_osdFont;
    CFont m_smallFont;  // the viewed console's name
    // Camera values last shown, to tell a change; the first refresh after
    // start-up only notes them.
    bool m_shownValuesKnown = false;
    int m_shownBrightness = 0;
    int m_shownZoom = 0;
    int m_shownRotation = 0;

    UINT_PTR m_timer = 0;
    CZoomAndPan m_strip;
    std::unique_ptr<CControlPanel> m_bar;
    std::unique_ptr<CDocCamPanel> m_cameraPanel;
    // The drawing over the live picture, its text box and its tools.
    CAnnotator m_drawing;
    CInputCtrl m_textInput;
    std::unique_ptr<CAnnotationPanel> m_annotationPanel;
    AnnotationQueue m_postedAnnotations;
    CRect m_drawnPlacement;  // where the live picture was last drawn
    CBasePanel2* m_subPanels[SUB_PANEL_COUNT] = {};
    SubPanel m_visibleSubPanel = NO_SUB_PANEL;
    // The bar goes while another program is active and comes back with the
    // window as it was.
    bool m_barHidden = false;
    bool m_savedBarHidden = false;
    // Null unless a viewed console's picture is shown (the network panel's).
    IRemoteCamera* m_remoteCamera = nullptr;
    int m_motionFlag = 0;
    bool m_framesStopped = true;
    bool m_oleStarted = false;
    ULONG_PTR m_gdiplusToken = 0;
    KVQButton m_exitButton;
    CToolTipCtrl m_toolTips[4];
    HDEVNOTIFY m_deviceNotification = nullptr;
};
