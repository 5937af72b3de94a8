// The codec's six entry points: record set-up and release, the frame around
// every read and write, the version record and the status texts.
#include <cstdlib>

#include "CodecState.h"
#include "CpuDispatch.h"

namespace {
const JPEG_LIB_VERSION kVersion = {1, 51, 13, "kestrun15l.lib", "1.51.13", "[1.51.13.45]", "Apr 30 2002", "Microsoft*"};

void storeDefaults(JPEG_PROPERTIES* props)
{
    props->useStateDescription = 0;
    props->bitmapPixels = nullptr;
    props->bitmapWidth = 0;
    props->bitmapHeight = 0;
    props->bitmapRowPadding = 0;
    props->bitmapChannels = 3;
    props->bitmapColor = JPEG_COLOR_BGR;
    props->bitmapSubsampling = JPEG_SUBSAMPLING_NONE;
    props->jpegFileName = nullptr;
    props->jpegBuffer = nullptr;
    props->jpegBufferSize = 0;
    props->jpegWidth = 0;
    props->jpegHeight = 0;
    props->jpegChannels = 3;
    props->jpegColor = JPEG_COLOR_YCBCR;
    props->jpegSubsampling = JPEG_SUBSAMPLING_420;
    props->thumbnailWidth = 0;
    props->thumbnailHeight = 0;
    props->colorConversion = 1;
    props->resampling = 1;
    props->quality = 75;
}

void initialiseState(JPEG_PROPERTIES* props, CpuDispatchTable* table)
{
    JPEG_CODEC_STATE* state = &props->state;
    byteFill(state, sizeof(*state));
    state->io.cpuTable = table;
    state->mode = -1;
    state->dctMethod = 1;
    copyBitmapDescription(props, state);
    state->bitmap.rowStep = 0;
    copyStreamDescription(props, &state->stream);
    for (int i = 1; i < JPEG_MAX_COMPONENTS; ++i) state->dcTableIndex[i] = state->acTableIndex[i] = 1;
    state->frame.precision = 8;
    state->frame.componentCount = JPEG_MAX_COMPONENTS;
    state->frameExpected = 1;
    state->adobeVersion = 100;
    state->jfifVersion = 0x0101;
    state->jfifXDensity = 1;
    state->jfifYDensity = 1;
}

// Releases the heap blocks a record may hold; safe on a partly set-up one.
void releaseHeapBlocks(JPEG_CODEC_STATE* state)
{
    std::free(state->frame.components);
    state->frame.components = nullptr;
    state->frame.componentCount = 0;
    releaseDecoderState(state);
    releaseEncoderState(state);
    std::free(state->scanWorkBlock);
    state->scanWorkBlock = nullptr;
}

void endOperation(JPEG_CODEC_STATE* state, JPEG_STATUS status)
{
    if (state->io.cpuTable && state->io.cpuTable->endKernels) state->io.cpuTable->endKernels();
    if (status < 0 && state->io.file) closeStreamFile(state);
}

JPEG_STATUS runOperation(JPEG_PROPERTIES* props, JPEG_IO_MODE mode, bool writing)
{
    if (!props || !props->state.io.cpuTable) return JPEG_INVALID_PROPERTIES;
    JPEG_CODEC_STATE* state = &props->state;
    state->mode = mode;
    JPEG_STATUS status = jpegCheckProperties(props);
    if (status != JPEG_SUCCESS) return status;
    if (writing != isWriteMode(mode))
        status = JPEG_INVALID_PROPERTIES;
    else
        status = writing ? writeStream(props) : readStream(props);
    endOperation(state, status);
    return status;
}
}  // namespace

JPEG_STATUS jpegInit(JPEG_PROPERTIES* props)
{
    if (!props) return JPEG_INVALID_PROPERTIES;
    // Cleared first, so that jpegFree finds nothing to release after a failure.
    byteFill(&props->state, sizeof(props->state));
    auto* table = static_cast<CpuDispatchTable*>(std::calloc(1, sizeof(CpuDispatchTable)));
    props->state.io.cpuTable = table;
    if (!table) return JPEG_MEMORY_ERROR;
    bindKernels(table);
    storeDefaults(props);
    initialiseState(props, table);

    JPEG_CODEC_STATE* state = &props->state;
    state->frame.components = static_cast<ComponentSpec*>(std::calloc(JPEG_MAX_COMPONENTS, sizeof(ComponentSpec)));
    if (!state->frame.components) {
        releaseHeapBlocks(state);
        return JPEG_MEMORY_ERROR;
    }
    for (int i = 1; i < JPEG_MAX_COMPONENTS; ++i) state->frame.components[i].quantTable = 1;
    state->cpuClass = state->io.cpuClass = detectCpuClass(table);
    return JPEG_SUCCESS;
}

JPEG_STATUS jpegFree(JPEG_PROPERTIES* props)
{
    if (!props) return JPEG_INVALID_PROPERTIES;
    JPEG_CODEC_STATE* state = &props->state;
    JPEG_STATUS status = JPEG_SUCCESS;
    if (state->io.file) status = closeStreamFile(state);
    if (status == JPEG_SUCCESS && static_cast<uint32_t>(state->frame.componentCount) > 255)
        status = JPEG_INVALID_PROPERTIES;
    releaseHeapBlocks(state);
    byteFill(state->quantSpecs, sizeof(state->quantSpecs));
    byteFill(state->huffSpecs, sizeof(state->huffSpecs));
    state->quantTableCount = state->quantTablesSeen = 0;
    state->dcTableCount = state->acTableCount = state->huffTablePairs = 0;
    state->callerQuantTables = state->callerHuffTables = 0;
    unbindKernels(state->io.cpuTable);
    std::free(state->io.cpuTable);
    state->io.cpuTable = nullptr;
    return status;
}

JPEG_STATUS jpegRead(JPEG_PROPERTIES* props, JPEG_IO_MODE mode) { return runOperation(props, mode, false); }

JPEG_STATUS jpegWrite(JPEG_PROPERTIES* props, JPEG_IO_MODE mode) { return runOperation(props, mode, true); }

const JPEG_LIB_VERSION* jpegGetLibVersion(void) { return &kVersion; }

const char* jpegErrorStr(JPEG_STATUS status)
{
    static const char* const kTexts[] = {"Success",
                                         "Exception detected",
                                         "Invalid Encoder",
                                         "Unsupported subsampling",
                                         "Unsupported bytes per pixel",
                                         "Memory error",
                                         "Bad Huffman table",
                                         "Bad Quantization table",
                                         "Invalid JPEG_PROPERTIES",
                                         "Error close file",
                                         "Invalid file name",
                                         "Error EOF",
                                         "Not supported",
                                         "Not JPEG",
                                         "Error COMP",
                                         "Error SOF",
                                         "Error DNL",
                                         "No Huffman table",
                                         "No Quantization table",
                                         "No frame",
                                         "Multiply frame",
                                         "Data error",
                                         "No image",
                                         "File error",
                                         "Internal error",
                                         "Bad RST marker",
                                         "Thumbnail too small",
                                         "Thumbnail has wrong color",
                                         "Output buffer too small",
                                         "Unsupported frame was found",
                                         "Error access to jpeg_comment buffer"};
    const int code = status;
    if (code == JPEG_ROI_SUCCESS) return "ROI Success";
    if (code == JPEG_INTERRUPT_SUCCESS) return "Interrupt Success";
    if (code == JPEG_RESERVED) return "Reserved";
    if (code <= 0 && -code < static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0]))) return kTexts[-code];
    return "Unknown error code";
}
