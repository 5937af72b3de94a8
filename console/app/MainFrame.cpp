#include "MainFrame.h"

#include <dbt.h>
#include <kvqdoccam.h>
#include <kvqfeatures.h>
#include <ole2.h>
// After ole2.h, which it needs.
#include <gdiplus.h>

#include <cstddef>
#include <cwchar>

#include "CommandIds.h"
#include "CopyRequest.h"
#include "DeviceEvent.h"
#include "LanguageText.h"
#include "OrbileApp.h"
#include "SkinButton.h"
#include "StatusOverlay.h"
#include "resource.h"

namespace {

const int kOsdTicks = 60;  // three seconds of 50 ms ticks
const int kMotionOsdTicks = 20;
// Applies the 4:3 rule once the size change that broke it has finished.
const UINT WM_FIT_PICTURE = WM_APP + 1;

const COLORREF kTextShadow = 0x00003C;
const COLORREF kTextColour = 0x000014FF;

const ButtonImages kExitButtonImages = {SKIN_EXIT_DISABLED, SKIN_EXIT_PRESSED, SKIN_EXIT_HOVER, SKIN_EXIT_FACE, 0};
const int kExitButtonWidth = 21;
const int kExitButtonHeight = 19;

struct TitleTip {
    const wchar_t* key;
    const wchar_t* text;
};
const TitleTip kTitleTips[4] = {{L"tipAbout", L"About"},
                                {L"tipMinimize", L"Minimize"},
                                {L"tipFullScreen", L"Full Screen"},
                                {L"tipClose", L"Close"}};

// The OSD box grows with the text: 13 pixels per nonzero byte of its UTF-16
// form, which gives wide characters their double width.
int NonzeroBytes(const wchar_t* text)
{
    int count = 0;
    for (; *text; ++text) count += ((*text & 0xFF) != 0) + ((*text >> 8) != 0);
    return count;
}

// Texts over the picture: a dark shadow, then the text one pixel up and left.
void DrawShadowedText(CDC* dc, const wchar_t* text, CRect box, UINT format)
{
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(kTextShadow);
    ::DrawTextW(*dc, text, -1, &box, format | DT_SINGLELINE | DT_VCENTER);
    box.OffsetRect(-1, -1);
    dc->SetTextColor(kTextColour);
    ::DrawTextW(*dc, text, -1, &box, format | DT_SINGLELINE | DT_VCENTER);
}

const int kBarDockOffsetY = 26;

// Models whose zoom steps show as a percentage on the picture.
bool ShowsZoomPercent(int model) { return model == 0x33 || model == 0x53; }

// A freeze in the polled status is asked of the camera once more before it is
// shown: only when the camera's own answer still says frozen does it count.
bool IsFreezeConfirmed(KVQDocCamController* controller)
{
    if (!controller->m_status.frozen) return false;
    return controller->GetFreezeConfig() && controller->m_status.frozen;
}

}  // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame()
{
    // While the whole window object exists, so that its own hooks see it go.
    if (m_hWnd) DestroyWindow();
}

