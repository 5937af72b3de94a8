// The still button's event (KSEVENTSETID_VIDCAPTOSTI): offered with the
// device's stream information when the camera part enables device events,
// counted as clients enable and disable it, and raised when the camera's
// interrupt pipe reports a press.
#pragma once

#include "Device.h"

namespace dovracam {

// Adds the still-event set to the stream header when the camera part wants it.
void DescribeDeviceEvents(const ClassContext& cc, ScStreamHeader& header);

// A press of the still button: clients that enabled the event hear of it.
void SignalStillButton(DeviceExtension& device);

}  // namespace dovracam
