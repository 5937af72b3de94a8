#include "EncColor.h"

#include <cstddef>

namespace {
// ITU-R BT.601 in 8-bit fixed point; luma comes out level-shifted, chroma
// centred on 0. `shift` is 8 plus log2 of the pixels summed into r, g, b.
inline int32_t lumaOf(int32_t r, int32_t g, int32_t b) { return (77 * r + 150 * g + 29 * b - 32640) >> 8; }
inline int32_t cbOf(int32_t r, int32_t g, int32_t b, int32_t shift)
{
    return (-43 * r - 85 * g + 128 * b + (1 << (shift - 1))) >> shift;
}
inline int32_t crOf(int32_t r, int32_t g, int32_t b, int32_t shift)
{
    return (128 * r - 107 * g - 21 * b + (1 << (shift - 1))) >> shift;
}

constexpr int32_t log2Of(int32_t n) { return n >= 4 ? 2 : n >= 2 ? 1 : 0; }

// Pixel formats of the block kernels: how a pixel's bytes become the first
// plane's sample and the three values summed for the other two planes.
template <int R, int G, int B, bool Inverted, int Bytes, bool Key>
struct ConvertedPixel {
    static constexpr int kBytes = Bytes;
    static constexpr bool kKey = Key;
    static int32_t channel(const uint8_t* p, int index) { return Inverted ? 255 - p[index] : p[index]; }
    static int32_t first(const uint8_t* p) { return lumaOf(channel(p, R), channel(p, G), channel(p, B)); }
    static void accumulate(const uint8_t* p, int32_t sums[3])
    {
        sums[0] += channel(p, R);
        sums[1] += channel(p, G);
        sums[2] += channel(p, B);
    }
    static void finish(const int32_t sums[3], int32_t cellShift, int16_t* second, int16_t* third)
    {
        *second = static_cast<int16_t>(cbOf(sums[0], sums[1], sums[2], 8 + cellShift));
        *third = static_cast<int16_t>(crOf(sums[0], sums[1], sums[2], 8 + cellShift));
    }
};

template <int Bytes, bool Key>
struct PlainPixel {
    static constexpr int kBytes = Bytes;
    static constexpr bool kKey = Key;
    static int32_t first(const uint8_t* p) { return p[0] - 128; }
    static void accumulate(const uint8_t* p, int32_t sums[3])
    {
        sums[1] += p[1];
        sums[2] += p[2];
    }
    static void finish(const int32_t sums[3], int32_t cellShift, int16_t* second, int16_t* third)
    {
        const int32_t half = (1 << cellShift) >> 1;
        *second = static_cast<int16_t>(((sums[1] + half) >> cellShift) - 128);
        *third = static_cast<int16_t>(((sums[2] + half) >> cellShift) - 128);
    }
};

using RgbPixel = ConvertedPixel<0, 1, 2, false, 3, false>;
using BgrPixel = ConvertedPixel<2, 1, 0, false, 3, false>;
using CmykPixel = ConvertedPixel<0, 1, 2, true, 4, true>;
using Plain3Pixel = PlainPixel<3, false>;
using Plain4Pixel = PlainPixel<4, true>;

// One whole MCU of 8H x 8V pixels: the first plane (and the key plane) per
// pixel in H x V blocks, the other two from H x V cells rounded once.
template <class Pixel, int H, int V>
void encodeBlocks(const uint8_t* source, int32_t stride, int16_t* first, int16_t* second, int16_t* third, int16_t* key)
{
    for (int row = 0; row < 8 * V; ++row) {
        const uint8_t* p = source + static_cast<ptrdiff_t>(row) * stride;
        for (int column = 0; column < 8 * H; ++column, p += Pixel::kBytes) {
            const int index = ((row >> 3) * H + (column >> 3)) * 64 + (row & 7) * 8 + (column & 7);
            first[index] = static_cast<int16_t>(Pixel::first(p));
            if (Pixel::kKey) key[index] = static_cast<int16_t>(p[3] - 128);
        }
    }
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column) {
            int32_t sums[3] = {0, 0, 0};
            for (int dv = 0; dv < V; ++dv)
                for (int dh = 0; dh < H; ++dh)
                    Pixel::accumulate(
                        source + static_cast<ptrdiff_t>(row * V + dv) * stride + (column * H + dh) * Pixel::kBytes,
                        sums);
            Pixel::finish(sums, log2Of(H * V), second + row * 8 + column, third + row * 8 + column);
        }
}