BOOL CMainFrame::OnCreateWindow(CREATESTRUCTW* cs)
{
    m_oleStarted = SUCCEEDED(::OleInitialize(nullptr));
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    m_deviceNotification = ::RegisterDeviceNotificationW(m_hWnd, &filter, DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);

    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    CreateExitButton();

    if (!CreateBar(*cs)) return FALSE;
    CreateCameraPanel();
    if (!CreateAnnotation()) return FALSE;
    CreateEmbeddedPictureWindow();
    CreateVideoPanel();
    CreateNetworkPanel();

    wcsncpy(m_osdBrightnessLabel, ReadIniString(L"CMainFrame", L"osdBrightness", L"Brightness"), 63);
    wcsncpy(m_osdFrozenLabel, ReadIniString(L"CMainFrame", L"osdFrozen", L"Frozen"), 63);
    m_recordingLabel = ReadIniString(L"CMainFrame", L"osdRecording", L"Rec");
    m_capturingLabel = ReadIniString(L"CMainFrame", L"osdCapturing", L"Capturing");
    m_sharingLabel = ReadIniString(L"CMainFrame", L"osdSharig", L"Sharing");
    for (auto [font, height] : {std::pair<CFont*, int>{&m_osdFont, 24}, {&m_smallFont, 16}})
        font->Attach(::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, L"Tahoma"));
    m_timer = SetTimer(kTimerId, kTimerMs);
    m_strip.Create(this, SkinLibrary());
    Gdiplus::GdiplusStartupInput gdiplus;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplus, nullptr) != Gdiplus::Ok) m_gdiplusToken = 0;
    m_bar->PlacePanel(CBasePanel::PLACE_DOCKED);

    // From here on the camera's frames reach this window.
    m_live.Attach(this);
    return TRUE;
}

void CMainFrame::CreateExitButton()
{
    if (CreateSkinButton(m_exitButton, SkinLibrary(), kExitButtonImages, BUTTON_STYLE_PUSH, 0, 0, this, this,
                         ID_LEAVE_FULLSCREEN))
        m_exitButton.ShowWindow(SW_HIDE);
}

