#include "MainFrame.h"

#include <dbt.h>
#include <kvqdoccam.h>

#include <cstddef>
#include <cwchar>

#include "DeviceEvent.h"
#include "LanguageText.h"
#include "OrbileApp.h"
#include "logic/SkinGeometry.h"
#include "resource.h"

namespace {

const UINT kTimerId = 9527;
const UINT kTimerMs = 50;
const int kOsdTicks = 60;  // three seconds of 50 ms ticks
// Applies the 4:3 rule once the size change that broke it has finished.
const UINT WM_FIT_PICTURE = WM_APP + 1;
// A large still became the current frame (posted by the capture thread).
const UINT WM_LARGE_FRAME = WM_APP + 2;

const COLORREF kTextShadow = 0x00003C;
const COLORREF kTextColour = 0x000014FF;

const UINT kExitButtonBitmaps[4] = {155, 156, 157, 158};  // face, hover, disabled, pressed
const int kExitButtonWidth = 21;
const int kExitButtonHeight = 19;

struct TitleTip {
    const wchar_t* key;
    const wchar_t* text;
};
const TitleTip kTitleTips[4] = {
    {L"tipAbout", L"About"}, {L"tipMinimize", L"Minimize"}, {L"tipFullScreen", L"Full Screen"}, {L"tipClose", L"Close"}};

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

// The exit button's bitmaps; those the button only copies at creation are
// deleted at the end of the scope.
class ExitButtonBitmaps {
public:
    explicit ExitButtonBitmaps(HMODULE module)
    {
        for (int i = 0; i < 4; ++i) m_bitmaps[i] = ::LoadBitmapW(module, MAKEINTRESOURCEW(kExitButtonBitmaps[i]));
    }
    ~ExitButtonBitmaps()
    {
        for (HBITMAP bitmap : m_bitmaps)
            if (bitmap) ::DeleteObject(bitmap);
    }
    ExitButtonBitmaps(const ExitButtonBitmaps&) = delete;
    ExitButtonBitmaps& operator=(const ExitButtonBitmaps&) = delete;

    // The button keeps the face it is given.
    HBITMAP TakeFace()
    {
        HBITMAP face = m_bitmaps[0];
        m_bitmaps[0] = nullptr;
        return face;
    }
    HBITMAP Hover() const { return m_bitmaps[1]; }
    HBITMAP Disabled() const { return m_bitmaps[2]; }
    HBITMAP* Pressed() { return &m_bitmaps[3]; }

private:
    HBITMAP m_bitmaps[4] = {};
};

}  // namespace

CMainFrame::CMainFrame() = default;
CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::OnCreateWindow(CREATESTRUCTW*)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    m_deviceNotification = ::RegisterDeviceNotificationW(m_hWnd, &filter, DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);

    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    CreateExitButton();

    wcsncpy(m_osdBrightnessLabel, ReadIniString(L"CMainFrame", L"osdBrightness", L"Brightness"), 63);
    wcsncpy(m_osdFrozenLabel, ReadIniString(L"CMainFrame", L"osdFrozen", L"Frozen"), 63);
    m_osdFont.Attach(::CreateFontW(24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, L"Tahoma"));
    m_timer = SetTimer(kTimerId, kTimerMs);

    // From here on the camera's frames reach this window.
    m_live.Attach(this);
    return TRUE;
}

void CMainFrame::CreateExitButton()
{
    ExitButtonBitmaps bitmaps(TheApp().SkinLibrary());
    if (m_exitButton.CreateButton(BUTTON_STYLE_PUSH, 0, 0, this, this, ID_LEAVE_FULLSCREEN, nullptr,
                                  bitmaps.TakeFace(), bitmaps.Hover(), bitmaps.Disabled(), bitmaps.Pressed(), 1,
                                  KVQ_TRANSPARENT, TRUE))
        m_exitButton.ShowWindow(SW_HIDE);
}

