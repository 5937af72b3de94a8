// USB vendor control requests to the camera: synchronous below
// DISPATCH_LEVEL, handed to a work item at DISPATCH_LEVEL.
#pragma once

#include <stdint.h>

#include "CameraContext.h"

namespace dovracam {

enum class Direction : uint8_t { kHostToDevice = 0, kDeviceToHost = 1 };

// Called by the work item of a deferred request with the reply it read into
// its own copy of the data (never into the original caller's buffer).
typedef void (*VendorCompletion)(void* context, ScStatus status, const uint8_t* data, uint32_t length);

// One URB to the camera, waited for; synchronous URBs of a device go one at
// a time, whoever sends them.
ScStatus SubmitUrb(CameraContext& camera, void* urb);

// Sends one request. Below DISPATCH_LEVEL it returns the request's status and,
// on success, the bytes moved in *length (and the reply in buffer). At
// DISPATCH_LEVEL it copies what it needs, returns kStatusPending at once and
// reports to completion (if any) when the work item has run.
ScStatus UsbVendorCommand(CameraContext& camera, uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                          uint32_t* length, Direction direction, VendorCompletion completion = nullptr,
                          void* completionContext = nullptr);

// A device-to-host request that must answer at least minLength bytes.
ScStatus ReadVendor(CameraContext& camera, uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                    uint32_t capacity, uint32_t minLength);
ScStatus SendVendor(CameraContext& camera, uint8_t request, uint16_t value, uint16_t index);

// The property set's USB side for the shared private-set handler.
class CameraVendorPort : public camvendor::VendorRequestPort {
public:
    explicit CameraVendorPort(CameraContext& camera) : camera_(camera) {}
    camvendor::NtStatus VendorRequest(bool deviceToHost, uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
                                      uint32_t length) override;

private:
    CameraContext& camera_;
};

}  // namespace dovracam
