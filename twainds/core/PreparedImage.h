#pragma once
#include <cstddef>

#include "PixelPlane.h"
#include "TwainMemory.h"

#pragma pack(push, 2)
// The 40-byte header of a packed DIB, as the platform's BITMAPINFOHEADER.
struct DibHeader {
    TW_UINT32 size;
    TW_INT32 width;
    TW_INT32 height;
    TW_UINT16 planes;
    TW_UINT16 bitCount;
    TW_UINT32 compression;
    TW_UINT32 sizeImage;
    TW_INT32 xPelsPerMeter;
    TW_INT32 yPelsPerMeter;
    TW_UINT32 clrUsed;
    TW_UINT32 clrImportant;
};
#pragma pack(pop)
static_assert(sizeof(DibHeader) == 40, "DibHeader");

// The one picture being handed to the application: a packed DIB in moveable
// memory (header, colour table, rows bottom-up) made from the live picture in
// the negotiated pixel type, sent whole (native, file) or in strips of rows
// top row first (memory).
class PreparedImage {
public:
    explicit PreparedImage(TwainMemory& memory) : m_memory(memory) {}
    ~PreparedImage() { Release(); }
    PreparedImage(const PreparedImage&) = delete;
    PreparedImage& operator=(const PreparedImage&) = delete;

    // 24-bit colour (TWPT_RGB), 8-bit gray with a ramp (TWPT_GRAY) or 1-bit
    // black below the threshold and white above (TWPT_BW); false, with no
    // picture, for any other type or when memory runs out. The gray types
    // turn the caller's copy of the picture gray on the way.
    bool Prepare(const BgrPlane& picture, TW_UINT16 pixelType, int threshold);
    bool Exists() const { return m_dib != nullptr; }
    // Gives the DIB's handle away; null when there is none.
    TW_HANDLE Detach();
    void Release();

    struct Strip {
        TW_UINT32 rows;
        TW_UINT32 bytesWritten;
        TW_UINT32 yOffset;
        bool last;  // the bottom row went with this strip
    };
    // Copies as many whole rows as fit, continuing where the last strip
    // ended: colour rows as red, green, blue; gray and black-and-white rows
    // inverted when the application asked for white as 0 (vanilla).
    bool NextStrip(unsigned char* out, std::size_t length, bool vanilla, Strip& strip);

    // The colours of the DIB's table: 0 for a colour picture.
    int Colors(TW_UINT8 (*rgb)[3], int capacity);

    bool WriteBmp(const char* path);
    bool WriteTiff(const char* path);

    int Width() const { return m_header.width; }
    int Height() const { return m_header.height; }
    int BitCount() const { return m_header.bitCount; }
    int Stride() const { return m_stride; }

private:
    bool ReadDib(unsigned char* to, std::size_t offset, std::size_t bytes);

    TwainMemory& m_memory;
    TW_HANDLE m_dib = nullptr;
    DibHeader m_header{};
    int m_stride = 0;
    int m_nextRow = 0;  // picture row (0 = top) the next strip starts with
};