void CMainFrame::SetUpToolTips()
{
    for (int i = 0; i < 4; ++i) {
        if (!m_titleButtons[i] || !m_toolTips[i].Create(this)) continue;
        m_toolTips[i].AddTool(m_titleButtons[i], ReadIniString(L"CMainFrame", kTitleTips[i].key, kTitleTips[i].text));
        m_toolTips[i].Activate(TRUE);
    }
}

void CMainFrame::ShowCameraPresence(bool present)
{
    m_presence = present ? CameraPresence::Present : CameraPresence::Absent;
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
}

void CMainFrame::RefreshControls(KVQDocCamController* controller)
{
    DocCamStatus& status = controller->m_status;
    if (status.frozen && controller->GetFreezeConfig() && status.frozen) {
        ShowOsd(OSD_FROZEN, kOsdTicks);
    } else if (m_osdKind == OSD_FROZEN) {
        ShowOsd(OSD_NONE, 0);
    }
    if (!IsLocalCameraShown()) return;

    const int model = status.modelCode & 0x7F;
    const int zoom = controller->GetZoomSize(0);
    if (m_shownValuesKnown) {
        if (zoom != m_shownZoom && (model == 0x33 || model == 0x53)) ShowOsd(OSD_ZOOM, kOsdTicks);
        if (status.brightness != m_shownBrightness) ShowOsd(OSD_BRIGHTNESS, kOsdTicks);
        if (status.rotate != m_shownRotation) ShowOsd(OSD_ROTATION, kOsdTicks);
    }
    NoteShownValues(controller);
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
    default:
        break;
    }
}

void CMainFrame::OnDraw(CDC* dc, CRect& rect)
{
    dc->FillSolidRect(rect, RGB(0, 0, 0));
    HGDIOBJ font = dc->SelectObject(&m_osdFont);
    if (!DrawLivePicture(dc, rect) && m_presence == CameraPresence::Absent) DrawNoCameraText(dc, rect);
    DrawTexts(dc, rect);
    dc->SelectObject(font);
}

bool CMainFrame::DrawLivePicture(CDC* dc, const CRect& rect)
{
    if (!TheApp().CurrentController() || !IsLocalCameraShown()) return false;
    LiveFramePath::FrameAccess access(m_live);
    CFrameBuffer* frame = access.Display();
    if (!frame || !frame->HasPicture()) return false;
    const RECT* view = ::IsRectEmpty(&frame->m_viewRect) ? nullptr : &frame->m_viewRect;
    frame->StretchTo(*dc, rect, view, TRUE, TRUE);
    frame->m_newPicture = 0;
    return true;
}

void CMainFrame::DrawNoCameraText(CDC* dc, const CRect& rect)
{
    DrawShadowedText(dc, ReadIniString(L"CNetworkPanel", L"staticUsbUnconnected", L"Usb unconnected"), rect,
                     DT_CENTER);
}

void CMainFrame::DrawTexts(CDC* dc, const CRect& rect)
{
    wchar_t text[128];
    FormatOsdText(text, 128, TheApp().CurrentController());
    if (!text[0]) return;
    const CRect box(rect.right - 13 * NonzeroBytes(text) - 10, rect.bottom - 30, rect.right, rect.bottom);
    DrawShadowedText(dc, text, box, DT_RIGHT);
}

