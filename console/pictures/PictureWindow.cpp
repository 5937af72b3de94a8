#include "PictureWindow.h"

#include <cwchar>

#include "BasePanel.h"
#include "CommandIds.h"
#include "ConsoleText.h"
#include "ControlPanel.h"
#include "CopyRequest.h"
#include "LanguageText.h"
#include "PictureFiles.h"
#include "PictureView.h"
#include "PictureWindowList.h"
#include "SkinButton.h"

namespace {

const UINT kIconId = 140;
const UINT kTimerId = 9527;
const UINT kTimerMs = 400;
const unsigned short kSaveAs = 57604;
// Applies the 4:3 rule once the size change that broke it has finished.
const UINT WM_FIT_PICTURE = WM_APP + 1;
// The copy notice, shown after the paint that copied.
const UINT WM_COPY_NOTICE = WM_APP + 2;

// Images by role: disabled, state, hover, face.
const ButtonImages kSaveImages = FourImages(SKIN_SAVE_AS_BUTTON);
const ButtonImages kToolsImages = FourImages(SKIN_ANNOTATION_TOOLS_BUTTON);
const ButtonImages kExitImages = {SKIN_EXIT_FACE, SKIN_EXIT_HOVER, SKIN_EXIT_DISABLED, SKIN_EXIT_PRESSED, 0};
const ButtonImages kEmblemImages = OneFace(SKIN_EMBLEM, SKIN_EMBLEM);
const ButtonImages kVideoBarImages = {SKIN_VIDEO_BAR, SKIN_PANEL_BACKGROUND, SKIN_PANEL_BACKGROUND, SKIN_VIDEO_BAR, 0};
const ButtonImages kVideoBarFaceImages = OneFace(SKIN_VIDEO_BAR_FACE, SKIN_VIDEO_BAR_FACE);
// The video bar's zone reaches this far above the bar.
const int kVideoZoneAbove = 12;
const int kExitWidth = 21, kExitHeight = 19;
// The bottom row: the save button, then the tools button, where the video
// bar also waits; it starts this far above the window's bottom edge.
const int kSaveButtonX = 166, kToolsX = 216, kBottomRowRise = 48;
// The video panel stands centred with its top this far above the bottom
// edge; in full screen the video bar spans the bottom edge with its face
// this far from the right, this far down.
const int kVideoPanelRise = 52, kBarFaceFromRight = 120, kBarFaceTop = 17;

struct Tip {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* text;
};
const Tip kTitleTips[4] = {{L"CMainFrame", L"tipAbout", L"About"},
                           {L"CMainFrame", L"tipMinimize", L"Minimize"},
                           {L"CMainFrame", L"tipFullScreen", L"Full Screen"},
                           {L"CMainFrame", L"tipClose", L"Close"}};
const Tip kToolsTip = {L"CMainFrame", L"tipAnnotationPanel", L"Annotation tools"};
const Tip kHistoryTip = {L"CPictureWindow", L"tipHistory", L"Opened file list"};
const Tip kSaveTip = {L"CPictureWindow", L"tipSaveAs", L"Save file as..."};

// Stands in while no main window hosts picture windows.
class NoPictureHost : public IPictureHost {
public:
    HMODULE SkinLibrary() override { return nullptr; }
    CWnd* MainWindow() override { return nullptr; }
    CControlPanel* ControlBar() override { return nullptr; }
    PanelHooks* AnnotationPanel() override { return nullptr; }
    bool IsAnnotationInProgress() override { return false; }
    HFONT OsdFont() override { return nullptr; }
    void SetLastActiveWindow(CWnd*) override {}
    void ForgetWindow(CWnd*) override {}
    bool TakeCopyRequest(RECT*) override { return false; }
    bool ShowsCopyNotice() override { return false; }
    void SetShowsCopyNotice(bool) override {}
};

IPictureHost* g_host = nullptr;

PixelRect ToPixelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

bool ViewStepOf(unsigned short id, ViewStep* step)
{
    switch (id) {
    case ID_PAN_UP:
        *step = ViewStep::PanUp;
        return true;
    case ID_PAN_DOWN:
        *step = ViewStep::PanDown;
        return true;
    case ID_PAN_LEFT:
        *step = ViewStep::PanLeft;
        return true;
    case ID_PAN_RIGHT:
        *step = ViewStep::PanRight;
        return true;
    case ID_ZOOM_IN:
        *step = ViewStep::ZoomIn;
        return true;
    case ID_ZOOM_OUT:
        *step = ViewStep::ZoomOut;
        return true;
    default:
        return false;
    }
}

void MoveKeepingSize(CWnd& control, int x, int y)
{
    if (control.m_hWnd) control.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Show(CWnd& control, bool show)
{
    if (control.m_hWnd) control.ShowWindow(show ? SW_SHOW : SW_HIDE);
}

}  // namespace

void SetPictureHost(IPictureHost* host) { g_host = host; }

CPictureWindow::CPictureWindow(IPictureHost* host) : m_host(host) {}

CPictureWindow::~CPictureWindow()
{
    // While the whole window object exists, so that its own hooks see it go.
    if (m_hWnd) DestroyWindow();
}

IPictureHost& CPictureWindow::Host() const
{
    static NoPictureHost none;
    if (m_host) return *m_host;
    return g_host ? *g_host : none;
}

BOOL CPictureWindow::CreateEmbedded(CWnd* parent)
{
    return CreateView(TimestampString(), kDefaultX, kDefaultY, kDefaultWidth, kDefaultHeight, parent, 255);
}

BOOL CPictureWindow::OnCreateWindow(CREATESTRUCTW* cs)
{
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    const int height = cs->cy;
    HMODULE skins = Host().SkinLibrary();
    if (CreateSkinButton(m_saveButton, skins, kSaveImages, BUTTON_STYLE_PUSH, kSaveButtonX, height - kBottomRowRise,
                         this, this, kSaveAs))
        m_saveButton.ShowWindow(SW_HIDE);
    if (CreateSkinButton(m_toolsButton, skins, kToolsImages, BUTTON_STYLE_PUSH, kToolsX, height - kBottomRowRise, this,
                         this, ID_ANNOTATION_PANEL))
        m_toolsButton.ShowWindow(SW_HIDE);
    if (CreateSkinButton(m_videoBar, skins, kVideoBarImages, BUTTON_STYLE_PUSH, kToolsX, height - kBottomRowRise, this,
                         this, 0)) {
        CreateSkinButton(m_videoBarFace, skins, kVideoBarFaceImages, BUTTON_STYLE_MOUSE, 0, 0, &m_videoBar, nullptr, 0);
        m_videoBar.EnableWindow(FALSE);
        m_videoBar.ShowWindow(SW_HIDE);
        CRect bar;
        m_videoBar.GetWindowRect(&bar);
        m_videoBarSize = bar.Size();
    }
    CreateSkinButton(m_emblem, skins, kEmblemImages, BUTTON_STYLE_MOUSE, 2, 2, this, nullptr, 0);
    if (CreateSkinButton(m_exitButton, skins, kExitImages, BUTTON_STYLE_PUSH, 0, 0, this, this, ID_LEAVE_FULLSCREEN))
        m_exitButton.ShowWindow(SW_HIDE);

    m_listFont.Attach(::CreateFontW(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Times New Roman"));
    if (m_historyList.Create(L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                             CRect(36, height - 40, 156, height + 60), this, ID_HISTORY_LIST)) {
        m_historyList.ShowWindow(SW_HIDE);
        m_historyList.SendMessage(CB_SETDROPPEDWIDTH, 200);
        m_historyList.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_listFont)), FALSE);
        const FileHistory& history = TheFileHistory();
        for (int i = 0; i < history.Count(); ++i) AddHistoryEntry(history.At(i)->displayName.c_str());
    }

