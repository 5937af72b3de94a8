#include "EncMarkers.h"

#include <cstdio>
#include <cstdlib>

#include "CpuDispatch.h"
#include "EncScan.h"

namespace {
// A segment assembled in a local buffer, big-endian fields.
class SegmentBuilder {
public:
    SegmentBuilder(uint8_t* buffer) : start_(buffer), cursor_(buffer) {}
    void marker(uint8_t code)
    {
        *cursor_++ = 0xFF;
        *cursor_++ = code;
    }
    void word(int32_t value)
    {
        *cursor_++ = static_cast<uint8_t>(value >> 8);
        *cursor_++ = static_cast<uint8_t>(value);
    }
    void byte(int32_t value) { *cursor_++ = static_cast<uint8_t>(value); }
    void bytes(const void* data, int32_t count)
    {
        byteCopy(cursor_, data, count);
        cursor_ += count;
    }
    JPEG_STATUS writeTo(JPEG_CODEC_STATE* state) const
    {
        return state->io.cpuTable->outputWrite(start_, static_cast<int32_t>(cursor_ - start_), &state->io);
    }

private:
    uint8_t* start_;
    uint8_t* cursor_;
};

JPEG_STATUS writeBareMarker(JPEG_CODEC_STATE* state, uint8_t code)
{
    uint8_t buffer[2];
    SegmentBuilder segment(buffer);
    segment.marker(code);
    return segment.writeTo(state);
}

JPEG_STATUS writeFrameHeader(JPEG_CODEC_STATE* state, uint8_t code, int32_t firstId)
{
    const JpegFrameInfo& frame = state->frame;
    if (frame.componentCount < 1 || frame.componentCount > JPEG_MAX_COMPONENTS) return JPEG_COMPONENT_ERROR;
    uint8_t buffer[10 + 3 * JPEG_MAX_COMPONENTS];
    SegmentBuilder segment(buffer);
    segment.marker(code);
    segment.word(8 + 3 * frame.componentCount);
    segment.byte(8);
    segment.word(frame.height);
    segment.word(frame.width);
    segment.byte(frame.componentCount);
    for (int32_t i = 0; i < frame.componentCount; ++i) {
        const ComponentSpec& component = frame.components[i];
        if (frame.componentCount == 1) {
            segment.byte(0);
            segment.byte(0x11);
        } else {
            segment.byte(firstId + i);
            segment.byte(component.horizontalFactor * 16 + component.verticalFactor);
        }
        segment.byte(component.quantTable);
    }
    return segment.writeTo(state);
}

JPEG_STATUS writeScanHeader(JPEG_CODEC_STATE* state, int32_t count, const int32_t* frameIndices, int32_t firstId,
                            int32_t ss, int32_t se, int32_t ah, int32_t al)
{
    if (count < 1 || count > JPEG_MAX_COMPONENTS) return JPEG_COMPONENT_ERROR;
    uint8_t buffer[8 + 2 * JPEG_MAX_COMPONENTS];
    SegmentBuilder segment(buffer);
    segment.marker(0xDA);
    segment.word(6 + 2 * count);
    segment.byte(count);
    const bool single = state->frame.componentCount == 1;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t index = frameIndices[i];
        segment.byte(single ? 0 : firstId + index);
        segment.byte(state->dcTableIndex[index] * 16 + state->acTableIndex[index]);
    }
    segment.byte(ss);
    segment.byte(se);
    segment.byte(ah * 16 + al);
    return segment.writeTo(state);
}

// The segment a comment of `length` bytes needs is its length field's limit.
constexpr int32_t kMaxCommentLength = 65535 - 4;
}  // namespace

JPEG_STATUS writeSoiMarker(JPEG_CODEC_STATE* state) { return writeBareMarker(state, 0xD8); }
JPEG_STATUS writeEoiMarker(JPEG_CODEC_STATE* state) { return writeBareMarker(state, 0xD9); }

JPEG_STATUS writeApp0Marker(JPEG_CODEC_STATE* state)
{
    uint8_t buffer[18];
    SegmentBuilder segment(buffer);
    segment.marker(0xE0);
    segment.word(16);
    segment.bytes("JFIF", 5);
    segment.word(state->jfifVersion);
    segment.byte(state->jfifUnits);
    segment.word(state->jfifXDensity);
    segment.word(state->jfifYDensity);
    segment.byte(0);
    segment.byte(0);
    return segment.writeTo(state);
}

JPEG_STATUS writeApp14Marker(JPEG_CODEC_STATE* state, uint8_t transform)
{
    uint8_t buffer[16];
    SegmentBuilder segment(buffer);
    segment.marker(0xEE);
    segment.word(14);
    segment.bytes("Adobe", 5);
    segment.word(state->adobeVersion);
    segment.word(state->adobeFlags0);
    segment.word(state->adobeFlags1);
    segment.byte(transform);
    return segment.writeTo(state);
}

