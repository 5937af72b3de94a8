#include "Annotator.h"

#include "DibSection.h"
#include "PictureFile.h"

namespace {

PixelRect ToPixelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

KVQAnnotator::KVQAnnotator()
    : m_header{sizeof(BITMAPINFOHEADER), 0, 0, 1, 32, BI_RGB, 0, 120, 120, 0, 0},
      m_blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA},
      m_memoryDC(CreateCompatibleDC(nullptr)),
      m_originalBitmap(nullptr),
      m_bitmap(nullptr),
      m_pixels(nullptr),
      m_lineColour(0xFFFFFFFF),
      m_fillColour(0xFF000000),
      m_dirty(0)
{
}

KVQAnnotator::~KVQAnnotator()
{
    if (m_bitmap) {
        SelectObject(m_memoryDC, m_originalBitmap);
        DeleteObject(m_bitmap);
    }
    if (m_memoryDC) DeleteDC(m_memoryDC);
}

int KVQAnnotator::Resize(int width, int height)
{
    if (m_pixels && width == GetWidth() && height == GetHeight()) {
        Clear();
        return 1;
    }
    if (width <= 0 || height <= 0 || !m_memoryDC) return 0;
    BITMAPINFOHEADER next;
    void* bits;
    HBITMAP bitmap = CreateDibLike(m_memoryDC, m_header, width, height, &next, &bits);
    if (!bitmap) return 0;
    HGDIOBJ previous = SelectObject(m_memoryDC, bitmap);
    if (m_bitmap)
        DeleteObject(m_bitmap);
    else
        m_originalBitmap = previous;
    m_bitmap = bitmap;
    m_pixels = static_cast<std::uint32_t*>(bits);
    m_header = next;
    m_header.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    Clear();
    return 1;
}

ArgbPlane KVQAnnotator::Plane()
{
    if (!m_pixels) return {nullptr, 0, 0};
    GdiFlush();
    return {m_pixels, GetWidth(), GetHeight()};
}

void KVQAnnotator::MarkDrawn(bool drawn)
{
    if (drawn) m_dirty = 1;
}

void KVQAnnotator::Clear()
{
    const ArgbPlane plane = Plane();
    AnnotationOps::EraseRect(plane, {0, 0, plane.width, plane.height});
    m_dirty = 0;
}

int KVQAnnotator::Draw(HDC hdc)
{
    return AlphaBlend(hdc, 0, 0, GetWidth(), GetHeight(), m_memoryDC, 0, 0, GetWidth(), GetHeight(), m_blend);
}

void KVQAnnotator::SetAlpha(BYTE alpha)
{
    m_lineColour = Argb::WithAlpha(m_lineColour, alpha);
    m_fillColour = Argb::WithAlpha(m_fillColour, alpha);
}

void KVQAnnotator::DrawLine(POINT from, POINT to)
{
    MarkDrawn(AnnotationOps::DrawLine(Plane(), from.x, from.y, to.x, to.y, m_lineColour));
}

void KVQAnnotator::DrawRect(const RECT& rect, int fill, int border)
{
    MarkDrawn(AnnotationOps::DrawRect(Plane(), ToPixelRect(rect), fill != 0, border, m_lineColour, m_fillColour));
}

void KVQAnnotator::EraseRect(const RECT& rect) { MarkDrawn(AnnotationOps::EraseRect(Plane(), ToPixelRect(rect))); }

void KVQAnnotator::DrawEllipse(RECT& rect, int fill, int border)
{
    PixelRect r = ToPixelRect(rect);
    MarkDrawn(AnnotationOps::DrawEllipse(Plane(), r, fill != 0, border, m_lineColour, m_fillColour));
    rect = {r.left, r.top, r.right, r.bottom};
}

void KVQAnnotator::MergeFrom(KVQAnnotator& source, int keyed, int blend, const RECT* clip, int alpha, DWORD key)
{
    const PixelRect area = clip ? ToPixelRect(*clip) : PixelRect{};
    MarkDrawn(AnnotationOps::MergeFrom(Plane(), source.Plane(), keyed != 0, blend != 0, clip ? &area : nullptr,
                                       static_cast<unsigned>(alpha < 0 ? 0 : alpha), key));
}

void KVQAnnotator::BlendFrom(KVQAnnotator& source, const RECT* clip, int alpha)
{
    const PixelRect area = clip ? ToPixelRect(*clip) : PixelRect{};
    MarkDrawn(AnnotationOps::BlendFrom(Plane(), source.Plane(), clip ? &area : nullptr,
                                       static_cast<unsigned>(alpha < 0 ? 0 : alpha)));
}

int KVQAnnotator::WriteBmp(HANDLE file)
{
    const ArgbPlane plane = Plane();
    if (!plane.pixels) return 0;
    unsigned char headers[kBmpHeadersBytes];
    AnnotationOps::WriteBmpHeaders(headers, plane.width, plane.height);
    return WriteAll(file, headers, sizeof headers) && WriteAll(file, plane.pixels, m_header.biSizeImage);
}

int KVQAnnotator::SaveBmp(const char* path)
{
    return UseFile(OpenPictureFile(path, true), [this](HANDLE file) { return WriteBmp(file); });
}

int KVQAnnotator::SaveBmp(const wchar_t* path)
{
    return UseFile(OpenPictureFile(path, true), [this](HANDLE file) { return WriteBmp(file); });
}

void CAnnotator::MirrorRows() { AnnotationOps::MirrorRows(Plane()); }

void CAnnotator::FlipColumns() { AnnotationOps::FlipColumns(Plane()); }

bool CAnnotator::Rotate(int rotation)
{
    rotation = ((rotation % 4) + 4) % 4;
    const ArgbPlane plane = Plane();
    if (!plane.pixels || rotation == m_rotation) return false;
    const int turn = (rotation - m_rotation + 4) % 4;
    if (turn == 2) {
        AnnotationOps::HalfTurn(plane);
    } else {
        const int w = plane.width;
        const int h = plane.height;
        if (m_turned.GetWidth() != h || m_turned.GetHeight() != w) m_turned.Resize(h, w);
        AnnotationOps::Transpose(plane, m_turned.Plane());
        Clear();
        SetStretchBltMode(GetDC(), STRETCH_ORSCANS);
        if (rotation % 2)  // the portrait drawing fitted into the landscape layer
            StretchBlt(GetDC(), (w - 3 * h / 4) / 2, 0, 3 * h / 4, 3 * w / 4, m_turned.GetDC(), 0, 0, h, w, SRCCOPY);
        else  // the landscape middle of the portrait drawing over the whole layer
            StretchBlt(GetDC(), 0, 0, w, h, m_turned.GetDC(), 0, (w - 3 * h / 4) / 2, 3 * w / 4, 3 * h / 4, SRCCOPY);
        if (turn == 3) AnnotationOps::HalfTurn(Plane());
    }
    m_rotation = rotation;
    SetDirty(1);
    return true;
}

bool CAnnotator::FollowCamera(int rotation, int mirrorMode)
{
    rotation = ((rotation % 4) + 4) % 4;
    m_requestedMirror = mirrorMode == 1;
    if (!IsDirty()) {
        m_rotation = rotation;
        m_appliedMirror = m_requestedMirror;
        return false;
    }
    bool changed = Rotate(rotation);
    if (m_requestedMirror != m_appliedMirror) {
        if (m_rotation % 2)
            FlipColumns();
        else
            MirrorRows();
        m_appliedMirror = m_requestedMirror;
        changed = true;
    }
    return changed;
}