    if (!m_textInput.Create(this, CInputCtrl::kControlId)) return FALSE;
    m_textInput.ShowWindow(SW_HIDE);
    m_strip.Create(this, skins);
    m_timer = SetTimer(kTimerId, kTimerMs);
    OnChangeSize(SIZE_RESTORED);
    m_onScreenText[0] = L'\0';
    return TRUE;
}

void CPictureWindow::SetUpToolTips()
{
    for (int i = 0; i < 4; ++i) {
        if (!m_titleButtons[i] || !m_titleTips[i].Create(this, TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON)) continue;
        m_titleTips[i].Activate(TRUE);
        m_titleTips[i].AddTool(m_titleButtons[i],
                               ReadIniString(kTitleTips[i].section, kTitleTips[i].key, kTitleTips[i].text));
    }
    const std::pair<CWnd*, const Tip*> own[3] = {
        {&m_toolsButton, &kToolsTip}, {&m_historyList, &kHistoryTip}, {&m_saveButton, &kSaveTip}};
    for (int i = 0; i < 3; ++i)
        AddControlTip(m_ownTips[i], this, own[i].first,
                      ReadIniString(own[i].second->section, own[i].second->key, own[i].second->text));
}

BOOL CPictureWindow::PreTranslateMessage(MSG* msg)
{
    if (!m_fullscreen)
        for (CToolTipCtrl& tip : m_titleTips)
            if (tip.m_hWnd) tip.RelayEvent(msg);
    for (CToolTipCtrl& tip : m_ownTips)
        if (tip.m_hWnd) tip.RelayEvent(msg);
    m_strip.RelayToolTips(msg);
    return KVQWindow::PreTranslateMessage(msg);
}