void CMainFrame::OnPostDraw(CDC*)
{
    if (m_fullscreen && m_exitButton.m_hWnd && m_exitButton.IsWindowVisible())
        m_exitButton.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CMainFrame::OnChangeSize(UINT type)
{
    if (type == SIZE_MINIMIZED) return;
    if (m_fullscreen) {
        CRect window, view;
        GetRect(&window, &view);
        m_exitButton.SetWindowPos(nullptr, window.right - 30, 10, kExitButtonWidth, kExitButtonHeight,
                                  SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    m_exitButton.ShowWindow(SW_HIDE);
    PostMessage(WM_FIT_PICTURE);
}

void CMainFrame::KeepPictureAt4To3()
{
    if (m_fullscreen || IsIconic()) return;
    CRect window;
    GetWindowRect(&window);
    const kvq::Extent fitted = kvq::FitFrameSize(window.Width(), window.Height());
    if (fitted.width != window.Width() || fitted.height != window.Height())
        SetWindowPos(nullptr, 0, 0, fitted.width, fitted.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainFrame::OnMoveMouse(UINT flags, CPoint pt)
{
    if (!(flags & MK_LBUTTON) && m_fullscreen && m_exitButton.m_hWnd) {
        CRect window, view;
        GetRect(&window, &view);
        const bool nearCorner = pt.x >= window.right - 45 && pt.y <= 270;
        m_exitButton.ShowWindow(nearCorner ? SW_SHOW : SW_HIDE);
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

BOOL CMainFrame::OnKeyboard(UINT vk, UINT, UINT, BOOL down)
{
    if (!down || vk < 9 || vk > 116) return FALSE;
    switch (vk) {
    case VK_ESCAPE:
        if (m_fullscreen) LeaveFullscreen();
        return TRUE;
    case VK_F5:
        ReopenDevices();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CMainFrame::OnButtonEvent(unsigned short id)
{
    if (id != ID_LEAVE_FULLSCREEN) return FALSE;
    LeaveFullscreen();
    return TRUE;
}

void CMainFrame::LeaveFullscreen()
{
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(m_savedStyle));
    ShowWindow(SW_RESTORE);
}

void CMainFrame::OnTimerEvent(UINT id)
{
    if (id != kTimerId || m_osdCountdown == 0) return;
    if (--m_osdCountdown == 0) ShowOsd(OSD_NONE, 0);
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg)
{
    if (!m_fullscreen)
        for (CToolTipCtrl& tip : m_toolTips)
            if (tip.m_hWnd) tip.RelayEvent(msg);
    return KVQWindow::PreTranslateMessage(msg);
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        return TRUE;
    case WM_CLOSE:
        // Out of sight at once; the camera and the settings take a moment.
        ShowWindow(SW_MINIMIZE);
        return Default();
    case WM_FIT_PICTURE:
        KeepPictureAt4To3();
        return 0;
    case WM_LARGE_FRAME:
        // Large stills answer the snapshot command, which this window does not
        // offer yet: the still is shown like any frame and newer ones may follow.
        m_live.ReleaseLargeFrame();
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
        ShowCameraPresence(false);
    } else {
        return;
    }
    RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CMainFrame::ReopenDevices()
{
    COrbileApp& app = TheApp();
    app.WaitBox().Show(L"CMessageDialog", L"msgWait");
    KVQDocCamController* current = app.CurrentController();
    if (current && current->m_status.modelCode) {
        current->Stop();
        m_live.WaitForFrameEnd();
    }
    // Without a usable camera the window stays open in the no-camera state:
    // the camera may still be plugged in, and files can be viewed meanwhile.
    app.StartDevices();
    ShowCameraPresence(app.HasUsableCamera());
    m_live.m_restartStatistics = 1;
    app.WaitBox().Close();
}

bool CMainFrame::IsLocalCameraShown()
{
    return m_presence == CameraPresence::Present;
}

void CMainFrame::RequestRepaint()
{
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CMainFrame::PostLargeFrame(bool)
{
    ::PostMessageW(m_hWnd, WM_LARGE_FRAME, 0, 0);
}

void CMainFrame::OnDestroyWindow()
{
    if (m_timer) KillTimer(m_timer);
    m_timer = 0;
    // No frame may arrive while the buffers and locks go away.
    m_live.Detach();
    WriteSettings();
    if (m_deviceNotification) ::UnregisterDeviceNotification(m_deviceNotification);
    m_deviceNotification = nullptr;
    m_osdFont.DeleteObject();
    ::PostQuitMessage(0);
}

void CMainFrame::WriteSettings()
{
    // The normal place, also when the window is minimised (closing minimises
    // it first) or full screen.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(m_hWnd, &placement);
    const CRect normal(placement.rcNormalPosition);
    WindowPlace place;
    place.x = normal.left;
    place.y = normal.top;
    place.width = normal.Width();
    place.height = normal.Height();
    CWinApp& app = *AfxGetApp();
    place.Write(app);
    m_capture.Write(app);
}
