#include "ImageRendering.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// A GDI+ bitmap decoded from bytes held in a memory stream; the stream lives
// as long as the bitmap, which reads from it.
class DecodedPicture {
public:
    DecodedPicture(const unsigned char* data, UINT size)
    {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
        if (!memory) return;
        void* p = GlobalLock(memory);
        if (!p) {
            GlobalFree(memory);
            return;
        }
        std::memcpy(p, data, size);
        GlobalUnlock(memory);
        if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &m_stream))) {
            GlobalFree(memory);
            m_stream = nullptr;
            return;
        }
        if (Gdiplus::DllExports::GdipCreateBitmapFromStream(m_stream, &m_bitmap) != Gdiplus::Ok) m_bitmap = nullptr;
    }
    ~DecodedPicture()
    {
        if (m_bitmap) Gdiplus::DllExports::GdipDisposeImage(m_bitmap);
        if (m_stream) m_stream->Release();
    }
    DecodedPicture(const DecodedPicture&) = delete;
    DecodedPicture& operator=(const DecodedPicture&) = delete;

    Gdiplus::GpBitmap* Bitmap() const { return m_bitmap; }

private:
    IStream* m_stream = nullptr;
    Gdiplus::GpBitmap* m_bitmap = nullptr;
};

}  // namespace

bool ImageRenderer::Render(const Telvane::ImageGraphic& shape)
{
    PixelRect rect;
    if (!shape.imageData() || !shape.imageSize() || !m_layer.Plane().pixels || !PlaceShapeRect(shape, m_target, rect))
        return false;
    const DecodedPicture picture(shape.imageData(), shape.imageSize());
    if (!picture.Bitmap()) return false;
    Gdiplus::GpGraphics* graphics = nullptr;
    if (Gdiplus::DllExports::GdipCreateFromHDC(m_layer.GetDC(), &graphics) != Gdiplus::Ok) return false;
    const Gdiplus::Status drawn = Gdiplus::DllExports::GdipDrawImageRect(
        graphics, picture.Bitmap(), static_cast<float>(rect.left), static_cast<float>(rect.top),
        static_cast<float>(rect.right - rect.left), static_cast<float>(rect.bottom - rect.top));
    Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    m_layer.SetDirty(1);
    return drawn == Gdiplus::Ok;
}

int FindEncoderClsid(const wchar_t* mime, CLSID* clsid)
{
    UINT count = 0, bytes = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || !count || !bytes) return -1;
    std::vector<unsigned char> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) return -1;
    for (UINT i = 0; i < count; ++i)
        if (encoders[i].MimeType && std::wcscmp(encoders[i].MimeType, mime) == 0) {
            *clsid = encoders[i].Clsid;
            return static_cast<int>(i);
        }
    return -1;
}
