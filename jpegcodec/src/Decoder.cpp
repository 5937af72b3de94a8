// Read path: prepares the state for a read mode, walks the stream's marker
// segments up to and through its scans, then reports the stream's
// parameters and leaves the input where the next call expects it.
#include <cstdlib>

#include "CodecState.h"
#include "CpuDispatch.h"
#include "EntropyInput.h"
#include "Markers.h"
#include "Platform.h"
#include "ProgDecoder.h"
#include "ScanDecoder.h"

namespace {
bool readsHeadersOnly(int32_t mode)
{
    return mode == ReadInfoFromFile || mode == ReadInfoFromMemory || mode == ReadTablesFromFile ||
           mode == ReadTablesFromMemory || isThumbnailMode(mode);
}

bool readsTablesOnly(int32_t mode) { return mode == ReadTablesFromFile || mode == ReadTablesFromMemory; }

// Abbreviated-image and scaled reads continue where the previous call stopped.
bool continuesStream(int32_t mode)
{
    return mode == DecodeScanFromFile || mode == DecodeScanFromMemory ||
           (mode >= DecodeHalfFromFile && mode <= DecodeEighthFromMemory);
}

bool regionRequested(const JPEG_CODEC_STATE* state)
{
    const JpegRegion& r = state->regionRequest;
    return r.left != 0 || r.top != 0 || r.right != 0 || r.bottom != 0;
}

JPEG_STATUS loadCallerTables(JPEG_CODEC_STATE* state)
{
    if (state->callerQuantTables)
        for (const JpegQuantSpec& given : state->quantSpecs) {
            if (!given.table || given.id > 3) continue;
            int32_t values[64];
            for (int k = 0; k < 64; ++k) values[k] = given.table[k];
            prepareQuantTable(state, given.id, values);
        }
    if (state->callerHuffTables)
        for (const JpegHuffSpec& given : state->huffSpecs) {
            if (!given.bits || !given.values || given.tableClass > 1 || given.id > 3) continue;
            JpegHuffTable* slot = &state->huffTables[given.tableClass * 4 + given.id];
            if (buildDecoderHuffman(given.bits, given.values, given.tableClass, given.id, &slot->decode) !=
                JPEG_SUCCESS)
                return JPEG_BAD_HUFFMAN_TABLE;
            state->preparedHuff[given.tableClass * 4 + given.id] = slot;
        }
    return JPEG_SUCCESS;
}

// The stream's colour space as its markers tell it.
void inferStreamColor(JPEG_CODEC_STATE* state)
{
    const int32_t count = state->frame.componentCount;
    if (state->adobeSeen) {
        if (count == 1) state->stream.color = JPEG_COLOR_GREY;
        if (count == 3) state->stream.color = state->adobeTransform ? JPEG_COLOR_YCBCR : JPEG_COLOR_RGB;
        if (count == 4) state->stream.color = state->adobeTransform ? JPEG_COLOR_YCCK : JPEG_COLOR_CMYK;
        return;
    }
    if (count == 1) state->stream.color = JPEG_COLOR_GREY;
    if (count == 3 && state->jfifSeen) state->stream.color = JPEG_COLOR_YCBCR;
}

int32_t subsamplingOf(const JpegFrameInfo& frame)
{
    const ComponentSpec* c = frame.components;
    auto is = [&](int32_t i, int32_t h, int32_t v) { return c[i].horizontalFactor == h && c[i].verticalFactor == v; };
    bool allOnes = true;
    for (int32_t i = 0; i < frame.componentCount; ++i) allOnes &= is(i, 1, 1);
    if (allOnes && frame.componentCount >= 1 && frame.componentCount <= 4) return JPEG_SUBSAMPLING_NONE;
    const bool chromaOnes = frame.componentCount >= 3 && is(1, 1, 1) && is(2, 1, 1);
    if (frame.componentCount == 3 && chromaOnes && is(0, 2, 2)) return JPEG_SUBSAMPLING_420;
    if (frame.componentCount == 3 && chromaOnes && is(0, 2, 1)) return JPEG_SUBSAMPLING_422;
    if (frame.componentCount == 4 && chromaOnes && is(0, 2, 2) && is(3, 2, 2)) return JPEG_SUBSAMPLING_4224;
    if (frame.componentCount == 4 && chromaOnes && is(0, 2, 1) && is(3, 2, 1)) return JPEG_SUBSAMPLING_4222;
    return JPEG_SUBSAMPLING_OTHER;
}

// Steps the input back by `bytes` already taken. A file is put on the first
// of them, since they may lie before the window it holds now.
JPEG_STATUS stepBack(EntropyIo* io, int32_t bytes)
{
    StreamCursor& cursor = io->cursor;
    cursor.consumed -= bytes;
    if (io->file) {
        cursor.current = cursor.windowEnd;
        cursor.remaining = 0;
        return seekCodecFile(io->file, cursor.consumed, CODEC_SEEK_BEGIN) ? JPEG_SUCCESS : JPEG_FILE_ERROR;
    }
    cursor.current -= bytes;
    cursor.remaining += bytes;
    return JPEG_SUCCESS;
}

JPEG_STATUS checkScanTables(const JPEG_CODEC_STATE* state)
{
    const JpegScanHeader& scan = *state->decodeScan;
    // Progressive DC scans code no AC symbols, and refinements of DC no symbols at all.
    const bool needsDc = scan.ss == 0 && scan.ah == 0, needsAc = scan.se > 0;
    for (int32_t i = 0; i < scan.componentCount; ++i) {
        if ((needsDc && !scan.components[i].dcTable) || (needsAc && !scan.components[i].acTable))
            return JPEG_NO_HUFFMAN_TABLE;
        if (!scan.components[i].quantTable) return JPEG_NO_QUANT_TABLE;
    }
    return JPEG_SUCCESS;
}

uint32_t allComponents(const JPEG_CODEC_STATE* state) { return (1u << state->frame.componentCount) - 1; }

bool imageComplete(const JPEG_CODEC_STATE* state) { return state->scannedComponents == allComponents(state); }

// A region read ends once the scans that carry its pixels are done; a
// progressive picture is only made at its end.
bool regionComplete(const JPEG_CODEC_STATE* state)
{
    bool region = false;
    outputWindow(state, &region);
    return region && !progressiveFrameSeen(state) && imageComplete(state);
}

JPEG_STATUS segment(JPEG_CODEC_STATE* state, JPEG_STATUS (*reader)(JPEG_CODEC_STATE*, const uint8_t*, int32_t))
{
    uint8_t* payload = nullptr;
    int32_t length = 0;
    JPEG_STATUS status = readSegment(&state->io, &payload, &length);
    if (status == JPEG_SUCCESS) status = reader(state, payload, length);
    std::free(payload);
    return status;
}

// Decodes the scan in the state; a finished scan counts its components.
JPEG_STATUS runScan(JPEG_CODEC_STATE* state, bool* scanDone)
{
    const JPEG_STATUS status = progressiveFrameSeen(state) ? decodeProgressiveScan(state) : decodeScan(state);
    if (status == JPEG_SUCCESS) {
        const JpegScanHeader& scan = *state->decodeScan;
        const bool lastBand = !progressiveFrameSeen(state) || (scan.ss > 0 && scan.se == 63 && scan.ah == 0);
        for (int32_t i = 0; i < scan.componentCount; ++i) {
            state->scannedComponents |= 1u << scan.components[i].frameIndex;
            if (lastBand) state->codedComponents |= 1u << scan.components[i].frameIndex;
        }
        *scanDone = true;
    }
    return status;
}

JPEG_STATUS startScan(JPEG_CODEC_STATE* state, bool* scanDone)
{
    if (state->frameExpected) return JPEG_NO_FRAME;
    JPEG_STATUS status = segment(state, readSOS);
    if (status == JPEG_SUCCESS) status = checkScanTables(state);
    if (status != JPEG_SUCCESS) return status;
    if (readsHeadersOnly(state->mode)) {
        std::free(state->decodeScan);
        state->decodeScan = nullptr;
        return stepBack(&state->io, state->io.cpuTable->lastSosLength);
    }
    state->io.cpuTable->lastSosLength = 0;
    // A frame stays progressive once one of its scans was.
    if (isProgressiveScan(*state->decodeScan) || progressiveFrameSeen(state)) ++state->progressiveScans;
    state->multiScan = !progressiveFrameSeen(state) && state->decodeScan->componentCount < state->frame.componentCount;
    inferStreamColor(state);
    status = prepareDecoding(state);
    if (status != JPEG_SUCCESS) return status;
    return runScan(state, scanDone);
}

// Makes the picture of a complete image: 2 when a region was asked for.
JPEG_STATUS finishImage(JPEG_CODEC_STATE* state)
{
    if (progressiveFrameSeen(state)) {
        const JPEG_STATUS status = outputProgressiveImage(state);
        if (status != JPEG_SUCCESS) return status;
    } else if (state->multiScan) {
        finishMultiScanImage(state);
    }
    bool region = false;
    outputWindow(state, &region);
    return region ? JPEG_ROI_SUCCESS : JPEG_SUCCESS;
}

JPEG_STATUS endOfImage(JPEG_CODEC_STATE* state) { return imageComplete(state) ? finishImage(state) : JPEG_EOF_ERROR; }

// The data ended without EOI: a picture whose scans all arrived intact is
// complete (a cut inside entropy data already failed its scan).
JPEG_STATUS endOfData(JPEG_CODEC_STATE* state)
{
    return state->codedComponents == allComponents(state) ? endOfImage(state) : JPEG_EOF_ERROR;
}

// The marker loop of one read.
JPEG_STATUS decodeStream(JPEG_CODEC_STATE* state)
{
    const int32_t mode = state->mode;
    EntropyIo* io = &state->io;
    bool scanDone = false;
    if (state->decodeScan && state->decodeScan->inProgress) {
        // An interrupted scan goes on where the last call left it.
        const JPEG_STATUS status = runScan(state, &scanDone);
        if (status != JPEG_SUCCESS) return status;
        if (regionComplete(state)) return finishImage(state);
    } else {
        state->scannedComponents = state->codedComponents = 0;
    }
    if (state->frameExpected && readsHeadersOnly(mode)) {
        int32_t code = 0;
        const JPEG_STATUS status = readMarker(io, &code);
        if (status != JPEG_SUCCESS) return status;
        if (code != 0xD8) return JPEG_NOT_JPEG;
        state->restartInterval = 0;
    }
    for (;;) {
        int32_t code = 0;
        JPEG_STATUS status = readMarker(io, &code);
        if (status != JPEG_SUCCESS) return status;
        switch (code) {
        case 0xC0:
        case 0xC1:
        case 0xC2:
            if (readsTablesOnly(mode)) return stepBack(io, 2);
            if (scanDone) return JPEG_MULTIPLE_FRAMES;
            if (code != 0xC0 && !state->frameExpected) {
                status = skipSegment(io);
                break;
            }
            status = segment(state, readSOF);
            if (status == JPEG_SUCCESS) state->frameExpected = 0;
            resetProgressiveFrame(state);
            break;
        case 0xC3:
        case 0xC5:
        case 0xC6:
        case 0xC7:
        case 0xC8:
        case 0xC9:
        case 0xCA:
        case 0xCB:
        case 0xCD:
        case 0xCE:
        case 0xCF:
            return JPEG_UNSUPPORTED_FRAME;
        case 0xC4:
            status = segment(state, readDHT);
            break;
        case 0xD0:
        case 0xD1:
        case 0xD2:
        case 0xD3:
        case 0xD4:
        case 0xD5:
        case 0xD6:
        case 0xD7:
            break;
        case 0xD8:
            state->restartInterval = 0;
            break;
        case 0xD9:
            if (readsHeadersOnly(mode)) return JPEG_SUCCESS;
            if (state->frameExpected) {
                // A table-only stream: an image must follow.
                status = readMarker(io, &code);
                if (status == JPEG_SUCCESS && code != 0xD8) return JPEG_NO_IMAGE;
                break;
            }
            return endOfImage(state);
        case 0xDA:
            status = startScan(state, &scanDone);
            if (status == JPEG_SUCCESS && readsHeadersOnly(mode)) return JPEG_SUCCESS;
            if (status == JPEG_SUCCESS && regionComplete(state)) return finishImage(state);
            break;
        case 0xDB:
            status = segment(state, readDQT);
            break;
        case 0xDD:
            status = segment(state, readDRI);
            break;
        case 0xE0:
            status = mode == DecodeScanFromFile ? skipSegment(io) : segment(state, readAPP0);
            break;
        case 0xEE:
            status = segment(state, readAPP14);
            break;
        case 0xFE:
            status = segment(state, readCOM);
            break;
        case END_OF_DATA:
            if (readsHeadersOnly(mode)) return JPEG_SUCCESS;
            return endOfData(state);
        default:
            status = skipSegment(io);
            break;
        }
        if (status != JPEG_SUCCESS) return status;
    }
}

void reportStream(JPEG_PROPERTIES* props)
{
    const JPEG_CODEC_STATE* state = &props->state;
    props->jpegWidth = state->stream.width;
    props->jpegHeight = state->stream.height;
    props->jpegChannels = state->stream.channels;
    props->thumbnailWidth = state->stream.thumbnailWidth;
    props->thumbnailHeight = state->stream.thumbnailHeight;
    props->colorConversion = state->stream.colorConversion;
    props->resampling = state->stream.resampling;
    props->jpegSubsampling = static_cast<JPEG_SUBSAMPLING>(subsamplingOf(state->frame));
    props->jpegColor = static_cast<JPEG_COLOR>(state->stream.color);
    props->bitmapColor = static_cast<JPEG_COLOR>(state->bitmap.color);
    props->bitmapChannels = state->bitmap.channels;
    props->bitmapSubsampling = static_cast<JPEG_SUBSAMPLING>(state->bitmap.subsampling);
}

// What the decoder proposes as the bitmap for the stream it found.
void proposeBitmap(JPEG_CODEC_STATE* state)
{
    if (state->frameExpected) return;
    inferStreamColor(state);
    if (state->adobeSeen && state->frame.componentCount == 4) {
        state->bitmap.color = JPEG_COLOR_CMYK;
        state->bitmap.channels = 4;
    }
    if (state->bitmap.color == JPEG_COLOR_YCBCR && state->stream.color == JPEG_COLOR_YCBCR)
        state->bitmap.subsampling = JPEG_SUBSAMPLING_422;
}

JPEG_STATUS handBackInput(JPEG_CODEC_STATE* state)
{
    const int32_t mode = state->mode;
    if (!state->io.file) return JPEG_SUCCESS;
    const bool positions = mode == ReadInfoFromFile || mode == ReadTablesFromFile || mode == DecodeScanFromFile ||
                           mode == DecodeHalfFromFile || mode == DecodeQuarterFromFile ||
                           mode == DecodeEighthFromFile || mode == DecodeThumbnailFromFile;
    if (!positions) return JPEG_SUCCESS;
    // The window was already stepped back over an SOS header the read stopped at.
    const int32_t unread = unreadBytes(&state->io);
    state->io.cursor.remaining = 0;
    return seekCodecFile(state->io.file, -unread, CODEC_SEEK_CURRENT) ? JPEG_SUCCESS : JPEG_FILE_ERROR;
}

JPEG_STATUS setUpInput(JPEG_PROPERTIES* props)
{
    JPEG_CODEC_STATE* state = &props->state;
    EntropyIo* io = &state->io;
    if (state->decodeScan && state->decodeScan->inProgress) return JPEG_SUCCESS;
    takeRegionRequest(state);
    if (!continuesStream(state->mode)) io->cursor.consumed = 0;
    if (regionRequested(state)) io->cursor.consumed = 0;
    resetInputSource(io, state->stream.buffer, state->stream.bufferSize);
    if (!io->file) return JPEG_SUCCESS;
    if (isThumbnailMode(state->mode) && !seekCodecFile(io->file, 0, CODEC_SEEK_BEGIN)) return JPEG_FILE_ERROR;
    return tellCodecFile(io->file, &io->cursor.consumed) ? JPEG_SUCCESS : JPEG_FILE_ERROR;
}
}  // namespace

