#pragma once

#include <cstddef>
#include <cstdint>

// A viewed console's camera as that console reports it: the 64-byte state
// block that travels with each of its pictures and its 8-byte capability
// record. Both come from the network, so every value is checked before it
// steers a control.
struct RemoteCameraState {
    enum { kBytes = 64 };
    float brightness = 0.0f;
    float zoom = 1.0f;  // 1.0 = no zoom
    float digitalZoom = 1.0f;
    uint8_t rotation = 0;
    uint8_t mirror = 0;
    uint8_t frozen = 0;
    uint8_t colour = 0;        // 0 colour, 1 black and white, 2 negative
    uint8_t whiteBalance = 0;  // 1 automatic
    uint8_t exposure = 0;      // 1 automatic
    uint8_t controllable = 0;  // viewers may steer the camera
    uint8_t motion = 0;
    uint8_t flags = 0;  // bit 3: automatic image on

    // Floats travel as big-endian IEEE-754 singles.
    static bool Parse(const uint8_t* bytes, size_t size, RemoteCameraState* out);
};

struct RemoteCapability {
    enum { kBytes = 8 };
    uint8_t zoomA = 1;
    uint8_t zoomB = 1;
    uint8_t zoomSteps = 1;
    int8_t brightnessMin = 0;
    int8_t brightnessMax = 100;
    uint8_t features = 0;  // 0x02 auto focus, 0x20 rotation, 0x80 automatic image

    static bool Parse(const uint8_t* bytes, size_t size, RemoteCapability* out);
};

// The viewed camera's zoom as the factor by which drawing on its picture is
// widened: 1 for a value that is not a positive finite number, at most 64.
float RemoteZoomScale(const RemoteCameraState& state);

// A reported float as a control value: value x scale + offset, truncated and
// kept within low..high. False (out untouched) for a value that is not a
// number or infinite.
bool RemoteValueToInt(float value, double scale, double offset, int low, int high, int* out);
