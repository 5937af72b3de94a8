#include "Markers.h"

#include <cstdlib>
#include <cstring>

#include "CpuDispatch.h"
#include "InverseDct.h"
#include "EntropyInput.h"

namespace {
int32_t word(const uint8_t* p) { return p[0] << 8 | p[1]; }

// Copies a thumbnail of w x h pixels into the caller's bitmap, top row first.
JPEG_STATUS writeThumbnail(JPEG_CODEC_STATE* state, int32_t w, int32_t h, const uint8_t* pixels, const uint8_t* palette)
{
    const JpegBitmapDesc& bitmap = state->bitmap;
    if (w > bitmap.width || h > (bitmap.height < 0 ? -bitmap.height : bitmap.height)) return JPEG_THUMBNAIL_TOO_SMALL;
    if (bitmap.channels < 3) return JPEG_UNSUPPORTED_BYTES_PER_PIXEL;
    const bool rgb = bitmap.color == JPEG_COLOR_RGB;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = state->io.firstRow + static_cast<intptr_t>(y) * bitmap.rowStep;
        for (int32_t x = 0; x < w; ++x, out += bitmap.channels) {
            const uint8_t* rgbPixel = palette ? palette + 3 * pixels[y * w + x] : pixels + 3 * (y * w + x);
            out[0] = rgbPixel[rgb ? 0 : 2];
            out[1] = rgbPixel[1];
            out[2] = rgbPixel[rgb ? 2 : 0];
        }
    }
    return JPEG_SUCCESS;
}

bool decodesThumbnail(const JPEG_CODEC_STATE* state)
{
    return state->mode == DecodeThumbnailFromFile || state->mode == DecodeThumbnailFromMemory;
}

JPEG_STATUS readRgbThumbnail(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length, int32_t header)
{
    if (length < header) return JPEG_SUCCESS;
    const int32_t w = payload[header - 2], h = payload[header - 1];
    if (w == 0 || h == 0) return JPEG_SUCCESS;
    state->stream.thumbnailWidth = w;
    state->stream.thumbnailHeight = h;
    if (!decodesThumbnail(state) || length < header + 3 * w * h) return JPEG_SUCCESS;
    return writeThumbnail(state, w, h, payload + header, nullptr);
}

JPEG_STATUS readPaletteThumbnail(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length)
{
    constexpr int32_t kHeader = 8, kPalette = 768;
    if (!decodesThumbnail(state) || length < kHeader) return JPEG_SUCCESS;
    const int32_t w = payload[6], h = payload[7];
    if (w == 0 || h == 0 || length < kHeader + kPalette + w * h) return JPEG_SUCCESS;
    state->stream.thumbnailWidth = w;
    state->stream.thumbnailHeight = h;
    return writeThumbnail(state, w, h, payload + kHeader + kPalette, payload + kHeader);
}
}  // namespace

JPEG_STATUS readSOF(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    if (length < 6) return JPEG_DATA_ERROR;
    const int32_t count = p[5];
    if (count == 0) return JPEG_COMPONENT_ERROR;
    if (count > JPEG_MAX_COMPONENTS) return JPEG_INVALID_PROPERTIES;
    if (length < 6 + 3 * count) return JPEG_DATA_ERROR;
    if (p[0] != 8) return JPEG_UNSUPPORTED_FRAME;
    if (word(p + 1) == 0) return JPEG_DNL_ERROR;

    JpegFrameInfo& frame = state->frame;
    int32_t maxH = 1, maxV = 1, blocks = 0;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* c = p + 6 + 3 * i;
        const int32_t h = c[1] >> 4, v = c[1] & 15;
        if (h < 1 || h > 4 || v < 1 || v > 4) return JPEG_UNSUPPORTED_SUBSAMPLING;
        if (c[2] > 3) return JPEG_BAD_QUANT_TABLE;
        maxH = h > maxH ? h : maxH;
        maxV = v > maxV ? v : maxV;
        blocks += h * v;
    }
    if (blocks > JPEG_MAX_BLOCKS_PER_MCU) return JPEG_UNSUPPORTED_SUBSAMPLING;
    std::memset(frame.components, 0, JPEG_MAX_COMPONENTS * sizeof(ComponentSpec));
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* c = p + 6 + 3 * i;
        const int32_t h = c[1] >> 4, v = c[1] & 15;
        // Every component must cover a whole number of the largest blocks.
        if (maxH % h != 0 || maxV % v != 0) return JPEG_UNSUPPORTED_SUBSAMPLING;
        frame.components[i] = ComponentSpec{c[0], h, v, c[2]};
    }
    frame.precision = p[0];
    frame.height = word(p + 1);
    frame.width = word(p + 3);
    frame.componentCount = count;
    frame.maxH = maxH;
    frame.maxV = maxV;
    frame.mcuWidth = 8 * maxH;
    frame.mcuHeight = 8 * maxV;
    frame.mcusPerRow = (frame.width + frame.mcuWidth - 1) / frame.mcuWidth;
    frame.mcuCount = (frame.height + frame.mcuHeight - 1) / frame.mcuHeight * frame.mcusPerRow;
    state->stream.width = frame.width;
    state->stream.height = frame.height;
    state->stream.channels = count;
    return JPEG_SUCCESS;
}