template <class Pixel, int H, int V>
void encodeThree(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    encodeBlocks<Pixel, H, V>(source, stride, y, cb, cr, nullptr);
}

template <class Pixel, int H, int V>
void encodeFour(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k)
{
    encodeBlocks<Pixel, H, V>(source, stride, y, cb, cr, k);
}

void encodeGreyBlock(const uint8_t* source, int32_t stride, int16_t* block)
{
    for (int row = 0; row < 8; ++row, source += stride)
        for (int column = 0; column < 8; ++column) block[row * 8 + column] = static_cast<int16_t>(source[column] - 128);
}

// Packed Y0 Cb Y1 Cr: 16 x 8 pixels to two luma blocks and one block of each chroma.
void encodePackedYcc(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr)
{
    for (int row = 0; row < 8; ++row, source += stride)
        for (int pair = 0; pair < 8; ++pair) {
            const uint8_t* p = source + pair * 4;
            int16_t* luma = y + (pair >> 2) * 64 + row * 8 + (pair & 3) * 2;
            luma[0] = static_cast<int16_t>(p[0] - 128);
            luma[1] = static_cast<int16_t>(p[2] - 128);
            cb[row * 8 + pair] = static_cast<int16_t>(p[1] - 128);
            cr[row * 8 + pair] = static_cast<int16_t>(p[3] - 128);
        }
}

// Where one MCU lies in the bitmap and how much of it the picture covers.
struct McuPlacement {
    const uint8_t* source;
    int32_t left;     // bitmap column of the MCU's first pixel
    int32_t columns;  // valid pixel columns
    int32_t rows;     // valid pixel rows
};

int32_t bytesPerPixel(const JPEG_CODEC_STATE* state)
{
    return state->bitmap.subsampling == JPEG_SUBSAMPLING_422 ? 2 : state->bitmap.channels;
}

McuPlacement placeMcu(const JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow)
{
    const JpegFrameInfo& frame = state->frame;
    const int32_t left = mcuColumn * frame.mcuWidth, top = mcuRow * frame.mcuHeight;
    McuPlacement placement;
    placement.source = state->io.firstRow + static_cast<ptrdiff_t>(top) * state->bitmap.rowStep +
                       static_cast<ptrdiff_t>(left) * bytesPerPixel(state);
    placement.left = left;
    placement.columns = frame.width - left < frame.mcuWidth ? frame.width - left : frame.mcuWidth;
    placement.rows = frame.height - top < frame.mcuHeight ? frame.height - top : frame.mcuHeight;
    return placement;
}

bool fullMcu(const JPEG_CODEC_STATE* state, const McuPlacement& placement)
{
    return placement.columns == state->frame.mcuWidth && placement.rows == state->frame.mcuHeight;
}

// How the general path reads a pixel: byte offsets of up to four channels
// (-1: the channel is absent and its plane holds 0 after the level shift).
struct PixelReading {
    int32_t bytes;
    int32_t offsets[JPEG_MAX_COMPONENTS];
    bool convert;   // the channels are R, G, B (and K) to be turned into Y, Cb, Cr (and K)
    bool inverted;  // CMYK: R, G, B are 255 minus the stored bytes
    bool packed;    // Y0 Cb Y1 Cr pairs
};

PixelReading pixelReading(const JPEG_CODEC_STATE* state)
{
    const JpegBitmapDesc& bitmap = state->bitmap;
    PixelReading reading = {bytesPerPixel(state),
                            {0, 1, 2, 3},
                            state->stream.colorConversion != 0,
                            false,
                            bitmap.subsampling == JPEG_SUBSAMPLING_422};
    const bool reversed = bitmap.color == JPEG_COLOR_BGR && (reading.convert || state->stream.color == JPEG_COLOR_RGB);
    if (reversed) {
        reading.offsets[0] = 2;
        reading.offsets[2] = 0;
    }
    if (bitmap.color == JPEG_COLOR_GREY) reading.offsets[1] = reading.offsets[2] = reading.offsets[3] = -1;
    reading.inverted = reading.convert && bitmap.color == JPEG_COLOR_CMYK;
    for (int i = 0; i < JPEG_MAX_COMPONENTS; ++i)
        if (reading.offsets[i] >= reading.bytes) reading.offsets[i] = -1;
    return reading;
}