void CPictureWindow::ShowPictureWhole()
{
    m_picture.m_viewRect = CRect(0, 0, m_picture.Width(), m_picture.Height());
    m_layer.Resize(m_picture.Width(), m_picture.Height());
    m_layer.Clear();
    m_layer.SetDirty(0);
    if (m_hWnd) Invalidate(FALSE);
}

BOOL CPictureWindow::TakeFrame(const KVQFrameBuffer& frame)
{
    if (!frame.HasPicture() || !m_picture.CopyFrom(frame)) return FALSE;
    m_picture.m_taken = 1;
    ShowPictureWhole();
    return TRUE;
}

BOOL CPictureWindow::LoadPicture(const wchar_t* path)
{
    // Read aside first: a file that turns out broken leaves the picture as it was.
    KVQFrameBuffer loaded;
    if (!path || !loaded.LoadFile(path) || !m_picture.CopyFrom(loaded)) return FALSE;
    m_picture.m_taken = 0;
    ShowPictureWhole();
    return TRUE;
}

bool CPictureWindow::IsUnsaved() const { return m_picture.m_taken || m_layer.IsDirty(); }

bool CPictureWindow::OfferToSave(CWnd* parent)
{
    if (!IsUnsaved()) return true;
    const int answer = IniMessageBox(parent ? parent->m_hWnd : m_hWnd, L"Messages", L"hintSaveImageFile", nullptr,
                                     MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    return answer != IDYES || SaveAs();
}

BOOL CPictureWindow::SaveAs()
{
    Compose();
    const CString title = GetWindowText();
    if (!SavePictureAs(m_composed, title, this)) return FALSE;
    m_picture.m_taken = 0;
    m_layer.SetDirty(0);
    return TRUE;
}

void CPictureWindow::SetOnScreenText(const wchar_t* text)
{
    FormatText(m_onScreenText, 256, L"%ls", text ? text : L"");
    RedrawFrameOnNextPaint();
    if (m_hWnd) Invalidate(FALSE);
}

void CPictureWindow::SetVideoSource(IPictureVideoSource* source)
{
    m_videoSource = source;
    if (!m_hWnd) return;
    LayOutVideoPanel();
    Invalidate(FALSE);
}

void CPictureWindow::SetVideoPanel(CWnd* panel)
{
    m_videoPanel = panel;
    if (m_hWnd) LayOutVideoPanel();
}

void CPictureWindow::AddHistoryEntry(const wchar_t* displayName)
{
    if (m_historyList.m_hWnd) m_historyList.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(displayName));
}

