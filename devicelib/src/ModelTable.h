// Camera models and their feature words.
#pragma once

#include <stdint.h>

namespace devicelib {

const unsigned long kUnknownFeature = 0xFFFFFFFFul;

// Feature bits the library tests itself.
const unsigned long kFeatureZoomModeOff = 0x1;
const unsigned long kFeatureOpticalZoom = 0x2;
const unsigned long kFeatureAutoFocus = 0x4;
const unsigned long kFeatureBrightnessStep = 0x8;
const unsigned long kFeatureContrastStep = 0x10;
const unsigned long kFeatureNormal = 0x20;
const unsigned long kFeatureRotate = 0x40;
const unsigned long kFeatureMirror = 0x80;
const unsigned long kFeatureUnifiedZoom = 0x100;
const unsigned long kFeatureAbsoluteBrightness = 0x200;
const unsigned long kFeatureRotateModes = 0x400;
const unsigned long kFeatureDoubleZoom = 0x800;
const unsigned long kFeatureLargeFrame = 0x20000;
const unsigned long kFeatureLargeStill = 0x100000;
// Set by the library, not the model: the capture format fell back to YUY2.
const unsigned long kFeatureYuy2Capture = 0x80000000UL;

// Row 1..17 whose code is the model code's low 7 bits, else -1.
int FindModelRow(uint8_t modelCode);

// The feature word built from the capability inquiries' reply bytes (r1-r3
// of 0x4D; s1 of 0x4E when it answered).
unsigned long CapabilityFeature(uint8_t r1, uint8_t r2, uint8_t r3, bool haveSecond, uint8_t s1);

}  // namespace devicelib