JPEG_STATUS writeComMarker(JPEG_CODEC_STATE* state)
{
    if (!state->jpeg_comment) {
        char text[80] = {};
        const int32_t length = std::snprintf(text, sizeof(text), "Vexmoor(R) JPEG Library, version %s",
                                             jpegGetLibVersion()->internalVersion);
        uint8_t buffer[4 + sizeof(text)];
        SegmentBuilder segment(buffer);
        segment.marker(0xFE);
        segment.word(length + 3);
        segment.bytes(text, length + 1);
        return segment.writeTo(state);
    }
    if (state->jpeg_commentLength == 0) return JPEG_SUCCESS;
    int32_t length = state->jpeg_commentLength;
    if (length > kMaxCommentLength) {
        length = kMaxCommentLength;
        state->jpeg_commentLength = static_cast<uint16_t>(length);
    }
    auto* buffer = static_cast<uint8_t*>(std::malloc(length + 4));
    if (!buffer) return JPEG_MEMORY_ERROR;
    SegmentBuilder segment(buffer);
    segment.marker(0xFE);
    segment.word(length + 2);
    segment.bytes(state->jpeg_comment, length);
    const JPEG_STATUS status = segment.writeTo(state);
    std::free(buffer);
    return status;
}

JPEG_STATUS writeDqtMarker(JPEG_CODEC_STATE* state, int32_t precision, int32_t tableId, const uint16_t* table)
{
    uint8_t buffer[133];
    SegmentBuilder segment(buffer);
    segment.marker(0xDB);
    segment.word(precision ? 131 : 67);
    segment.byte(precision * 16 + tableId);
    for (int k = 0; k < 64; ++k) {
        if (precision) segment.byte(table[k] >> 8);
        segment.byte(table[k]);
    }
    return segment.writeTo(state);
}

namespace {
// The largest table one DHT entry may carry: its class and id byte, the 16
// counts and the values.
constexpr int32_t kMaxDhtEntry = 324;

int32_t valueCount(const uint8_t* bits)
{
    int32_t count = 0;
    for (int i = 0; i < 16; ++i) count += bits[i];
    return count;
}

void addTable(SegmentBuilder& segment, int32_t tableClass, int32_t tableId, const uint8_t* bits, const uint8_t* values,
              int32_t count)
{
    segment.byte(tableClass * 16 + tableId);
    segment.bytes(bits, 16);
    segment.bytes(values, count);
}

bool inUse(const JpegHuffSpec& given) { return given.bits && given.values; }
}  // namespace

JPEG_STATUS writeDhtMarker(JPEG_CODEC_STATE* state, int32_t tableClass, int32_t tableId, const uint8_t* bits,
                           const uint8_t* values)
{
    const int32_t count = valueCount(bits);
    if (17 + count > kMaxDhtEntry) return JPEG_BAD_HUFFMAN_TABLE;
    uint8_t buffer[4 + kMaxDhtEntry];
    SegmentBuilder segment(buffer);
    segment.marker(0xC4);
    segment.word(19 + count);
    addTable(segment, tableClass, tableId, bits, values, count);
    return segment.writeTo(state);
}

JPEG_STATUS writeDhtTables(JPEG_CODEC_STATE* state)
{
    int32_t length = 2;
    for (const JpegHuffSpec& given : state->huffSpecs)
        if (inUse(given)) length += 17 + valueCount(given.bits);
    uint8_t head[4];
    SegmentBuilder segment(head);
    segment.marker(0xC4);
    segment.word(length);
    JPEG_STATUS status = segment.writeTo(state);
    for (const JpegHuffSpec& given : state->huffSpecs) {
        if (status != JPEG_SUCCESS || !inUse(given)) continue;
        const int32_t count = valueCount(given.bits);
        if (17 + count > kMaxDhtEntry) return JPEG_BAD_HUFFMAN_TABLE;
        uint8_t buffer[kMaxDhtEntry];
        SegmentBuilder table(buffer);
        addTable(table, given.tableClass, given.id, given.bits, given.values, count);
        status = table.writeTo(state);
    }
    return status;
}

JPEG_STATUS writeSof0Marker(JPEG_CODEC_STATE* state) { return writeFrameHeader(state, 0xC0, 1); }
JPEG_STATUS writeSof2Marker(JPEG_CODEC_STATE* state) { return writeFrameHeader(state, 0xC2, 0); }

JPEG_STATUS writeSosMarker(JPEG_CODEC_STATE* state)
{
    int32_t indices[JPEG_MAX_COMPONENTS];
    for (int32_t i = 0; i < state->frame.componentCount; ++i) indices[i] = i;
    return writeScanHeader(state, state->frame.componentCount, indices, 1, 0, 63, 0, 0);
}

JPEG_STATUS writeSosProgressive(JPEG_CODEC_STATE* state, const JpegEncodeScan* scan)
{
    int32_t indices[JPEG_MAX_COMPONENTS];
    for (int32_t i = 0; i < scan->componentCount; ++i) indices[i] = scan->components[i].frameIndex;
    return writeScanHeader(state, scan->componentCount, indices, 0, scan->ss, scan->se, scan->ah, scan->al);
}

JPEG_STATUS writeDriMarker(JPEG_CODEC_STATE* state, int32_t interval)
{
    uint8_t buffer[6];
    SegmentBuilder segment(buffer);
    segment.marker(0xDD);
    segment.word(4);
    segment.word(interval);
    return segment.writeTo(state);
}

JPEG_STATUS writeRestartMarker(JPEG_CODEC_STATE* state, int32_t n)
{
    if (n < 0 || n > 7) return JPEG_BAD_RST_MARKER;
    return writeBareMarker(state, static_cast<uint8_t>(0xD0 + n));
}
