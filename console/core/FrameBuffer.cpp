#include "FrameBuffer.h"

#include <ole2.h>
#include <olectl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BmpFormat.h"
#include "DibSection.h"
#include "DrawLayout.h"
#include "PictureFile.h"

namespace {

// Picture files above this are refused rather than read into memory whole.
constexpr LONGLONG kLargestPictureFile = 256LL * 1024 * 1024;

PixelRect ToPixelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// Formats a debugger message of at most 1023 characters in a buffer of the
// caller's own, so that two threads may trace at once.
template <typename Char, typename Format, typename Output>
void SendTrace(const Char* format, va_list args, Format formatText, Output output)
{
    Char text[1024];
    formatText(text, 1023, format, args);
    text[1023] = 0;
    output(text);
}

// A bitmap header with room for the colour masks or table that GetDIBits may
// write behind it.
struct BitmapInfoWithColors {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

}  // namespace

KVQFrameBuffer::KVQFrameBuffer()
    : m_header{},
      m_memoryDC(CreateCompatibleDC(nullptr)),
      m_originalBitmap(nullptr),
      m_bitmap(nullptr),
      m_pixels(nullptr),
      m_stride(0),
      m_outputRect{},
      m_aspect(1.0f)
{
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biPlanes = 1;
    m_header.biBitCount = 24;
    m_header.biCompression = BI_RGB;
    m_header.biXPelsPerMeter = 120;
    m_header.biYPelsPerMeter = 120;
}

KVQFrameBuffer::~KVQFrameBuffer()
{
    Release();
    if (m_memoryDC) DeleteDC(m_memoryDC);
}

void KVQFrameBuffer::SelectBitmap(HBITMAP bitmap)
{
    HGDIOBJ previous = SelectObject(m_memoryDC, bitmap);
    if (!m_originalBitmap) m_originalBitmap = previous;
}

BOOL KVQFrameBuffer::Resize(int width, int height)
{
    if (width == Width() && height == Height()) return TRUE;
    if (width <= 0 || height <= 0 || !m_memoryDC) return FALSE;

    BITMAPINFOHEADER next;
    void* bits;
    HBITMAP bitmap = CreateDibLike(m_memoryDC, m_header, width, height, &next, &bits);
    if (!bitmap) return FALSE;

    SelectBitmap(bitmap);
    if (m_bitmap) DeleteObject(m_bitmap);
    m_bitmap = bitmap;
    m_pixels = static_cast<unsigned char*>(bits);
    m_stride = BgrStride(width);
    m_aspect = static_cast<float>(width) / static_cast<float>(height);
    m_header = next;
    m_header.biSizeImage = static_cast<DWORD>(m_stride) * static_cast<DWORD>(height);
    return TRUE;
}

BOOL KVQFrameBuffer::CopyFrom(const KVQFrameBuffer& source)
{
    if (!source.m_pixels || !Resize(source.Width(), source.Height())) return FALSE;
    GdiFlush();
    std::memcpy(m_pixels, source.m_pixels, m_header.biSizeImage);
    return TRUE;
}

void KVQFrameBuffer::Release()
{
    if (m_bitmap) {
        SelectObject(m_memoryDC, m_originalBitmap);
        DeleteObject(m_bitmap);
    }
    m_bitmap = nullptr;
    m_pixels = nullptr;
    m_stride = 0;
    m_header.biWidth = 0;
    m_header.biHeight = 0;
    m_header.biSizeImage = 0;
}

BOOL KVQFrameBuffer::LoadFromBitmap(HBITMAP bitmap)
{
    BitmapInfoWithColors description{};
    description.header.biSize = sizeof(BITMAPINFOHEADER);
    if (!bitmap ||
        !GetDIBits(m_memoryDC, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&description), DIB_RGB_COLORS))
        return FALSE;
    const int height = std::abs(static_cast<int>(description.header.biHeight));
    if (!Resize(description.header.biWidth, height)) return FALSE;

    // GetDIBits converts any source depth and orientation to our own header.
    BitmapInfoWithColors target{};
    target.header = m_header;
    return GetDIBits(m_memoryDC, bitmap, 0, height, m_pixels, reinterpret_cast<BITMAPINFO*>(&target), DIB_RGB_COLORS) >
           0;
}

// Decodes the picture in a moveable global block of the given size with
// the platform's picture loader; the block is freed whatever happens.
BOOL KVQFrameBuffer::LoadFromGlobal(HGLOBAL memory, DWORD bytes)
{
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return FALSE;
    }

    IPicture* picture = nullptr;
    const HRESULT loaded =
        OleLoadPicture(stream, static_cast<LONG>(bytes), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
    stream->Release();
    if (FAILED(loaded) || !picture) return FALSE;

    OLE_HANDLE handle = 0;
    BOOL result = FALSE;
    if (SUCCEEDED(picture->get_Handle(&handle)))
        result = LoadFromBitmap(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
    picture->Release();
    return result;
}

BOOL KVQFrameBuffer::LoadPicture(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > kLargestPictureFile) return FALSE;
    const DWORD bytes = static_cast<DWORD>(size.QuadPart);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return FALSE;

    DWORD read = 0;
    void* data = GlobalLock(memory);
    const BOOL readAll = data && ReadFile(file, data, bytes, &read, nullptr) && read == bytes;
    GlobalUnlock(memory);
    if (!readAll) {
        GlobalFree(memory);
        return FALSE;
    }
    return LoadFromGlobal(memory, bytes);
}

