// The stages of baseline scan decoding, one file each: the plan of a scan
// (geometry and writer choice), block decoding into component sample bands,
// upsampling and smoothing, band output into the bitmap, coefficient output
// into caller planes, restart processing and the region seek. The driver in
// ScanDecoder.cpp runs them MCU by MCU.
#ifndef JPEGCODEC_SCAN_STAGES_H
#define JPEGCODEC_SCAN_STAGES_H

#include "CpuDispatch.h"
#include "jpegcodec.h"

enum { RESTART_INDEX_ROWS = 8192, BAND_RING = 3 };

// Blocks without AC coefficients, most of a page's white ground, come out
// of the inverse DCT as one sample value. What the record's own dequantiser
// and transform made of a DC value is remembered, so the picture stays byte
// for byte what the full transform gives on every class.
class FlatBlockSamples {
public:
    // The sample of a DC-only block of this DC, when one was seen to be flat.
    bool lookUp(int16_t dc, uint8_t* sample) const
    {
        const Entry& entry = entries_[slotOf(dc)];
        *sample = entry.sample;
        return entry.flat && entry.dc == dc;
    }
    // Notes what the transform made of a DC-only block of this DC.
    void learn(int16_t dc, const int16_t* samples)
    {
        bool flat = true;
        for (int32_t i = 1; i < 64; ++i) flat &= samples[i] == samples[0];
        entries_[slotOf(dc)] = Entry{dc, flat, static_cast<uint8_t>(samples[0])};
    }

private:
    static constexpr int32_t kEntries = 16;
    static int32_t slotOf(int16_t dc) { return static_cast<uint16_t>(dc) % kEntries; }
    struct Entry {
        int16_t dc;
        bool flat;
        uint8_t sample;
    };
    Entry entries_[kEntries] = {};
};

struct ComponentGeometry {
    int32_t frameIndex;
    int32_t blocksH, blocksV;  // blocks of this component in one MCU
    int32_t edge;              // samples per block edge after the inverse DCT
    int32_t planeWidth, planeHeight;
    int32_t realWidth, realHeight;  // samples that lie inside the image
    int32_t ratioH, ratioV;         // output pixels per sample
    BlockTransformFn inverseDct;
    FlatBlockSamples flatBlocks;
    uint8_t* bands[BAND_RING];
    uint8_t* line;  // one upsampled output line
};

enum class WriterKind { Grey, Three, Four, Generic, Raw };

// How one scan becomes pixels; rebuilt at the start of every call.
struct ScanPlan {
    int32_t scale;
    int32_t columns, rows;  // MCUs
    int32_t mcuOutWidth, mcuOutHeight;
    int32_t outWidth, outHeight;
    JpegRegion window;  // output pixels written, clipped to image and bitmap
    bool region;
    int32_t fullFrom, fullTo;      // MCU rows decoded in full
    int32_t storedFrom, storedTo;  // MCU columns a stored (progressive) picture is made of
    bool smooth;
    int32_t componentCount;
    ComponentGeometry comps[JPEG_MAX_COMPONENTS];
    WriterKind writer;
    bool convertAfter;  // generic writer: YCbCr bytes converted in place
    int32_t bytesPerPixel;
    int32_t genericSource[8];  // per pixel byte: line index, -1 for 255, -2 untouched
    DecodeGreyFn grey;
    Decode3Fn three, threeHalf;
    Decode3PairFn threePair;  // set when pairs of rows share their chroma line
    Decode4Fn four, fourHalf;
    // Per band and MCU column: nonzero when every block of the MCU came out
    // flat, its luma blocks with one sample (the page's ground).
    uint8_t* flatMcus[BAND_RING];
};

// The heap block of one scan: its plan, bands and lines.
struct ScanWork {
    ScanPlan plan;
};

inline int32_t ceilDiv(int32_t a, int32_t b) { return (a + b - 1) / b; }
inline int32_t absolute(int32_t v) { return v < 0 ? -v : v; }

// Scan plan (ScanPlan.cpp).
int32_t scaleOfMode(int32_t mode);
// Whether the bitmap's colour differs from the stream's, as prepareDecoding records it.
int32_t colorConversionOf(const JPEG_CODEC_STATE* state);
// Whether the kernel may read chroma straight from half-width sample rows.
bool halfWidthChroma(const ScanPlan& plan, int32_t x0);
// Output geometry and component bands of the scan in the state.
void planScan(JPEG_CODEC_STATE* state, ScanPlan* plan);
// The scan's work block with the bands and lines the plan needs.
JPEG_STATUS allocateScanWork(JPEG_CODEC_STATE* state, ScanPlan* plan);

// Block decoding (BlockSamples.cpp): the MCU at column x, row y into the
// component bands; not full: only its DC values, to pass over it.
JPEG_STATUS decodeMcu(JPEG_CODEC_STATE* state, ScanPlan& plan, int32_t x, int32_t y, bool full);

// Upsampling (Upsampling.cpp).
const uint8_t* sampleRow(const ComponentGeometry& g, int32_t row);
const uint8_t* componentLine(const ScanPlan& plan, const ComponentGeometry& g, int32_t y, int32_t x0, int32_t count);

// Band output (BandOutput.cpp): the bitmap rows of MCU row `band`.
void emitBand(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t band);

// Coefficient output (CoefficientOutput.cpp).
void storeForCaller(const JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t ci, int32_t x, int32_t y, int32_t h,
                    int32_t v, const int16_t* block, int32_t edge);

// Restarts (RestartProcessing.cpp): after the MCU at column x, row y.
JPEG_STATUS processRestart(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t x, int32_t y);

// Region seek (RegionSeek.cpp).
int32_t inputPosition(const EntropyIo& io);
void storeRestartEntry(JPEG_CODEC_STATE* state, int32_t row, int32_t scanStart);
// Moves the input to the nearest indexed row at or above `row`; returns it.
JPEG_STATUS seekNearestRow(JPEG_CODEC_STATE* state, int32_t row, int32_t* reached);

#endif
