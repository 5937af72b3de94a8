// The data ranges the video stream offers, and the checks a proposed format
// or a client's range must pass against them.
#pragma once

#include <stdint.h>

#include "CameraContext.h"

namespace dovracam {

constexpr int64_t kMinFrameInterval = 333333;
constexpr int64_t kMaxFrameInterval = 1666667;
constexpr uint32_t kStreamDescriptionCapture = 0x2;
constexpr uint32_t kStreamDescriptionStill = 0x1000;

// Fills range from the type's template for width x height; false when a size
// is zero or the picture's byte count would not fit its 32-bit fields.
bool FillDataRange(KsDataRangeVideo& range, uint16_t width, uint16_t height, uint8_t type, uint16_t factor);
// The same into a new pool block; nullptr when refused or out of pool.
KsDataRangeVideo* BuildDataRange(uint16_t width, uint16_t height, uint8_t type, uint16_t factor);

// The still stream's fixed list, and both lists' pointer arrays.
void FillStillFormats(FormatTable& table);
void RefreshFormatLists(FormatTable& table);

// Checks a format proposed for a stream (the stream class has checked that
// its buffer holds FormatSize bytes); sets the selected format index when it
// is the video stream's.
bool VerifyFormat(FormatTable& table, const KsDataFormat* format, uint32_t streamNumber);

// Answers SRB_GET_DATA_INTERSECTION; writes the answer's size to *answered.
ScStatus DataIntersection(FormatTable& table, uint16_t frameSizeFactor, const ScDataIntersectInfo& info,
                          uint32_t* answered);

}  // namespace dovracam
