#pragma once
// Real windows on the test display, driven by posted mouse and key messages.
#include "SkinPixel.h"
#include "kvquikit.h"
#include <gtest/gtest.h>
#include <testsupport/WindowDriving.h>

namespace test {
using namespace ::testsupport;

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

inline bool ColourNear(COLORREF a, COLORREF b, int tolerance = 8)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace test
