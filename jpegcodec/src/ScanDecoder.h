// Baseline scan decoding: MCUs are entropy-decoded, dequantised and
// transformed into component sample bands one MCU row at a time; each band
// is then upsampled, converted and written into the caller's bitmap, at full
// size or 1/2, 1/4 or 1/8, whole or as a region of interest.
#ifndef JPEGCODEC_SCAN_DECODER_H
#define JPEGCODEC_SCAN_DECODER_H

#include "jpegcodec.h"

// Checks the frame against the requested bitmap before the first scan.
JPEG_STATUS prepareDecoding(JPEG_CODEC_STATE* state);
// Decodes the scan whose header the state holds: 0 done, 1 interrupted after
// one MCU (call again to continue), negative on failure.
JPEG_STATUS decodeScan(JPEG_CODEC_STATE* state);
// The output pixels a read writes: the region of interest (region set) or
// the whole picture at the mode's scale, clipped to the picture and bitmap.
JpegRegion outputWindow(const JPEG_CODEC_STATE* state, bool* region);
// After a region read: the region words name the region's last MCU.
void markRegionEnd(JPEG_CODEC_STATE* state);
// After separate single-component scans: turns the YCbCr bytes they left in
// the bitmap into the bitmap's colour.
void finishMultiScanImage(JPEG_CODEC_STATE* state);
// Whether a scan header describes a progressive scan.
bool isProgressiveScan(const JpegScanHeader& scan);

struct RestartIndexEntry {
    int32_t position;  // -1: empty
    int32_t dcPredictor[JPEG_MAX_COMPONENTS];
    uint32_t bitWord0;
    uint32_t bitWord1;
    int32_t bitCount;
    int32_t pendingMarker;
    int32_t scanStart;  // where the indexed scan's data begins
};

#endif
