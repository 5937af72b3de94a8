#pragma once

// The camera's state as the live frame path reads it from the controller for
// each frame; the picture corrections and the zoom geometry work on it alone.
struct CameraPictureState {
    int model;          // model byte: bits 0-6 the model code, bit 7 high resolution
    unsigned features;  // feature word of the model
    int colorMode;      // 0 colour, 1 black and white, 2 negative
    int brightness;     // neutral 50
    int contrast;       // neutral 75
    int mirror;         // 1 = mirrored
    int rotation;       // quarter turns
    int zoomSize;       // digital zoom in percent, 100 = none
    int zoomFactor;     // optical zoom factor
    int zoomFraction;   // optical zoom fraction
    int opticalZoomMode;
    int zoomStepKind;
    int zoomStepCount;
    int panHori;
    int panVert;
    int panRangeHori;
    int panRangeVert;
};

// Feature bits of the model table that the picture path tests.
enum CameraFeature : unsigned {
    kFeaturePanOffsets = 0x1000,        // pan offsets, sensor resolution, brightness range
    kFeatureSoftwareAdjust64 = 0x2000,  // model 0x64 corrects brightness and contrast in software
    kFeatureSoftwareTurn64 = 0x4000,    // model 0x64 mirrors and turns in software
};

enum CameraColorMode { kColorModeColor = 0, kColorModeGray = 1, kColorModeNegative = 2 };
