#pragma once

#include <windows.h>

#include "PixelPlane.h"

// The console's picture store: one 24-bit bottom-up DIB section selected into
// a memory context of its own, so the same pixels are written by code, drawn
// to windows and printers without conversion, and saved as BMP. No lock of
// its own: owners shared between threads guard it with their locks.
class KVQFrameBuffer {
public:
    KVQFrameBuffer();
    virtual ~KVQFrameBuffer();
    KVQFrameBuffer(const KVQFrameBuffer&) = delete;
    KVQFrameBuffer& operator=(const KVQFrameBuffer&) = delete;

    // Same size keeps the pixels; a new size gives black pixels, and a failed
    // one keeps the old picture.
    BOOL Resize(int width, int height);
    BOOL CopyFrom(const KVQFrameBuffer& source);
    void Release();

    BOOL LoadFromBitmap(HBITMAP bitmap);
    BOOL LoadPicture(HANDLE file);                      // any file the platform's picture loader reads
    BOOL LoadPicture(const void* data, size_t length);  // the same, held in memory
    BOOL LoadFile(const wchar_t* path);
    BOOL LoadFile(const char* path);
    BOOL SaveBmp(HANDLE file);
    BOOL SaveBmpFile(const wchar_t* path);  // replaces an existing file whole
    BOOL SaveBmpFile(const char* path);

    void Negative();
    void Grayscale();
    void AdjustBrightness(int delta);
    void AdjustContrast(int level);
    void Mirror(BOOL vertical);
    void Rotate180();

    void DrawAt(HDC target, int x, int y);
    void StretchTo(HDC target, const RECT& destination, const RECT* source, BOOL keepAspect, BOOL fillBands);
    // Only a destination at the origin of the picture's size turns the
    // picture about its centre; angle 0 is StretchTo.
    void DrawRotated(HDC target, const RECT& destination, const RECT* source, BOOL keepAspect, BOOL fillBands,
                     float angle, COLORREF background);

    static void Trace(const wchar_t* format, ...);
    static void Trace(const char* format, ...);

    bool HasPicture() const { return m_pixels != nullptr; }
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    int Stride() const { return m_stride; }
    DWORD ImageSize() const { return m_header.biSizeImage; }
    float Aspect() const { return m_aspect; }
    const RECT& OutputRect() const { return m_outputRect; }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    HDC MemoryDC() const { return m_memoryDC; }

    // The pixels for code that writes them (codec, conversions, corrections),
    // once the platform has finished drawing from them.
    BgrPlane WritablePlane();

private:
    void SelectBitmap(HBITMAP bitmap);
    BOOL LoadFromGlobal(HGLOBAL memory, DWORD bytes);

    BITMAPINFOHEADER m_header;
    HDC m_memoryDC;
    HGDIOBJ m_originalBitmap;  // the context's own, selected back before ours is deleted
    HBITMAP m_bitmap;
    unsigned char* m_pixels;
    int m_stride;
    RECT m_outputRect;
    float m_aspect;
};

// The frame buffer as the console's windows keep it.
class CFrameBuffer : public KVQFrameBuffer {
public:
    CFrameBuffer() = default;

    RECT m_viewRect{};     // part of the picture a window shows, kept by the owner
    int m_taken = 0;       // picture handed on (snapshot, recorder): not yet saved
    int m_newPicture = 0;  // cleared by the main window on each draw
};