// The raw channel values of pixel x of a row that starts at bitmap column
// `left` (128 for an absent channel).
void readPixel(const PixelReading& reading, const uint8_t* row, int32_t x, int32_t left, int32_t width,
               int32_t values[4])
{
    if (reading.packed) {
        const int32_t pair = (x >> 1) * 4;
        values[0] = row[x * 2];
        values[1] = row[pair + 1];
        // An odd last pixel has no Cr of its own: it borrows the previous pair's
        // (a picture one pixel wide has none and gets neutral chroma).
        const bool hasCr = left + (x | 1) < width;
        values[2] = hasCr ? row[pair + 3] : left + x >= 2 ? row[pair - 1] : 128;
        values[3] = 128;
        return;
    }
    const uint8_t* p = row + static_cast<ptrdiff_t>(x) * reading.bytes;
    for (int i = 0; i < JPEG_MAX_COMPONENTS; ++i) {
        const int32_t offset = reading.offsets[i];
        values[i] = offset < 0 ? 128 : (reading.inverted && i < 3) ? 255 - p[offset] : p[offset];
    }
}

enum { kMaxMcuPixels = 16 * 16 };

// Any layout, any MCU: the valid pixels into full-resolution planes with
// the last column and row repeated to the MCU's size, then each component
// from the means of its cells. With meansFirst the planes keep R, G, B and
// the cell means are converted; otherwise each pixel is converted (or
// level-shifted) first and the means are taken of the results.
void convertGeneral(JPEG_CODEC_STATE* state, const McuPlacement& placement, bool meansFirst)
{
    const JpegFrameInfo& frame = state->frame;
    const int32_t width = frame.mcuWidth, height = frame.mcuHeight;
    const PixelReading reading = pixelReading(state);
    int32_t planes[JPEG_MAX_COMPONENTS][kMaxMcuPixels];
    for (int32_t y = 0; y < height; ++y) {
        const int32_t sourceRow = y < placement.rows ? y : placement.rows - 1;
        const uint8_t* row = placement.source + static_cast<ptrdiff_t>(sourceRow) * state->bitmap.rowStep;
        for (int32_t x = 0; x < width; ++x) {
            const int32_t sourceColumn = x < placement.columns ? x : placement.columns - 1;
            int32_t values[4];
            readPixel(reading, row, sourceColumn, placement.left, frame.width, values);
            const int32_t at = y * width + x;
            if (reading.convert && !meansFirst) {
                planes[0][at] = lumaOf(values[0], values[1], values[2]);
                planes[1][at] = cbOf(values[0], values[1], values[2], 8);
                planes[2][at] = crOf(values[0], values[1], values[2], 8);
                planes[3][at] = values[3] - 128;
            } else if (reading.convert) {
                for (int i = 0; i < 4; ++i) planes[i][at] = values[i];
            } else {
                for (int i = 0; i < 4; ++i) planes[i][at] = values[i] - 128;
            }
        }
    }
    int16_t* block = state->mcuBuffer;
    for (int32_t c = 0; c < frame.componentCount; ++c) {
        const ComponentSpec& component = frame.components[c];
        const int32_t cellWidth = frame.maxH / component.horizontalFactor;
        const int32_t cellHeight = frame.maxV / component.verticalFactor;
        const int32_t cellPixels = cellWidth * cellHeight;
        const int32_t cellShift = log2Of(cellPixels);
        for (int32_t bv = 0; bv < component.verticalFactor; ++bv)
            for (int32_t bh = 0; bh < component.horizontalFactor; ++bh, block += 64)
                for (int32_t r = 0; r < 8; ++r)
                    for (int32_t col = 0; col < 8; ++col) {
                        const int32_t x0 = (bh * 8 + col) * cellWidth, y0 = (bv * 8 + r) * cellHeight;
                        int32_t sums[4] = {0, 0, 0, 0};
                        for (int32_t dy = 0; dy < cellHeight; ++dy)
                            for (int32_t dx = 0; dx < cellWidth; ++dx)
                                for (int i = 0; i < 4; ++i) sums[i] += planes[i][(y0 + dy) * width + x0 + dx];
                        int32_t sample;
                        if (meansFirst && reading.convert) {
                            int32_t means[4];
                            for (int i = 0; i < 4; ++i) means[i] = (sums[i] + cellPixels / 2) / cellPixels;
                            sample = c == 0   ? lumaOf(means[0], means[1], means[2])
                                     : c == 1 ? cbOf(means[0], means[1], means[2], 8)
                                     : c == 2 ? crOf(means[0], means[1], means[2], 8)
                                              : means[3] - 128;
                        } else {
                            sample = (sums[c] + (cellPixels >> 1)) >> cellShift;
                        }
                        block[r * 8 + col] = static_cast<int16_t>(sample);
                    }
    }
}

