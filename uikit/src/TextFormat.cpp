#include "Skin.h"
#include <cwchar>

namespace {
// Process-wide, shared by every caller (UI thread only).
struct TextFormat {
    HFONT font = nullptr;  // null: DEFAULT_GUI_FONT
    COLORREF normal = 0x00200000;
    COLORREF mode1 = 0x00FF0000;
    COLORREF other = 0x00808080;
    COLORREF shadow = 0x00000000;
    BOOL emboss = 1;
    int dx = 1;
    int dy = 1;
} g_format;
}  // namespace

void kvqSetWindowTextFormat(HFONT font, COLORREF normal, COLORREF mode1, COLORREF shadow, COLORREF other)
{
    g_format.font = font;
    g_format.normal = normal;
    g_format.mode1 = mode1;
    g_format.shadow = shadow;
    g_format.other = other;
}

void kvqSetEmbossedTextEffect(int, int, int dx, int dy, BOOL enable)
{
    g_format.dx = dx;
    g_format.dy = dy;
    g_format.emboss = enable;
}

void kvqTextOut(CDC* dc, int x, int y, const wchar_t* text, int mode)
{
    if (!dc || !text) return;
    HGDIOBJ font = g_format.font ? static_cast<HGDIOBJ>(g_format.font) : ::GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ previous = dc->SelectObject(font);
    dc->SetBkMode(TRANSPARENT);
    const int length = static_cast<int>(wcslen(text));
    if (mode == 0) {
        if (g_format.emboss) {
            dc->SetTextColor(g_format.shadow);
            dc->TextOut(x + g_format.dx, y + g_format.dy, text, length);
        }
        dc->SetTextColor(g_format.normal);
    } else {
        dc->SetTextColor(mode == 1 ? g_format.mode1 : g_format.other);
    }
    dc->TextOut(x, y, text, length);
    dc->SelectObject(previous);
}