BOOL KVQFrameBuffer::LoadPicture(const void* data, size_t length)
{
    if (!data || length == 0 || LONGLONG(length) > kLargestPictureFile) return FALSE;
    const DWORD bytes = static_cast<DWORD>(length);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* block = memory ? GlobalLock(memory) : nullptr;
    if (!block) {
        if (memory) GlobalFree(memory);
        return FALSE;
    }
    std::memcpy(block, data, bytes);
    GlobalUnlock(memory);
    return LoadFromGlobal(memory, bytes);
}

BOOL KVQFrameBuffer::LoadFile(const wchar_t* path)
{
    return UseFile(OpenPictureFile(path, false), [this](HANDLE file) { return LoadPicture(file); });
}

BOOL KVQFrameBuffer::LoadFile(const char* path)
{
    return UseFile(OpenPictureFile(path, false), [this](HANDLE file) { return LoadPicture(file); });
}

BOOL KVQFrameBuffer::SaveBmp(HANDLE file)
{
    if (!m_pixels) return FALSE;
    GdiFlush();
    unsigned char fileHeader[kBmpFileHeaderBytes];
    WriteBmpFileHeader(fileHeader, m_header.biSizeImage);
    return WriteAll(file, fileHeader, sizeof fileHeader) && WriteAll(file, &m_header, sizeof m_header) &&
           WriteAll(file, m_pixels, m_header.biSizeImage);
}

BOOL KVQFrameBuffer::SaveBmpFile(const wchar_t* path)
{
    return UseFile(OpenPictureFile(path, true), [this](HANDLE file) { return SaveBmp(file); });
}

BOOL KVQFrameBuffer::SaveBmpFile(const char* path)
{
    return UseFile(OpenPictureFile(path, true), [this](HANDLE file) { return SaveBmp(file); });
}

BgrPlane KVQFrameBuffer::WritablePlane()
{
    GdiFlush();
    return {m_pixels, Width(), Height(), m_stride};
}

void KVQFrameBuffer::Negative() { PixelOps::Negative(WritablePlane()); }
void KVQFrameBuffer::Grayscale() { PixelOps::Grayscale(WritablePlane()); }
void KVQFrameBuffer::AdjustBrightness(int delta) { PixelOps::AdjustBrightness(WritablePlane(), delta); }
void KVQFrameBuffer::AdjustContrast(int level) { PixelOps::AdjustContrast(WritablePlane(), level); }
void KVQFrameBuffer::Mirror(BOOL vertical) { PixelOps::Mirror(WritablePlane(), vertical != FALSE); }
void KVQFrameBuffer::Rotate180() { PixelOps::Rotate180(WritablePlane()); }

void KVQFrameBuffer::DrawAt(HDC target, int x, int y)
{
    if (!m_pixels) return;
    m_outputRect = {x, y, x + Width(), y + Height()};
    BitBlt(target, x, y, Width(), Height(), m_memoryDC, 0, 0, SRCCOPY);
}

void KVQFrameBuffer::StretchTo(HDC target, const RECT& destination, const RECT* source, BOOL keepAspect, BOOL fillBands)
{
    if (!m_pixels) return;
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);

    const PixelRect sourceArea = source ? ToPixelRect(*source) : PixelRect{};
    const StretchLayout layout = LayoutStretch(ToPixelRect(destination), Width(), Height(),
                                               source ? &sourceArea : nullptr, keepAspect, fillBands);
    const PixelRect& s = layout.source;
    const PixelRect& o = layout.output;
    switch (layout.kind) {
    case StretchLayout::Nothing:
        return;
    case StretchLayout::Copy:
        m_outputRect = destination;
        BitBlt(target, o.left, o.top, s.right - s.left, s.bottom - s.top, m_memoryDC, o.left, o.top, SRCCOPY);
        return;
    case StretchLayout::Stretch:
        m_outputRect = ToRect(o);
        for (int i = 0; i < layout.bandCount; ++i) {
            const RECT band = ToRect(layout.bands[i]);
            FillRect(target, &band, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        StretchBlt(target, o.left, o.top, o.right - o.left, o.bottom - o.top, m_memoryDC, s.left, s.top,
                   s.right - s.left, s.bottom - s.top, SRCCOPY);
        return;
    }
}

void KVQFrameBuffer::DrawRotated(HDC target, const RECT& destination, const RECT* source, BOOL keepAspect,
                                 BOOL fillBands, float angle, COLORREF background)
{
    if (angle == 0.0f) {
        StretchTo(target, destination, source, keepAspect, fillBands);
        return;
    }
    if (!m_pixels) return;
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(target, &destination, brush);
    DeleteObject(brush);

    const int oldMode = SetGraphicsMode(target, GM_ADVANCED);
    XFORM saved;
    GetWorldTransform(target, &saved);
    const AffineTransform t = RotationTransform(destination.right - destination.left,
                                                destination.bottom - destination.top, Width(), Height(), angle);
    const XFORM turn{t.m11, t.m12, t.m21, t.m22, t.dx, t.dy};
    SetWorldTransform(target, &turn);
    BitBlt(target, 0, 0, Width(), Height(), m_memoryDC, 0, 0, SRCCOPY);
    SetWorldTransform(target, &saved);
    SetGraphicsMode(target, oldMode);
}

void KVQFrameBuffer::Trace(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    SendTrace(format, args, _vsnwprintf, OutputDebugStringW);
    va_end(args);
}

void KVQFrameBuffer::Trace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    SendTrace(format, args, _vsnprintf, OutputDebugStringA);
    va_end(args);
}
