// Turns the camera's 1024x768 JPEG frames into the open format's picture
// (YUY2, RGB24 or RGB555). Each camera has its own decoder, colour tables and
// lock, all from pool; a decode may take milliseconds, so it runs at
// PASSIVE_LEVEL under a lock that may wait, never under a spin lock.
#pragma once

#include "CameraContext.h"

namespace dovracam {

// Sets up the decoder of the open format; false when pool runs out (the
// caller then frees what was taken with FreeFrameDecoder).
bool SetUpFrameDecoder(CameraContext& camera);
void FreeFrameDecoder(CameraContext& camera);

// Decodes the JPEG frame and converts it into picture (capacity bytes);
// returns the picture's bytes, or 0 (picture untouched) when the frame is
// refused, the format cannot be made or the picture does not fit.
uint32_t DecodeFrame(CameraContext& camera, const uint8_t* jpeg, uint32_t length, uint8_t* picture, uint32_t capacity);

}  // namespace dovracam
