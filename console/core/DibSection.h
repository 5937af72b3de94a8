#pragma once

#include <windows.h>

// A DIB section in dc of format's kind but width x height: *header receives
// its header (image size left 0) and *bits its pixels.
inline HBITMAP CreateDibLike(HDC dc, const BITMAPINFOHEADER& format, int width, int height, BITMAPINFOHEADER* header,
                             void** bits)
{
    *header = format;
    header->biWidth = width;
    header->biHeight = height;
    header->biSizeImage = 0;
    *bits = nullptr;
    return CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS, bits, nullptr, 0);
}
