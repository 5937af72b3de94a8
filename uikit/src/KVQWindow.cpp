#include "Skin.h"
#include "logic/SkinGeometry.h"
#include <algorithm>

namespace {

// Frame images 0-11: left, top, right, bottom edges, the four corners, and
// four pieces kept for derived windows.
const UINT kFrameIds[12] = {1002, 1001, 1004, 1003, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012};
enum { LEFT, TOP, RIGHT, BOTTOM, TOP_LEFT, TOP_RIGHT, BOTTOM_LEFT, BOTTOM_RIGHT };

struct TitleButton {
    UINT bit;
    UINT id;
    int rightOffset;  // left edge, pixels left of the window's right edge
    UINT face, hover, disabled, pressed;
};
const TitleButton kTitleButtons[4] = {
    {0x1, ID_APP_ABOUT, 138, 1016, 1015, 1013, 1014},
    {0x2, ID_SKIN_MINIMIZE, 113, 1024, 1023, 1021, 1022},
    {0x4, ID_SKIN_FULLSCREEN, 88, 1028, 1027, 1025, 1026},
    {0x8, ID_SKIN_CLOSE, 63, 1020, 1019, 1017, 1018},
};

const int kMinWidth = 667;
const int kMinCreateHeight = 0x96;
const int kTitleButtonTop = 8;
const int kCornerRound = 16;

HRGN RoundFrameRegion(int width, int height)
{
    return ::CreateRoundRectRgn(0, 0, width + 1, height + 1, kCornerRound, kCornerRound);
}

// Tiles an image along one axis from start to end, cutting the last tile.
void TileAcross(const SkinImage& image, HDC dc, int start, int end, int y)
{
    const int step = image.Width();
    for (int x = start; step > 0 && x < end; x += step) image.Draw(dc, x, y, std::min(step, end - x), image.Height());
}

void TileDown(const SkinImage& image, HDC dc, int x, int start, int end)
{
    const int step = image.Height();
    for (int y = start; step > 0 && y < end; y += step) image.Draw(dc, x, y, image.Width(), std::min(step, end - y));
}

}  // namespace

KVQWindow::KVQWindow() = default;

KVQWindow::~KVQWindow()
{
    // From CWnd's destructor the window would see only CWnd's handlers, and
    // the title buttons would outlive it.
    if (m_hWnd && ::IsWindow(m_hWnd)) DestroyWindow();
}

BOOL KVQWindow::CreateView(const KVQChar* title, int x, int y, int width, int height, CWnd* /*parent*/, int buttons)
{
    width = std::max(width, kMinWidth);
    height = std::max(height, kMinCreateHeight);
    const wchar_t* windowClass = RegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC);
    if (!CreateEx(0, windowClass, kvq::Wide(title),
                  WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, x, y, width, height,
                  nullptr, nullptr))
        return FALSE;

    kvq::ScreenDC screen;
    if (!screen) return FALSE;
    for (int i = 0; i < 12; ++i)
        m_frame[i].FromBitmap(kvq::ImageSource(nullptr, kFrameIds[i]).Handle(), screen.Handle());

    CRect client;
    GetClientRect(&client);
    for (int i = 0; i < 4; ++i) {
        const TitleButton& titleButton = kTitleButtons[i];
        if (!(buttons & titleButton.bit)) continue;
        kvq::ImageSource hover(nullptr, titleButton.hover), disabled(nullptr, titleButton.disabled),
            pressed(nullptr, titleButton.pressed);
        HBITMAP pressedImage = pressed.Handle();
        auto* button = new KVQButton;
        if (!button->CreateButton(BUTTON_STYLE_PUSH, client.Width() + m_border - titleButton.rightOffset,
                                  kTitleButtonTop - m_border, this, this, titleButton.id, nullptr,
                                  kvq::LoadLibraryBitmap(titleButton.face), hover.Handle(), disabled.Handle(),
                                  &pressedImage, 1, KVQ_TRANSPARENT, TRUE)) {
            delete button;
            button = nullptr;
        }
        m_titleButtons[i] = button;
    }

    SetWindowRgn(RoundFrameRegion(width, height), FALSE);
    Invalidate(TRUE);
    m_savedStyle = GetStyle() | WS_MAXIMIZE;
    return TRUE;
}

void KVQWindow::GetRect(RECT* window, RECT* view)
{
    const CRect bounds = WindowRect();
    *window = bounds;
    if (m_fullscreen)
        *view = bounds;
    else
        *view = CRect(13, 26, bounds.right - 13, bounds.bottom - 64);
}

CRect KVQWindow::WindowRect() const
{
    CRect rect;
    GetWindowRect(&rect);
    rect.MoveToXY(0, 0);
    return rect;
}

void KVQWindow::OnDraw(CDC* memoryDC, CRect& view) { memoryDC->FillSolidRect(view, RGB(0, 0, 0)); }

