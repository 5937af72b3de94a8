// Scan encoders: the sequential scan (with restart markers and MCU-at-a-time
// interruption) and the progressive path over a whole-image coefficient
// buffer with per-scan optimal Huffman tables.
#ifndef JPEGCODEC_ENC_SCANS_H
#define JPEGCODEC_ENC_SCANS_H

#include "EncScan.h"

// Codes the frame's MCUs from where `scan` stands; 1 after one MCU when the
// state asks for interruption (scan->next* then say where to resume).
JPEG_STATUS encodeScanBaseline(JPEG_CODEC_STATE* state, JpegEncodeScan* scan);

// Writes SOF2, every scan of the script for the stream's channels and colour
// (each with its own DHT and SOS), in one call; -8 for a pair without script.
JPEG_STATUS encodeProgressiveFrame(JPEG_CODEC_STATE* state);

#endif
