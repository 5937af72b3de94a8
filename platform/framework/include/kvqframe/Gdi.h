#pragma once
#include "Types.h"

// Owner of one GDI object handle; deletes it unless detached.
class FX_API CGdiObject {
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int size, void* buffer) const { return ::GetObjectW(m_hObject, size, buffer); }
};

class CDC;

class FX_API CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    // Loads from the first module of the resource chain that has the bitmap.
    BOOL LoadBitmap(UINT id);
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    int GetBitmap(BITMAP* info) const { return GetObject(sizeof(BITMAP), info); }
};

class FX_API CRgn : public CGdiObject {
public:
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    BOOL CreateRectRgn(int l, int t, int r, int b);
    BOOL CreateRoundRectRgn(int l, int t, int r, int b, int w, int h);
    BOOL CreateFromData(const XFORM* transform, int length, const RGNDATA* data);
    int CombineRgn(HRGN a, HRGN b, int mode) { return ::CombineRgn(*this, a, b, mode); }
    int GetRegionData(RGNDATA* data, int length) const { return ::GetRegionData(*this, length, data); }
    BOOL PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
};

class FX_API CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    BOOL CreateFontIndirect(const LOGFONTW* font);
};

class FX_API CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { Attach(::CreateSolidBrush(colour)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class FX_API CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF colour) { Attach(::CreatePen(style, width, colour)); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

// A device context: owned (memory DCs) or borrowed (attached).
class FX_API CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC();

    HDC m_hDC = nullptr;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL Attach(HDC dc);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* other);
    BOOL DeleteDC();

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    HGDIOBJ SelectObject(CGdiObject* object) { return ::SelectObject(m_hDC, object->m_hObject); }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    BOOL TextOut(int x, int y, const wchar_t* text, int length) { return ::TextOutW(m_hDC, x, y, text, length); }
    BOOL BitBlt(int x, int y, int w, int h, CDC* source, int sx, int sy, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, w, h, source ? source->m_hDC : nullptr, sx, sy, rop);
    }
    BOOL StretchBlt(int x, int y, int w, int h, CDC* source, int sx, int sy, int sw, int sh, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, w, h, source->m_hDC, sx, sy, sw, sh, rop);
    }
    BOOL TransparentBlt(int x, int y, int w, int h, CDC* source, int sx, int sy, int sw, int sh, UINT key)
    {
        return ::TransparentBlt(m_hDC, x, y, w, h, source->m_hDC, sx, sy, sw, sh, key);
    }
    void FillSolidRect(const RECT& rect, COLORREF colour);
    void FillSolidRect(int x, int y, int w, int h, COLORREF colour)
    {
        FillSolidRect(CRect(x, y, x + w, y + h), colour);
    }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    CPoint MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    int ExcludeClipRect(const RECT& r) { return ::ExcludeClipRect(m_hDC, r.left, r.top, r.right, r.bottom); }
    int SelectClipRgn(CRgn* region) { return ::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(*region) : nullptr); }

private:
    bool m_owned = false;
};

class CWnd;

// BeginPaint/EndPaint around a scope.
class FX_API CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// GetDC/ReleaseDC (client area) or GetWindowDC/ReleaseDC (whole window).
class FX_API CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

protected:
    CClientDC(HWND wnd, HDC dc);

private:
    HWND m_hWnd;
};

class FX_API CWindowDC : public CClientDC {
public:
    explicit CWindowDC(CWnd* wnd);
};