BOOL KVQWindow::OnDoubleClick(UINT, CPoint)
{
    if (!m_fullscreen) return FALSE;
    LeaveFullscreen();
    return TRUE;
}

BOOL KVQWindow::OnKeyboard(UINT vk, UINT, UINT, BOOL down)
{
    if (vk != VK_ESCAPE || !down) return FALSE;
    if (m_fullscreen) LeaveFullscreen();
    return TRUE;
}

void KVQWindow::LeaveFullscreen()
{
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(m_savedStyle));
    ShowWindow(SW_RESTORE);
}

BOOL KVQWindow::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (OnButtonEvent(LOWORD(wParam))) return TRUE;
    switch (LOWORD(wParam)) {
    case ID_APP_ABOUT:
        if (CWinApp* app = AfxGetApp()) app->OnCmdMsg(ID_APP_ABOUT, 0);
        return TRUE;
    case ID_SKIN_MINIMIZE:
        ShowWindow(SW_MINIMIZE);
        return TRUE;
    case ID_SKIN_FULLSCREEN:
        m_savedStyle = GetStyle() | WS_MAXIMIZE | WS_CLIPCHILDREN;
        EnterFullscreen(WS_VISIBLE | WS_CLIPCHILDREN);
        return TRUE;
    case ID_SKIN_CLOSE:
        PostMessage(WM_CLOSE);
        return TRUE;
    default:
        return CWnd::OnCommand(wParam, lParam);
    }
}

void KVQWindow::EnterFullscreen(DWORD keptStyle)
{
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(keptStyle));
    ShowWindow(SW_MAXIMIZE);
}

void KVQWindow::DrawFrame(CDC* dc, int width, int height) const
{
    const SkinImage* f = m_frame;
    const int top = f[TOP].Height(), bottom = f[BOTTOM].Height();
    TileAcross(f[TOP], *dc, f[TOP_LEFT].Width(), width - f[TOP_RIGHT].Width(), 0);
    f[TOP_LEFT].Draw(*dc, 0, 0, f[TOP_LEFT].Width(), top);
    f[TOP_RIGHT].Draw(*dc, width - f[TOP_RIGHT].Width(), 0, f[TOP_RIGHT].Width(), top);

    const int bottomY = height - bottom;
    TileAcross(f[BOTTOM], *dc, f[BOTTOM_LEFT].Width(), width - f[BOTTOM_RIGHT].Width(), bottomY);
    f[BOTTOM_LEFT].Draw(*dc, 0, bottomY, f[BOTTOM_LEFT].Width(), bottom);
    f[BOTTOM_RIGHT].Draw(*dc, width - f[BOTTOM_RIGHT].Width(), bottomY, f[BOTTOM_RIGHT].Width(), bottom);

    TileDown(f[LEFT], *dc, 0, top, bottomY);
    TileDown(f[RIGHT], *dc, width - f[RIGHT].Width(), top, bottomY);
}

void KVQWindow::FreeMemoryDC()
{
    m_memoryDC.DeleteDC();
    m_memoryBitmap.DeleteObject();
}

int KVQWindow::OnCreate(CREATESTRUCTW* cs)
{
    if (Default() == -1) return -1;
    return OnCreateWindow(cs) ? 0 : -1;
}

void KVQWindow::OnDestroy()
{
    OnDestroyWindow();
    FreeMemoryDC();
    for (SkinImage& image : m_frame) image.Free();
    for (KVQButton*& button : m_titleButtons) {
        if (button) {
            button->DestroyWindow();
            delete button;
            button = nullptr;
        }
    }
    CWnd::OnDestroy();
}

void KVQWindow::OnNcPaint()
{
    if (!m_savedStyle) return;
    CWindowDC dc(this);
    CRect client;
    GetClientRect(&client);
    client.OffsetRect(m_border, m_border);
    dc.ExcludeClipRect(client);
    if (!m_fullscreen) {
        const CRect window = WindowRect();
        DrawFrame(&dc, window.Width(), window.Height());
        m_frameDirty = 0;
    }
}

BOOL KVQWindow::OnEraseBkgnd(CDC*)
{
    m_frameDirty = 1;
    return TRUE;
}

void KVQWindow::OnPaint()
{
    if (IsIconic()) {
        Default();
        return;
    }
    CRect window, view;
    GetRect(&window, &view);
    {
        CPaintDC dc(this);
        if (!m_memoryDC.GetSafeHdc()) {
            m_memoryBitmap.CreateCompatibleBitmap(&dc, window.Width(), window.Height());
            m_memoryDC.CreateCompatibleDC(&dc);
            m_memoryDC.SelectObject(&m_memoryBitmap);
        }
        if (!m_fullscreen && m_frameDirty) {
            DrawFrame(&m_memoryDC, window.Width(), window.Height());
            m_frameDirty = 0;
        }
        if (!view.IsRectEmpty()) OnDraw(&m_memoryDC, view);
        if (m_fullscreen)
            dc.BitBlt(0, 0, window.Width() + 5, window.Height() + 5, &m_memoryDC, 0, 0, SRCCOPY);
        else
            dc.BitBlt(-m_border, -m_border, window.Width(), window.Height(), &m_memoryDC, 0, 0, SRCCOPY);
    }
    OnNcPaint();
}

