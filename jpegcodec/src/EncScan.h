// The encoder's scan record: which components a scan codes, its spectral
// band and approximation, and what a resumed scan carries over.
#ifndef JPEGCODEC_ENC_SCAN_H
#define JPEGCODEC_ENC_SCAN_H

#include "jpegcodec.h"

struct JpegEncodeScanComponent {
    int32_t frameIndex;
    int32_t horizontalFactor;
    int32_t verticalFactor;
};

struct JpegEncodeScan {
    int32_t componentCount;
    int32_t ss;
    int32_t se;
    int32_t ah;
    int32_t al;
    JpegEncodeScanComponent components[JPEG_MAX_COMPONENTS];
    int32_t lastDc[JPEG_MAX_COMPONENTS];
    int32_t restartCount;  // MCUs since the stream's first, for the restart markers
    int32_t nextColumn;    // where an interrupted scan resumes
    int32_t nextRow;
};

#endif
