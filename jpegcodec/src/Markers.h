// Readers of the marker segments of a JPEG stream. Each takes the segment's
// payload (without the length field), bounds every field before storing it,
// and fills the frame, table and scan records of the state.
#ifndef JPEGCODEC_MARKERS_H
#define JPEGCODEC_MARKERS_H

#include "jpegcodec.h"

JPEG_STATUS readSOF(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);
JPEG_STATUS readDQT(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);
JPEG_STATUS readDHT(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);
// Fills the state's scan record (allocated on first use).
JPEG_STATUS readSOS(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);
JPEG_STATUS readDRI(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);
JPEG_STATUS readAPP0(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);
JPEG_STATUS readAPP14(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);
JPEG_STATUS readCOM(JPEG_CODEC_STATE* state, const uint8_t* payload, int32_t length);

// Prepares 64 quantisers given in zig-zag order for the state's IDCT family.
void prepareQuantTable(JPEG_CODEC_STATE* state, int32_t id, const int32_t* zigzagValues);

#endif