void CPictureWindow::Compose()
{
    m_composed.CopyFrom(m_picture);
    if (m_composed.HasPicture() && m_layer.GetWidth() > 0) m_layer.Draw(m_composed.MemoryDC());
}

bool CPictureWindow::GetDrawingSurface(DrawingSurface& surface)
{
    if (m_videoSource || !m_picture.HasPicture() || !m_layer.GetWidth() || ::IsRectEmpty(&m_placement)) return false;
    const RECT& v = m_picture.m_viewRect;
    surface.layer = &m_layer;
    surface.live = false;
    surface.geometry = {{m_placement.left, m_placement.top, m_placement.right, m_placement.bottom},
                        {v.left, v.top, v.right, v.bottom},
                        1.0f};
    surface.pointer = GetMousePos();
    surface.textInput = &m_textInput;
    return true;
}

void CPictureWindow::OnDraw(CDC* dc, CRect& rect)
{
    if (m_videoSource) {
        m_videoSource->DrawFrame(*dc, rect);
    } else {
        dc->FillSolidRect(rect, RGB(0, 0, 0));
        Compose();
        m_composed.StretchTo(*dc, rect, &m_picture.m_viewRect, TRUE, TRUE);
        m_placement = m_composed.OutputRect();
    }
    IPictureHost& host = Host();
    HWND active = ::GetActiveWindow();
    CControlPanel* bar = host.ControlBar();
    if (PanelHooks* annotation = host.AnnotationPanel())
        if (active == m_hWnd || (bar && active == bar->m_hWnd) || host.IsAnnotationInProgress())
            annotation->OnPictureEvent(this, static_cast<int>(reinterpret_cast<INT_PTR>(dc->GetSafeHdc())));
    if (active == m_hWnd) CopySelection(dc);
    DrawOnScreenText(dc);
}

void CPictureWindow::CopySelection(CDC* dc)
{
    if (ServeCopyRequest(Host(), *this, *dc)) PostMessage(WM_COPY_NOTICE);
}

