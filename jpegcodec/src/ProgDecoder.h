// Progressive decoding: every scan of a progressive frame refines a
// whole-image store of quantised coefficients; the picture is made from the
// store once, when the image ends.
#ifndef JPEGCODEC_PROG_DECODER_H
#define JPEGCODEC_PROG_DECODER_H

#include "jpegcodec.h"

// Whether the frame in the state is coded progressively (its scans so far).
inline bool progressiveFrameSeen(const JPEG_CODEC_STATE* state) { return state->progressiveScans > 0; }
// Forgets the previous frame's store and counters (at every frame header).
void resetProgressiveFrame(JPEG_CODEC_STATE* state);
// Decodes the scan in the state into the coefficient store.
JPEG_STATUS decodeProgressiveScan(JPEG_CODEC_STATE* state);
// Writes the picture from the store into the bitmap (whole or region).
JPEG_STATUS outputProgressiveImage(JPEG_CODEC_STATE* state);
// The stored block of a frame component at block column bx and row by of
// the component's own block raster.
void loadStoredBlock(const JPEG_CODEC_STATE* state, int32_t component, int32_t bx, int32_t by, int16_t* block);

#endif
