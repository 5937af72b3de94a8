// Read path.
#include <cstdlib>

#include "codec_state.h"

JPEG_STATUS readStream(JPEG_PROPERTIES* props) {
  JPEG_CODEC_STATE* state = &props->state;
  if (isFileMode(state->mode)) {
    const JPEG_STATUS status = openStreamFile(state, props->jpegFileName, false);
    if (status != JPEG_SUCCESS) return status;
  }
  return JPEG_NOT_SUPPORTED;
}

void releaseDecoderState(JPEG_CODEC_STATE* state) {
  if (state->rowBuffers) std::free(state->rowBuffers->rows[0]);
  std::free(state->rowBuffers);
  state->rowBuffers = nullptr;
  std::free(state->restartIndex);
  state->restartIndex = nullptr;
  std::free(state->coefficientStore);
  state->coefficientStore = nullptr;
  std::free(state->decodeScan);
  state->decodeScan = nullptr;
}