void CPictureWindow::DrawOnScreenText(CDC* dc)
{
    if (!m_onScreenText[0]) return;
    HFONT font = Host().OsdFont();
    HGDIOBJ old = dc->SelectObject(font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
    dc->SetBkMode(TRANSPARENT);
    CRect box(25, 5, 800, 32);
    dc->SetTextColor(RGB(60, 0, 0));
    ::DrawTextW(*dc, m_onScreenText, -1, &box, DT_VCENTER);
    box.OffsetRect(-1, -1);
    dc->SetTextColor(RGB(255, 20, 0));
    ::DrawTextW(*dc, m_onScreenText, -1, &box, DT_VCENTER);
    dc->SelectObject(old);
    // The text lies over the title bar: the frame is drawn again under the next one.
    RedrawFrameOnNextPaint();
}

void CPictureWindow::OnPostDraw(CDC*)
{
    const UINT redraw = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
    for (CWnd* control :
         {static_cast<CWnd*>(&m_historyList), static_cast<CWnd*>(&m_saveButton), static_cast<CWnd*>(&m_toolsButton)})
        if (control->m_hWnd) control->RedrawWindow(redraw);
    if (m_exitButton.m_hWnd && m_exitButton.IsWindowVisible()) m_exitButton.RedrawWindow(redraw);
    if (m_strip.IsVisible()) m_strip.RedrawPanButtons();
}

BOOL CPictureWindow::OnButtonEvent(unsigned short id)
{
    ViewStep step;
    if (ViewStepOf(id, &step)) {
        PixelRect view = ToPixelRect(m_picture.m_viewRect);
        StepView(view, m_picture.Width(), m_picture.Height(), step);
        m_picture.m_viewRect = CRect(view.left, view.top, view.right, view.bottom);
    } else if (id == kSaveAs) {
        SaveAs();
    } else if (id == ID_LEAVE_FULLSCREEN) {
        LeaveFullscreen();
    } else {
        return FALSE;
    }
    for (int slot = CZoomAndPan::UP; slot < CZoomAndPan::CENTRE; ++slot) {
        KVQButton& arrow = m_strip.Button(static_cast<CZoomAndPan::Slot>(slot));
        if (arrow.m_hWnd && !arrow.IsWindowEnabled()) {
            arrow.EnableWindow(TRUE);
            arrow.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
        }
    }
    m_strip.RedrawPanButtons();
    Invalidate(FALSE);
    return TRUE;
}

BOOL CPictureWindow::OnKeyboard(UINT vk, UINT, UINT, BOOL down)
{
    if (!down || vk < VK_ESCAPE || vk > VK_F1) return FALSE;
    // Ctrl as it was when this key was pressed, not when it is read.
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    switch (vk) {
    case VK_ESCAPE:
        if (m_fullscreen) LeaveFullscreen();
        return TRUE;
    case VK_LEFT:
        OnButtonEvent(ID_PAN_LEFT);
        return TRUE;
    case VK_UP:
        OnButtonEvent(ID_PAN_UP);
        return TRUE;
    case VK_RIGHT:
        OnButtonEvent(ID_PAN_RIGHT);
        return TRUE;
    case VK_DOWN:
        OnButtonEvent(ID_PAN_DOWN);
        return TRUE;
    case '2':
    case 'A':
        if (ctrl) OnButtonEvent(ID_ANNOTATION_PANEL);
        return TRUE;
    case '5':
    case 'S':
        if (ctrl) OnButtonEvent(kSaveAs);
        return TRUE;
    case 'X':
        if (ctrl) {
            m_layer.Clear();
            Invalidate(FALSE);
        }
        return TRUE;
    case VK_ADD:
        OnButtonEvent(ID_ZOOM_IN);
        return TRUE;
    case VK_SUBTRACT:
        OnButtonEvent(ID_ZOOM_OUT);
        return TRUE;
    case VK_F1:
        if (CWinApp* app = AfxGetApp()) app->OnCmdMsg(ID_APP_ABOUT, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void CPictureWindow::OnMouse(UINT flags, CPoint pt, BOOL down)
{
    if (m_videoSource) return;
    if (PanelHooks* annotation = Host().AnnotationPanel()) annotation->OnPictureMouse(this, flags, pt, down);
}

void CPictureWindow::OnMoveMouse(UINT flags, CPoint pt)
{
    IPictureHost& host = Host();
    if (flags & MK_LBUTTON) {
        if (PanelHooks* annotation = host.AnnotationPanel()) annotation->OnPictureMouseMove(this, flags, pt);
        Invalidate(FALSE);
        return;
    }
    if (host.IsAnnotationInProgress()) Invalidate(FALSE);
    if (m_strip.IsVisible()) m_strip.SetVisible(0);
    if (m_fullscreen) {
        CRect window, view;
        GetRect(&window, &view);
        if (CRect(window.right - 40, 0, window.right, 120).PtInRect(pt)) {
            Show(m_exitButton, true);
        } else {
            Show(m_saveButton, false);
            Show(m_toolsButton, false);
            Show(m_exitButton, false);
        }
    }
    FollowPointerWithVideoPanel(pt);
}

void CPictureWindow::FollowPointerWithVideoPanel(CPoint pt)
{
    if (!m_videoPanel || !m_videoBar.m_hWnd) return;
    // The bar's rectangle in the window coordinates the pointer comes in.
    CRect zone;
    m_videoBar.GetWindowRect(&zone);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&zone), 2);
    zone.OffsetRect(m_border, m_border);
    zone.top -= kVideoZoneAbove;
    if (!zone.PtInRect(pt)) {
        ShowVideoPanel(false);
        Show(m_videoBar, false);
    } else if (IsVideoMode()) {
        ShowVideoPanel(true);
        Show(m_videoBar, true);
    }
}

void CPictureWindow::OnTimerEvent(UINT id)
{
    if (id == m_timer) m_strip.Tick();
}

BOOL CPictureWindow::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == ID_HISTORY_LIST && HIWORD(wParam) == CBN_SELCHANGE) {
        const int index = static_cast<int>(m_historyList.SendMessage(CB_GETCURSEL));
        if (index != CB_ERR) SelectHistoryEntry(index);
        return TRUE;
    }
    return KVQWindow::OnCommand(wParam, lParam);
}