void KVQWindow::PlaceTitleButtons(int clientWidth)
{
    for (int i = 0; i < 4; ++i) {
        KVQButton* button = m_titleButtons[i];
        if (!button) continue;
        button->SetWindowPos(nullptr, m_border + clientWidth - kTitleButtons[i].rightOffset, kTitleButtonTop - m_border,
                             0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
        button->ShowWindow(SW_SHOW);
    }
}

void KVQWindow::OnSize(UINT type, int, int)
{
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    FreeMemoryDC();
    m_border = (window.Width() - client.Width()) / 2;
    m_fullscreen = type == SIZE_MAXIMIZED;
    Default();
    OnChangeSize(type);
    ModifyStyle(0, WS_CLIPCHILDREN);
    if (m_fullscreen) {
        for (KVQButton* button : m_titleButtons)
            if (button) button->ShowWindow(SW_HIDE);
        SetWindowRgn(::CreateRectRgn(0, 0, window.Width(), window.Height()), TRUE);
    } else if (type != SIZE_MINIMIZED) {
        PlaceTitleButtons(client.Width());
        SetWindowRgn(RoundFrameRegion(window.Width(), window.Height()), TRUE);
    }
}

CSize kvqFitFrameSize(int width, int height)
{
    const kvq::Extent size = kvq::FitFrameSize(width, height);
    return CSize(size.width, size.height);
}

void KVQWindow::OnSizing(UINT, RECT* rect)
{
    const CSize size = kvqFitFrameSize(rect->right - rect->left, rect->bottom - rect->top);
    rect->right = rect->left + size.cx;
    rect->bottom = rect->top + size.cy;
    Default();
}

void KVQWindow::OnMove(int x, int y)
{
    OnMoveWindow(x, y);
    Default();
}

void KVQWindow::OnActivate(UINT state, CWnd* other, BOOL minimized)
{
    if (!minimized) Invalidate(FALSE);
    OnActivateWindow(state, other, minimized);
    Default();
}

void KVQWindow::OnLButtonDown(UINT flags, CPoint pt)
{
    CRect window, view;
    GetRect(&window, &view);
    const CPoint at = ToWindow(pt);
    m_mousePos = at;
    m_mouseDown = 1;
    SetCapture();
    if (!window.PtInRect(at) || view.PtInRect(at)) {
        m_dragging = 0;
        OnMouse(flags, at, TRUE);
    } else {
        m_dragging = 1;  // a press on the frame moves the window
    }
    Default();
}

void KVQWindow::OnMouseMove(UINT flags, CPoint pt)
{
    const CPoint at = ToWindow(pt);
    if (m_dragging) {
        CRect rect;
        GetWindowRect(&rect);
        rect.OffsetRect(at.x - m_mousePos.x, at.y - m_mousePos.y);
        MoveWindow(rect, TRUE);
    } else {
        m_mousePos = at;
        OnMoveMouse(flags, at);
    }
    Default();
}

void KVQWindow::OnLButtonUp(UINT flags, CPoint pt)
{
    ::ReleaseCapture();
    m_dragging = 0;
    m_mouseDown = 0;
    OnMouse(flags, ToWindow(pt), FALSE);
    Default();
}

void KVQWindow::OnLButtonDblClk(UINT flags, CPoint pt)
{
    CRect window, view;
    GetRect(&window, &view);
    const CPoint at = ToWindow(pt);
    if (!window.PtInRect(at) || view.PtInRect(at)) {
        OnDoubleClick(flags, at);
    } else {
        m_savedStyle = GetStyle() | WS_MAXIMIZE;
        EnterFullscreen(WS_VISIBLE);
    }
    Default();
}

void KVQWindow::OnRButtonDown(UINT flags, CPoint pt)
{
    OnRightButton(flags, pt, TRUE);
    Default();
}

void KVQWindow::OnRButtonUp(UINT flags, CPoint pt)
{
    OnRightButton(flags, pt, FALSE);
    Default();
}

void KVQWindow::OnKeyDown(UINT vk, UINT repeat, UINT flags)
{
    if (!OnKeyboard(vk, repeat, flags, TRUE)) Default();
}

void KVQWindow::OnKeyUp(UINT vk, UINT repeat, UINT flags)
{
    if (!OnKeyboard(vk, repeat, flags, FALSE)) Default();
}

void KVQWindow::OnTimer(UINT_PTR id)
{
    OnTimerEvent(static_cast<UINT>(id));
    Default();
}
