#include "PlayTiming.h"

#include <cmath>
#include <cstdint>

namespace kvq {

namespace {
// Ticks faster than this would only redraw frames the clock has not reached.
constexpr uint32_t kShortestFastInterval = 30;
// The window timer's own ceiling.
constexpr uint32_t kLongestInterval = 0x7FFFFFFF;

int32_t ClampToInt32(double value) { return static_cast<int32_t>(std::fmax(INT32_MIN, std::fmin(INT32_MAX, value))); }
}  // namespace

uint32_t FrameIntervalMs(uint32_t scale, uint32_t rate) { return rate == 0 ? 0 : scale * 1000u / rate; }

uint32_t LengthInSeconds(uint32_t length, uint32_t scale, uint32_t rate)
{
    return rate == 0 ? 0 : length * scale / rate;
}

float FramesPerSecond(uint32_t scale, uint32_t rate)
{
    return scale == 0 ? 0.0f : static_cast<float>(static_cast<double>(rate) / scale);
}

uint32_t PlayTimerIntervalMs(uint32_t scale, uint32_t rate, float speed)
{
    float magnitude = std::fabs(speed);
    if (rate == 0 || !(magnitude > 0.0f)) return 0;
    uint32_t native = FrameIntervalMs(scale, rate);
    if (speed == 1.0f) return native;
    double scaled = native / static_cast<double>(magnitude);
    if (scaled >= kLongestInterval) return kLongestInterval;
    uint32_t interval = static_cast<uint32_t>(scaled);
    if (interval == 0) return kShortestFastInterval;
    while (interval < kShortestFastInterval) interval *= 2;
    return interval;
}

int32_t AdvancePlayClock(int32_t elapsedMs, uint32_t ticksPassed, float speed)
{
    // Rounded half up, then truncated toward zero like any conversion to an
    // integer: a backward step of -39.5 ms counts -39.
    int32_t step = ClampToInt32(ticksPassed * static_cast<double>(speed) + 0.5);
    return ClampToInt32(static_cast<double>(elapsedMs) + step);
}

}  // namespace kvq