void CPictureWindow::SelectHistoryEntry(int index)
{
    const FileHistoryEntry* entry = TheFileHistory().At(index);
    if (!entry) return;
    // The entry is copied: saving may add to the history and move it.
    const std::wstring path = entry->path;
    if (IsUnsaved() &&
        IniMessageBox(m_hWnd, L"Messages", L"hintSaveImageFile", nullptr, MB_YESNO | MB_ICONQUESTION) == IDYES &&
        !SaveAs())
        return;  // the picture the user wanted kept stays
    if (!LoadPicture(path.c_str())) IniMessageBox(nullptr, L"Messages", L"warnCanNotLoadFile");
}

void CPictureWindow::OnActivateWindow(UINT state, CWnd* other, BOOL)
{
    IPictureHost& host = Host();
    CControlPanel* bar = host.ControlBar();
    if (state != WA_INACTIVE) {
        host.SetLastActiveWindow(this);
        m_barShown = m_savedBarShown;
        if (!bar || !bar->m_hWnd) return;
        CRect place;
        bar->GetWindowRect(&place);
        CBasePanel::SetLastPosition(place.TopLeft());
        bar->PlacePanel(CBasePanel::PLACE_LAST);
        return;
    }
    const bool toOwnFamily = other && ((bar && other == bar) || other == host.MainWindow());
    if (toOwnFamily) return;
    m_savedBarShown = m_barShown;
    if (!m_barShown && bar && bar->m_hWnd) bar->HidePanel();
    m_barShown = true;
}

void CPictureWindow::OnMoveWindow(int, int)
{
    CControlPanel* bar = Host().ControlBar();
    if (bar && bar->m_hWnd) bar->PlacePanel(CBasePanel::PLACE_LAST);
    RecordPictureWindowPlacements();
}

void CPictureWindow::OnChangeSize(UINT type)
{
    // The text being typed goes with the old size.
    if (m_textInput.m_hWnd) m_textInput.Dismiss();
    if (type == SIZE_MINIMIZED) {
        m_savedBarShown = m_barShown;
        RecordPictureWindowPlacements();
        return;
    }
    m_strip.Layout();
    CRect window, view;
    GetRect(&window, &view);
    if (m_fullscreen)
        LayOutFullscreen(window);
    else
        LayOutWindowed(window);
    RecordPictureWindowPlacements();
}

void CPictureWindow::LayOutFullscreen(const CRect& window)
{
    Show(m_toolsButton, false);
    Show(m_saveButton, false);
    Show(m_historyList, false);
    MoveKeepingSize(m_saveButton, window.Width() - 36, 0);
    MoveKeepingSize(m_toolsButton, window.Width() - 36, 40);
    if (m_exitButton.m_hWnd)
        m_exitButton.SetWindowPos(nullptr, window.Width() - 30, 10, kExitWidth, kExitHeight,
                                  SWP_NOZORDER | SWP_NOACTIVATE);
    Show(m_emblem, false);
    LayOutVideoPanel();
}

