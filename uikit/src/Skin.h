#pragma once
// What the skinned controls share: the library's own module, its default
// bitmaps, the face/region loading every Create function starts with.
#include "kvquikit.h"

namespace kvq {

const UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

HINSTANCE LibraryInstance();

// A default bitmap of the library, looked up with the library as the current
// resource module (so the host's resources do not shadow it).
HBITMAP LoadLibraryBitmap(UINT id);

// The face (the caller's bitmap, else the default, else a blank 128 x 64),
// its rectangle at (0, 0) and, with useRegion, its shape: read from the region
// file when that holds a whole, consistent region, else computed.
KVQ_API void LoadSkinBitmap(CRgn* region, CRect* rect, CBitmap* bitmap, const wchar_t* regionFile, HBITMAP face,
                            UINT defaultId, COLORREF transparent, BOOL useRegion);

// The region's handle goes to the window, which owns it from then on.
void HandRegionTo(CWnd& wnd, CRgn& region);

// How a control's face is found and shaped.
struct FaceSource {
    const wchar_t* regionFile;
    HBITMAP face;  // the caller's, or null for the default
    UINT defaultId;
    COLORREF transparent;
    BOOL useRegion;
};

// The start of every skinned child control: the face (and shape) loaded, a
// visible child window at (x, y) as large as the face, the shape handed to it.
BOOL CreateSkinnedChild(CWnd& wnd, CBitmap& face, CRgn& region, const FaceSource& source, int x, int y, CWnd* parent,
                        UINT id);

// Region data as a region file holds it; null when the bytes are not one
// whole, consistent RGNDATA.
HRGN RegionFromFileData(const BYTE* data, size_t length);

// Converts a bitmap to a SkinImage; the bitmap is deleted when it was loaded
// only for the conversion (owned).
class ImageSource {
public:
    ImageSource(HBITMAP given, UINT defaultId);
    ~ImageSource();
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;
    HBITMAP Handle() const { return m_bitmap; }

private:
    HBITMAP m_bitmap;
    bool m_owned;
};

// GetDC(NULL) for the life of the scope.
class ScreenDC {
public:
    ScreenDC() : m_dc(::GetDC(nullptr)) {}
    ~ScreenDC()
    {
        if (m_dc) ::ReleaseDC(nullptr, m_dc);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    explicit operator bool() const { return m_dc != nullptr; }
    HDC Handle() const { return m_dc; }

private:
    HDC m_dc;
};

inline const wchar_t* Wide(const KVQChar* text) { return reinterpret_cast<const wchar_t*>(text); }

}  // namespace kvq
