#pragma once

#include "CameraPictureState.h"
#include "PixelPlane.h"

// The corrections that models without them in hardware need in software:
// brightness and contrast (only with allowAdjust, i.e. not while an AVI is
// being written), negative, mirror and half turn.
void ApplyImageCorrections(const BgrPlane& frame, const CameraPictureState& state, bool allowAdjust);