void prepareQuantTable(JPEG_CODEC_STATE* state, int32_t id, const int32_t* zigzagValues)
{
    int32_t* table = state->quantTables[id].decode;
    for (int k = 0; k < 64; ++k) table[k] = zigzagValues[k];
    if (state->dctMethod == 1)
        reorderDequantTable(table);
    else
        buildFastDequantTable(table);
    state->preparedQuant[id] = &state->quantTables[id];
}

JPEG_STATUS readDQT(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    if (length > 516) return JPEG_DATA_ERROR;
    for (int32_t at = 0; at < length;) {
        const int32_t precision = p[at] >> 4, id = p[at] & 15;
        if (id > 3 || precision > 1) return JPEG_BAD_QUANT_TABLE;
        const int32_t bytes = precision ? 128 : 64;
        if (at + 1 + bytes > length) return JPEG_DATA_ERROR;
        int32_t values[64];
        for (int k = 0; k < 64; ++k) values[k] = precision ? word(p + at + 1 + 2 * k) : p[at + 1 + k];
        prepareQuantTable(state, id, values);
        if (state->quantTableCount < id + 1) state->quantTableCount = id + 1;
        if (state->quantTablesSeen < 4) ++state->quantTablesSeen;
        at += 1 + bytes;
    }
    return JPEG_SUCCESS;
}

JPEG_STATUS readDHT(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    if (length >= 1092) return JPEG_DATA_ERROR;
    for (int32_t at = 0; at < length;) {
        const int32_t tableClass = p[at] >> 4, id = p[at] & 15;
        if (tableClass > 1 || id > 3 || at + 17 > length) return JPEG_BAD_HUFFMAN_TABLE;
        int32_t count = 0;
        for (int l = 0; l < 16; ++l) count += p[at + 1 + l];
        if (count > 256 || at + 17 + count > length) return JPEG_BAD_HUFFMAN_TABLE;
        JpegHuffTable* slot = &state->huffTables[tableClass * 4 + id];
        const JPEG_STATUS status = buildDecoderHuffman(p + at + 1, p + at + 17, tableClass, id, &slot->decode);
        if (status != JPEG_SUCCESS) return status;
        state->preparedHuff[tableClass * 4 + id] = slot;
        int32_t& seen = tableClass ? state->acTableCount : state->dcTableCount;
        if (seen < 4) ++seen;
        at += 17 + count;
    }
    return JPEG_SUCCESS;
}

