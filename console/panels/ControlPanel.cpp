#include "ControlPanel.h"

#include "CommandIds.h"
#include "LanguageText.h"
#include "SettingDialog.h"
#include "SkinButton.h"
#include "VideoPanel.h"

namespace {
const UINT kTemplateFaces[CControlPanel::LAYOUT_COUNT] = {
    SKIN_BAR_FACE_FULL, SKIN_BAR_FACE_ROWS, SKIN_BAR_FACE_LINE_TOOLS, SKIN_BAR_FACE_ERASER_TOOLS, SKIN_BAR_COLLAPSED};
const int kExpandedHeight = 150;  // a bar higher than this is expanded
// PlacePanel mode that keeps the bar where it is and shows it again.
const int kPlaceInPlace = 3;
}  // namespace

struct CControlPanel::ButtonRow {
    unsigned short id;
    int style;
    int x, y;
    ButtonImages images;
    const wchar_t* tipSection;  // null: no tip
    const wchar_t* tipKey;
    const wchar_t* tipText;
    bool visible;
};

// clang-format off
const CControlPanel::ButtonRow CControlPanel::kButtons[CONTROL_COUNT] = {
    {ID_CAMERA_PANEL,    BUTTON_STYLE_PUSH,  35,  22, FourImages(SKIN_CAMERA_PANEL_BUTTON), L"CMainFrame", L"tipDocCamPanel", L"DocCam settings", true},
    {ID_START_RECORDING, BUTTON_STYLE_PUSH,  99,  22, FourImages(SKIN_RECORD_BUTTON), L"CVideoPanel", L"tipRecord", L"Start recording", true},
    {ID_STOP_RECORDING,  BUTTON_STYLE_PUSH,  99,  22, OneFace(SKIN_RECORD_BUTTON, FourImages(SKIN_RECORD_BUTTON).state), L"CVideoPanel", L"tipStop", L"Stop", false},
    {ID_SNAPSHOT,        BUTTON_STYLE_PUSH,  163, 22, FourImages(SKIN_SNAPSHOT_BUTTON), L"CMainFrame", L"tipSnapshot", L"Snapshot a picture", true},
    {ID_OPEN_FILE,       BUTTON_STYLE_PUSH,  227, 22, FourImages(SKIN_OPEN_FILE_BUTTON), L"CMainFrame", L"tipRecall", L"View the captured files", true},
    {ID_PRINT,           BUTTON_STYLE_PUSH,  291, 22, FourImages(SKIN_PRINT_BUTTON), L"CMainFrame", L"tipPrinter", L"Printer", true},
    {ID_NETWORK_PANEL,   BUTTON_STYLE_PUSH,  355, 22, FourImages(SKIN_NETWORK_PANEL_BUTTON), L"CMainFrame", L"tipNetwork", L"Network", true},
    {ID_SETTINGS,        BUTTON_STYLE_PUSH,  419, 22, FourImages(SKIN_SETTINGS_BUTTON), L"CMainFrame", L"tipSetting", L"tipSetting", true},
    {ID_FREEHAND,        BUTTON_STYLE_PUSH,  35,  59, FourImages(SKIN_FREEHAND_BUTTON), L"CAnnotationPanel", L"tipFreehand", L"Freehand drawing", true},
    {ID_LINE,            BUTTON_STYLE_PUSH,  99,  59, FourImages(SKIN_LINE_BUTTON), L"CAnnotationPanel", L"tipLine", L"Line", true},
    {ID_RECTANGLE,       BUTTON_STYLE_PUSH,  163, 59, FourImages(SKIN_RECTANGLE_BUTTON), L"CAnnotationPanel", L"tipRectangle", L"Rectangle", true},
    {ID_ELLIPSE,         BUTTON_STYLE_PUSH,  227, 59, FourImages(SKIN_ELLIPSE_BUTTON), L"CAnnotationPanel", L"tipEllipse", L"Ellipse", true},
    {ID_TEXT,            BUTTON_STYLE_PUSH,  291, 59, FourImages(SKIN_TEXT_BUTTON), L"CAnnotationPanel", L"tipText", L"Text typing", true},
    {ID_COPY_IMAGE,      BUTTON_STYLE_CHECK, 355, 59, FourImages(SKIN_COPY_IMAGE_BUTTON), L"CMainFrame", L"tipCopyImage", L"tipCopyImage", true},
    {ID_ERASER,          BUTTON_STYLE_PUSH,  419, 59, FourImages(SKIN_ERASER_BUTTON), L"CAnnotationPanel", L"tipEraser", L"Eraser", true},
    {ID_EXPAND_BAR,      BUTTON_STYLE_PUSH,  1,   18, FourImages(SKIN_EXPAND_BAR_BUTTON), nullptr, nullptr, nullptr, false},
    {ID_COLLAPSE_BAR,    BUTTON_STYLE_PUSH,  1,   18, FourImages(SKIN_COLLAPSE_BAR_BUTTON), nullptr, nullptr, nullptr, true},
    {0,                  BUTTON_STYLE_MOUSE, 25,  0,  OneFace(SKIN_BAR_GRIP, SKIN_BAR_GRIP), nullptr, nullptr, nullptr, false},
};
// clang-format on

