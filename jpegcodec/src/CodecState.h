// Helpers over the codec state shared by the read and write paths.
#ifndef JPEGCODEC_CODEC_STATE_H
#define JPEGCODEC_CODEC_STATE_H

#include "jpegcodec.h"

inline bool isFileMode(int32_t mode) { return (mode & 1) == 0; }
inline bool isWriteMode(int32_t mode) { return mode >= EncodeToFile && mode <= EncodeScanToMemory; }
inline bool isReadMode(int32_t mode) { return mode >= 0 && mode <= DecodeThumbnailFromMemory && !isWriteMode(mode); }
inline bool isPixelMode(int32_t mode)
{
    return mode == DecodeFromFile || mode == DecodeFromMemory ||
           (mode >= DecodeScanFromFile && mode <= EncodeToMemory) || mode >= EncodeScanToFile;
}
inline bool isThumbnailMode(int32_t mode)
{
    return mode == DecodeThumbnailFromFile || mode == DecodeThumbnailFromMemory;
}

// Copies the caller's bitmap description into the state. The row step is
// negative for a bottom-up bitmap; packed YCbCr 4:2:2 rows hold two bytes a
// pixel whatever the channel count says.
void copyBitmapDescription(const JPEG_PROPERTIES* props, JPEG_CODEC_STATE* state);
void copyStreamDescription(const JPEG_PROPERTIES* props, JpegStreamDesc* stream);

// Opens path for the state unless it is already open with that access; a
// record whose file name or access changed gets the new file.
JPEG_STATUS openStreamFile(JPEG_CODEC_STATE* state, const char* path, bool forWriting);
// Closes the state's file if one is open; -9 when the close fails.
JPEG_STATUS closeStreamFile(JPEG_CODEC_STATE* state);

// The read and write paths behind the entry points.
JPEG_STATUS readStream(JPEG_PROPERTIES* props);
JPEG_STATUS writeStream(JPEG_PROPERTIES* props);
// Releases whatever the writer keeps between calls.
void releaseEncoderState(JPEG_CODEC_STATE* state);
// Releases whatever the reader keeps between calls.
void releaseDecoderState(JPEG_CODEC_STATE* state);

// Turns the region words from MCU indices into pixel extents after a read or
// write that ended with 1 or 2, and remembers them as that call's report.
void regionToPixelExtents(JPEG_CODEC_STATE* state);
// At the start of a read: the region words become the read's region
// request, unless they still hold the previous call's report.
void takeRegionRequest(JPEG_CODEC_STATE* state);

#endif
