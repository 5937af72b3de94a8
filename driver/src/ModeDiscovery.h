// Finds the camera's video modes by vendor requests and builds the device's
// format table from them and the static extra modes.
#pragma once

#include "CameraContext.h"

namespace dovracam {

// The camera's per-frame buffer factor for width x height; at least 1.
uint16_t FrameSizeFactor(CameraContext& camera, uint16_t width, uint16_t height);

// Rebuilds camera.formats (freeing any earlier table) and the flags it sets.
void DiscoverModes(CameraContext& camera);
void FreeFormatTable(FormatTable& table);

// Vendor request 3, index 8: makes the camera stream the given mode.
ScStatus SelectCameraMode(CameraContext& camera, uint16_t mode);

}  // namespace dovracam