JPEG_STATUS readSOS(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    state->io.cpuTable->lastSosLength = length + 4;
    if (length < 1) return JPEG_DATA_ERROR;
    const int32_t count = p[0];
    if (count < 1 || count > JPEG_MAX_COMPONENTS || length < 1 + 2 * count + 3) return JPEG_DATA_ERROR;
    if (!state->decodeScan) {
        state->decodeScan = static_cast<JpegScanHeader*>(std::calloc(1, sizeof(JpegScanHeader)));
        if (!state->decodeScan) return JPEG_MEMORY_ERROR;
    }
    JpegScanHeader& scan = *state->decodeScan;
    scan = JpegScanHeader{};
    scan.componentCount = count;
    int32_t blocks = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t id = p[1 + 2 * i], dc = p[2 + 2 * i] >> 4, ac = p[2 + 2 * i] & 15;
        int32_t index = 0;
        while (index < state->frame.componentCount && state->frame.components[index].id != id) ++index;
        if (index == state->frame.componentCount || dc > 3 || ac > 3) return JPEG_DATA_ERROR;
        for (int32_t j = 0; j < i; ++j)
            if (scan.components[j].frameIndex == index) return JPEG_DATA_ERROR;  // a component twice in one scan
        const ComponentSpec& comp = state->frame.components[index];
        blocks += comp.horizontalFactor * comp.verticalFactor;
        scan.components[i] =
            JpegScanComponent{index,
                              comp.horizontalFactor,
                              comp.verticalFactor,
                              state->preparedHuff[dc] ? &state->preparedHuff[dc]->decode : nullptr,
                              state->preparedHuff[4 + ac] ? &state->preparedHuff[4 + ac]->decode : nullptr,
                              state->preparedQuant[comp.quantTable]};
        state->dcTableIndex[i] = static_cast<uint8_t>(dc);
        state->acTableIndex[i] = static_cast<uint8_t>(ac);
    }
    if (blocks > JPEG_MAX_BLOCKS_PER_MCU) return JPEG_DATA_ERROR;
    const uint8_t* tail = p + 1 + 2 * count;
    scan.ss = tail[0];
    scan.se = tail[1];
    scan.ah = tail[2] >> 4;
    scan.al = tail[2] & 15;
    if (scan.ss > 63 || scan.se > 63) return JPEG_DATA_ERROR;
    scan.restartInterval = state->restartInterval;
    return JPEG_SUCCESS;
}

JPEG_STATUS readDRI(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    if (length < 2) return JPEG_DATA_ERROR;
    state->restartInterval = word(p);
    return JPEG_SUCCESS;
}

JPEG_STATUS readAPP0(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    if (!state->frameExpected || length < 14) return JPEG_SUCCESS;
    if (std::memcmp(p, "JFIF", 5) == 0) {
        state->jfifSeen = 1;
        state->jfifVersion = static_cast<uint16_t>(word(p + 5));
        state->jfifUnits = p[7];
        state->jfifXDensity = static_cast<uint16_t>(word(p + 8));
        state->jfifYDensity = static_cast<uint16_t>(word(p + 10));
        return readRgbThumbnail(state, p, length, 14);
    }
    if (std::memcmp(p, "JFXX", 5) == 0) {
        if (p[5] == 0x13) return readRgbThumbnail(state, p, length, 8);
        if (p[5] == 0x11) return readPaletteThumbnail(state, p, length);
    }
    return JPEG_SUCCESS;
}

JPEG_STATUS readAPP14(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    if (length < 12 || std::memcmp(p, "Adobe", 5) != 0) return JPEG_SUCCESS;
    state->adobeVersion = static_cast<uint16_t>(word(p + 5));
    state->adobeFlags0 = static_cast<uint16_t>(word(p + 7));
    state->adobeFlags1 = static_cast<uint16_t>(word(p + 9));
    state->adobeTransform = p[11];
    state->adobeSeen = 1;
    return JPEG_SUCCESS;
}

JPEG_STATUS readCOM(JPEG_CODEC_STATE* state, const uint8_t* p, int32_t length)
{
    if (!state->frameExpected || !state->jpeg_comment) return JPEG_SUCCESS;
    const int32_t capacity = state->jpeg_commentLength;
    std::memcpy(state->jpeg_comment, p, static_cast<size_t>(length < capacity ? length : capacity));
    state->jpeg_commentLength = static_cast<uint16_t>(length);
    return length > capacity ? JPEG_COMMENT_ACCESS_ERROR : JPEG_SUCCESS;
}