CControlPanel::CControlPanel(IPanelHost& host) : m_host(host), m_lastToolCommand(ID_FREEHAND) {}
CControlPanel::~CControlPanel() = default;

BOOL CControlPanel::OnCreateWindow(CREATESTRUCTW*)
{
    CreateControls();
    ApplyNetworkRule();
    return TRUE;
}

void CControlPanel::CreateControls()
{
    const HMODULE skins = m_host.SkinLibrary();
    for (int i = 0; i < CONTROL_COUNT; ++i) {
        const ButtonRow& row = kButtons[i];
        CreateSkinButton(m_buttons[i], skins, row.images, row.style, row.x, row.y, this, this, row.id);
        if (!row.visible) m_buttons[i].ShowWindow(SW_HIDE);
    }
    m_buttons[GRIP].EnableWindow(FALSE);
    for (int i = 0; i < LAYOUT_COUNT; ++i) {
        CreateSkinButton(m_templates[i], skins, PanelImages(kTemplateFaces[i]), BUTTON_STYLE_PUSH, 419, 59, this, this,
                         ID_BAR_TEMPLATE_FIRST + i);
        m_templates[i].ShowWindow(SW_HIDE);
    }
}

void CControlPanel::SetUpToolTips()
{
    for (int i = 0; i < CONTROL_COUNT; ++i) {
        const ButtonRow& row = kButtons[i];
        if (row.tipSection)
            AddControlTip(m_tips[i], this, &m_buttons[i], ReadIniString(row.tipSection, row.tipKey, row.tipText));
    }
}

BOOL CControlPanel::PreTranslateMessage(MSG* msg)
{
    for (CToolTipCtrl& tip : m_tips)
        if (tip.m_hWnd) tip.RelayEvent(msg);
    return CBasePanel::PreTranslateMessage(msg);
}

