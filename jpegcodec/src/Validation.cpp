// jpegCheckProperties: the record tests every read and write runs first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "CodecState.h"

namespace {
struct ColorPair {
    int32_t color;
    int32_t channels;  // 0: any channel count
};

struct ColorRule {
    ColorPair key;
    ColorPair allowed[5];
};

// Read modes: stream (colour, channels) -> bitmap layouts it can be decoded into.
const ColorRule kReadRules[] = {
    {{JPEG_COLOR_GREY, 1}, {{4, 1}, {1, 3}, {2, 3}, {5, 4}}},
    {{JPEG_COLOR_RGB, 3}, {{1, 3}, {2, 3}, {5, 4}}},
    {{JPEG_COLOR_YCBCR, 3}, {{4, 1}, {1, 3}, {2, 3}, {5, 4}, {3, 0}}},
    {{JPEG_COLOR_CMYK, 4}, {{5, 4}}},
    {{JPEG_COLOR_YCCK, 4}, {{5, 4}}},
    {{JPEG_COLOR_OTHER, 0}, {{255, 0}}},
};

// Write modes: bitmap (colour, channels) -> stream layouts it can be encoded as.
const ColorRule kWriteRules[] = {
    {{JPEG_COLOR_GREY, 1}, {{4, 1}, {3, 3}}}, {{JPEG_COLOR_RGB, 3}, {{4, 1}, {1, 3}, {3, 3}}},
    {{JPEG_COLOR_RGB, 4}, {{3, 3}}},          {{JPEG_COLOR_BGR, 3}, {{4, 1}, {1, 3}, {3, 3}}},
    {{JPEG_COLOR_CMYK, 4}, {{5, 4}, {6, 4}}}, {{JPEG_COLOR_YCBCR, 3}, {{3, 3}}},
};

bool matches(const ColorPair& pattern, int32_t color, int32_t channels)
{
    return pattern.color == color && (pattern.channels == 0 || pattern.channels == channels);
}

template <size_t N>
bool pairAllowed(const ColorRule (&rules)[N], int32_t keyColor, int32_t keyChannels, int32_t color, int32_t channels)
{
    for (const ColorRule& rule : rules) {
        if (!matches(rule.key, keyColor, keyChannels)) continue;
        for (const ColorPair& allowed : rule.allowed)
            if (allowed.color != 0 && matches(allowed, color, channels)) return true;
    }
    return false;
}

bool inRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

JPEG_STATUS checkBitmap(const JPEG_PROPERTIES* p, int32_t mode)
{
    if (!p->bitmapPixels || !inRange(p->bitmapWidth, 1, 65535) || !inRange(p->bitmapHeight, -65535, 65535))
        return JPEG_INVALID_PROPERTIES;
    if (isThumbnailMode(mode) && p->bitmapColor != JPEG_COLOR_RGB && p->bitmapColor != JPEG_COLOR_BGR)
        return JPEG_THUMBNAIL_WRONG_COLOR;
    if (p->bitmapRowPadding < 0 || !inRange(p->bitmapChannels, 1, 255)) return JPEG_INVALID_PROPERTIES;
    // The row step and the offset of the last row must fit their integers.
    const int64_t bytesPerPixel = p->bitmapSubsampling == JPEG_SUBSAMPLING_422 ? 2 : p->bitmapChannels;
    const int64_t stride = p->bitmapWidth * bytesPerPixel + p->bitmapRowPadding;
    if (stride > INT32_MAX || stride * std::abs(p->bitmapHeight) > PTRDIFF_MAX) return JPEG_INVALID_PROPERTIES;
    if (p->bitmapSubsampling != 0 &&
        (p->bitmapSubsampling != JPEG_SUBSAMPLING_422 || p->bitmapColor != JPEG_COLOR_YCBCR))
        return JPEG_UNSUPPORTED_SUBSAMPLING;
    return JPEG_SUCCESS;
}

JPEG_STATUS checkWriteGeometry(const JPEG_PROPERTIES* p, int32_t mode)
{
    const bool image =
        mode == EncodeToFile || mode == EncodeToMemory || mode == EncodeScanToFile || mode == EncodeScanToMemory;
    if (image) {
        if (!inRange(p->jpegWidth, 1, 65535) || !inRange(p->jpegHeight, 1, 65535)) return JPEG_INVALID_PROPERTIES;
        if (p->bitmapColor != JPEG_COLOR_GREY && p->jpegColor != JPEG_COLOR_YCBCR &&
            p->jpegChannels > p->bitmapChannels)
            return JPEG_INVALID_PROPERTIES;
        // The encoder reads jpegWidth x jpegHeight pixels from the bitmap.
        if (!p->state.bitmapBypass && (p->bitmapWidth < p->jpegWidth || std::abs(p->bitmapHeight) < p->jpegHeight))
            return JPEG_INVALID_PROPERTIES;
    }
    if (p->jpegChannels > JPEG_MAX_COMPONENTS) return JPEG_INVALID_PROPERTIES;
    switch (p->jpegChannels) {
    case 1:
        return p->jpegSubsampling == 0 ? JPEG_SUCCESS : JPEG_UNSUPPORTED_SUBSAMPLING;
    case 3:
        return inRange(p->jpegSubsampling, 0, 2) ? JPEG_SUCCESS : JPEG_UNSUPPORTED_SUBSAMPLING;
    case 4:
        return p->jpegSubsampling == 0 || p->jpegSubsampling == 3 || p->jpegSubsampling == 4
                   ? JPEG_SUCCESS
                   : JPEG_UNSUPPORTED_SUBSAMPLING;
    default:
        return p->jpegSubsampling == 0 ? JPEG_SUCCESS : JPEG_UNSUPPORTED_SUBSAMPLING;
    }
}

bool colorPairAllowed(const JPEG_PROPERTIES* p, int32_t mode)
{
    if (isWriteMode(mode)) {
        if (p->bitmapColor == JPEG_COLOR_OTHER)
            return p->jpegColor == JPEG_COLOR_OTHER && p->jpegChannels <= p->bitmapChannels;
        return pairAllowed(kWriteRules, p->bitmapColor, p->bitmapChannels, p->jpegColor, p->jpegChannels);
    }
    return pairAllowed(kReadRules, p->jpegColor, p->jpegChannels, p->bitmapColor, p->bitmapChannels);
}
}  // namespace

