#pragma once

#include <windows.h>

#include "AnnotationPlane.h"

// The transparent drawing layer over a picture: a 32-bit premultiplied ARGB
// DIB section with its own memory context, drawn on directly and composited
// onto windows with the platform's alpha blend. It knows nothing of shapes
// or tools; all calls come from the owner's thread.
class KVQAnnotator {
public:
    KVQAnnotator();
    virtual ~KVQAnnotator();
    KVQAnnotator(const KVQAnnotator&) = delete;
    KVQAnnotator& operator=(const KVQAnnotator&) = delete;

    // Same size clears; a failed new size keeps the old pixels and returns 0.
    int Resize(int width, int height);
    void Clear();
    int Draw(HDC hdc);

    HDC GetDC() const { return m_memoryDC; }
    int GetWidth() const { return m_header.biWidth; }
    int GetHeight() const { return m_header.biHeight; }
    const BITMAPINFOHEADER* GetBitmapInfo() const { return &m_header; }
    int IsDirty() const { return m_dirty; }
    void SetDirty(int dirty) { m_dirty = dirty; }
    DWORD GetLineColor() const { return m_lineColour; }
    void SetLineColor(DWORD argb) { m_lineColour = argb; }
    DWORD GetFillColor() const { return m_fillColour; }
    void SetFillColor(DWORD argb) { m_fillColour = argb; }
    void SetAlpha(BYTE alpha);

    void DrawLine(POINT from, POINT to);
    void DrawRect(const RECT& rect, int fill, int border);
    void EraseRect(const RECT& rect);
    // Shrinks rect by the border on every side.
    void DrawEllipse(RECT& rect, int fill, int border);
    void MergeFrom(KVQAnnotator& source, int keyed, int blend, const RECT* clip, int alpha, DWORD key);
    void BlendFrom(KVQAnnotator& source, const RECT* clip, int alpha);

    int WriteBmp(HANDLE file);
    // Replaces any file at the path whole.
    int SaveBmp(const char* path);
    int SaveBmp(const wchar_t* path);

    static DWORD MakeARGB(BYTE r, BYTE g, BYTE b, BYTE a) { return Argb::Make(r, g, b, a); }
    static DWORD ColorRefToARGB(COLORREF colour, BYTE a) { return Argb::FromColorRef(colour, a); }
    static COLORREF ARGBToColorRef(DWORD argb) { return Argb::ToColorRef(argb); }

    // The pixels for direct access, once the platform has finished drawing
    // into them; no pixels before the first Resize.
    ArgbPlane Plane();

private:
    void MarkDrawn(bool drawn);

    BITMAPINFOHEADER m_header;
    BLENDFUNCTION m_blend;
    HDC m_memoryDC;
    HGDIOBJ m_originalBitmap;  // the context's own, selected back before ours is deleted
    HBITMAP m_bitmap;
    std::uint32_t* m_pixels;
    DWORD m_lineColour;
    DWORD m_fillColour;
    int m_dirty;
};

// The main window's layer: drawn under a camera orientation, turned and
// mirrored with the camera's picture.
class CAnnotator : public KVQAnnotator {
public:
    // Swap left and right in every row; swap top and bottom in every column.
    void MirrorRows();
    void FlipColumns();
    // Turns the drawing to rotation (0 to 3 quarter turns): a half turn
    // exactly; a quarter turn fits the portrait drawing into the landscape
    // layer, or the landscape one over it. False when already there.
    bool Rotate(int rotation);
    int GetRotation() const { return m_rotation; }
    // Follows the camera's rotation and mirror mode (1 asks for a mirror). A
    // clean layer only records them; a drawn one is turned and mirrored.
    // The caller holds the display lock; true when the pixels changed.
    bool FollowCamera(int rotation, int mirrorMode);

    int m_appliedMirror = 0;
    int m_requestedMirror = 0;
    KVQAnnotator m_turned;          // the scratch of Rotate, layer height x width
    KVQAnnotator m_spare;           // never sized
    KVQAnnotator m_frameLayers[2];  // composited by the live frame path

private:
    int m_rotation = 0;
};
