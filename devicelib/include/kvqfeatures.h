// The bits of a camera model's feature word (GetDocCamModelFeature): what the
// model can do, as the library and its clients test it.
#pragma once

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
// Rotation by quarter turns, not only a half turn.
const unsigned long kFeatureRotateModes = 0x400;
const unsigned long kFeatureDoubleZoom = 0x800;
// Pan offsets, sensor resolution and a brightness range of the model's own.
const unsigned long kFeatureOwnBrightnessRange = 0x1000;
const unsigned long kFeatureLargeFrame = 0x20000;
const unsigned long kFeatureAutoImage = 0x40000;
const unsigned long kFeatureLargeStill = 0x100000;
// Set by the library, not the model: the capture format fell back to YUY2.
const unsigned long kFeatureYuy2Capture = 0x80000000UL;
