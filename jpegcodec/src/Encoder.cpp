// Write path: the caller's record becomes a frame description with its
// tables, the stream headers are written in their fixed order, and the scans
// go to the sequential or the progressive writer.
#include <cstddef>
#include <cstdlib>

#include "CodecState.h"
#include "CpuDispatch.h"
#include "EncColor.h"
#include "EncFdct.h"
#include "EncMarkers.h"
#include "EncOutput.h"
#include "EncScan.h"
#include "EncScans.h"
#include "EncTables.h"

namespace {
bool writesPixels(int32_t mode) { return mode == EncodeToFile || mode == EncodeToMemory || mode >= EncodeScanToFile; }
bool writesTablesOnly(int32_t mode) { return mode == WriteTablesToFile || mode == WriteTablesToMemory; }
bool isAbbreviated(int32_t mode) { return mode == EncodeScanToFile || mode == EncodeScanToMemory; }

void copyDescriptions(const JPEG_PROPERTIES* props, JPEG_CODEC_STATE* state)
{
    copyStreamDescription(props, &state->stream);
    copyBitmapDescription(props, state);
    // Packed 4:2:2 pixels can only be taken apart as a 4:2:2 frame.
    if (props->bitmapSubsampling == JPEG_SUBSAMPLING_422 && props->bitmapColor == JPEG_COLOR_YCBCR &&
        props->jpegColor == JPEG_COLOR_YCBCR)
        state->stream.subsampling = JPEG_SUBSAMPLING_422;
}

// The encoder reads the picture from the bitmap's top-left corner, so the
// bitmap must hold at least the picture.
JPEG_STATUS checkPicture(const JPEG_CODEC_STATE* state)
{
    const JpegBitmapDesc& bitmap = state->bitmap;
    const int32_t rows = bitmap.height < 0 ? -bitmap.height : bitmap.height;
    if (!bitmap.pixels || rows == 0 || bitmap.width < state->stream.width || rows < state->stream.height)
        return JPEG_INVALID_PROPERTIES;
    if (bitmap.subsampling == JPEG_SUBSAMPLING_422 && state->stream.subsampling != JPEG_SUBSAMPLING_422)
        return JPEG_UNSUPPORTED_SUBSAMPLING;
    return JPEG_SUCCESS;
}

void setDefaultTables(JPEG_CODEC_STATE* state)
{
    bool callerQuant = false;
    for (const JpegQuantSpec& given : state->quantSpecs) callerQuant = callerQuant || given.table;
    if (!callerQuant || !state->callerQuantTables) {
        byteFill(state->quantSpecs, sizeof(state->quantSpecs));
        state->quantSpecs[0] = {kLuminanceQuant, 0};
        state->quantSpecs[1] = {kChrominanceQuant, 1};
        state->quantTableCount = state->quantTablesSeen = 2;
    }
    bool callerHuff = false;
    for (const JpegHuffSpec& given : state->huffSpecs) callerHuff = callerHuff || (given.bits && given.values);
    if (callerHuff && state->callerHuffTables) return;
    byteFill(state->huffSpecs, sizeof(state->huffSpecs));
    state->huffSpecs[0] = {kDcLuminanceBits, kDcLuminanceValues, 0, 0};
    state->huffSpecs[1] = {kAcLuminanceBits, kAcLuminanceValues, 1, 0};
    state->huffSpecs[2] = {kDcChrominanceBits, kDcChrominanceValues, 0, 1};
    state->huffSpecs[3] = {kAcChrominanceBits, kAcChrominanceValues, 1, 1};
    state->dcTableCount = state->acTableCount = state->huffTablePairs = 2;
    for (int i = 0; i < JPEG_MAX_COMPONENTS; ++i) state->dcTableIndex[i] = state->acTableIndex[i] = i == 0 ? 0 : 1;
}

bool convertsColour(const JPEG_CODEC_STATE* state)
{
    const int32_t jpegColor = state->stream.color, bitmapColor = state->bitmap.color;
    return jpegColor != JPEG_COLOR_RGB && jpegColor != JPEG_COLOR_CMYK && bitmapColor != JPEG_COLOR_GREY &&
           bitmapColor != JPEG_COLOR_OTHER && bitmapColor != JPEG_COLOR_YCBCR;
}

// Components, sampling factors and MCU geometry of the frame. Chroma uses
// quantisation table 1 when the caller asked for colour conversion.
JPEG_STATUS describeFrame(JPEG_CODEC_STATE* state, bool chromaTables)
{
    JpegFrameInfo& frame = state->frame;
    const int32_t count = state->stream.channels;
    if (count < 1 || count > JPEG_MAX_COMPONENTS) return JPEG_COMPONENT_ERROR;
    int32_t lumaH = 1, lumaV = 1;
    switch (state->stream.subsampling) {
    case JPEG_SUBSAMPLING_NONE:
        break;
    case JPEG_SUBSAMPLING_420:
    case JPEG_SUBSAMPLING_4224:
        lumaH = lumaV = 2;
        break;
    case JPEG_SUBSAMPLING_422:
    case JPEG_SUBSAMPLING_4222:
        lumaH = 2;
        break;
    default:
        return JPEG_UNSUPPORTED_SUBSAMPLING;
    }
    if (count < 3 && (lumaH != 1 || lumaV != 1)) return JPEG_UNSUPPORTED_SUBSAMPLING;
    frame.precision = 8;
    frame.width = state->stream.width;
    frame.height = state->stream.height;
    frame.componentCount = count;
    frame.maxH = lumaH;
    frame.maxV = lumaV;
    for (int32_t i = 0; i < count; ++i) {
        ComponentSpec& component = frame.components[i];
        const bool luma = i == 0 || i == 3;
        component.id = i;
        component.horizontalFactor = luma ? lumaH : 1;
        component.verticalFactor = luma ? lumaV : 1;
        if (!state->callerQuantTables) component.quantTable = chromaTables && !luma ? 1 : 0;
    }
    state->stream.resampling = lumaH != 1 || lumaV != 1;
    frame.mcuWidth = state->multiScan ? 8 : 8 * lumaH;
    frame.mcuHeight = state->multiScan ? 8 : 8 * lumaV;
    frame.mcusPerRow = state->mcusPerRow = (frame.width + frame.mcuWidth - 1) / frame.mcuWidth;
    state->mcuRows = (frame.height + frame.mcuHeight - 1) / frame.mcuHeight;
    frame.mcuCount = frame.mcusPerRow * state->mcuRows;
    return JPEG_SUCCESS;
}

// Scales a base table by the quality into its slot, writes it as DQT when
// asked, and turns it into the multipliers of the image's transform family.
JPEG_STATUS prepareQuantTable(JPEG_CODEC_STATE* state, const JpegQuantSpec& given, bool writeDqt)
{
    if (given.id >= 4) return JPEG_BAD_QUANT_TABLE;
    JpegQuantTable& slot = state->quantTables[given.id];
    uint16_t divisors[64];
    scaleQuantTable(given.table, state->stream.quality, divisors);
    // The fast quantiser's multipliers are signed 16-bit: the last position's
    // needs a divisor of at least 2, and the DQT must say so.
    const bool fast = state->dctMethod == 0;
    if (fast && divisors[63] < 2) divisors[63] = 2;
    if (writeDqt) {
        const JPEG_STATUS status = writeDqtMarker(state, 0, given.id, divisors);
        if (status != JPEG_SUCCESS) return status;
    }
    byteFill(slot.encode, sizeof(slot.encode));
    if (fast)
        buildFastReciprocalTable(divisors, slot.encode);
    else
        buildReciprocalTable(divisors, slot.encode);
    state->preparedQuant[given.id] = &slot;
    return JPEG_SUCCESS;
}

JPEG_STATUS prepareHuffTable(JPEG_CODEC_STATE* state, const JpegHuffSpec& given, bool writeDht)
{
    if (given.tableClass > 1 || given.id >= 4) return JPEG_BAD_HUFFMAN_TABLE;
    const int32_t index = given.tableClass * 4 + given.id;
    if (writeDht) {
        const JPEG_STATUS status = writeDhtMarker(state, given.tableClass, given.id, given.bits, given.values);
        if (status != JPEG_SUCCESS) return status;
    }
    const JPEG_STATUS status = buildEncoderHuffman(given.bits, given.values, &state->huffTables[index].encode);
    if (status == JPEG_SUCCESS) state->preparedHuff[index] = &state->huffTables[index];
    return status;
}

JPEG_STATUS writeIdentification(JPEG_CODEC_STATE* state)
{
    JPEG_STATUS status;
    switch (state->stream.color) {
    case JPEG_COLOR_RGB:
    case JPEG_COLOR_CMYK:
        status = writeApp14Marker(state, 0);
        break;
    case JPEG_COLOR_YCCK:
        status = writeApp14Marker(state, 2);
        break;
    default:
        status = writeApp0Marker(state);
    }
    return status == JPEG_SUCCESS ? writeComMarker(state) : status;
}

// SOI, then for a complete stream the identification, comment and tables;
// an abbreviated stream only prepares the tables it has not prepared yet.
JPEG_STATUS writeHeaders(JPEG_CODEC_STATE* state)
{
    if (state->dctMethod != 0 && state->dctMethod != 1) return JPEG_INVALID_PROPERTIES;
    CpuDispatchTable* table = state->io.cpuTable;
    table->outputOpen(&state->io, state->stream.buffer, state->stream.bufferSize);
    JPEG_STATUS status = writeSoiMarker(state);
    const bool abbreviated = isAbbreviated(state->mode);
    if (status == JPEG_SUCCESS && !abbreviated) status = writeIdentification(state);
    for (const JpegQuantSpec& given : state->quantSpecs) {
        if (status != JPEG_SUCCESS) return status;
        if (given.table && (!abbreviated || !state->preparedQuant[given.id & 3]))
            status = prepareQuantTable(state, given, !abbreviated);
    }
    for (const JpegHuffSpec& given : state->huffSpecs) {
        if (status != JPEG_SUCCESS) return status;
        if (given.bits && given.values) status = prepareHuffTable(state, given, !abbreviated);
    }
    if (status != JPEG_SUCCESS) return status;
    const bool fast = state->dctMethod == 0;
    table->activeForwardDct = fast ? table->forwardDctFast : table->forwardDctAccurate;
    table->activeQuantize = fast ? table->quantizeFast : table->quantizeAccurate;
    if (!writesTablesOnly(state->mode)) return JPEG_SUCCESS;
    status = writeEoiMarker(state);
    return status == JPEG_SUCCESS ? finishOutput(&state->io) : status;
}

JPEG_STATUS finishStream(JPEG_CODEC_STATE* state)
{
    const JPEG_STATUS status = writeEoiMarker(state);
    return status == JPEG_SUCCESS ? finishOutput(&state->io) : status;
}

JPEG_STATUS startBaselineScan(JPEG_CODEC_STATE* state)
{
    if (state->restartInterval < 0 || state->restartInterval > 0xFFFF) return JPEG_INVALID_PROPERTIES;
    auto* scan = static_cast<JpegEncodeScan*>(std::calloc(1, sizeof(JpegEncodeScan)));
    if (!scan) return JPEG_MEMORY_ERROR;
    const JpegFrameInfo& frame = state->frame;
    scan->componentCount = frame.componentCount;
    scan->se = 63;
    for (int32_t i = 0; i < frame.componentCount; ++i)
        scan->components[i] = {i, frame.components[i].horizontalFactor, frame.components[i].verticalFactor};
    state->encodeScan = scan;
    JPEG_STATUS status = writeSof0Marker(state);
    if (status == JPEG_SUCCESS && state->restartInterval) status = writeDriMarker(state, state->restartInterval);
    if (status == JPEG_SUCCESS) status = writeSosMarker(state);
    return status == JPEG_SUCCESS ? flushOutputBuffer(&state->io) : status;
}

JPEG_STATUS writeBaseline(JPEG_CODEC_STATE* state)
{
    JPEG_STATUS status = JPEG_SUCCESS;
    if (!state->encodeScan) status = startBaselineScan(state);
    if (status == JPEG_SUCCESS) status = encodeScanBaseline(state, state->encodeScan);
    if (status == JPEG_INTERRUPT_SUCCESS || status == JPEG_ROI_SUCCESS) return status;
    releaseEncoderState(state);
    return status == JPEG_SUCCESS ? finishStream(state) : status;
}

JPEG_STATUS writeProgressive(JPEG_CODEC_STATE* state)
{
    const JPEG_STATUS status = encodeProgressiveFrame(state);
    return status == JPEG_SUCCESS ? finishStream(state) : status;
}

uint8_t* firstRowOf(const JpegBitmapDesc& bitmap)
{
    if (bitmap.height >= 0) return bitmap.pixels;
    return bitmap.pixels - static_cast<ptrdiff_t>(-bitmap.height - 1) * bitmap.rowStep;
}

int16_t* alignedWorkArea(JPEG_CODEC_STATE* state)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(state->workAreaBytes);
    return reinterpret_cast<int16_t*>((address + 31) & ~uintptr_t{31});
}

