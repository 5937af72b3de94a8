// Write path. The encoder is not part of this build yet: every write mode
// opens its file as the writers will, then reports that it is unsupported.
#include "codec_state.h"

JPEG_STATUS writeStream(JPEG_PROPERTIES* props) {
  JPEG_CODEC_STATE* state = &props->state;
  if (isFileMode(state->mode)) {
    const JPEG_STATUS status = openStreamFile(state, props->jpegFileName, true);
    if (status != JPEG_SUCCESS) return status;
  }
  return JPEG_NOT_SUPPORTED;
}

void releaseEncoderState(JPEG_CODEC_STATE*) {}