bool IsDiscoveryServiceInstalled()
{
    HKEY key = nullptr;
    if (::RegOpenKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORBILE2", &key) != ERROR_SUCCESS) {
        if (::RegCreateKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORBILE2", &key) == ERROR_SUCCESS) ::RegCloseKey(key);
        return false;
    }
    DWORD installed = 0, size = sizeof installed;
    const bool read =
        ::RegGetValueW(key, nullptr, L"bIsMurnelIst", RRF_RT_REG_DWORD, nullptr, &installed, &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return read && installed != 0;
}

void CControlPanel::ApplyNetworkRule()
{
    if (!IsDiscoveryServiceInstalled()) m_buttons[NETWORK].EnableWindow(FALSE);
}

bool CControlPanel::IsExpanded() const
{
    CRect rect;
    GetWindowRect(&rect);
    return rect.Height() > kExpandedHeight;
}

void CControlPanel::ApplyLayout(Layout layout)
{
    // The window takes the region; no copy stays behind.
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (region && m_templates[layout].m_hWnd && ::GetWindowRgn(m_templates[layout].m_hWnd, region) != ERROR)
        SetWindowRgn(region, TRUE);
    else if (region)
        ::DeleteObject(region);
}

void CControlPanel::Show(Control control, bool show) { m_buttons[control].ShowWindow(show ? SW_SHOW : SW_HIDE); }

void CControlPanel::RefreshBarButtons()
{
    const bool source = m_host.HasPictureSource();
    for (Control control : {START_RECORDING, SNAPSHOT, PRINT}) {
        KVQButton& button = m_buttons[control];
        if ((button.IsWindowEnabled() != FALSE) == source) continue;
        button.EnableWindow(source);
        button.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

BOOL CControlPanel::Collapse()
{
    ApplyLayout(LAYOUT_COLLAPSED);
    Show(COLLAPSE, false);
    Show(EXPAND, true);
    for (Control control : {CAMERA_PANEL, START_RECORDING, STOP_RECORDING}) Show(control, false);
    Show(GRIP, true);
    return TRUE;
}

BOOL CControlPanel::Expand()
{
    // The full shape first: a bar of only its rows is not expanded, and
    // replaying a tool would leave it in the strip's shape.
    ApplyLayout(LAYOUT_FULL);
    if (m_lastToolCommand != ID_COPY_IMAGE && m_lastToolCommand != ID_TEXT) {
        // Twice: the first press may close what the second opens again.
        OnButtonEvent(m_lastToolCommand);
        OnButtonEvent(m_lastToolCommand);
    }
    Show(COLLAPSE, true);
    Show(EXPAND, false);
    Show(CAMERA_PANEL, true);
    const bool recording = m_videoPanel && m_videoPanel->IsRecording();
    Show(START_RECORDING, !recording);
    Show(STOP_RECORDING, recording);
    RefreshBarButtons();
    Show(GRIP, false);
    return TRUE;
}

BOOL CControlPanel::ViewFiles()
{
    if (m_viewingFiles) return TRUE;  // its file dialog is still open
    m_viewingFiles = true;
    const BOOL result = m_host.OnMainCommand(ID_OPEN_FILE);
    PlacePanel(kPlaceInPlace);
    m_viewingFiles = false;
    return result;
}

BOOL CControlPanel::OpenSettings()
{
    if (m_settingsOpen) return TRUE;
    m_settingsOpen = true;
    CSettingDialog dialog(AfxGetMainWnd());
    dialog.m_input = m_host.CurrentCaptureSettings();
    dialog.m_largeStills = m_host.CanTakeLargeStills();
    // Cancel leaves everything as it was.
    if (dialog.DoModal() == IDOK) m_host.ApplyCaptureSettings(dialog.Commit());
    m_settingsOpen = false;
    RefreshBarButtons();
    PlacePanel(kPlaceInPlace);
    return TRUE;
}

BOOL CControlPanel::ForwardToAnnotation(unsigned short id)
{
    return m_annotationPanel ? m_annotationPanel->OnButtonEvent(id) : FALSE;
}

// Record and stop share one place: the one shown follows the recording.
BOOL CControlPanel::ForwardToVideo(unsigned short id)
{
    if (!m_videoPanel) return FALSE;
    const BOOL result = m_videoPanel->OnButtonEvent(id);
    const bool recording = m_videoPanel->IsRecording();
    Show(START_RECORDING, !recording);
    Show(STOP_RECORDING, recording);
    RefreshBarButtons();
    PlacePanel(kPlaceInPlace);
    return result;
}

BOOL CControlPanel::SwitchTool(unsigned short id)
{
    for (Control control : {CAMERA_PANEL, NETWORK, FREEHAND, LINE, RECTANGLE, ELLIPSE, TEXT, ERASER, COPY_IMAGE})
        m_buttons[control].SetCheck(0);
    const bool expanded = IsExpanded();
    switch (id) {
    case ID_CAMERA_PANEL:
    case ID_NETWORK_PANEL: {
        // A second press closes the panel: it stays unchecked.
        if (!expanded || m_lastToolCommand != id) m_buttons[id == ID_CAMERA_PANEL ? CAMERA_PANEL : NETWORK].SetCheck(1);
        m_lastToolCommand = id;
        return m_host.OnMainCommand(id);
    }
    case ID_FREEHAND:
    case ID_LINE:
    case ID_RECTANGLE:
    case ID_ELLIPSE:
    case ID_ERASER: {
        const Control control = id == ID_FREEHAND    ? FREEHAND
                                : id == ID_LINE      ? LINE
                                : id == ID_RECTANGLE ? RECTANGLE
                                : id == ID_ELLIPSE   ? ELLIPSE
                                                     : ERASER;
        m_buttons[control].SetCheck(1);
        m_lastToolCommand = id;
        const BOOL result = ForwardToAnnotation(id);
        if (expanded)
            ApplyLayout(id == ID_FREEHAND || id == ID_LINE ? LAYOUT_LINE_TOOLS
                        : id == ID_ERASER                  ? LAYOUT_ERASER_TOOLS
                                                           : LAYOUT_FULL);
        return result;
    }
    case ID_TEXT:
        m_buttons[TEXT].SetCheck(1);
        m_lastToolCommand = id;
        return ForwardToAnnotation(id);
    case ID_COPY_IMAGE:
        m_buttons[COPY_IMAGE].SetCheck(1);
        m_lastToolCommand = id;
        ForwardToAnnotation(id);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CControlPanel::OnButtonEvent(unsigned short id)
{
    switch (id) {
    case ID_COLLAPSE_BAR:
        return Collapse();
    case ID_EXPAND_BAR:
        return Expand();
    case ID_SNAPSHOT:
    case ID_PRINT: {
        const BOOL result = m_host.OnMainCommand(id);
        PlacePanel(kPlaceInPlace);
        return result;
    }
    case ID_OPEN_FILE:
        return ViewFiles();
    case ID_SETTINGS:
        return OpenSettings();
    case ID_START_RECORDING:
    case ID_STOP_RECORDING:
        return ForwardToVideo(id);
    default:
        return SwitchTool(id);
    }
}