void convertAnyMcu(JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow)
{
    convertGeneral(state, placeMcu(state, mcuColumn, mcuRow), true);
}

// The special layouts: a whole MCU goes to the dispatch table's kernel, one
// that hangs over the right or bottom border to the general path.
template <Encode3Fn CpuDispatchTable::*Kernel, int H, int V>
void convertThreeMcu(JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow)
{
    const McuPlacement placement = placeMcu(state, mcuColumn, mcuRow);
    if (!fullMcu(state, placement)) return convertGeneral(state, placement, false);
    int16_t* cb = state->mcuBuffer + 64 * H * V;
    (state->io.cpuTable->*Kernel)(placement.source, state->bitmap.rowStep, state->mcuBuffer, cb, cb + 64);
}

template <Encode4Fn CpuDispatchTable::*Kernel, int H, int V>
void convertFourMcu(JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow)
{
    const McuPlacement placement = placeMcu(state, mcuColumn, mcuRow);
    if (!fullMcu(state, placement)) return convertGeneral(state, placement, false);
    int16_t* cb = state->mcuBuffer + 64 * H * V;
    (state->io.cpuTable->*Kernel)(placement.source, state->bitmap.rowStep, state->mcuBuffer, cb, cb + 64, cb + 128);
}

void convertGreyMcu(JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow)
{
    const McuPlacement placement = placeMcu(state, mcuColumn, mcuRow);
    if (!fullMcu(state, placement)) return convertGeneral(state, placement, false);
    state->io.cpuTable->encodeGrey(placement.source, state->bitmap.rowStep, state->mcuBuffer);
}

struct ConverterChoice {
    int32_t layout;
    McuConverterFn converter;
};

enum class Sampling { Full, Quad, Pair, Other };

// The sampling of a 3- or 4-component frame: 2x2 or 2x1 luma (and key)
// over 1x1 chroma, or all 1x1.
Sampling frameSampling(const JpegFrameInfo& frame)
{
    const ComponentSpec* c = frame.components;
    bool full = true;
    for (int32_t i = 0; i < frame.componentCount; ++i)
        full = full && c[i].horizontalFactor == 1 && c[i].verticalFactor == 1;
    if (full) return Sampling::Full;
    if (frame.componentCount < 3 || c[1].horizontalFactor != 1 || c[1].verticalFactor != 1 ||
        c[2].horizontalFactor != 1 || c[2].verticalFactor != 1)
        return Sampling::Other;
    if (frame.componentCount == 4 &&
        (c[3].horizontalFactor != c[0].horizontalFactor || c[3].verticalFactor != c[0].verticalFactor))
        return Sampling::Other;
    if (c[0].horizontalFactor == 2 && c[0].verticalFactor == 2) return Sampling::Quad;
    if (c[0].horizontalFactor == 2 && c[0].verticalFactor == 1) return Sampling::Pair;
    return Sampling::Other;
}

