// A stream's bulk frame cycle: read the 64-byte header from the header pipe,
// the picture behind it from the data pipe in chunks, hand the frame to the
// oldest read at PASSIVE_LEVEL, and start over; a transfer error or a bad
// header resets the pipes and resynchronises on the next header.
#pragma once

#include "Device.h"

namespace dovracam {

constexpr uint32_t kHeaderPipe = 1;

ScStatus PrepareBulkStream(DeviceExtension& device, StreamExtension& stream);
void StartBulkStream(StreamExtension& stream);
// Cancels what is in flight and waits (bounded) for the cycle to come to rest.
void StopBulkStream(StreamExtension& stream);
void FreeBulkStream(StreamExtension& stream);

}  // namespace dovracam
