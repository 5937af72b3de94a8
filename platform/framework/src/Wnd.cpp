#include "CreationHook.h"
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string>

namespace {

// The process's handle map. Windows belong to UI threads, but a process may
// have more than one (a plug-in inside a host), so the map is locked.
class HandleMap {
public:
    void Add(HWND wnd, CWnd* object)
    {
        std::unique_lock lock(m_lock);
        m_objects[wnd] = object;
    }
    void Remove(HWND wnd)
    {
        std::unique_lock lock(m_lock);
        m_objects.erase(wnd);
    }
    CWnd* Find(HWND wnd) const
    {
        std::shared_lock lock(m_lock);
        auto it = m_objects.find(wnd);
        return it == m_objects.end() ? nullptr : it->second;
    }

private:
    mutable std::shared_mutex m_lock;
    std::map<HWND, CWnd*> m_objects;
};

HandleMap& Handles()
{
    static HandleMap map;
    return map;
}

thread_local CWnd* t_pending = nullptr;

}  // namespace

struct CWnd::Frame {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

CreationHook::CreationHook(CWnd* wnd)
    : m_hook(::SetWindowsHookExW(WH_CBT, OnCbt, nullptr, ::GetCurrentThreadId())), m_outerPending(t_pending)
{
    t_pending = wnd;
}

CreationHook::~CreationHook()
{
    t_pending = m_outerPending;
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
}

LRESULT CALLBACK CreationHook::OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_pending) {
        CWnd* wnd = t_pending;
        t_pending = nullptr;
        wnd->Bind(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

CWnd::LifeGuard::LifeGuard(CWnd* wnd) : m_wnd(wnd), m_outer(wnd->m_guards) { wnd->m_guards = this; }

CWnd::LifeGuard::~LifeGuard()
{
    if (m_wnd) m_wnd->m_guards = m_outer;
}

CWnd::~CWnd()
{
    for (LifeGuard* guard = m_guards; guard; guard = guard->m_outer) guard->m_wnd = nullptr;
    m_guards = nullptr;
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    Unbind();
}

CWnd* CWnd::FromHandlePermanent(HWND wnd) { return wnd ? Handles().Find(wnd) : nullptr; }

void CWnd::Bind(HWND wnd)
{
    m_hWnd = wnd;
    Handles().Add(wnd, this);
    auto classProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(wnd, GWLP_WNDPROC));
    if (classProc != FrameworkWndProc)
        m_superProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWndProc)));
}

void CWnd::Unbind()
{
    if (!m_hWnd) return;
    Handles().Remove(m_hWnd);
    m_hWnd = nullptr;
}

const wchar_t* CWnd::RegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // One class per combination, named after it, as a process-lifetime string.
    static std::mutex lock;
    static std::map<std::wstring, int> registered;
    wchar_t name[96];
    swprintf(name, 96, L"KvqFx:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor), static_cast<void*>(background),
             static_cast<void*>(icon));
    std::lock_guard guard(lock);
    auto it = registered.find(name);
    if (it == registered.end()) {
        WNDCLASSW wc{};
        wc.style = classStyle;
        wc.lpfnWndProc = FrameworkWndProc;
        wc.hInstance = FrameworkInstance();
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = name;
        if (!::RegisterClassW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
        it = registered.emplace(name, 0).first;
    }
    return it->first.c_str();
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, void* param)
{
    CREATESTRUCTW cs{};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = title;
    cs.style = style;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.hwndParent = parent;
    cs.hMenu = menuOrId;
    cs.hInstance = FrameworkInstance();
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) return FALSE;
    HWND wnd;
    {
        CreationHook hook(this);
        wnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    }
    return wnd != nullptr;
}

BOOL CWnd::Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!className) className = RegisterWndClass(CS_HREDRAW | CS_VREDRAW);
    return CreateEx(0, className, title, style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::Attach(HWND wnd)
{
    if (!wnd || m_hWnd || FromHandlePermanent(wnd)) return FALSE;
    m_hWnd = wnd;
    Handles().Add(wnd, this);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND wnd = m_hWnd;
    Unbind();
    return wnd;
}

BOOL CWnd::SubclassWindow(HWND wnd)
{
    if (!wnd || m_hWnd || FromHandlePermanent(wnd)) return FALSE;
    m_hWnd = wnd;
    Handles().Add(wnd, this);
    PreSubclassWindow();
    m_superProc =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) { return SubclassWindow(::GetDlgItem(parent->m_hWnd, id)); }

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd && m_superProc) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    return Detach();
}

