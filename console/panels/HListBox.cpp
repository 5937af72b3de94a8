#include "HListBox.h"

#include <cwchar>
#include <string>

BOOL CHListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateEx(WS_EX_CLIENTEDGE, L"LISTBOX", L"", style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

namespace {

// Measures item texts as the list draws them: with its own font, with room
// for the item's focus frame.
class ItemMeasure {
public:
    explicit ItemMeasure(HWND list) : m_list(list), m_dc(::GetDC(list))
    {
        m_old = ::SelectObject(m_dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    }
    ~ItemMeasure()
    {
        ::SelectObject(m_dc, m_old);
        ::ReleaseDC(m_list, m_dc);
    }
    ItemMeasure(const ItemMeasure&) = delete;
    ItemMeasure& operator=(const ItemMeasure&) = delete;

    int Extent(const wchar_t* text) const
    {
        SIZE size{};
        GetTextExtentPoint32W(m_dc, text, static_cast<int>(wcslen(text)), &size);
        return size.cx + 3 * GetSystemMetrics(SM_CXBORDER);
    }

private:
    HWND m_list;
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace

void CHListBox::ExtendTo(const wchar_t* text)
{
    const int extent = ItemMeasure(m_hWnd).Extent(text);
    if (extent <= m_widest) return;
    m_widest = extent;
    DefWindowProc(LB_SETHORIZONTALEXTENT, WPARAM(m_widest), 0);
}

void CHListBox::RemeasureAll()
{
    const ItemMeasure measure(m_hWnd);
    int widest = 0;
    const LRESULT count = DefWindowProc(LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = DefWindowProc(LB_GETTEXTLEN, WPARAM(i), 0);
        if (length == LB_ERR) continue;
        std::wstring text(size_t(length) + 1, L'\0');
        DefWindowProc(LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&text[0]));
        const int extent = measure.Extent(text.c_str());
        if (extent > widest) widest = extent;
    }
    m_widest = widest;
    DefWindowProc(LB_SETHORIZONTALEXTENT, WPARAM(m_widest), 0);
}

LRESULT CHListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        const LRESULT index = CWnd::WindowProc(message, wParam, lParam);
        if (index >= 0 && lParam) ExtendTo(reinterpret_cast<const wchar_t*>(lParam));
        return index;
    }
    case LB_DELETESTRING: {
        const LRESULT left = CWnd::WindowProc(message, wParam, lParam);
        if (left != LB_ERR) RemeasureAll();
        return left;
    }
    case LB_RESETCONTENT:
        m_widest = 0;
        break;
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
