#include "ClipboardCopy.h"

#include <cstring>

namespace {

// The area as a bottom-up 24-bit DIB in one movable block: header, pixels.
HGLOBAL PackArea(HDC source, const RECT& area)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);

    void* pixels = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(source, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) return nullptr;
    HGLOBAL block = nullptr;
    if (HDC memory = CreateCompatibleDC(source)) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        const BOOL copied =
            StretchBlt(memory, 0, 0, width, height, source, area.left, area.top, width, height, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        GdiFlush();
        block = copied ? GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(header) + header.biSizeImage) : nullptr;
        if (void* target = block ? GlobalLock(block) : nullptr) {
            std::memcpy(target, &header, sizeof(header));
            std::memcpy(static_cast<BYTE*>(target) + sizeof(header), pixels, header.biSizeImage);
            GlobalUnlock(block);
        }
    }
    DeleteObject(bitmap);
    return block;
}

}  // namespace

bool CopyAreaToClipboard(HWND owner, HDC source, const RECT& area)
{
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    bool offered = false;
    if (area.right > area.left && area.bottom > area.top) {
        HGLOBAL block = PackArea(source, area);
        offered = block && SetClipboardData(CF_DIB, block);
        if (block && !offered) GlobalFree(block);
    }
    CloseClipboard();
    return offered;
}
