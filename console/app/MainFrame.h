#pragma once

#include <kvquikit.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AnnotationHost.h"
#include "AnnotationPanel.h"
#include "ConsoleSettings.h"
#include "ControlPanel.h"
#include "DocCamPanel.h"
#include "InputCtrl.h"
#include "LiveFramePath.h"
#include "NetworkPanel.h"
#include "OsdKind.h"
#include "PaintPacing.h"
#include "PanelHost.h"
#include "PictureHost.h"
#include "PictureWindow.h"
#include "PrintView.h"
#include "TimedCapture.h"
#include "VideoPanel.h"
#include "ZoomAndPan.h"

class KVQDocCamController;

// The console's main window: the live camera picture in the skinned frame,
// with the on-screen texts over it, the no-camera state, the 4:3 sizing rule,
// device arrival and removal, and the settings written when it goes. Its live
// buffers and locks are the live frame path's, which it hosts. It owns the
// control bar docked under it, the sub-panels the bar shows (the video panel
// among them) and the embedded picture window that snapshots and opened files
// go to, and the drawing over the live picture. Its commands, keys, timer and
// capture series are in MainFrameCommands.cpp, its part of the picture
// window's work in MainFramePictures.cpp, of sharing and viewing in
// MainFrameNetwork.cpp, of annotation in MainFrameAnnotation.cpp.
class CMainFrame : public KVQWindow,
                   public ILiveFrameHost,
                   public IPanelHost,
                   public IPictureHost,
                   public IPrintSource,
                   public IPlaybackTarget,
                   public IPictureVideoSource,
                   public INetworkHost,
                   public IAnnotationHost,
                   public IRemoteAnnotations {
public:
    // The sub-panels of the bar.
    enum SubPanel { CAMERA_PANEL, ANNOTATION_PANEL, NETWORK_PANEL, SUB_PANEL_COUNT, NO_SUB_PANEL = -1 };

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
    CPictureWindow& EmbeddedPictureWindow() { return m_pictureWindow; }
    // The recording and playback panel, placed in the embedded picture
    // window, which shows the films it plays.
    CVideoPanel* VideoPanel() { return m_videoPanel.get(); }
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
    bool IsAviWriterOpen() override { return m_videoPanel && m_videoPanel->IsRecording(); }
    bool GetRecorderClock(RecorderClock* clock) override;
    void RecordFrame(CFrameBuffer& displayFrame) override;

    // IPlaybackTarget and IPictureVideoSource: the film plays in the
    // embedded picture window (MainFramePictures.cpp).
    void RepaintFilm() override;
    void ShowFilm(bool shown) override;
    void DrawFrame(HDC dc, const RECT& area) override;
    void StopFilm() override;

    Telvane::MulticastImageProvider* ImageProvider() override;
    int SharingQuality() override;
    void FillCameraStateHeader(unsigned char header[64]) override;
    void HandLargeFrameToWaiter(const CFrameBuffer& frame) override;

    void ComposeOverlay(CFrameBuffer& frame, const CameraPictureState& state, int displayWidth,
                        int displayHeight) override;

    // IPanelHost.
    KVQDocCamController* CurrentController() override;
    bool IsStatusPolled() override;
    HMODULE SkinLibrary() override;
    void ShowOsd(int kind, int ticks) override;
    int ShownOsd() override { return m_osdKind; }
    void RepaintPicture(bool erase) override { Invalidate(erase); }
    // The viewed console, which the camera buttons drive; none while a
    // viewer's command is carried out here, as that is for this console's
    // own camera (passed on, two consoles viewing each other would bounce
    // it between them).
    IRemoteCamera* ShownRemoteCamera() override;
    void SetMotionFlag(int on, bool alsoApplication) override;
    BOOL OnMainCommand(unsigned short id) override { return OnButtonEvent(id); }
    bool HasPictureSource() override;
    CaptureSettings CurrentCaptureSettings() override { return m_capture; }
    void ApplyCaptureSettings(const CaptureSettings& settings) override;
    bool CanTakeLargeStills() override;
    bool IsAdaptiveMotion() override;

    // IPictureHost.
    CWnd* MainWindow() override { return this; }
    CControlPanel* ControlBar() override { return m_bar.get(); }
    PanelHooks* AnnotationPanel() override { return m_annotationPanel.get(); }
    bool IsAnnotationInProgress() override { return m_annotationPanel && m_annotationPanel->IsDrawing(); }
    bool TakeCopyRequest(RECT* selection) override;
    HFONT OsdFont() override { return m_osdFont; }
    void SetLastActiveWindow(CWnd* window) override { m_lastActiveWindow = window; }
    void ForgetWindow(CWnd* window) override;
    bool ShowsCopyNotice() override { return m_capture.showHints; }
    void SetShowsCopyNotice(bool show) override { m_capture.showHints = show; }

    // IPrintSource: the paused camera frame, else the embedded window's
    // composed picture, under the frame lock.
    KVQFrameBuffer* LockPicture() override;
    void UnlockPicture() override;
    // INetworkHost (MainFrameNetwork.cpp).
    void SetImageProvider(std::unique_ptr<Telvane::MulticastImageProvider> provider) override;
    bool EncodeCurrentFrame(std::vector<uint8_t>& jpeg, int quality) override;
    bool RequestLargeStill() override;
    bool TakeLargeStill(std::vector<uint8_t>& jpeg, DWORD timeoutMs) override;
    void ShowRemoteCamera(IRemoteCamera* remote) override;
    void ShowRemotePicture(CFrameBuffer& picture, DWORD intervalMs) override;
    IRemoteAnnotations* RemoteAnnotations() override { return this; }

    // IRemoteAnnotations: viewers' shapes, on the UI thread (the network
    // panel carries the server thread's calls there).
    void DrawRemoteGraphic(const Telvane::Graphic& graphic) override;
    void EraseAllAnnotations() override;
    void PressCameraButton(unsigned short id) override;

    // IAnnotationHost.
    bool GetDrawingSurface(CWnd* window, DrawingSurface& surface) override;
    orbile::CriticalSection& DisplayLock() override { return m_live.DisplayLock(); }
    void DrawingPlaneChanged() override;
    CWnd* LiveWindow() override { return this; }
    CWnd* LastActivePictureWindow() override { return m_lastActiveWindow ? m_lastActiveWindow : this; }
    bool IsCopyToolChosen() override { return m_bar && m_bar->IsCopyToolChosen(); }
    void RequestCopy(const RECT& selection) override;
    void ShowAnnotationPanel(bool show) override;
    bool IsOtherSubPanelShown() override;

private:
    enum class CameraPresence { Unknown, Present, Absent };
    static constexpr UINT kTimerId = 9527;
    static constexpr UINT kTimerMs = 50;
    // A large still became the current frame (posted by the capture thread;
    // wParam: continuous mode).
    static constexpr UINT WM_LARGE_FRAME = WM_APP + 2;
    // The copy notice, after the paint that copied.
    static constexpr UINT WM_COPY_NOTICE = WM_APP + 3;

    bool CreateBar(const CREATESTRUCTW& cs);
    void CreateCameraPanel();
    void CreateEmbeddedPictureWindow();
    void CreateVideoPanel();
    void OpenVideoFile(const wchar_t* path);
    void CreateNetworkPanel();
    // Writes the panel's settings and ends sharing and viewing.
    void CloseNetworkPanel();
    bool CreateAnnotation();
    void ShowSubPanel(SubPanel panel);
    void RefreshMotionMode(KVQDocCamController* controller);
    void PanCommand(unsigned short id);
    void KeyPan(int direction);
    void Snapshot();
    void ToggleSeries();
    void ShowSeriesState();
    void NoteSeriesOutcome(const CaptureSeries::Outcome& outcome);
    KVQDocCamController* LargeStillCamera();
    void OnLargeFrame(bool continuousMode);
    void OpenFile();
    void SwitchToNextCamera();
    // The embedded picture window's part of the commands. False when the
    // user cancelled the offer to save its picture.
    bool OfferToSaveEmbeddedPicture();
    void ShowSnapshot();
    void TakeLocalSnapshot();
    void TakeRemoteSnapshot(IRemoteCamera& remote);
    void SaveDisplayedPictureAs();
    void OpenPictureFile(const wchar_t* path);
    void PrintPicture();
    void CreateExitButton();
    bool DrawLivePicture(CDC* dc, const CRect& rect);
    void DrawTexts(CDC* dc, const CRect& rect);
    void DrawStatusTexts(CDC* dc, const CRect& rect);
    void DrawNoCameraText(CDC* dc, const CRect& rect);
    void NoteShownValues(KVQDocCamController* controller);
    void FormatOsdText(wchar_t* text, size_t size, KVQDocCamController* controller) const;
    void KeepPictureAt4To3();
    void OnDeviceChange(WPARAM event, LPARAM data);
    void ReopenDevices();
    void WriteSettings();

    LiveFramePath m_live;
    TimedCapture m_series{m_live};
    // The camera thread's repaints of the picture.
    PaintPacing m_paintPacing;
    CaptureSettings m_capture;
    std::atomic<CameraPresence> m_presence{CameraPresence::Unknown};

    int m_osdKind = OSD_NONE;
    int m_osdCountdown = 0;
    wchar_t m_osdBrightnessLabel[64] = L"";
    wchar_t m_osdFrozenLabel[64] = L"";
    // The status notices, read once: they are drawn with every frame.
    std::wstring m_recordingLabel, m_capturingLabel, m_sharingLabel;
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
    std::unique_ptr<CVideoPanel> m_videoPanel;
    std::unique_ptr<CNetWorkPanel> m_networkPanel;
    // Sharing: set while the picture is shared, under the network lock.
    std::unique_ptr<Telvane::MulticastImageProvider> m_imageProvider;
    // A large still a viewer asked for, encoded on the capture thread.
    std::mutex m_largeStillLock;
    std::vector<uint8_t> m_largeStill;
    bool m_largeStillReady = false;

    // The drawing over the live picture, its text box and its tools.
    CAnnotator m_drawing;
    CInputCtrl m_textInput;
    std::unique_ptr<CAnnotationPanel> m_annotationPanel;
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
    CPictureWindow m_pictureWindow{this};
    // The print dialog's parent and what "Erase all" clears: this window or
    // a picture window, whichever was activated last.
    CWnd* m_lastActiveWindow = nullptr;
    // A copy-tool selection waiting for the paint of the active window.
    std::optional<RECT> m_copySelection;
};
