#pragma once
#include <windows.h>
#include <string>
#include "Export.h"

struct CSize : SIZE {
    CSize() : SIZE{0, 0} {}
    CSize(int cx, int cy) : SIZE{cx, cy} {}
};

struct CPoint : POINT {
    CPoint() : POINT{0, 0} {}
    CPoint(int x, int y) : POINT{x, y} {}
    CPoint(POINT p) : POINT(p) {}
    // Mouse messages pack client coordinates as two signed 16-bit halves.
    static CPoint FromLParam(LPARAM lParam)
    {
        return CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    }
    void Offset(int dx, int dy)
    {
        x += dx;
        y += dy;
    }
    bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
    bool operator!=(const POINT& o) const { return !(*this == o); }
};

struct CRect : RECT {
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
    BOOL PtInRect(POINT p) const { return ::PtInRect(this, p); }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    operator RECT*() { return this; }
    operator const RECT*() const { return this; }
    bool operator==(const RECT& o) const { return ::EqualRect(this, &o) != 0; }
};

// A wide string with the conversions the Win32 calls want.
class FX_API CString {
public:
    CString() = default;
    CString(const wchar_t* text) : m_text(text ? text : L"") {}
    CString(const wchar_t* text, int length) : m_text(text, length) {}
    CString(const std::wstring& text) : m_text(text) {}

    CString& operator=(const wchar_t* text)
    {
        m_text = text ? text : L"";
        return *this;
    }
    CString& operator+=(const wchar_t* text)
    {
        if (text) m_text += text;
        return *this;
    }
    CString& operator+=(const CString& other)
    {
        m_text += other.m_text;
        return *this;
    }
    bool operator==(const wchar_t* text) const { return m_text == (text ? text : L""); }
    bool operator!=(const wchar_t* text) const { return !(*this == text); }

    operator const wchar_t*() const { return m_text.c_str(); }
    const wchar_t* GetString() const { return m_text.c_str(); }
    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    // Loads a string resource from the resource-module chain.
    BOOL LoadString(UINT id);
    void Format(const wchar_t* format, ...);

private:
    std::wstring m_text;
};
