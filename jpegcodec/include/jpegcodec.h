// JPEG codec: baseline and progressive decoding and encoding between a
// caller's bitmap and a JPEG stream held in a file or in memory.
//
// Usage: put a JPEG_PROPERTIES on the stack, jpegInit it, fill the members
// the operation needs, call jpegRead or jpegWrite with a JPEG_IO_MODE, and
// always finish with jpegFree (also after a failure). One record serves one
// thread at a time; records on different threads are independent.
#ifndef JPEGCODEC_H
#define JPEGCODEC_H

#include <stdint.h>

typedef enum JPEG_STATUS : int32_t {
    JPEG_ROI_SUCCESS = 2,
    JPEG_INTERRUPT_SUCCESS = 1,
    JPEG_SUCCESS = 0,
    JPEG_EXCEPTION = -1,
    JPEG_INVALID_ENCODER = -2,
    JPEG_UNSUPPORTED_SUBSAMPLING = -3,
    JPEG_UNSUPPORTED_BYTES_PER_PIXEL = -4,
    JPEG_MEMORY_ERROR = -5,
    JPEG_BAD_HUFFMAN_TABLE = -6,
    JPEG_BAD_QUANT_TABLE = -7,
    JPEG_INVALID_PROPERTIES = -8,
    JPEG_CLOSE_FILE_ERROR = -9,
    JPEG_INVALID_FILE_NAME = -10,
    JPEG_EOF_ERROR = -11,
    JPEG_NOT_SUPPORTED = -12,
    JPEG_NOT_JPEG = -13,
    JPEG_COMPONENT_ERROR = -14,
    JPEG_SOF_ERROR = -15,
    JPEG_DNL_ERROR = -16,
    JPEG_NO_HUFFMAN_TABLE = -17,
    JPEG_NO_QUANT_TABLE = -18,
    JPEG_NO_FRAME = -19,
    JPEG_MULTIPLE_FRAMES = -20,
    JPEG_DATA_ERROR = -21,
    JPEG_NO_IMAGE = -22,
    JPEG_FILE_ERROR = -23,
    JPEG_INTERNAL_ERROR = -24,
    JPEG_BAD_RST_MARKER = -25,
    JPEG_THUMBNAIL_TOO_SMALL = -26,
    JPEG_THUMBNAIL_WRONG_COLOR = -27,
    JPEG_OUTPUT_BUFFER_TOO_SMALL = -28,
    JPEG_UNSUPPORTED_FRAME = -29,
    JPEG_COMMENT_ACCESS_ERROR = -30,
    JPEG_RESERVED = -99
} JPEG_STATUS;

typedef enum JPEG_COLOR : int32_t {
    JPEG_COLOR_RGB = 1,
    JPEG_COLOR_BGR = 2,
    JPEG_COLOR_YCBCR = 3,
    JPEG_COLOR_GREY = 4,
    JPEG_COLOR_CMYK = 5,
    JPEG_COLOR_YCCK = 6,
    JPEG_COLOR_OTHER = 255
} JPEG_COLOR;

// Horizontal x vertical sampling factors of the components, in order.
typedef enum JPEG_SUBSAMPLING : int32_t {
    JPEG_SUBSAMPLING_NONE = 0,    // every component 1x1
    JPEG_SUBSAMPLING_420 = 1,     // 2x2, 1x1, 1x1
    JPEG_SUBSAMPLING_422 = 2,     // 2x1, 1x1, 1x1
    JPEG_SUBSAMPLING_4224 = 3,    // 2x2, 1x1, 1x1, 2x2
    JPEG_SUBSAMPLING_4222 = 4,    // 2x1, 1x1, 1x1, 2x1
    JPEG_SUBSAMPLING_OTHER = 255  // reported by the reader only
} JPEG_SUBSAMPLING;

// Even modes work on the file jpegFileName, odd modes on jpegBuffer.
typedef enum JPEG_IO_MODE : int32_t {
    ReadInfoFromFile = 0,
    ReadInfoFromMemory = 1,
    DecodeFromFile = 2,
    DecodeFromMemory = 3,
    ReadTablesFromFile = 4,
    ReadTablesFromMemory = 5,
    DecodeScanFromFile = 6,
    DecodeScanFromMemory = 7,
    EncodeToFile = 8,
    EncodeToMemory = 9,
    WriteTablesToFile = 10,
    WriteTablesToMemory = 11,
    EncodeScanToFile = 12,
    EncodeScanToMemory = 13,
    DecodeHalfFromFile = 14,
    DecodeHalfFromMemory = 15,
    DecodeQuarterFromFile = 16,
    DecodeQuarterFromMemory = 17,
    DecodeEighthFromFile = 18,
    DecodeEighthFromMemory = 19,
    DecodeThumbnailFromFile = 20,
    DecodeThumbnailFromMemory = 21
} JPEG_IO_MODE;

typedef struct JPEG_LIB_VERSION {
    int32_t major;
    int32_t minor;
    int32_t build;
    const char* libraryName;
    const char* version;
    const char* internalVersion;
    const char* buildDate;
    const char* toolchain;
} JPEG_LIB_VERSION;

// The codec's private working state; callers never touch it.
#include "jpegcodec_state.h"

typedef struct JPEG_PROPERTIES {
    int32_t useStateDescription;  // nonzero: use the state's descriptions, skip validation
    uint8_t* bitmapPixels;
    int32_t bitmapWidth;       // 1..65535
    int32_t bitmapHeight;      // negative: rows lie bottom-up
    int32_t bitmapRowPadding;  // bytes after each row's pixels
    int32_t bitmapChannels;    // bytes per pixel
    JPEG_COLOR bitmapColor;
    JPEG_SUBSAMPLING bitmapSubsampling;  // 2 only for packed YCbCr 4:2:2
    const char* jpegFileName;
    uint8_t* jpegBuffer;
    int32_t jpegBufferSize;  // after a memory write: bytes written
    int32_t jpegWidth;
    int32_t jpegHeight;
    int32_t jpegChannels;
    JPEG_COLOR jpegColor;
    JPEG_SUBSAMPLING jpegSubsampling;
    int32_t thumbnailWidth;
    int32_t thumbnailHeight;
    int32_t colorConversion;
    int32_t resampling;
    int32_t quality;  // 1..100
    JPEG_CODEC_STATE state;
} JPEG_PROPERTIES;

JPEG_STATUS jpegInit(JPEG_PROPERTIES* props);
JPEG_STATUS jpegFree(JPEG_PROPERTIES* props);
JPEG_STATUS jpegRead(JPEG_PROPERTIES* props, JPEG_IO_MODE mode);
JPEG_STATUS jpegWrite(JPEG_PROPERTIES* props, JPEG_IO_MODE mode);
const JPEG_LIB_VERSION* jpegGetLibVersion(void);
const char* jpegErrorStr(JPEG_STATUS status);
JPEG_STATUS jpegCheckProperties(JPEG_PROPERTIES* props);

#endif
