// Marker segment writers of the encoder: each assembles its segment and
// hands it whole to the dispatch table's outputWrite.
#ifndef JPEGCODEC_ENC_MARKERS_H
#define JPEGCODEC_ENC_MARKERS_H

#include "jpegcodec.h"

struct JpegEncodeScan;

JPEG_STATUS writeSoiMarker(JPEG_CODEC_STATE* state);
JPEG_STATUS writeEoiMarker(JPEG_CODEC_STATE* state);
JPEG_STATUS writeApp0Marker(JPEG_CODEC_STATE* state);
JPEG_STATUS writeApp14Marker(JPEG_CODEC_STATE* state, uint8_t transform);
// The caller's comment, none for a set comment of length 0, or the library's text.
JPEG_STATUS writeComMarker(JPEG_CODEC_STATE* state);
// 8-bit entries (precision 0) or 16-bit ones, in the order the table holds them.
JPEG_STATUS writeDqtMarker(JPEG_CODEC_STATE* state, int32_t precision, int32_t tableId, const uint16_t* table);
JPEG_STATUS writeDhtMarker(JPEG_CODEC_STATE* state, int32_t tableClass, int32_t tableId, const uint8_t* bits,
                           const uint8_t* values);
// One DHT segment holding every table the state's descriptors give, in
// their order; -6 for a table too long for one (the head may be written).
JPEG_STATUS writeDhtTables(JPEG_CODEC_STATE* state);
// SOF0 names its components 1..Nc, SOF2 0..Nc-1 (one component: 0 either way).
JPEG_STATUS writeSof0Marker(JPEG_CODEC_STATE* state);
JPEG_STATUS writeSof2Marker(JPEG_CODEC_STATE* state);
// Sequential scan of all frame components, with the identifiers of SOF0.
JPEG_STATUS writeSosMarker(JPEG_CODEC_STATE* state);
// One scan of a progressive script, with the identifiers of SOF2.
JPEG_STATUS writeSosProgressive(JPEG_CODEC_STATE* state, const JpegEncodeScan* scan);
JPEG_STATUS writeDriMarker(JPEG_CODEC_STATE* state, int32_t interval);
// RSTn for n 0..7; -25 otherwise.
JPEG_STATUS writeRestartMarker(JPEG_CODEC_STATE* state, int32_t n);

#endif