JPEG_STATUS readStream(JPEG_PROPERTIES* props)
{
    JPEG_CODEC_STATE* state = &props->state;
    const int32_t mode = state->mode;
    if (readsHeadersOnly(mode)) {
        state->frameExpected = 1;
        state->quantTableCount = state->dcTableCount = state->acTableCount = state->huffTablePairs = 0;
    } else {
        const JPEG_STATUS status = loadCallerTables(state);
        if (status != JPEG_SUCCESS) return status;
    }
    if (isFileMode(mode)) {
        const JPEG_STATUS status = openStreamFile(state, props->jpegFileName, false);
        if (status != JPEG_SUCCESS) return status;
    }
    if (!props->useStateDescription) {
        copyBitmapDescription(props, state);
        state->stream.buffer = props->jpegBuffer;
        state->stream.fileName = props->jpegFileName;
        state->stream.bufferSize = props->jpegBufferSize;
        state->stream.color = props->jpegColor;
        state->stream.colorConversion = props->colorConversion;
        state->stream.resampling = props->resampling;
        state->stream.quality = props->quality;
    }
    JPEG_STATUS status = setUpInput(props);
    if (status != JPEG_SUCCESS) return status;
    const int32_t rows = state->bitmap.height < 0 ? -state->bitmap.height : state->bitmap.height;
    state->io.firstRow = state->bitmap.rowStep < 0 && rows > 0
                             ? state->bitmap.pixels - static_cast<intptr_t>(rows - 1) * state->bitmap.rowStep
                             : state->bitmap.pixels;
    state->mcuBuffer =
        reinterpret_cast<int16_t*>((reinterpret_cast<uintptr_t>(state->workAreaBytes) + 31) & ~uintptr_t{31});

    status = decodeStream(state);
    if (status == JPEG_INTERRUPT_SUCCESS) {
        regionToPixelExtents(state);
        return status;
    }
    if (status == JPEG_ROI_SUCCESS) {
        markRegionEnd(state);
        regionToPixelExtents(state);
    }
    if (status != JPEG_SUCCESS && status != JPEG_ROI_SUCCESS) return status;
    proposeBitmap(state);
    const JPEG_STATUS handBack = handBackInput(state);
    if (handBack != JPEG_SUCCESS) return handBack;
    reportStream(props);
    if (mode == DecodeFromFile || mode == ReadTablesFromFile || mode == DecodeScanFromFile) {
        const JPEG_STATUS closed = closeStreamFile(state);
        if (closed != JPEG_SUCCESS) return closed;
    }
    return status;
}

void releaseDecoderState(JPEG_CODEC_STATE* state)
{
    if (state->rowBuffers) std::free(state->rowBuffers->rows[0]);
    std::free(state->rowBuffers);
    state->rowBuffers = nullptr;
    std::free(state->restartIndex);
    state->restartIndex = nullptr;
    std::free(state->coefficientStore);
    state->coefficientStore = nullptr;
    std::free(state->decodeScan);
    state->decodeScan = nullptr;
}