bool CMainFrame::CreateBar(const CREATESTRUCTW& cs)
{
    m_bar = std::make_unique<CControlPanel>(*this);
    m_bar->m_owner = this;
    m_bar->m_dockState = CBasePanel::DOCK_BELOW;
    m_bar->m_dockOffsetX = 0;
    m_bar->m_dockOffsetY = kBarDockOffsetY;
    m_bar->SetPanelStyle(PANEL_STYLE_DRAG | PANEL_STYLE_KEYS_TO_PARENT);
    // The bar keeps the face it is given.
    HBITMAP face = ::LoadBitmapW(SkinLibrary(), MAKEINTRESOURCEW(SKIN_BAR_FACE_FULL));
    if (!m_bar->CreatePanel(L"", cs.x + cs.cx, kBarDockOffsetY, this, nullptr, face, KVQ_TRANSPARENT, TRUE)) {
        if (face) ::DeleteObject(face);
        m_bar.reset();
        return false;
    }
    m_bar->ShowWindow(SW_HIDE);
    m_bar->SetWindowPos(nullptr, 0, 0, CControlPanel::kWidth, CControlPanel::kRowsHeight,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_bar->ApplyLayout(CControlPanel::LAYOUT_FULL);
    m_bar->RefreshBarButtons();
    CRect bar;
    m_bar->GetWindowRect(&bar);
    CBasePanel::SetLastPosition(bar.TopLeft());
    return true;
}

void CMainFrame::CreateEmbeddedPictureWindow()
{
    // Further picture windows are made without a host: they take this one.
    SetPictureHost(this);
    if (!m_pictureWindow.CreateEmbedded(this)) return;
    m_pictureWindow.ShowWindow(SW_HIDE);
    // The bar stays when the focus goes to the picture window.
    m_bar->m_pictureWindow = &m_pictureWindow;
}

void CMainFrame::CreateCameraPanel()
{
    m_cameraPanel = std::make_unique<CDocCamPanel>(*this);
    const ButtonImages images = PanelImages(SKIN_CAMERA_PANEL_FACE);
    if (!CreateSkinButton(*m_cameraPanel, SkinLibrary(), images, BUTTON_STYLE_MOUSE, 0, CControlPanel::kRowsHeight,
                          m_bar.get(), this, 0)) {
        m_cameraPanel.reset();
        return;
    }
    m_cameraPanel->ShowWindow(SW_HIDE);
    m_cameraPanel->CreateControls(0);
    m_cameraPanel->OnDeviceSetup(CurrentController());
    m_subPanels[CAMERA_PANEL] = m_cameraPanel.get();
}

void CMainFrame::CreateVideoPanel()
{
    if (!m_pictureWindow.m_hWnd) return;
    m_videoPanel = std::make_unique<CVideoPanel>(*this, m_live, *this);
    const ButtonImages images = PanelImages(SKIN_VIDEO_PANEL_FACE);
    if (!CreateSkinButton(*m_videoPanel, SkinLibrary(), images, BUTTON_STYLE_MOUSE, 9, 0, &m_pictureWindow, this, 0)) {
        m_videoPanel.reset();
        return;
    }
    m_videoPanel->CreateControls(0);
    m_videoPanel->OnDeviceSetup(CurrentController());
    m_bar->m_videoPanel = m_videoPanel.get();
    m_pictureWindow.SetVideoPanel(m_videoPanel.get());
}

void CMainFrame::SetUpToolTips()
{
    for (int i = 0; i < 4; ++i) {
        if (!m_titleButtons[i] || !m_toolTips[i].Create(this)) continue;
        m_toolTips[i].AddTool(m_titleButtons[i], ReadIniString(L"CMainFrame", kTitleTips[i].key, kTitleTips[i].text));
        m_toolTips[i].Activate(TRUE);
    }
    if (m_bar) m_bar->SetUpToolTips();
    if (m_pictureWindow.m_hWnd) m_pictureWindow.SetUpToolTips();
}

void CMainFrame::ShowCameraPresence(bool present)
{
    m_presence = present ? CameraPresence::Present : CameraPresence::Absent;
    if (!present) {
        // Nothing more comes from the camera: the series and the film end
        // with what they hold.
        if (m_series.IsRunning()) {
            m_series.Stop();
            ShowSeriesState();
        }
        if (m_videoPanel) m_videoPanel->StopRecording();
    }
    if (m_networkPanel) m_networkPanel->ShowLocalCameraPresence(present);
    if (m_bar) m_bar->RefreshBarButtons();
    if (m_cameraPanel) m_cameraPanel->OnDeviceSetup(CurrentController());
    if (m_hWnd) Invalidate(FALSE);
}

void CMainFrame::SetCaptureSettings(const CaptureSettings& settings)
{
    m_capture = settings;
    m_live.m_captureMode = settings.captureMode ? LiveFramePath::kContinuous : LiveFramePath::kSingleShot;
}

void CMainFrame::RefreshDeviceState(KVQDocCamController* controller)
{
    controller->GetImageProcessConfig();
    controller->GetBrightnessConfig();
    controller->GetContrastConfig();
    controller->GetWhiteBalanceConfig();
    controller->GetManualExposureConfig();
    controller->GetZoomDigitalConfig();
    controller->GetZoomOpticalConfig();
    // What the camera shows now is the base line: only later changes are announced.
    NoteShownValues(controller);
    if (m_visibleSubPanel != NO_SUB_PANEL) m_subPanels[m_visibleSubPanel]->OnDeviceSetup(controller);
    if (m_videoPanel) m_videoPanel->OnDeviceSetup(controller);
}

void CMainFrame::RefreshControls(KVQDocCamController* controller)
{
    if (m_osdKind == OSD_PLAYBACK_SPEED) ShowOsd(OSD_NONE, 0);
    const DocCamStatus& status = controller->m_status;
    if (IsFreezeConfirmed(controller)) {
        if (!m_remoteCamera) ShowOsd(OSD_FROZEN, kOsdTicks);
    } else if (m_osdKind == OSD_FROZEN) {
        ShowOsd(OSD_NONE, 0);
    }
    DrawingPlaneChanged();
    RefreshMotionMode(controller);
    if (m_visibleSubPanel != NO_SUB_PANEL && IsLocalCameraShown())
        m_subPanels[m_visibleSubPanel]->OnDeviceState(controller);
    else if (m_remoteCamera && m_cameraPanel)
        m_cameraPanel->RefreshFromRemote();
    if (!IsLocalCameraShown()) return;

    const int model = status.modelCode & 0x7F;
    const int zoom = controller->GetZoomSize(0);
    if (m_cameraPanel) {
        KVQSlider& zoomSlider = m_cameraPanel->ZoomSlider();
        zoomSlider.SetRange(100, controller->GetAdaptZoomMax());
        if (zoomSlider.GetPos() != zoom) zoomSlider.SetPos(zoom);
        if (m_cameraPanel->BrightnessSlider().GetPos() != status.brightness)
            m_cameraPanel->BrightnessSlider().SetPos(status.brightness);
    }
    if (m_shownValuesKnown) {
        if (zoom != m_shownZoom && ShowsZoomPercent(model)) ShowOsd(OSD_ZOOM, kOsdTicks);
        if (status.brightness != m_shownBrightness) ShowOsd(OSD_BRIGHTNESS, kOsdTicks);
        if (status.rotate != m_shownRotation) ShowOsd(OSD_ROTATION, kOsdTicks);
    }
    NoteShownValues(controller);
}

void CMainFrame::RefreshMotionMode(KVQDocCamController* controller)
{
    if (!m_cameraPanel) return;
    KVQButton& motion = m_cameraPanel->Button(CDocCamPanel::MOTION);
    const unsigned long features = controller->GetDocCamModelFeature(0);
    // Large-frame cameras have the motion mode.
    const bool motionModel = (features & kFeatureLargeFrame) != 0;
    const unsigned char* flags = controller->m_status.statusFlags17;
    const bool cameraAllows = motionModel && flags[0] == 0 && flags[1] == 0 && flags[2] == 0;
    // The mode changes the picture size: not while it is recorded or shared.
    const bool consoleAllows =
        !m_remoteCamera && !IsAviWriterOpen() && !(m_networkPanel && m_networkPanel->IsSharing());
    if ((motion.IsWindowEnabled() != FALSE) != (cameraAllows && consoleAllows)) {
        motion.EnableWindow(cameraAllows && consoleAllows);
        motion.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    }
    if (consoleAllows && !cameraAllows && m_videoPanel) m_videoPanel->AllowFullSize(true);
    if (!motionModel) return;
    const int shown = m_remoteCamera ? m_remoteCamera->State().motion : m_motionFlag;
    if ((motion.GetCheckState() != 0) != (shown != 0)) return;
    // The button changes to the mode now in use and the picture size follows.
    const int state = shown ? 0 : 1;
    m_live.m_restartStatistics = 1;
    motion.SetCheck(state);
    if (m_videoPanel) m_videoPanel->AllowFullSize(state != 0);
    ShowOsd(state ? OSD_ADJUSTING_TO_XGA : OSD_ADJUSTING_TO_SVGA, kMotionOsdTicks);
}

void CMainFrame::NoteShownValues(KVQDocCamController* controller)
{
    m_shownZoom = controller->GetZoomSize(0);
    m_shownBrightness = controller->m_status.brightness;
    m_shownRotation = controller->m_status.rotate;
    m_shownValuesKnown = true;
}

void CMainFrame::ShowOsd(int kind, int ticks)
{
    if (!m_hWnd) return;
    m_osdKind = kind;
    m_osdCountdown = ticks;
    Invalidate(FALSE);
}

void CMainFrame::FormatOsdText(wchar_t* text, size_t size, KVQDocCamController* controller) const
{
    text[0] = L'\0';
    if (m_live.m_pause) {
        FormatText(text, size, L"%ls", ReadIniString(L"CMainFrame", L"osdPreview", L"Preview"));
        return;
    }
    // A film plays also without a camera.
    if (m_osdKind == OSD_PLAYBACK_SPEED) {
        if (m_videoPanel) FormatText(text, size, L"%ls", m_videoPanel->SpeedLabelInUse());
        return;
    }
    if (!controller) return;
    const DocCamStatus& status = controller->m_status;
    switch (m_osdKind) {
    case OSD_BRIGHTNESS: {
        const bool rangedBrightness = controller->GetDocCamModelFeature(0) & kFeaturePanOffsets;
        FormatText(text, size, L"%ls %d", m_osdBrightnessLabel, status.brightness - (rangedBrightness ? 0 : 50));
        break;
    }
    case OSD_FROZEN:
        FormatText(text, size, L"%ls", m_osdFrozenLabel);
        break;
    case OSD_ZOOM:
        FormatText(text, size, L"%4d%%", controller->GetZoomSize(0));
        break;
    case OSD_ROTATION:
        FormatText(text, size, L"%3d\u00B0", status.rotate * 90);
        break;
    case OSD_ADJUSTING_TO_SVGA:
        FormatText(text, size, L"%ls", ReadIniString(L"CMainFrame", L"osdAdjustingTo800x600", L"Adjusting to 800x600"));
        break;
    case OSD_ADJUSTING_TO_XGA:
        FormatText(text, size, L"%ls",
                   ReadIniString(L"CMainFrame", L"osdAdjustingTo1024x768", L"Adjusting to 1024x768"));
        break;
    case OSD_ZOOM_RESET:
        FormatText(text, size, L"%ls", ReadIniString(L"CMainFrame", L"osdZoomReset", L"Zoom x 1"));
        break;
    default:
        break;
    }
}

void CMainFrame::OnDraw(CDC* dc, CRect& rect)
{
    const DWORD start = ::GetTickCount();
    dc->FillSolidRect(rect, RGB(0, 0, 0));
    HGDIOBJ font = dc->SelectObject(&m_osdFont);
    if (DrawLivePicture(dc, rect)) {
        const HWND active = ::GetActiveWindow();
        if (active == m_hWnd && ServeCopyRequest(*this, *this, *dc)) PostMessage(WM_COPY_NOTICE);
        if (m_annotationPanel && (active == m_hWnd || (m_bar && active == m_bar->m_hWnd) || IsAnnotationInProgress()))
            m_annotationPanel->OnPictureEvent(this, static_cast<int>(reinterpret_cast<INT_PTR>(dc->GetSafeHdc())));
    } else if (m_presence == CameraPresence::Absent) {
        DrawNoCameraText(dc, rect);
    }
    DrawTexts(dc, rect);
    dc->SelectObject(font);
    m_paintPacing.Painted(start, ::GetTickCount());
}

bool CMainFrame::DrawLivePicture(CDC* dc, const CRect& rect)
{
    if (!m_remoteCamera && (!TheApp().CurrentController() || !IsLocalCameraShown())) return false;
    LiveFramePath::FrameAccess access(m_live);
    CFrameBuffer* frame = access.Display();
    if (!frame || !frame->HasPicture()) return false;
    const RECT* view = ::IsRectEmpty(&frame->m_viewRect) ? nullptr : &frame->m_viewRect;
    frame->StretchTo(*dc, rect, view, TRUE, TRUE);
    m_drawnPlacement = frame->OutputRect();
    frame->m_newPicture = 0;
    return true;
}

void CMainFrame::DrawNoCameraText(CDC* dc, const CRect& rect)
{
    DrawShadowedText(dc, ReadIniString(L"CNetworkPanel", L"staticUsbUnconnected", L"Usb unconnected"), rect, DT_CENTER);
}

void CMainFrame::DrawTexts(CDC* dc, const CRect& rect)
{
    DrawStatusTexts(dc, rect);
    wchar_t text[128];
    FormatOsdText(text, 128, TheApp().CurrentController());
    if (!text[0]) return;
    const CRect box(rect.right - 13 * NonzeroBytes(text) - 10, rect.bottom - 30, rect.right, rect.bottom);
    DrawShadowedText(dc, text, box, DT_RIGHT);
}

void CMainFrame::DrawStatusTexts(CDC* dc, const CRect& rect)
{
    StatusOverlayState state;
    state.recording = m_videoPanel && m_videoPanel->IsRecording();
    state.recordedSeconds = state.recording ? m_videoPanel->DisplaySeconds() : 0;
    state.seriesRunning = m_series.IsRunning();
    state.sharing = m_networkPanel && m_networkPanel->IsSharing();
    state.remoteShown = m_remoteCamera != nullptr;
    state.tick = ::GetTickCount();
    for (const StatusOverlayItem& item : LayOutStatusTexts(state, {rect.left, rect.top, rect.right, rect.bottom})) {
        const CRect box(item.box.left, item.box.top, item.box.right, item.box.bottom);
        switch (item.text) {
        case StatusText::Recording:
            DrawShadowedText(dc, m_recordingLabel.c_str(), box, DT_LEFT);
            break;
        case StatusText::RecordingTime:
            DrawShadowedText(dc, FormatRecordingTime(state.recordedSeconds).c_str(), box, DT_LEFT);
            break;
        case StatusText::Capturing:
            DrawShadowedText(dc, m_capturingLabel.c_str(), box, DT_LEFT);
            break;
        case StatusText::Sharing:
            DrawShadowedText(dc, m_sharingLabel.c_str(), box, DT_LEFT);
            break;
        case StatusText::ServerName: {
            // Over the title bar: the frame is drawn again before the next
            // name, which neither piles up nor outlasts the viewing.
            HGDIOBJ font = dc->SelectObject(&m_smallFont);
            DrawShadowedText(dc, m_remoteCamera->ServerName().c_str(), box, DT_LEFT);
            dc->SelectObject(font);
            RedrawFrameOnNextPaint();
            break;
        }
        }
    }
}

void CMainFrame::OnPostDraw(CDC*)
{
    if (m_fullscreen && m_exitButton.m_hWnd && m_exitButton.IsWindowVisible())
        m_exitButton.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    if (m_strip.IsVisible()) m_strip.RedrawPanButtons();
}

void CMainFrame::OnChangeSize(UINT type)
{
    // A text being typed is finished where it stands.
    if (m_annotationPanel) m_annotationPanel->FinishText(this);
    m_textInput.ShowWindow(SW_HIDE);
    if (type == SIZE_MINIMIZED) {
        if (m_bar) m_bar->HidePanel();
        return;
    }
    const bool docked = m_bar && m_bar->m_dockState == CBasePanel::DOCK_BELOW;
    if (m_fullscreen) {
        CRect window, view;
        GetRect(&window, &view);
        m_exitButton.SetWindowPos(nullptr, window.right - 30, 10, kExitButtonWidth, kExitButtonHeight,
                                  SWP_NOZORDER | SWP_NOACTIVATE);
        if (m_bar) m_bar->PlacePanel(docked ? CBasePanel::PLACE_OWNER_CORNER : CBasePanel::PLACE_DOCKED);
        m_strip.Layout();
        return;
    }
    m_exitButton.ShowWindow(SW_HIDE);
    if (m_bar && IsWindowVisible()) m_bar->PlacePanel(docked ? CBasePanel::PLACE_DOCKED : CBasePanel::PLACE_LAST);
    m_strip.Layout();
    PostMessage(WM_FIT_PICTURE);
}

BOOL CMainFrame::OnDoubleClick(UINT flags, CPoint pt)
{
    CRect window, strip;
    GetWindowRect(&window);
    CZoomAndPan::GetStripRect(&strip, window);
    // A double click on the pan cross is two presses of an arrow.
    if (strip.PtInRect(pt)) return TRUE;
    return KVQWindow::OnDoubleClick(flags, pt);
}

void CMainFrame::OnActivateWindow(UINT state, CWnd* other, BOOL minimized)
{
    if (state != WA_INACTIVE) m_lastActiveWindow = this;
    if (!m_bar || !m_bar->m_hWnd) return;
    if (state != WA_INACTIVE) {
        m_barHidden = m_savedBarHidden;
        if (m_barHidden || minimized) return;
        CRect bar;
        m_bar->GetWindowRect(&bar);
        CBasePanel::SetLastPosition(bar.TopLeft());
        m_bar->PlacePanel(CBasePanel::PLACE_LAST);
    } else if (other != m_bar.get()) {
        m_savedBarHidden = m_barHidden;
        if (!m_barHidden) m_bar->HidePanel();
        m_barHidden = true;
    }
}

void CMainFrame::OnMoveWindow(int, int)
{
    if (m_bar && m_bar->IsWindowVisible() && m_bar->m_dockState == CBasePanel::DOCK_BELOW && !m_fullscreen)
        m_bar->PlacePanel(CBasePanel::PLACE_DOCKED);
}

void CMainFrame::KeepPictureAt4To3()
{
    if (m_fullscreen || IsIconic()) return;
    CRect window;
    GetWindowRect(&window);
    const CSize fitted = kvqFitFrameSize(window.Width(), window.Height());
    if (fitted.cx != window.Width() || fitted.cy != window.Height())
        SetWindowPos(nullptr, 0, 0, fitted.cx, fitted.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainFrame::OnMoveMouse(UINT flags, CPoint pt)
{
    if (!(flags & MK_LBUTTON)) {
        CRect window, strip;
        GetWindowRect(&window);
        CZoomAndPan::GetStripRect(&strip, window);
        KVQDocCamController* camera = CurrentController();
        const bool zoomable = (IsLocalCameraShown() && camera && !camera->m_status.frozen) ||
                              (m_remoteCamera && m_remoteCamera->State().controllable);
        const int show = strip.PtInRect(pt) && zoomable;
        if (show != m_strip.IsVisible()) m_strip.SetVisible(show);
    }
    if (!(flags & MK_LBUTTON) && m_fullscreen && m_exitButton.m_hWnd) {
        CRect window, view;
        GetRect(&window, &view);
        const bool nearCorner = pt.x >= window.right - 45 && pt.y <= 270;
        m_exitButton.ShowWindow(nearCorner ? SW_SHOW : SW_HIDE);
    }
    if ((flags & MK_LBUTTON) && m_annotationPanel) m_annotationPanel->OnPictureMouseMove(this, flags, pt);
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg)
{
    if (!m_fullscreen)
        for (CToolTipCtrl& tip : m_toolTips)
            if (tip.m_hWnd) tip.RelayEvent(msg);
    m_strip.RelayToolTips(msg);
    return KVQWindow::PreTranslateMessage(msg);
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        return TRUE;
    case WM_CLOSE:
        if (m_videoPanel && m_videoPanel->IsRecording() &&
            IniMessageBox(m_hWnd, L"Messages", L"hintStopRecordingAndQuit", nullptr, MB_YESNO) != IDYES)
            return 0;
        // The embedded picture window goes with this one: its picture is
        // offered while the window can still own the question.
        if (!OfferToSaveEmbeddedPicture()) return 0;
        // Out of sight at once; the camera and the settings take a moment.
        ShowWindow(SW_MINIMIZE);
        return Default();
    case WM_FIT_PICTURE:
        KeepPictureAt4To3();
        return 0;
    case WM_COPY_NOTICE:
        ShowCopyNotice(*this, this);
        return 0;
    case WM_LARGE_FRAME:
        OnLargeFrame(wParam != 0);
        return 0;
    default:
        return KVQWindow::WindowProc(message, wParam, lParam);
    }
}

void CMainFrame::OnDeviceChange(WPARAM event, LPARAM data)
{
    // Other events carry no record (or no pointer at all) in data.
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE || header->dbch_size < nameOffset) return;
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    if (!IsCameraDeviceEvent(device->dbcc_name, (header->dbch_size - nameOffset) / sizeof(wchar_t))) return;

    const bool present = m_presence == CameraPresence::Present;
    if (event == DBT_DEVICEARRIVAL && !present) {
        ReopenDevices();
    } else if (event == DBT_DEVICEREMOVECOMPLETE && present) {
        if (m_networkPanel) m_networkPanel->RemoveLocalEntry();
        ShowCameraPresence(false);
    } else {
        return;
    }
    RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool CMainFrame::IsLocalCameraPresent() const { return m_presence == CameraPresence::Present; }

bool CMainFrame::IsLocalCameraShown() { return IsLocalCameraPresent() && !m_remoteCamera; }

KVQDocCamController* CMainFrame::CurrentController()
{
    // A controller without a driven camera has nothing to drive.
    return TheApp().HasUsableCamera() ? TheApp().CurrentController() : nullptr;
}

bool CMainFrame::IsStatusPolled() { return m_live.IncrementalUpdateResult() == 0; }

HMODULE CMainFrame::SkinLibrary() { return TheApp().SkinLibrary(); }

void CMainFrame::SetMotionFlag(int on, bool alsoApplication)
{
    m_motionFlag = on;
    if (alsoApplication) TheApp().SetMotionFlag(on);
}

bool CMainFrame::HasPictureSource() { return IsLocalCameraPresent() || m_remoteCamera; }

void CMainFrame::ApplyCaptureSettings(const CaptureSettings& settings)
{
    SetCaptureSettings(settings);
    m_capture.Write(*AfxGetApp());
}

bool CMainFrame::CanTakeLargeStills()
{
    KVQDocCamController* camera = CurrentController();
    return IsLocalCameraShown() && camera && (camera->GetDocCamModelFeature(0) & kFeatureLargeStill);
}

bool CMainFrame::IsAdaptiveMotion() { return TheApp().MotionFlag() != 0; }

void CMainFrame::RequestRepaint()
{
    if (m_paintPacing.TakeRepaint(::GetTickCount())) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CMainFrame::GetRecorderClock(RecorderClock* clock)
{
    return m_videoPanel && m_videoPanel->GetRecorderClock(clock);
}

void CMainFrame::RecordFrame(CFrameBuffer& displayFrame)
{
    if (m_videoPanel) m_videoPanel->RecordFrame(displayFrame);
}

void CMainFrame::PostLargeFrame(bool continuousMode) { ::PostMessageW(m_hWnd, WM_LARGE_FRAME, continuousMode, 0); }

void CMainFrame::OnDestroyWindow()
{
    if (m_timer) KillTimer(m_timer);
    m_timer = 0;
    // The file is closed and mended while frames may still arrive: the
    // recorder takes none once it is closed.
    if (m_videoPanel) {
        m_videoPanel->StopRecording();
        m_videoPanel->ClosePlayer();
    }
    // No frame may arrive while the buffers and locks go away.
    m_framesStopped = m_live.Detach();
    WriteSettings();
    CloseNetworkPanel();
    if (m_bar) m_bar->DestroyWindow();
    m_visibleSubPanel = NO_SUB_PANEL;
    SetPictureHost(nullptr);
    m_lastActiveWindow = nullptr;
    if (m_deviceNotification) ::UnregisterDeviceNotification(m_deviceNotification);
    m_deviceNotification = nullptr;
    m_osdFont.DeleteObject();
    m_smallFont.DeleteObject();
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    if (m_oleStarted) ::OleUninitialize();
    m_oleStarted = false;
    ::PostQuitMessage(0);
}

void CMainFrame::WriteSettings()
{
    // The normal place, also when the window is minimised (closing minimises
    // it first) or full screen.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(m_hWnd, &placement);
    // The normal place is in workspace coordinates, the saved one in screen
    // coordinates: they differ by a taskbar at the top or left.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    POINT workOrigin{0, 0};
    if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        workOrigin = POINT{monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top};
    const WindowPlace place = WindowPlace::FromWorkspace(placement.rcNormalPosition, workOrigin);
    CWinApp& app = *AfxGetApp();
    place.Write(app);
    m_capture.Write(app);
    if (m_videoPanel) m_videoPanel->SaveRecordSettings(app);
}