ConverterChoice chooseConverter(const JPEG_CODEC_STATE* state)
{
    const int32_t n = state->frame.componentCount, channels = state->bitmap.channels;
    const int32_t bitmapColor = state->bitmap.color;
    const Sampling sampling = frameSampling(state->frame);
    const bool converting = state->stream.colorConversion != 0;
    const bool three = n == 3 && channels == 3, four = n == 4 && channels == 4;
    if (converting) {
        const bool rgb = three && bitmapColor == JPEG_COLOR_RGB, bgr = three && bitmapColor == JPEG_COLOR_BGR;
        const bool cmyk = four && bitmapColor == JPEG_COLOR_CMYK;
        switch (sampling) {
        case Sampling::Quad:
            if (rgb) return {3, convertThreeMcu<&CpuDispatchTable::encodeRgb22, 2, 2>};
            if (bgr) return {4, convertThreeMcu<&CpuDispatchTable::encodeBgr22, 2, 2>};
            if (cmyk) return {11, convertFourMcu<&CpuDispatchTable::encodeCmyk22, 2, 2>};
            break;
        case Sampling::Pair:
            if (rgb) return {5, convertThreeMcu<&CpuDispatchTable::encodeRgb21, 2, 1>};
            if (bgr) return {6, convertThreeMcu<&CpuDispatchTable::encodeBgr21, 2, 1>};
            if (cmyk) return {12, convertFourMcu<&CpuDispatchTable::encodeCmyk21, 2, 1>};
            break;
        case Sampling::Full:
            if (rgb) return {1, convertThreeMcu<&CpuDispatchTable::encodeRgb11, 1, 1>};
            if (bgr) return {2, convertThreeMcu<&CpuDispatchTable::encodeBgr11, 1, 1>};
            if (cmyk) return {10, convertFourMcu<&CpuDispatchTable::encodeCmyk11, 1, 1>};
            break;
        case Sampling::Other:
            break;
        }
        return {0, convertAnyMcu};
    }
    // Without conversion a BGR bitmap may need its bytes reversed, which only
    // the general path does.
    const bool plain3 = three && bitmapColor != JPEG_COLOR_BGR;
    const bool packed = state->bitmap.subsampling == JPEG_SUBSAMPLING_422;
    switch (sampling) {
    case Sampling::Quad:
        if (plain3 && !packed) return {16, convertThreeMcu<&CpuDispatchTable::encodePlain3x22, 2, 2>};
        break;
    case Sampling::Pair:
        if (plain3 && packed) return {18, convertThreeMcu<&CpuDispatchTable::encodePackedYcc21, 2, 1>};
        if (plain3) return {17, convertThreeMcu<&CpuDispatchTable::encodePlain3x21, 2, 1>};
        break;
    case Sampling::Full:
        if (n == 1 && bitmapColor == JPEG_COLOR_GREY && state->stream.color == JPEG_COLOR_GREY)
            return {20, convertGreyMcu};
        if (plain3) return {15, convertThreeMcu<&CpuDispatchTable::encodePlain3x11, 1, 1>};
        if (four) return {14, convertFourMcu<&CpuDispatchTable::encodePlain4x11, 1, 1>};
        break;
    case Sampling::Other:
        break;
    }
    return {0, convertAnyMcu};
}
}  // namespace

JPEG_STATUS selectEncodeConverter(JPEG_CODEC_STATE* state)
{
    if (state->frame.componentCount < 1 || state->frame.componentCount > JPEG_MAX_COMPONENTS)
        return JPEG_COMPONENT_ERROR;
    const ConverterChoice choice = chooseConverter(state);
    state->outputLayout = choice.layout;
    state->io.cpuTable->ccEncodeMcu = choice.converter;
    return JPEG_SUCCESS;
}

const EncodeGreyFn encodeGrey = encodeGreyBlock;
const Encode3Fn encodeRgb11 = encodeThree<RgbPixel, 1, 1>;
const Encode3Fn encodeRgb21 = encodeThree<RgbPixel, 2, 1>;
const Encode3Fn encodeRgb22 = encodeThree<RgbPixel, 2, 2>;
const Encode3Fn encodeBgr11 = encodeThree<BgrPixel, 1, 1>;
const Encode3Fn encodeBgr21 = encodeThree<BgrPixel, 2, 1>;
const Encode3Fn encodeBgr22 = encodeThree<BgrPixel, 2, 2>;
const Encode3Fn encodePlain3x11 = encodeThree<Plain3Pixel, 1, 1>;
const Encode3Fn encodePlain3x21 = encodeThree<Plain3Pixel, 2, 1>;
const Encode3Fn encodePlain3x22 = encodeThree<Plain3Pixel, 2, 2>;
const Encode3Fn encodePackedYcc21 = encodePackedYcc;
const Encode4Fn encodeCmyk11 = encodeFour<CmykPixel, 1, 1>;
const Encode4Fn encodeCmyk21 = encodeFour<CmykPixel, 2, 1>;
const Encode4Fn encodeCmyk22 = encodeFour<CmykPixel, 2, 2>;
const Encode4Fn encodePlain4x11 = encodeFour<Plain4Pixel, 1, 1>;
