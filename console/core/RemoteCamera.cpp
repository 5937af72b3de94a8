#include "RemoteCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
float BigEndianFloat(const uint8_t* p)
{
    const uint32_t bits = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
}  // namespace

bool RemoteCameraState::Parse(const uint8_t* bytes, size_t size, RemoteCameraState* out)
{
    if (!bytes || size < kBytes) return false;
    out->brightness = BigEndianFloat(bytes);
    out->zoom = BigEndianFloat(bytes + 4);
    out->digitalZoom = BigEndianFloat(bytes + 8);
    out->rotation = bytes[12];
    out->mirror = bytes[13];
    out->frozen = bytes[14];
    out->colour = bytes[15];
    out->whiteBalance = bytes[16];
    out->exposure = bytes[17];
    out->controllable = bytes[18];
    out->motion = bytes[19];
    out->flags = bytes[32];
    return true;
}

float RemoteZoomScale(const RemoteCameraState& state)
{
    constexpr float kLargestZoom = 64.0f;
    if (!std::isfinite(state.zoom) || !(state.zoom > 0.0f)) return 1.0f;
    return std::min(state.zoom, kLargestZoom);
}

bool RemoteCapability::Parse(const uint8_t* bytes, size_t size, RemoteCapability* out)
{
    if (!bytes || size < kBytes) return false;
    out->zoomA = bytes[0];
    out->zoomB = bytes[1];
    out->zoomSteps = bytes[2];
    out->brightnessMin = static_cast<int8_t>(bytes[3]);
    out->brightnessMax = static_cast<int8_t>(bytes[4]);
    out->features = bytes[5];
    return true;
}

bool RemoteValueToInt(float value, double scale, double offset, int low, int high, int* out)
{
    if (!std::isfinite(value)) return false;
    // Clamped as a double first: converting an out-of-range float to int is undefined.
    double scaled = std::trunc(double(value) * scale + offset);
    if (scaled < low) scaled = low;
    if (scaled > high) scaled = high;
    *out = static_cast<int>(scaled);
    return true;
}
