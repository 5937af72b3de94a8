// The transport interface the class layer offers the camera part through
// IRP_MN_QUERY_INTERFACE (the stream class passes that IRP down as an unknown
// device command): the camera part's way to its stream's format, pipe state
// and transfers.
#pragma once

#include "Device.h"

namespace dovracam {

// {2BCB8511-B27F-11D1-BA41-00A0C90D2B05}
constexpr ScGuid kTransportInterfaceId = {0x2BCB8511, 0xB27F, 0x11D1, {0xBA, 0x41, 0x00, 0xA0, 0xC9, 0x0D, 0x2B, 0x05}};
constexpr uint16_t kTransportInterfaceVersion = 0x200;

typedef void (*TransportCompletion)(void* cameraContext, void* context, ScStatus status);

struct TransportInterface {  // INTERFACE header, then the five operations
    uint16_t Size;
    uint16_t Version;
    void* Context;  // the camera context
    void (*InterfaceReference)(void* context);
    void (*InterfaceDereference)(void* context);
    ScStatus (*WaitOnDeviceEvent)(void* context, uint32_t pipe, void* buffer, uint32_t length,
                                  TransportCompletion routine, void* routineContext, uint8_t restart);
    ScStatus (*BulkReadWrite)(void* context, uint16_t pipe, void* buffer, uint32_t length, TransportCompletion routine,
                              void* routineContext);
    ScStatus (*SetVideoFormat)(void* context, ScRequestBlock* srb);
    ScStatus (*SetIsoPipeState)(void* context, uint32_t state);
    ScStatus (*CancelBulkReadWrite)(void* context, uint32_t pipe);
};
static_assert(sizeof(TransportInterface) == 72, "the interface block the camera part asks for");

// Selects an alternate setting of the camera's interface; the pipes take the
// handles the USB stack gives them.
ScStatus SelectAlternateSetting(CameraContext& camera, uint8_t alternate);

// Cancels and frees the camera part's transfers (uninitialisation).
void FreeCameraTransfers(DeviceExtension& device);

// SRB_UNKNOWN_DEVICE_COMMAND: answers a query for the transport interface.
ScStatus AnswerInterfaceQuery(DeviceExtension& device, ScRequestBlock& srb);

// SRB_INITIALIZATION_COMPLETE: the camera part asks the class device object
// for the interface and keeps it when it came back whole.
ScStatus LookUpTransport(DeviceExtension& device, void* classDeviceObject);

}  // namespace dovracam