LRESULT CALLBACK CWnd::FrameworkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return Dispatch(wnd, hwnd, message, wParam, lParam);
}

LRESULT CWnd::Dispatch(CWnd* wnd, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Frame frame{message, wParam, lParam};
    Frame* outer = wnd->m_frame;
    wnd->m_frame = &frame;
    LRESULT result;
    {
        LifeGuard guard(wnd);
        result = wnd->WindowProc(message, wParam, lParam);
        if (!guard.Alive()) return result;  // the handler deleted the object
    }
    wnd->m_frame = outer;
    if (message == WM_NCDESTROY) {
        WNDPROC super = wnd->m_superProc;
        wnd->Unbind();
        wnd->m_superProc = nullptr;
        if (super) ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_superProc) return ::CallWindowProcW(m_superProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return m_frame ? DefWindowProc(m_frame->message, m_frame->wParam, m_frame->lParam) : 0; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CPoint pt = CPoint::FromLParam(lParam);
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NCPAINT:
        OnNcPaint();
        return 0;
    case WM_ERASEBKGND: {
        CDC dc;
        dc.Attach(reinterpret_cast<HDC>(wParam));
        BOOL erased = OnEraseBkgnd(&dc);
        dc.Detach();
        return erased;
    }
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SIZING:
        OnSizing(static_cast<UINT>(wParam), reinterpret_cast<RECT*>(lParam));
        return TRUE;
    case WM_MOVE:
        OnMove(pt.x, pt.y);
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), FromHandlePermanent(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), pt);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(static_cast<UINT>(wParam), pt);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(static_cast<UINT>(wParam), pt);
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(static_cast<UINT>(wParam), pt);
        return 0;
    case WM_RBUTTONUP:
        OnRButtonUp(static_cast<UINT>(wParam), pt);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wParam), pt);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(FromHandlePermanent(reinterpret_cast<HWND>(lParam)));
        return 0;
    case WM_SETCURSOR:
        return OnSetCursor(FromHandlePermanent(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYUP:
        OnKeyUp(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_COMMAND:
        return OnCommand(wParam, lParam) ? 0 : Default();
    case WM_NOTIFY: {
        LRESULT result = 0;
        return OnNotify(wParam, lParam, &result) ? result : Default();
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORDLG: {
        // The colours of a control are the control's own business.
        LRESULT result = 0;
        CWnd* child = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        if (child && child != this && child->OnChildNotify(message, wParam, lParam, &result)) return result;
        return Default();
    }
    default:
        return Default();
    }
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (lParam) {
        LRESULT result = 0;
        CWnd* child = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        if (child && child != this && child->OnChildNotify(WM_COMMAND, wParam, lParam, &result)) return TRUE;
    }
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    CWnd* child = header ? FromHandlePermanent(header->hwndFrom) : nullptr;
    return child && child != this && child->OnChildNotify(WM_NOTIFY, wParam, lParam, result);
}

int CWnd::OnCreate(CREATESTRUCTW*) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnNcPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnSizing(UINT, RECT*) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnHScroll(UINT, UINT, HWND) { Default(); }
void CWnd::OnKillFocus(HWND) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnClose() { Default(); }

CWnd* CWnd::SetCapture() { return FromHandlePermanent(::SetCapture(m_hWnd)); }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add)
{
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style) return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    return TRUE;
}

namespace {
CString TextOf(HWND wnd)
{
    int length = ::GetWindowTextLengthW(wnd);
    std::wstring text(length + 1, L'\0');
    length = ::GetWindowTextW(wnd, text.data(), length + 1);
    text.resize(length > 0 ? length : 0);
    return CString(text);
}
}  // namespace

CString CWnd::GetWindowText() const { return TextOf(m_hWnd); }

CString CWnd::GetDlgItemText(int id) const { return TextOf(::GetDlgItem(m_hWnd, id)); }
