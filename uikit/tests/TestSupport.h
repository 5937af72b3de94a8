#pragma once
// Real windows on the test display, driven by posted mouse and key messages.
#include "SkinPixel.h"
#include "kvquikit.h"
#include <gtest/gtest.h>
#include <functional>
#include <vector>

namespace test {

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

// What the window shows at a client point.
inline COLORREF Pixel(HWND wnd, int x, int y)
{
    HDC dc = ::GetDCEx(wnd, nullptr, DCX_CACHE);  // not a class's own DC, whose clipping lingers
    COLORREF colour = ::GetPixel(dc, x, y);
    ::ReleaseDC(wnd, dc);
    return colour;
}

// Counts the pixels of a colour in a client rectangle, from one copy of it
// (one read per pixel from a window is slow under Wine).
inline int CountColour(HWND wnd, const RECT& area, COLORREF colour)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC source = ::GetDCEx(wnd, nullptr, DCX_CACHE);
    HDC copy = ::CreateCompatibleDC(source);
    HBITMAP bitmap = ::CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = ::SelectObject(copy, bitmap);
    ::BitBlt(copy, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    ::ReleaseDC(wnd, source);
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) n += ::GetPixel(copy, x, y) == colour;
    ::SelectObject(copy, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(copy);
    return n;
}

// A 24-bit bitmap of one colour, for telling the images of a control apart.
inline HBITMAP SolidBitmap(int width, int height, COLORREF colour)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    HBRUSH brush = ::CreateSolidBrush(colour);
    RECT all{0, 0, width, height};
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
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

inline bool ColourNear(COLORREF a, COLORREF b, int tolerance = 8)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace test