JPEG_STATUS jpegCheckProperties(JPEG_PROPERTIES* p)
{
    if (!p) return JPEG_INVALID_PROPERTIES;
    if (p->useStateDescription) return JPEG_SUCCESS;
    const int32_t mode = p->state.mode;
    if (!inRange(mode, 0, DecodeThumbnailFromMemory)) return JPEG_INVALID_PROPERTIES;
    if (isPixelMode(mode) && !p->state.bitmapBypass) {
        const JPEG_STATUS status = checkBitmap(p, mode);
        if (status != JPEG_SUCCESS) return status;
    }
    if (isFileMode(mode) ? !p->jpegFileName : !p->jpegBuffer || p->jpegBufferSize <= 0) return JPEG_INVALID_PROPERTIES;
    if (!inRange(p->jpegChannels, 1, 256)) return JPEG_INVALID_PROPERTIES;
    if (isWriteMode(mode)) {
        const JPEG_STATUS status = checkWriteGeometry(p, mode);
        if (status != JPEG_SUCCESS) return status;
    }
    if (!colorPairAllowed(p, mode)) return JPEG_INVALID_PROPERTIES;
    if (p->state.dctMethod != 0 && p->state.dctMethod != 1) return JPEG_INVALID_PROPERTIES;
    if (p->state.regionDecoding == 1 && p->state.bitmapBypass) return JPEG_INVALID_PROPERTIES;
    // A packed YCbCr bitmap takes two bytes a pixel.
    if (isPixelMode(mode) && !isWriteMode(mode) && p->bitmapColor == JPEG_COLOR_YCBCR && p->bitmapChannels < 2 &&
        !p->state.bitmapBypass)
        return JPEG_UNSUPPORTED_BYTES_PER_PIXEL;
    return JPEG_SUCCESS;
}
