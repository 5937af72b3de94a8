// File lifetime and bitmap geometry shared by the read and write paths.
#include <cstdlib>
#include <cstring>

#include "CodecState.h"
#include "Platform.h"

void copyBitmapDescription(const JPEG_PROPERTIES* props, JPEG_CODEC_STATE* state)
{
    JpegBitmapDesc& bitmap = state->bitmap;
    bitmap.pixels = props->bitmapPixels;
    bitmap.width = props->bitmapWidth;
    bitmap.height = props->bitmapHeight;
    bitmap.rowPadding = props->bitmapRowPadding;
    bitmap.channels = props->bitmapChannels;
    bitmap.color = props->bitmapColor;
    bitmap.subsampling = props->bitmapSubsampling;
    const int32_t bytesPerPixel = props->bitmapSubsampling == JPEG_SUBSAMPLING_422 ? 2 : props->bitmapChannels;
    const int32_t stride = props->bitmapWidth * bytesPerPixel + props->bitmapRowPadding;
    bitmap.rowStep = props->bitmapHeight < 0 ? -stride : stride;
}

JPEG_STATUS closeStreamFile(JPEG_CODEC_STATE* state)
{
    std::free(state->openFilePath);
    state->openFilePath = nullptr;
    if (!state->io.file) return JPEG_SUCCESS;
    const bool closed = closeCodecFile(state->io.file);
    state->io.file = nullptr;
    return closed ? JPEG_SUCCESS : JPEG_CLOSE_FILE_ERROR;
}

JPEG_STATUS openStreamFile(JPEG_CODEC_STATE* state, const char* path, bool forWriting)
{
    if (state->io.file) {
        const bool same = state->openFilePath && path && std::strcmp(state->openFilePath, path) == 0 &&
                          state->openFileWritable == static_cast<int32_t>(forWriting);
        if (same) return JPEG_SUCCESS;
        closeStreamFile(state);
    }
    if (!path) return JPEG_INVALID_FILE_NAME;
    const size_t length = std::strlen(path) + 1;
    state->openFilePath = static_cast<char*>(std::malloc(length));
    if (!state->openFilePath) return JPEG_MEMORY_ERROR;
    std::memcpy(state->openFilePath, path, length);
    state->openFileWritable = forWriting;
    state->io.file = openCodecFile(path, forWriting ? CODEC_FILE_READ_WRITE : CODEC_FILE_READ);
    if (!state->io.file) {
        closeStreamFile(state);
        return JPEG_INVALID_FILE_NAME;
    }
    return JPEG_SUCCESS;
}

namespace {
bool sameRegion(const JpegRegion& a, const JpegRegion& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

void regionToPixelExtents(JPEG_CODEC_STATE* state)
{
    JpegRegion& region = state->region;
    const int32_t maxH = state->frame.maxH > 0 ? state->frame.maxH : 1;
    const int32_t maxV = state->frame.maxV > 0 ? state->frame.maxV : 1;
    const int32_t right = (region.right * 8 + 8) * maxH;
    const int32_t bottom = (region.bottom * 8 + 8) * maxV;
    region.right = right < state->stream.width ? right : state->stream.width;
    region.bottom = bottom < state->stream.height ? bottom : state->stream.height;
    state->regionReport = region;
}

void takeRegionRequest(JPEG_CODEC_STATE* state)
{
    // Words still holding the last report were not written by the caller.
    if (sameRegion(state->region, state->regionReport)) state->region = JpegRegion{};
    state->regionReport = JpegRegion{};
    state->regionRequest = state->region;
}

void copyStreamDescription(const JPEG_PROPERTIES* props, JpegStreamDesc* stream)
{
    stream->fileName = props->jpegFileName;
    stream->buffer = props->jpegBuffer;
    stream->bufferSize = props->jpegBufferSize;
    stream->width = props->jpegWidth;
    stream->height = props->jpegHeight;
    stream->channels = props->jpegChannels;
    stream->color = props->jpegColor;
    stream->subsampling = props->jpegSubsampling;
    stream->thumbnailWidth = props->thumbnailWidth;
    stream->thumbnailHeight = props->thumbnailHeight;
    stream->colorConversion = props->colorConversion;
    stream->resampling = props->resampling;
    stream->quality = props->quality;
}
