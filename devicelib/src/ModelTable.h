// Camera models and their feature words.
#pragma once

#include <stdint.h>

namespace devicelib {

const unsigned long kUnknownFeature = 0xFFFFFFFFul;

// Feature bits the library tests itself.
enum FeatureBit : unsigned long {
  kFeatureZoomModeOff = 0x1,
  kFeatureOpticalZoom = 0x2,
  kFeatureAutoFocus = 0x4,
  kFeatureBrightnessStep = 0x8,
  kFeatureContrastStep = 0x10,
  kFeatureNormal = 0x20,
  kFeatureRotate = 0x40,
  kFeatureMirror = 0x80,
  kFeatureUnifiedZoom = 0x100,
  kFeatureAbsoluteBrightness = 0x200,
  kFeatureRotateModes = 0x400,
  kFeatureDoubleZoom = 0x800,
  kFeatureLargeFrame = 0x20000,
  kFeatureLargeStill = 0x100000,
};

// Row 1..17 whose code is the model code's low 7 bits, else -1.
int FindModelRow(uint8_t modelCode);

// The feature word built from the capability inquiries' reply bytes (r1-r3
// of 0x4D; s1 of 0x4E when it answered).
unsigned long CapabilityFeature(uint8_t r1, uint8_t r2, uint8_t r3, bool haveSecond, uint8_t s1);

}  // namespace devicelib
