#pragma once
#include "Gdi.h"

// A C++ object bound to a window handle. Every window the framework creates or
// subclasses runs through one window procedure, which finds the object in the
// process-wide handle map and calls WindowProc; WindowProc dispatches the
// common messages to the virtual handlers below. A derived class handles any
// other message by overriding WindowProc and passing the rest to the base.
class CreationHook;

class FX_API CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object bound to a handle, or null for windows the framework does not know.
    static CWnd* FromHandlePermanent(HWND wnd);
    static CWnd* FromHandle(HWND wnd) { return FromHandlePermanent(wnd); }

    // Registers (once) a window class served by the framework's window
    // procedure and returns its name.
    static const wchar_t* RegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                           HICON icon = nullptr);

    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menuOrId, void* param = nullptr);
    // A child window; a null class name means the framework's default child class.
    BOOL Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    virtual BOOL DestroyWindow();

    BOOL Attach(HWND wnd);
    HWND Detach();
    // Routes an existing window (of any class) through this object.
    BOOL SubclassWindow(HWND wnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs) { return TRUE; }
    virtual void PreSubclassWindow() {}
    virtual BOOL PreTranslateMessage(MSG* msg) { return FALSE; }
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the last message (WM_NCDESTROY); the handle is already gone.
    virtual void PostNcDestroy() {}

    // WM_COMMAND: a control notification is offered to the control first
    // (reflection), then the command is routed with OnCmdMsg.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual BOOL OnCmdMsg(UINT id, int code) { return FALSE; }
    // A notification or colour request of the parent, reflected to the child
    // it concerns. TRUE = handled, with *result the answer to the parent.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) { return FALSE; }

    // Runs the original handling of the message being processed.
    LRESULT Default();

    // Message handlers; each base version runs the original handling.
    virtual int OnCreate(CREATESTRUCTW* cs);
    virtual void OnDestroy();
    virtual void OnNcDestroy();
    virtual void OnPaint();
    virtual void OnNcPaint();
    virtual BOOL OnEraseBkgnd(CDC* dc);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnSizing(UINT edge, RECT* rect);
    virtual void OnMove(int x, int y);
    virtual void OnActivate(UINT state, CWnd* other, BOOL minimized);
    virtual void OnLButtonDown(UINT flags, CPoint pt);
    virtual void OnLButtonUp(UINT flags, CPoint pt);
    virtual void OnLButtonDblClk(UINT flags, CPoint pt);
    virtual void OnRButtonDown(UINT flags, CPoint pt);
    virtual void OnRButtonUp(UINT flags, CPoint pt);
    virtual void OnMouseMove(UINT flags, CPoint pt);
    virtual void OnCaptureChanged(CWnd* other);
    virtual BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    virtual void OnKeyDown(UINT vk, UINT repeat, UINT flags);
    virtual void OnKeyUp(UINT vk, UINT repeat, UINT flags);
    virtual void OnTimer(UINT_PTR id);
    // A horizontal track bar of this window moved (bar = the control).
    virtual void OnHScroll(UINT code, UINT pos, HWND bar);
    // newFocus: the window that takes the focus (any window, or null).
    virtual void OnKillFocus(HWND newFocus);
    virtual void OnSysCommand(UINT id, LPARAM lParam);
    virtual void OnClose();

    // Thin wrappers.
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL RedrawWindow(UINT flags) { return ::RedrawWindow(m_hWnd, nullptr, nullptr, flags); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void MoveWindow(const RECT& r, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags)
    {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    CWnd* SetCapture();
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add);
    int SetWindowRgn(HRGN region, BOOL redraw) { return ::SetWindowRgn(m_hWnd, region, redraw); }
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    CString GetWindowText() const;
    LRESULT SendMessage(UINT m, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageW(m_hWnd, m, w, l); }
    BOOL PostMessage(UINT m, WPARAM w = 0, LPARAM l = 0) { return ::PostMessageW(m_hWnd, m, w, l); }
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) { return ::SetTimer(m_hWnd, id, ms, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    HWND GetParentHwnd() const { return ::GetParent(m_hWnd); }
    CWnd* GetParent() const { return FromHandlePermanent(::GetParent(m_hWnd)); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendDlgItemMessage(int id, UINT m, WPARAM w = 0, LPARAM l = 0)
    {
        return ::SendDlgItemMessageW(m_hWnd, id, m, w, l);
    }
    void SetDlgItemText(int id, const wchar_t* text) { ::SetDlgItemTextW(m_hWnd, id, text); }
    CString GetDlgItemText(int id) const;
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    void EnableDlgItem(int id, BOOL enable) { ::EnableWindow(::GetDlgItem(m_hWnd, id), enable); }
    void ScreenToClient(POINT* p) const { ::ScreenToClient(m_hWnd, p); }
    void ClientToScreen(POINT* p) const { ::ClientToScreen(m_hWnd, p); }

    // The framework's window procedure (for windows whose class it registered).
    static LRESULT CALLBACK FrameworkWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Tells code that runs after a call which may delete this object (a
    // notification handler, a nested message) whether the object still exists.
    class FX_API LifeGuard {
    public:
        explicit LifeGuard(CWnd* wnd);
        ~LifeGuard();
        LifeGuard(const LifeGuard&) = delete;
        LifeGuard& operator=(const LifeGuard&) = delete;
        bool Alive() const { return m_wnd != nullptr; }

    private:
        friend class CWnd;
        CWnd* m_wnd;
        LifeGuard* m_outer;
    };

    // The class procedure the window had before the framework took it over.
    WNDPROC m_superProc = nullptr;

private:
    friend class CreationHook;
    struct Frame;
    void Bind(HWND wnd);
    void Unbind();
    static LRESULT Dispatch(CWnd* wnd, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    LifeGuard* m_guards = nullptr;
    Frame* m_frame = nullptr;  // the message being processed, for Default()
};

// A static control, the base of controls subclassed from dialog statics.
class FX_API CStatic : public CWnd {
public:
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(L"STATIC", text, style, rect, parent, id);
    }
};
