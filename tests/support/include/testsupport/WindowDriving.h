#pragma once
// Real windows of the window framework on the test display, driven by posted
// mouse messages.
#include <kvqframe.h>

#include <functional>
#include <vector>

namespace testsupport {

// The queued message being dispatched by Pump, so a handler can tell a
// message sent from inside another handler from one taken off the queue.
inline UINT g_dispatching = 0;

// Runs every queued message of this thread.
inline void Pump()
{
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            g_dispatching = msg.message;
            ::DispatchMessageW(&msg);
            g_dispatching = 0;
        }
        ::Sleep(5);
    }
}

inline LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

inline void Press(HWND wnd, int x, int y)
{
    ::PostMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    Pump();
}

inline void Release(HWND wnd, int x, int y)
{
    ::PostMessageW(wnd, WM_LBUTTONUP, 0, At(x, y));
    Pump();
}

inline void Click(HWND wnd, int x, int y)
{
    Press(wnd, x, y);
    Release(wnd, x, y);
}

inline void Move(HWND wnd, int x, int y, WPARAM flags = 0)
{
    ::PostMessageW(wnd, WM_MOUSEMOVE, flags, At(x, y));
    Pump();
}

struct Command {
    WPARAM wParam;
    LPARAM lParam;
    bool sent;  // delivered by SendMessage (synchronously) rather than posted
};

// A visible top-level window that records the WM_COMMANDs it receives.
class Host : public CWnd {
public:
    Host(int x = 0, int y = 0, int width = 400, int height = 300, DWORD style = WS_POPUP | WS_VISIBLE)
    {
        CreateEx(0,
                 RegisterWndClass(CS_HREDRAW | CS_VREDRAW, nullptr, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH))),
                 L"host", style, x, y, width, height, nullptr, nullptr);
        Pump();
    }
    std::vector<Command> commands;
    std::vector<MSG> keys;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && lParam == 0) {
            commands.push_back({wParam, lParam, g_dispatching != WM_COMMAND});
            if (onCommand) onCommand(LOWORD(wParam));
            return 0;
        }
        if (message == WM_KEYDOWN || message == WM_KEYUP) keys.push_back(MSG{m_hWnd, message, wParam, lParam, 0, {}});
        return CWnd::WindowProc(message, wParam, lParam);
    }
    std::function<void(WORD)> onCommand;
};

}  // namespace testsupport
