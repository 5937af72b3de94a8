#include "DocCamPanel.h"

#include "LanguageText.h"
#include "SourceApp.h"
#include "TwainResources.h"
#include "kvqdoccam.h"

namespace {

const wchar_t kTitle[] = L"DovraOrbile DocCam TWAIN";
const wchar_t kProfileFile[] = L"orbileds.ini";
constexpr UINT kPanelTimer = 1;
constexpr UINT kTimerMs = 100;
constexpr DWORD kRefreshMs = 1000;
constexpr int kHoldTicks = 20;
constexpr int kHoldFrozen = 3;
constexpr unsigned long kFeatureQuarterTurns = 0x400;

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

}  // namespace

const RECT CDocCamPanel::kPictureArea = {kPanelPictureLeft, kPanelPictureTop, kPanelPictureLeft + kPanelPictureWidth,
                                         kPanelPictureTop + kPanelPictureHeight};

CDocCamPanel::~CDocCamPanel() { Close(); }

bool CDocCamPanel::Open(HWND owner)
{
    HMODULE resources = m_app.ResourceLibrary();
    const unsigned short titleId = PickByLangId(kTitleBitmaps, int(sizeof kTitleBitmaps / sizeof kTitleBitmaps[0]));
    HBITMAP face = static_cast<HBITMAP>(
        LoadImageW(resources, MAKEINTRESOURCEW(titleId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    // A resource library without this language's title takes the first one.
    if (!face)
        face = static_cast<HBITMAP>(
            LoadImageW(resources, MAKEINTRESOURCEW(kTitleBitmaps[0].value), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!face || !CreatePanel(Text(kTitle), 50, 50, nullptr, nullptr, face, KVQ_TRANSPARENT, TRUE, owner)) return false;
    SetPanelStyle(PANEL_STYLE_DRAG);
    CreateButtons();
    m_app.Live().SetWindow(m_hWnd);
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
    for (const PanelButton& spec : kPanelButtons) {
        HBITMAP face = static_cast<HBITMAP>(
            LoadImageW(resources, MAKEINTRESOURCEW(spec.bitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        auto button = std::make_unique<KVQButton>();
        if (face && button->CreateButton(BUTTON_STYLE_PUSH, spec.x, kPanelButtonTop, this, this, spec.command,
                                         nullptr, face, nullptr, nullptr, &face, 1, KVQ_TRANSPARENT, FALSE)) {
            for (const ToolTipText& tip : kToolTips)
                if (tips && tip.command == spec.command)
                    m_toolTip.AddWindowTool(button.get(), ReadIniString(L"CDocCamPanel", tip.key, tip.text));
            m_buttons.push_back(std::move(button));
        }
    }
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
    if (!m_app.CurrentController() || !m_app.Live().Draw(*dc, kPictureArea)) {
        dc->FillSolidRect(kPictureArea, RGB(0, 0, 0));
        return;
    }
    DrawHoldText(*dc);
}

// The text in the picture's lower right corner: dark red, then bright red
// one pixel up and left.
void CDocCamPanel::DrawHoldText(CDC& dc)
{
    if (m_holdState != kHoldFrozen) return;
    const wchar_t* text = ReadIniString(L"CMainFrame", L"osdFrozen", L"Frozen");
    wchar_t shown[64];
    FormatText(shown, 64, L"%ls", text);
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
    if (camera.m_status.frozen == 1 && camera.IsFrozen(0)) {
        m_holdState = kHoldFrozen;
        m_holdCount = kHoldTicks;
        InvalidateRect(m_hWnd, &kPictureArea, FALSE);
    } else if (m_holdState == kHoldFrozen) {
        m_holdState = m_holdCount = 0;
    }
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
        if (id < kCmdAutoFocus || id > kCmdAutoWhiteBalance) return FALSE;
        RunCameraCommand(id);
        return TRUE;
    }
}

void CDocCamPanel::RunCameraCommand(unsigned short id)
{
    KVQDocCamController* camera = m_app.CurrentController();
    if (!camera) return;
    switch (id) {
    case kCmdAutoFocus: camera->SetAutoFocus(); break;
    case kCmdZoomIn: camera->SetZoomSize(1); break;
    case kCmdZoomOut: camera->SetZoomSize(0); break;
    case kCmdZoomReset: camera->SetZoomReset(); break;
    case kCmdFreeze:
        if (camera->IsFrozen(1)) {
            if (camera->Freeze(0)) m_holdState = m_holdCount = 0;
        } else if (camera->Freeze(1)) {
            m_holdState = kHoldFrozen;
            m_holdCount = kHoldTicks;
        }
        InvalidateRect(m_hWnd, &kPictureArea, FALSE);
        break;
    case kCmdRotate:
        if (camera->GetDocCamModelFeature(0) & kFeatureQuarterTurns) {
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
    case kCmdAutoExposure: camera->SetExposureMode(camera->m_status.exposureMode ? 0 : 1); break;
    case kCmdAutoWhiteBalance: camera->SetWhiteBalanceAUTO(camera->m_status.wbMode ? 1 : 0); break;
    }
}

void CDocCamPanel::ShowAbout()
{
    wchar_t title[128];
    FormatText(title, 128, L"%ls", ReadIniString(L"CAboutDlg", L"abDlgTitle", L"About..."));
    MessageBoxW(m_hWnd, ReadIniString(L"CAboutDlg", L"abCopyright", kTitle), title, MB_OK);
}
