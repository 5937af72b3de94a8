#include "kvqframe/App.h"

BOOL CGdiObject::Attach(HGDIOBJ object)
{
    if (!object) return FALSE;
    DeleteObject();
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ object = m_hObject;
    m_hObject = nullptr;
    return object;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject) return FALSE;
    BOOL ok = ::DeleteObject(Detach());
    return ok;
}

BOOL CBitmap::LoadBitmap(UINT id)
{
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEW(id), reinterpret_cast<const wchar_t*>(RT_BITMAP));
    return Attach(::LoadBitmapW(module, MAKEINTRESOURCEW(id)));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc->m_hDC, width, height));
}

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }

BOOL CRgn::CreateRoundRectRgn(int l, int t, int r, int b, int w, int h)
{
    return Attach(::CreateRoundRectRgn(l, t, r, b, w, h));
}

BOOL CRgn::CreateFromData(const XFORM* transform, int length, const RGNDATA* data)
{
    return Attach(::ExtCreateRegion(transform, length, data));
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* font) { return Attach(::CreateFontIndirectW(font)); }

CDC::~CDC() { DeleteDC(); }

BOOL CDC::Attach(HDC dc)
{
    if (!dc) return FALSE;
    DeleteDC();
    m_hDC = dc;
    m_owned = false;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC dc = m_hDC;
    m_hDC = nullptr;
    m_owned = false;
    return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* other)
{
    HDC dc = ::CreateCompatibleDC(other ? other->m_hDC : nullptr);
    if (!dc) return FALSE;
    DeleteDC();
    m_hDC = dc;
    m_owned = true;
    return TRUE;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC) return FALSE;
    bool owned = m_owned;
    HDC dc = Detach();
    return owned ? ::DeleteDC(dc) : TRUE;
}

void CDC::FillSolidRect(const RECT& rect, COLORREF colour)
{
    COLORREF old = ::SetBkColor(m_hDC, colour);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old{};
    ::MoveToEx(m_hDC, x, y, &old);
    return old;
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }

CPaintDC::~CPaintDC()
{
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* wnd) : CClientDC(wnd->m_hWnd, ::GetDC(wnd->m_hWnd)) {}

CClientDC::CClientDC(HWND wnd, HDC dc) : m_hWnd(wnd) { Attach(dc); }

CClientDC::~CClientDC()
{
    if (HDC dc = Detach()) ::ReleaseDC(m_hWnd, dc);
}

CWindowDC::CWindowDC(CWnd* wnd) : CClientDC(wnd->m_hWnd, ::GetWindowDC(wnd->m_hWnd)) {}
