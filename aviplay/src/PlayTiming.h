// Timing arithmetic of playback, free of any platform call so that it can be
// checked on its own. Every function gives 0 instead of dividing by a zero
// rate or scale: a closed or malformed file has no timing.
#pragma once

#include <cstdint>

namespace kvq {

// Milliseconds of one frame at scale/rate frames per second, truncated.
uint32_t FrameIntervalMs(uint32_t scale, uint32_t rate);

// Whole seconds of length frames, in unsigned 32-bit arithmetic.
uint32_t LengthInSeconds(uint32_t length, uint32_t scale, uint32_t rate);

// Frames per second.
float FramesPerSecond(uint32_t scale, uint32_t rate);

// Play timer interval for a speed: at exactly 1.0 the frame interval itself;
// otherwise the interval divided by |speed|, raised to at least 30 ms by
// doubling so that fast play skips frames instead of flooding the owner with
// ticks. 0 when the file has no timing or the speed is 0 or not a number
// (and, at 1.0, for files of more than 1000 frames a second).
uint32_t PlayTimerIntervalMs(uint32_t scale, uint32_t rate, float speed);

// The play clock after ticksPassed milliseconds of wall-clock time at speed:
// stream time advances by the rounded product.
int32_t AdvancePlayClock(int32_t elapsedMs, uint32_t ticksPassed, float speed);

}  // namespace kvq