void reportLength(JPEG_PROPERTIES* props)
{
    props->state.stream.bufferSize = props->state.io.cursor.consumed;
    props->jpegBufferSize = props->state.io.cursor.consumed;
}

JPEG_STATUS writeImage(JPEG_PROPERTIES* props)
{
    JPEG_CODEC_STATE* state = &props->state;
    const bool resuming = state->encodeScan != nullptr;
    if (!props->useStateDescription && !resuming) copyDescriptions(props, state);
    const bool pixels = writesPixels(state->mode);
    JPEG_STATUS status = pixels ? checkPicture(state) : JPEG_SUCCESS;
    if (status != JPEG_SUCCESS) return status;
    // A resumed write goes on with the frame and tables its first call set up
    // and wrote: the caller's conversion flag was replaced by the encoder's own.
    if (!resuming) {
        setDefaultTables(state);
        const bool chromaTables = state->stream.colorConversion != 0;
        state->stream.colorConversion = convertsColour(state);
        status = describeFrame(state, chromaTables);
        if (status != JPEG_SUCCESS) return status;
        state->io.firstRow = firstRowOf(state->bitmap);
        status = writeHeaders(state);
        if (!pixels) {
            reportLength(props);
            return status;
        }
        if (status != JPEG_SUCCESS) return status;
    }
    state->mcuBuffer = alignedWorkArea(state);
    status = selectEncodeConverter(state);
    if (status == JPEG_SUCCESS) status = state->progressiveFrame ? writeProgressive(state) : writeBaseline(state);
    state->frameExpected = 1;
    reportLength(props);
    return status;
}
}  // namespace

JPEG_STATUS writeStream(JPEG_PROPERTIES* props)
{
    JPEG_CODEC_STATE* state = &props->state;
    if (isFileMode(state->mode)) {
        const JPEG_STATUS status = openStreamFile(state, props->jpegFileName, true);
        if (status != JPEG_SUCCESS) return status;
    }
    const JPEG_STATUS status = writeImage(props);
    if (status == JPEG_INTERRUPT_SUCCESS || status == JPEG_ROI_SUCCESS) {
        regionToPixelExtents(state);
        return status;
    }
    const JPEG_STATUS closed = closeStreamFile(state);
    return status == JPEG_SUCCESS ? closed : status;
}

void releaseEncoderState(JPEG_CODEC_STATE* state)
{
    std::free(state->encodeScan);
    state->encodeScan = nullptr;
}
