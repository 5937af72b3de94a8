// The class layer under the camera part: device set-up, stream open, run,
// stop and close, the read request queues with their time stamps, cancel,
// time-out and (surprise) removal.
#pragma once

#include "Device.h"

namespace dovracam {

constexpr uint32_t kStreamPropertySetCount = 2;
const KsPropertySet* StreamPropertySets();

// Device requests the camera part passes on; completes srb.
void ClassDeviceRequest(ScRequestBlock& srb);
// Stream open for the camera part, which has checked the format already;
// its stream control step runs before the layer's on every control request.
ScStatus OpenStream(ScRequestBlock& srb, CameraStreamControl cameraControl);

// Routines the stream class calls.
void StreamDataPacket(ScRequestBlock* srb);
void StreamControlPacket(ScRequestBlock* srb);
void CancelPacket(ScRequestBlock* srb);
void RequestTimeout(ScRequestBlock* srb);

// The frame path's side of a read: the oldest waiting read, now being filled
// (none when no read waits); then its completion with the bytes delivered
// (as cancelled if it was cancelled meanwhile).
ScRequestBlock* TakeRead(StreamExtension& stream);
void FinishRead(StreamExtension& stream, ScRequestBlock& srb, uint32_t used);

// A whole frame's hand-over: fills the oldest waiting read of the stream
// with the frame and completes it. False when no read was waiting.
bool DeliverFrame(DeviceExtension& device, uint32_t stream, const uint8_t* image, uint32_t length);

// Cancels every transfer of the pipe, between the stream's start, stop and
// reset steps, and waits (bounded) for them to end. PASSIVE_LEVEL only.
ScStatus CancelTransfersOfPipe(DeviceExtension& device, int32_t pipe);

// Holds the running video stream's transfers back, or lets them go on; a
// repeated state is refused. PASSIVE_LEVEL only (a hold waits for them).
ScStatus HoldVideoTransfers(DeviceExtension& device, bool hold);

// Releases everything the device holds (uninitialisation).
void ReleaseDevice(DeviceExtension& device);

}  // namespace dovracam
