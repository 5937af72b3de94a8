// Private working state of the JPEG codec, embedded at the tail of every
// JPEG_PROPERTIES so that a record needs no allocation of its own. Only the
// codec reads or writes these members; the layout is here because callers
// place the whole record on their stack.
#ifndef JPEGCODEC_STATE_H
#define JPEGCODEC_STATE_H

#include <stdint.h>

struct CpuDispatchTable;
struct JpegEncodeScan;     // the encoder's scan record (or its progressive script)
struct RestartIndexEntry;  // one MCU row's resume point in the entropy data

enum { JPEG_FILE_WINDOW_SIZE = 4096, JPEG_MAX_COMPONENTS = 4, JPEG_MAX_BLOCKS_PER_MCU = 10 };

typedef struct ComponentSpec {
    int32_t id;
    int32_t horizontalFactor;
    int32_t verticalFactor;
    int32_t quantTable;
} ComponentSpec;

// Region of interest on input; after an interrupted or region read the last
// MCU output (left = right = column, top = bottom = row, then turned into
// pixel extents).
typedef struct JpegRegion {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} JpegRegion;

typedef struct JpegBitmapDesc {
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t rowPadding;
    int32_t channels;
    int32_t color;
    int32_t subsampling;
    int32_t rowStep;  // signed: negative for a bottom-up bitmap
} JpegBitmapDesc;

typedef struct JpegStreamDesc {
    const char* fileName;
    uint8_t* buffer;
    int32_t bufferSize;
    int32_t width;
    int32_t height;
    int32_t channels;
    int32_t color;
    int32_t subsampling;
    int32_t thumbnailWidth;
    int32_t thumbnailHeight;
    int32_t colorConversion;
    int32_t resampling;
    int32_t quality;
} JpegStreamDesc;

// 64 entries in natural order once prepared, followed by 32 bytes that the
// preparation clears (vector kernels may read past the table). The decoder's
// entries are 32-bit: a fast-family multiplier of a large quantiser does not
// fit in 16 bits.
typedef union JpegQuantTable {
    alignas(8) uint16_t encode[64 + 16];
    int32_t decode[64 + 8];
} JpegQuantTable;

typedef struct HuffLookahead {
    uint16_t symbol;
    uint16_t length;  // 0: the code is longer than 8 bits
} HuffLookahead;

typedef struct HuffDecodeTable {
    uint16_t tableClass;
    uint16_t id;
    uint16_t reserved[2];
    HuffLookahead lookahead[256];
    uint16_t huffval[256];
    int32_t mincode[17];
    int32_t maxcode[18];  // -1: no code of that length
    int32_t valptr[17];
} HuffDecodeTable;

typedef struct HuffEncodeTable {
    int32_t length[256];
    uint16_t code[256];
} HuffEncodeTable;

typedef union JpegHuffTable {
    HuffDecodeTable decode;
    HuffEncodeTable encode;
} JpegHuffTable;

typedef struct JpegQuantSpec {
    const uint8_t* table;  // 64 bytes in zig-zag order
    uint8_t id;
} JpegQuantSpec;

typedef struct JpegHuffSpec {
    const uint8_t* bits;    // 16 code-length counts
    const uint8_t* values;  // HUFFVAL
    uint8_t tableClass;     // 0 DC, 1 AC
    uint8_t id;
} JpegHuffSpec;

typedef struct JpegFrameInfo {
    int32_t precision;
    int32_t width;
    int32_t height;
    int32_t mcuWidth;
    int32_t mcuHeight;
    int32_t maxH;
    int32_t maxV;
    int32_t componentCount;
    int32_t mcusPerRow;
    int32_t mcuCount;
    ComponentSpec* components;  // heap array of JPEG_MAX_COMPONENTS
} JpegFrameInfo;

typedef struct JpegScanComponent {
    int32_t frameIndex;
    int32_t horizontalFactor;
    int32_t verticalFactor;
    const HuffDecodeTable* dcTable;
    const HuffDecodeTable* acTable;
    const JpegQuantTable* quantTable;
} JpegScanComponent;

typedef struct JpegScanHeader {
    int32_t componentCount;
    int32_t inProgress;  // interrupted: the next read resumes at resumeColumn/resumeRow
    int32_t ss;
    int32_t se;
    int32_t ah;
    int32_t al;
    int32_t restartInterval;
    int32_t resumeColumn;
    int32_t resumeRow;
    int32_t dcPredictor[JPEG_MAX_COMPONENTS];
    JpegScanComponent components[JPEG_MAX_COMPONENTS];
} JpegScanHeader;

