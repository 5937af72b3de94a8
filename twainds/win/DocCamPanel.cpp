#include "DocCamPanel.h"

#include <algorithm>

#include "AboutDlg.h"

#include "LanguageText.h"
#include "SourceApp.h"
#include "TwainResources.h"
#include "kvqdoccam.h"
#include "kvqfeatures.h"

namespace {

const wchar_t kTitle[] = L"DovraOrbile DocCam TWAIN";
const wchar_t kProfileFile[] = L"orbileds.ini";
constexpr UINT kPanelTimer = 1;
constexpr UINT kTimerMs = 100;
constexpr DWORD kRefreshMs = 1000;
constexpr int kHoldTicks = 20;
constexpr int kHoldBrightness = 1;
constexpr int kHoldContrast = 2;
constexpr int kHoldFrozen = 3;
constexpr int kHoldZoom = 5;
constexpr int kHoldRotation = 6;
// Below this the panel grows back when it is restored or sized.
constexpr int kMinimumWidth = 270;
constexpr int kMinimumHeight = 150;

// The title bitmap by the system's language.
const LangIdValue kTitleBitmaps[] = {
    {0x0000, 121}, {0x0400, 121}, {0x0404, 341}, {0x0C04, 341}, {0x1004, 341}, {0x0804, 359}, {0x0405, 377},
    {0x0407, 395}, {0x0807, 395}, {0x0C07, 395}, {0x1007, 395}, {0x1407, 395}, {0x0C0A, 413}, {0x080A, 611},
    {0x100A, 611}, {0x140A, 611}, {0x180A, 611}, {0x1C0A, 611}, {0x200A, 611}, {0x240A, 611}, {0x280A, 611},
    {0x2C0A, 611}, {0x300A, 611}, {0x340A, 611}, {0x380A, 611}, {0x3C0A, 611}, {0x400A, 611}, {0x440A, 611},
    {0x480A, 611}, {0x4C0A, 611}, {0x500A, 611}, {0x040C, 593}, {0x080C, 593}, {0x0C0C, 593}, {0x100C, 593},
    {0x140C, 593}, {0x0410, 431}, {0x0810, 431}, {0x0411, 449}, {0x0412, 467}, {0x0812, 467}, {0x0413, 485},
    {0x0813, 485}, {0x0415, 503}, {0x0416, 521}, {0x0816, 521}, {0x0419, 539}, {0x041E, 557}, {0x041F, 575},
    {0x040E, 671}, {0x040B, 671}, {0x0C0A, 611},
};

struct ToolTipText {
    unsigned short command;
    const wchar_t* key;
    const wchar_t* text;
};

// Keys of section "CDocCamPanel" with their default texts.
const ToolTipText kToolTips[] = {
    {kCmdCapture, L"tipCapture", L"Capture"},
    {kCmdAutoFocus, L"tipAutoFocus", L"Auto focus"},
    {kCmdZoomIn, L"tipZoomIn", L"Zoom in"},
    {kCmdZoomOut, L"tipZoomOut", L"Zoom out"},
    {kCmdFreeze, L"tipFreeze", L"Freeze"},
    {kCmdRotate, L"tipRotatedDisplay", L"Rotated display"},
    {kCmdMirror, L"tipMirroredDisplay", L"Mirrored display"},
    {kCmdColorMode, L"tipColorDisplay", L"Color display"},
    {kCmdAutoExposure, L"tipAutoExposureControl", L"Auto exposure control"},
    {kCmdAutoWhiteBalance, L"tipAutoWhiteBalancing", L"Auto White Balancing"},
    {kCmdAbout, L"tipAbout", L"About"},
    {kCmdClose, L"tipClose", L"Close"},
};

const KVQChar* Text(const wchar_t* text) { return reinterpret_cast<const KVQChar*>(text); }

int ModelOf(const KVQDocCamController& camera) { return camera.m_status.modelCode & 0x7F; }

// Models whose zoom shows as an on-screen text instead of the zoom slider.
bool ZoomAsText(int model) { return model == 0x33 || model == 0x53; }

// The buttons that command the camera; freeze stays usable while frozen.
bool LockedWhileFrozen(unsigned short command)
{
    return command >= kCmdAutoFocus && command <= kCmdAutoWhiteBalance && command != kCmdFreeze;
}

}  // namespace