void CPictureWindow::LayOutWindowed(const CRect& window)
{
    Show(m_exitButton, false);
    Show(m_emblem, true);
    const int top = window.Height() - 64;
    if (m_historyList.m_hWnd)
        m_historyList.SetWindowPos(nullptr, 36, window.Height() - 40, 120, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    MoveKeepingSize(m_saveButton, kSaveButtonX, top);
    MoveKeepingSize(m_toolsButton, kToolsX, top);
    LayOutVideoPanel();
    CControlPanel* bar = Host().ControlBar();
    if (bar && bar->m_hWnd)
        bar->PlacePanel(bar->m_dockState == CBasePanel::DOCK_BELOW ? CBasePanel::PLACE_DOCKED : CBasePanel::PLACE_LAST);
    // The rule's own correction is not corrected again: its whole-pixel
    // steps would creep on.
    if (m_hWnd && !m_fitting && !m_fitPending) m_fitPending = PostMessage(WM_FIT_PICTURE) != FALSE;
}

// Windowed, the panel sits at the bottom while a film is shown and the bar
// waits at its first place; full screen, the bar spans the bottom edge and
// only the pointer over it brings the panel.
void CPictureWindow::LayOutVideoPanel()
{
    if (!m_videoPanel || !m_videoPanel->m_hWnd) return;
    CRect window, view, panel;
    GetRect(&window, &view);
    m_videoPanel->GetWindowRect(&panel);
    const int x = (window.Width() - panel.Width()) / 2;
    if (m_fullscreen) {
        MoveKeepingSize(*m_videoPanel, x, window.Height() - kVideoPanelRise);
        ShowVideoPanel(false);
        if (!m_videoBar.m_hWnd) return;
        CRect bar;
        m_videoBar.GetWindowRect(&bar);
        m_videoBar.SetWindowPos(nullptr, 0, window.Height() - bar.Height(), window.Width(), bar.Height(),
                                SWP_NOZORDER | SWP_NOACTIVATE);
        MoveKeepingSize(m_videoBarFace, window.Width() - kBarFaceFromRight, kBarFaceTop);
        return;
    }
    // Windowed, the panel is placed in client coordinates: the border off.
    MoveKeepingSize(*m_videoPanel, x, window.Height() - kVideoPanelRise - m_border);
    ShowVideoPanel(IsVideoMode());
    // Back at its own size after full screen widened it.
    if (m_videoBar.m_hWnd)
        m_videoBar.SetWindowPos(nullptr, kToolsX, window.Height() - kBottomRowRise, m_videoBarSize.cx,
                                m_videoBarSize.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    Show(m_videoBar, false);
}

void CPictureWindow::ShowVideoPanel(bool show)
{
    if (m_videoPanel) Show(*m_videoPanel, show);
}

void CPictureWindow::FitTo4To3()
{
    if (m_fullscreen || IsIconic()) return;
    CRect window;
    GetWindowRect(&window);
    const CSize fitted = kvqFitFrameSize(window.Width(), window.Height());
    if (fitted.cx == window.Width() && fitted.cy == window.Height()) return;
    m_fitting = true;
    SetWindowPos(nullptr, 0, 0, fitted.cx, fitted.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_fitting = false;
}

void CPictureWindow::OnDestroyWindow()
{
    // Nothing is asked here: a window on its way out can't own a dialog, so
    // its owner offers the save (OfferToSave) before destroying it.
    if (m_timer) KillTimer(m_timer);
    m_timer = 0;
    Host().ForgetWindow(this);
}

void CPictureWindow::Close()
{
    m_closeCancelled = false;
    CControlPanel* bar = Host().ControlBar();
    if (!m_videoSource && IsUnsaved()) {
        // No new picture may come in while the user decides about this one.
        const bool barReady = bar && bar->m_hWnd;
        if (barReady) {
            bar->Button(CControlPanel::SNAPSHOT).EnableWindow(FALSE);
            bar->Button(CControlPanel::VIEW_FILES).EnableWindow(FALSE);
        }
        const int answer =
            IniMessageBox(m_hWnd, L"Messages", L"hintSaveImageFile", nullptr, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDYES)
            SaveAs();
        else if (answer == IDCANCEL)
            m_closeCancelled = true;
        if (barReady) {
            bar->Button(CControlPanel::SNAPSHOT).EnableWindow(TRUE);
            bar->Button(CControlPanel::VIEW_FILES).EnableWindow(TRUE);
        }
    }
    if (m_closeCancelled) return;
    if (m_videoSource) m_videoSource->StopFilm();
    ShowWindow(SW_HIDE);
    if (bar && bar->m_hWnd) bar->RefreshBarButtons();
}

LRESULT CPictureWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_FIT_PICTURE:
        m_fitPending = false;
        FitTo4To3();
        return 0;
    case WM_COPY_NOTICE:
        ShowCopyNotice(Host(), this);
        return 0;
    default:
        return KVQWindow::WindowProc(message, wParam, lParam);
    }
}
