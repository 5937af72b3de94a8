#pragma once
#include <windows.h>

namespace test {

// A pixel of one of the library's default skins, as the library holds it.
inline COLORREF SkinPixel(UINT id, int x, int y)
{
    HBITMAP skin = ::LoadBitmapW(::GetModuleHandleW(L"kvquikit.dll"), MAKEINTRESOURCEW(id));
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, skin);
    COLORREF colour = ::GetPixel(dc, x, y);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(skin);
    return colour;
}

}  // namespace test