// Where the entropy coder stands in the caller's buffer or the file window.
typedef struct StreamCursor {
    uint8_t* current;
    uint8_t* windowStart;
    uint8_t* windowEnd;
    int32_t consumed;  // reading: offset in the caller's buffer, kept across calls
    int32_t windowSize;
    int32_t remaining;
} StreamCursor;

typedef struct EntropyIo {
    uint64_t bits;
    struct CpuDispatchTable* cpuTable;
    int32_t bitCount;
    int32_t paddingBits;  // zero bits supplied past a marker or the end of the data
    StreamCursor cursor;
    int32_t eobRun;
    uint8_t* firstRow;
    int32_t pendingMarker;
    int32_t cpuClass;
    int32_t componentBase;
    void* file;  // null: memory source
    uint8_t fileWindow[JPEG_FILE_WINDOW_SIZE];
} EntropyIo;

// Caller planes that take coefficients (mode 0) or samples (other modes)
// instead of pixels.
typedef struct JpegCoefficientOutput {
    int32_t mode;
    int16_t* planes[JPEG_MAX_COMPONENTS];
} JpegCoefficientOutput;

// Sample rows kept for interpolating upsampling across MCU borders; the four
// rows are one allocation starting at rows[0].
typedef struct JpegRowBuffers {
    int16_t* rows[4];
    int32_t counter;
} JpegRowBuffers;

enum { JPEG_WORK_AREA_BYTES = JPEG_MAX_BLOCKS_PER_MCU * 64 * 2 };

typedef struct JPEG_CODEC_STATE {
    int32_t mode;
    JpegRegion region;
    int32_t dctMethod;  // 0 fast, 1 accurate

    JpegBitmapDesc bitmap;
    JpegStreamDesc stream;

    int32_t multiScan;
    int32_t mcusPerRow;
    int32_t mcuRows;

    JpegQuantTable quantTables[4];
    JpegHuffTable huffTables[8];  // 0-3 DC, 4-7 AC
    JpegQuantTable* preparedQuant[4];
    JpegHuffTable* preparedHuff[8];
    int32_t callerQuantTables;
    int32_t callerHuffTables;

    JpegQuantSpec quantSpecs[4];
    JpegHuffSpec huffSpecs[8];
    int32_t quantTableCount;  // tables to emit / highest id seen + 1
    int32_t quantTablesSeen;
    int32_t dcTableCount;
    int32_t acTableCount;
    int32_t huffTablePairs;

    uint8_t dcTableIndex[JPEG_MAX_COMPONENTS];
    uint8_t acTableIndex[JPEG_MAX_COMPONENTS];

    JpegFrameInfo frame;
    int32_t frameExpected;

    // The scan in progress (null when none), kept across an interrupted call.
    JpegScanHeader* decodeScan;
    struct JpegEncodeScan* encodeScan;

    EntropyIo io;
    int32_t adobeSeen;
    int32_t adobeTransform;

    uint8_t workAreaBytes[JPEG_WORK_AREA_BYTES + 32];
    int16_t* mcuBuffer;  // 32-byte aligned inside workAreaBytes

    int32_t cpuClass;
    int32_t bitmapBypass;
    int32_t progressiveFrame;  // writer: nonzero selects progressive coding
    struct RestartIndexEntry* restartIndex;
    int32_t regionDecoding;
    JpegRowBuffers* rowBuffers;

    uint16_t adobeVersion;
    uint16_t adobeFlags0;
    uint16_t adobeFlags1;

    int32_t jfifSeen;
    uint16_t jfifVersion;
    uint8_t jfifUnits;
    uint16_t jfifXDensity;
    uint16_t jfifYDensity;

    char* jpeg_comment;
    uint16_t jpeg_commentLength;

    int32_t outputLayout;
    int32_t interruptEachMcu;
    JpegCoefficientOutput* coefficientOutput;
    int32_t restartInterval;
    int32_t smoothUpsampling;
    int32_t progressiveScans;  // progressive scans met in the current frame
    int32_t dcDone;
    int32_t acDone;
    int16_t* coefficientStore;
    uint32_t scannedComponents;  // frame components the finished scans of this image carried
    uint32_t codedComponents;    // frame components whose coefficients all arrived (progressive: AC to 63)
    void* scanWorkBlock;         // the scan coders' heap work block
    char* openFilePath;          // copy of the name the open file was opened by
    int32_t openFileWritable;
    // The region the read in progress decodes (all zero: the whole picture),
    // taken from the region words when the read starts, so that the pause
    // position reported in those words never becomes a request.
    JpegRegion regionRequest;
    JpegRegion regionReport;  // what the last call that ended with 1 or 2 left in the region words
} JPEG_CODEC_STATE;

#endif
