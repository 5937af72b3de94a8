#include "kjpeg/PixelConverters.h"

#include "CropWindow.h"

namespace kjpeg {
namespace {

inline uint8_t Clamp(int32_t value) { return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); }

// Walks the kept pixel pairs of the window, each with its two lumas and the
// chroma samples it shares, in rows from the top; the writer stores one
// pair and advances.
template <typename PairWriter>
size_t ConvertPairs(const DecodedFrame& frame, const Picture& picture, size_t bytesPerPixel, PairWriter write)
{
    CropWindow window;
    if (frame.planes == nullptr || picture.pixels == nullptr || !window.Fit(picture.width, picture.height)) return 0;
    const size_t bytes = size_t{picture.width} * picture.height * bytesPerPixel;
    if (bytes > picture.capacity) return 0;

    const bool quarter = frame.chroma == ChromaLayout::Quarter;
    const size_t chromaWidth = kFrameWidth / 2;
    const size_t chromaPlane = chromaWidth * (quarter ? kFrameHeight / 2 : kFrameHeight);
    if (frame.size < kLumaPlaneSize + 2 * chromaPlane) return 0;
    const uint8_t* cbPlane = frame.planes + kLumaPlaneSize;
    const uint8_t* crPlane = cbPlane + chromaPlane;

    uint8_t* out = picture.pixels;
    for (uint32_t r = 0; r < window.rows; ++r) {
        const size_t row = window.firstRow + size_t{r} * window.step;
        const size_t chromaRow = quarter ? row / 2 : row;
        const uint8_t* luma = frame.planes + row * kFrameWidth;
        const uint8_t* cb = cbPlane + chromaRow * chromaWidth;
        const uint8_t* cr = crPlane + chromaRow * chromaWidth;
        for (uint32_t p = 0; p < window.pairs; ++p) {
            const size_t pair = window.firstPair + size_t{p} * window.step;
            out = write(out, luma[2 * pair], luma[2 * pair + 1], cb[pair], cr[pair]);
        }
    }
    return bytes;
}

}  // namespace

void CreateColourTables(Rgb24Tables* tables)
{
    for (int32_t i = 0; i < 256; ++i) {
        tables->luma[i] = (i * 1192 - 19072) >> 10;
        tables->crToRed[i] = (i - 128) * 1634 >> 10;
        tables->cbToBlue[i] = (i - 128) * 2065 >> 10;
        tables->cbToGreen[i] = (i - 128) * 401 >> 10;
        tables->crToGreen[i] = (i - 128) * 833 >> 10;
    }
}

void CreateColourTables(Rgb555Table* table)
{
    for (int32_t index = 0; index < (1 << 15); ++index) {
        const int32_t y = (index >> 10) << 3;
        const int32_t cb = ((index >> 5) & 31) << 3;
        const int32_t cr = (index & 31) << 3;
        const uint32_t red = Clamp((1192 * y + 1634 * cr - 228224) >> 10);
        const uint32_t green = Clamp((1192 * y - 833 * cr - 401 * cb + 138880) >> 10);
        const uint32_t blue = Clamp((1192 * y + 2065 * cb - 283392) >> 10);
        table->pixel[index] = static_cast<uint16_t>((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
    }
}

size_t ConvertToYuy2(const DecodedFrame& frame, const Picture& picture)
{
    return ConvertPairs(frame, picture, 2, [](uint8_t* out, uint8_t y0, uint8_t y1, uint8_t cb, uint8_t cr) {
        out[0] = y0;
        out[1] = cb;
        out[2] = y1;
        out[3] = cr;
        return out + 4;
    });
}

size_t ConvertToRgb24(const DecodedFrame& frame, const Rgb24Tables& tables, const Picture& picture)
{
    return ConvertPairs(frame, picture, 3, [&tables](uint8_t* out, uint8_t y0, uint8_t y1, uint8_t cb, uint8_t cr) {
        const int32_t blue = tables.cbToBlue[cb];
        const int32_t green = tables.crToGreen[cr] + tables.cbToGreen[cb];
        const int32_t red = tables.crToRed[cr];
        auto pixel = [&](uint8_t* at, uint8_t y) {
            const int32_t luma = tables.luma[y];
            at[0] = Clamp(luma + blue);
            at[1] = Clamp(luma - green);
            at[2] = Clamp(luma + red);
        };
        pixel(out, y0);
        pixel(out + 3, y1);
        return out + 6;
    });
}

size_t ConvertToRgb555(const DecodedFrame& frame, const Rgb555Table& table, const Picture& picture)
{
    return ConvertPairs(frame, picture, 2, [&table](uint8_t* out, uint8_t y0, uint8_t y1, uint8_t cb, uint8_t cr) {
        const uint32_t chroma = uint32_t{cb} >> 3 << 5 | uint32_t{cr} >> 3;
        auto pixel = [&](uint8_t* at, uint8_t y) {
            const uint16_t value = table.pixel[uint32_t{y} >> 3 << 10 | chroma];
            at[0] = static_cast<uint8_t>(value);
            at[1] = static_cast<uint8_t>(value >> 8);
        };
        pixel(out, y0);
        pixel(out + 2, y1);
        return out + 4;
    });
}

}  // namespace kjpeg