const RECT CDocCamPanel::kPictureArea = {kPanelPictureLeft, kPanelPictureTop, kPanelPictureLeft + kPanelPictureWidth,
                                         kPanelPictureTop + kPanelPictureHeight};

CDocCamPanel::~CDocCamPanel() { Close(); }

bool CDocCamPanel::Open(HWND owner)
{
    HMODULE resources = m_app.ResourceLibrary();
    const unsigned short titleId = PickByLangId(kTitleBitmaps, int(sizeof kTitleBitmaps / sizeof kTitleBitmaps[0]));
    HBITMAP face =
        static_cast<HBITMAP>(LoadImageW(resources, MAKEINTRESOURCEW(titleId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    // A resource library without this language's title takes the first one.
    if (!face)
        face = static_cast<HBITMAP>(
            LoadImageW(resources, MAKEINTRESOURCEW(kTitleBitmaps[0].value), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!face || !CreatePanel(Text(kTitle), 50, 50, nullptr, nullptr, face, KVQ_TRANSPARENT, TRUE, owner)) return false;
    SetPanelStyle(PANEL_STYLE_DRAG);
    CreateButtons();
    if (KVQDocCamController* camera = m_app.CurrentController()) LoadControlsFromCamera(*camera);
    m_app.Live().SetWindow(m_hWnd, kPictureArea);
    m_font = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SetTimer(kPanelTimer, kTimerMs);
    ShowWindow(SW_SHOW);
    UpdateWindow();
    AdjustPanel();
    return true;
}

BOOL CPanelToolTip::AddWindowTool(CWnd* tool, const wchar_t* text)
{
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V1_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = ::GetParent(tool->m_hWnd);
    info.uId = reinterpret_cast<UINT_PTR>(tool->m_hWnd);
    info.hinst = GetModuleHandleW(nullptr);
    info.lpszText = const_cast<wchar_t*>(text);
    return SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CDocCamPanel::CreateButtons()
{
    HMODULE resources = m_app.ResourceLibrary();
    const bool tips = m_toolTip.Create(this) != FALSE;
    for (const PanelButton& entry : kPanelButtons) {
        HBITMAP face = static_cast<HBITMAP>(
            LoadImageW(resources, MAKEINTRESOURCEW(entry.bitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        auto button = std::make_unique<KVQButton>();
        if (face && button->CreateButton(BUTTON_STYLE_PUSH, entry.x, kPanelButtonTop, this, this, entry.command,
                                         nullptr, face, nullptr, nullptr, &face, 1, KVQ_TRANSPARENT, FALSE)) {
            for (const ToolTipText& tip : kToolTips)
                if (tips && tip.command == entry.command)
                    m_toolTip.AddWindowTool(button.get(), ReadIniString(L"CDocCamPanel", tip.key, tip.text));
            m_buttons.push_back(std::move(button));
        }
    }
    CreateSliders(tips);
}

// The brightness wheel and the read-only zoom slider beside the picture, in
// the control library's own images.
void CDocCamPanel::CreateSliders(bool tips)
{
    if (m_brightnessWheel.CreateWheel(kPanelWheelLeft, kPanelWheelTop, this, this, kCmdBrightness, nullptr, nullptr,
                                      nullptr, nullptr, KVQ_TRANSPARENT, TRUE)) {
        m_brightnessWheel.SetRange(0, 100);
        if (tips)
            m_toolTip.AddWindowTool(&m_brightnessWheel,
                                    ReadIniString(L"CDocCamPanel", L"tipBrightness", L"Brightness"));
    }
    if (m_zoomSlider.CreateSlider(kPanelZoomLeft, kPanelZoomTop, this, this, kCmdZoomSlider, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, KVQ_TRANSPARENT, FALSE) &&
        tips)
        m_toolTip.AddWindowTool(&m_zoomSlider, ReadIniString(L"CDocCamPanel", L"tipZoommedSize", L"Zoommed size"));
}

// After creation and on resizing: which controls this model has, and their
// ranges and positions.
void CDocCamPanel::LoadControlsFromCamera(KVQDocCamController& camera)
{
    const unsigned long feature = camera.GetDocCamModelFeature(0);
    const struct {
        unsigned short command;
        unsigned long feature;
    } optional[] = {{kCmdAutoFocus, kFeatureAutoFocus}, {kCmdRotate, kFeatureRotate}, {kCmdMirror, kFeatureMirror}};
    for (const auto& button : optional)
        if (HWND window = GetDlgItem(button.command))
            ::ShowWindow(window, (feature & button.feature) ? SW_SHOW : SW_HIDE);
    const int model = ModelOf(camera);
    if (m_brightnessWheel.m_hWnd) {
        if (feature & kFeatureBrightnessStep)
            m_brightnessWheel.ShowWindow(SW_SHOW);
        else
            m_brightnessWheel.EnableWindow(FALSE);
        if (feature & kFeatureOwnBrightnessRange) {
            const int top = camera.m_status.brightnessMax;
            m_brightnessWheel.SetRange(top ? camera.m_status.brightnessMin : 0, top ? top : 63);
        }
        m_brightnessWheel.SetPos(camera.m_status.brightness);
    }
    if (m_zoomSlider.m_hWnd) {
        int top = camera.GetZoomMax();
        if (model == 0x11)
            top = 200;
        else if (model == 0x13 || model == 0x15)
            top = 400;
        else if (model == 0x75)
            top = 3200;
        m_zoomSlider.SetRange(100, top);
        m_zoomSlider.SetSep(model == 0x60 || model == 0x61 ? 600 : -1);
        m_zoomSlider.SetPos(camera.GetZoomSize(0));
        m_zoomSlider.ShowWindow(ZoomAsText(model) ? SW_HIDE : SW_SHOW);
    }
    m_shownZoom = camera.GetZoomSize(0);
    m_shownBrightness = camera.m_status.brightness;
    m_shownRotation = camera.m_status.rotate;
    const RECT side{kPanelPictureLeft + kPanelPictureWidth, 0, kPanelWidth, kPanelHeight};
    InvalidateRect(m_hWnd, &side, FALSE);
}

// After each refresh: the sliders follow the camera, a change made on the
// camera itself shows its text, and while frozen the camera's controls rest.
void CDocCamPanel::SyncControlsWithCamera(KVQDocCamController& camera)
{
    const int model = ModelOf(camera);
    const int zoom = camera.GetZoomSize(0);
    if (m_zoomSlider.m_hWnd) m_zoomSlider.SetRange(100, camera.GetAdaptZoomMax());
    if (zoom != m_shownZoom) {
        m_shownZoom = zoom;
        if (m_zoomSlider.m_hWnd) m_zoomSlider.SetPos(zoom);
        if (ZoomAsText(model)) ShowHoldText(kHoldZoom);
    }
    if (camera.m_status.brightness != m_shownBrightness) {
        m_shownBrightness = camera.m_status.brightness;
        if (m_brightnessWheel.m_hWnd) m_brightnessWheel.SetPos(m_shownBrightness);
        ShowHoldText(kHoldBrightness);
    }
    if (camera.m_status.rotate != m_shownRotation) {
        m_shownRotation = camera.m_status.rotate;
        ShowHoldText(kHoldRotation);
    }
    const bool frozen = camera.m_status.frozen == 1;
    for (const PanelButton& entry : kPanelButtons)
        if (LockedWhileFrozen(entry.command)) ::EnableWindow(GetDlgItem(entry.command), !frozen);
    if (m_zoomSlider.m_hWnd) m_zoomSlider.EnableWindow(!frozen);
    const bool brightness = (camera.GetDocCamModelFeature(0) & kFeatureBrightnessStep) && !ZoomAsText(model);
    if (m_brightnessWheel.m_hWnd) m_brightnessWheel.EnableWindow(!frozen && brightness);
}

void CDocCamPanel::ShowHoldText(int state)
{
    m_holdState = state;
    m_holdCount = kHoldTicks;
    InvalidateRect(m_hWnd, &kPictureArea, FALSE);
}

void CDocCamPanel::OnChangeSize(UINT type)
{
    KVQDocCamController* camera = m_app.CurrentController();
    if (type == SIZE_MINIMIZED || !camera) return;
    LoadControlsFromCamera(*camera);
    SyncControlsWithCamera(*camera);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    if (type != SIZE_MAXIMIZED && (width < kMinimumWidth || height < kMinimumHeight))
        SetWindowPos(nullptr, 0, 0, std::max(width, kMinimumWidth), std::max(height, kMinimumHeight),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDocCamPanel::Close()
{
    if (m_toolTip.m_hWnd) m_toolTip.DestroyWindow();
    if (m_hWnd) DestroyWindow();
    m_buttons.clear();
}

void CDocCamPanel::OnDestroyWindow()
{
    KillTimer(kPanelTimer);
    if (m_font) DeleteObject(m_font);
    m_font = nullptr;
    m_app.Live().SetWindow(nullptr);
    if (KVQDocCamController* camera = m_app.CurrentController()) SaveAudioSilence(*camera);
    SavePlacement();
}

// The camera's sound mode, as the model's other programs read it.
void CDocCamPanel::SaveAudioSilence(KVQDocCamController& camera)
{
    wchar_t name[96];
    const wchar_t* model = camera.GetDocCamModelName(0);
    FormatText(name, 96, L"bAudioSilence%ls%ls", model ? model : L"", m_app.LastStatusResult() ? L"_20" : L"_11");
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORBILE", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const DWORD off = 0;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off);
    RegCloseKey(key);
}

// The window's normal place in the source's profile ("orbileds.ini" in the
// Windows folder), section "Settings".
void CDocCamPanel::SavePlacement()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(m_hWnd, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    const struct {
        const wchar_t* key;
        LONG value;
    } values[] = {{L"XPos", r.left}, {L"YPos", r.top}, {L"Width", r.right - r.left}, {L"Height", r.bottom - r.top}};
    for (const auto& v : values) {
        wchar_t text[16];
        FormatText(text, 16, L"%ld", v.value);
        WritePrivateProfileStringW(L"Settings", v.key, text, kProfileFile);
    }
}

void CDocCamPanel::OnDraw(CDC* dc, CRect&)
{
    KVQDocCamController* camera = m_app.CurrentController();
    if (!camera || !m_app.Live().Draw(*dc, kPictureArea)) {
        dc->FillSolidRect(kPictureArea, RGB(0, 0, 0));
        return;
    }
    DrawHoldText(*dc, *camera);
}

// The text in the picture's lower right corner: dark red, then bright red
// one pixel up and left.
void CDocCamPanel::DrawHoldText(CDC& dc, KVQDocCamController& camera)
{
    wchar_t shown[64];
    const DocCamStatus& status = camera.m_status;
    switch (m_holdState) {
    case kHoldBrightness: {
        const bool own = camera.GetDocCamModelFeature(0) & kFeatureOwnBrightnessRange;
        FormatText(shown, 64, L"%ls %d", ReadIniString(L"CMainFrame", L"osdBrightness", L"Brightness"),
                   own ? status.brightness : status.brightness - 50);
        break;
    }
    case kHoldContrast:
        FormatText(shown, 64, L"%ls %d", ReadIniString(L"CMainFrame", L"osdContrast", L"Contrast"), status.contrast);
        break;
    case kHoldFrozen:
        FormatText(shown, 64, L"%ls", ReadIniString(L"CMainFrame", L"osdFrozen", L"Frozen"));
        break;
    case kHoldZoom:
        FormatText(shown, 64, L"%4d%%", camera.GetZoomSize(0));
        break;
    case kHoldRotation:
        FormatText(shown, 64, L"%3d\u00B0", m_rotation * 90);
        break;
    default:
        return;
    }
    const int length = int(wcslen(shown));
    HGDIOBJ oldFont = m_font ? dc.SelectObject(m_font) : nullptr;
    dc.SetBkMode(TRANSPARENT);
    RECT box{kPictureArea.right - 13 * length - 10, kPictureArea.bottom - 30, kPictureArea.right, kPictureArea.bottom};
    dc.SetTextColor(RGB(60, 0, 0));
    DrawTextW(dc, shown, length, &box, DT_LEFT | DT_TOP | DT_SINGLELINE);
    OffsetRect(&box, -1, -1);
    dc.SetTextColor(RGB(255, 20, 0));
    DrawTextW(dc, shown, length, &box, DT_LEFT | DT_TOP | DT_SINGLELINE);
    if (oldFont) dc.SelectObject(oldFont);
}

void CDocCamPanel::OnTimerEvent(UINT id)
{
    KVQDocCamController* camera = m_app.CurrentController();
    if (id != kPanelTimer || !camera) return;
    if (m_holdCount && --m_holdCount == 0) {
        m_holdState = 0;
        InvalidateRect(m_hWnd, &kPictureArea, FALSE);
    }
    const DWORD now = GetTickCount();
    if (now - m_lastRefresh < kRefreshMs || ::IsIconic(m_hWnd)) return;
    m_lastRefresh = now;
    RefreshFromCamera(*camera);
}

// Once a second: the camera's settings when it does not send them with its
// frames, and the frozen text while the camera is frozen.
void CDocCamPanel::RefreshFromCamera(KVQDocCamController& camera)
{
    if (m_app.LastStatusResult() == 0) {
        camera.GetImageProcessConfig();
        camera.GetBrightnessConfig();
        camera.GetContrastConfig();
        camera.GetWhiteBalanceConfig();
        camera.GetManualExposureConfig();
        camera.GetZoomDigitalConfig();
        camera.GetZoomOpticalConfig();
    }
    if (camera.m_status.frozen == 1 && camera.IsFrozen(0))
        ShowHoldText(kHoldFrozen);
    else if (m_holdState == kHoldFrozen)
        m_holdState = m_holdCount = 0;
    SyncControlsWithCamera(camera);
}

BOOL CDocCamPanel::OnButtonEvent(unsigned short id)
{
    switch (id) {
    case kCmdCapture:
        m_app.Capture();
        return TRUE;
    case kCmdClose:
    case kCmdCloseFromTitle:
        m_app.RequestClose();
        return TRUE;
    case kCmdAbout:
        ShowAbout();
        return TRUE;
    case kCmdFullScreen:
        ShowWindow(SW_MAXIMIZE);
        return TRUE;
    default:
        if (id < kCmdAutoFocus || id > kCmdBrightness) return FALSE;
        RunCameraCommand(id);
        return TRUE;
    }
}

void CDocCamPanel::RunCameraCommand(unsigned short id)
{
    KVQDocCamController* camera = m_app.CurrentController();
    if (!camera) return;
    switch (id) {
    case kCmdAutoFocus:
        camera->SetAutoFocus();
        break;
    case kCmdZoomIn:
        camera->SetZoomSize(1);
        break;
    case kCmdZoomOut:
        camera->SetZoomSize(0);
        break;
    case kCmdZoomReset:
        camera->SetZoomReset();
        break;
    case kCmdFreeze:
        if (camera->IsFrozen(1)) {
            if (camera->Freeze(0)) m_holdState = m_holdCount = 0;
        } else if (camera->Freeze(1)) {
            m_holdState = kHoldFrozen;
            m_holdCount = kHoldTicks;
        }
        InvalidateRect(m_hWnd, &kPictureArea, FALSE);
        SyncControlsWithCamera(*camera);
        break;
    case kCmdRotate:
        if (camera->GetDocCamModelFeature(0) & kFeatureRotateModes) {
            m_rotation = (m_rotation + 1) % 4;
            camera->SetRotateEx(m_rotation);
        } else {
            m_rotation = m_rotation ? 0 : 2;
            camera->SetRotate(m_rotation ? 1 : 0);
        }
        break;
    case kCmdMirror:
        m_mirror = !m_mirror;
        camera->SetMirror(m_mirror);
        break;
    case kCmdColorMode:
        m_colorMode = (m_colorMode + 1) % 3;
        camera->SetColorBWNegative(static_cast<unsigned char>(m_colorMode));
        break;
    case kCmdAutoExposure:
        camera->SetExposureMode(camera->m_status.exposureMode ? 0 : 1);
        break;
    case kCmdAutoWhiteBalance:
        camera->SetWhiteBalanceAUTO(camera->m_status.wbMode ? 1 : 0);
        break;
    case kCmdBrightness:
        camera->SetBrightnessEx(m_brightnessWheel.GetPos());
        // Kept as the camera's setting, so the next refresh does not show it
        // again as a change of the camera's own.
        camera->m_status.brightness = m_shownBrightness = m_brightnessWheel.GetPos();
        ShowHoldText(kHoldBrightness);
        break;
    }
}

void CDocCamPanel::ShowAbout()
{
    CAboutDlg about(this);
    about.DoModal();
}
