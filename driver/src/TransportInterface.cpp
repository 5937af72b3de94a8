#include "TransportInterface.h"

#include <stddef.h>

#include "Bytes.h"
#include "KsGuids.h"
#include "StillEvent.h"
#include "StreamClassLayer.h"
#include "VendorRequests.h"

namespace dovracam {

// A transfer of the camera part, and what to do when it ends.
struct CameraTransfer {
    BulkTransfer transfer;
    DeviceExtension* device;
    uint8_t* buffer;
    uint32_t length;
    TransportCompletion routine;  // may be none
    void* routineContext;
    bool stillButton;  // a device event: the still button was pressed
    bool restart;      // the wait starts again after each event
};

namespace {

// The interface's context is the camera context inside the device extension.
DeviceExtension& DeviceOfContext(void* context)
{
    return *reinterpret_cast<DeviceExtension*>(static_cast<uint8_t*>(context) - offsetof(DeviceExtension, camera));
}

bool Removed(void* context) { return DeviceOfContext(context).classContext.removed; }

void NoReference(void*) {}

ClassContext& ClassOfContext(void* context) { return DeviceOfContext(context).classContext; }

void CameraTransferEnd(BulkTransfer& transfer, ScStatus status);

// The pipe's record for the camera part's transfers, made on first use; none
// when pool runs out.
CameraTransfer* CameraTransferOf(DeviceExtension& device, uint32_t pipe)
{
    ClassContext& cc = device.classContext;
    if (cc.cameraTransfers[pipe]) return cc.cameraTransfers[pipe];
    auto* made = static_cast<CameraTransfer*>(ksv_pool_alloc(sizeof(CameraTransfer)));
    if (!made) return nullptr;
    made->device = &device;
    if (!CreateBulkTransfer(cc, made->transfer, CameraTransferEnd, made)) {
        FreeBulkTransfer(made->transfer);
        ksv_pool_free(made);
        return nullptr;
    }
    // Two first uses may race: the first record in stays.
    PipeState& state = cc.pipes[pipe];
    const uint8_t level = ksv_spinlock_acquire(state.lock);
    CameraTransfer* kept = cc.cameraTransfers[pipe];
    if (!kept) kept = cc.cameraTransfers[pipe] = made;
    ksv_spinlock_release(state.lock, level);
    if (kept != made) {
        FreeBulkTransfer(made->transfer);
        ksv_pool_free(made);
    }
    return kept;
}

// The camera part hears of the end first; a device event that came in is a
// press of the still button; a wait asked to go on starts again.
void CameraTransferEnd(BulkTransfer& transfer, ScStatus status)
{
    CameraTransfer& c = *static_cast<CameraTransfer*>(transfer.context);
    DeviceExtension& device = *c.device;
    // The routine may start the next transfer on this record: read it first.
    const bool stillButton = c.stillButton, restart = c.restart;
    uint8_t* const buffer = c.buffer;
    const uint32_t length = c.length;
    const int32_t pipe = transfer.pipe;
    if (c.routine) c.routine(&device.camera, c.routineContext, status);
    if (status != kStatusSuccess) return;
    if (stillButton) SignalStillButton(device);
    if (restart && !device.classContext.removed) StartBulkTransfer(transfer, pipe, buffer, length, true);
}

void SendWork(void* context) { SendBulkTransfer(static_cast<CameraTransfer*>(context)->transfer); }

// Starts a transfer of the camera part on a pipe of the given kind, now or,
// at DISPATCH_LEVEL, from a work item.
ScStatus StartCameraTransfer(void* context, uint32_t pipe, uint8_t kind, void* buffer, uint32_t length,
                             TransportCompletion routine, void* routineContext, bool deviceEvent, bool restart)
{
    if (Removed(context)) return kStatusFileClosed;
    DeviceExtension& device = DeviceOfContext(context);
    ClassContext& cc = device.classContext;
    if (pipe >= cc.pipeCount || cc.pipes[pipe].type != kind || !buffer || length == 0) return kStatusInvalidParameter;
    // A device event arrives in one packet: the buffer must hold a whole one.
    if (deviceEvent && (!cc.pipes[pipe].in || length < cc.pipes[pipe].maxPacketSize)) return kStatusInvalidParameter;
    CameraTransfer* c = CameraTransferOf(device, pipe);
    if (!c) return kStatusInsufficientResources;
    // One transfer per pipe: a busy pipe refuses before the record is touched.
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    if (!ListBulkTransfer(c->transfer, int32_t(pipe), bytes, length, true)) return kStatusInvalidParameter;
    c->buffer = bytes;
    c->length = length;
    c->routine = routine;
    c->routineContext = routineContext;
    c->stillButton = deviceEvent;
    c->restart = restart;
    if (!ksv_at_dispatch_level()) {
        SendBulkTransfer(c->transfer);
        return kStatusSuccess;
    }
    if (ksv_queue_work(SendWork, c)) return deviceEvent ? kStatusPending : kStatusSuccess;
    UnlistBulkTransfer(c->transfer);
    return kStatusInsufficientResources;
}

ScStatus BulkReadWrite(void* context, uint16_t pipe, void* buffer, uint32_t length, TransportCompletion routine,
                       void* routineContext)
{
    return StartCameraTransfer(context, pipe, kUsbPipeBulk, buffer, length, routine, routineContext, false, false);
}

ScStatus WaitOnDeviceEvent(void* context, uint32_t pipe, void* buffer, uint32_t length, TransportCompletion routine,
                           void* routineContext, uint8_t restart)
{
    return StartCameraTransfer(context, pipe, kUsbPipeInterrupt, buffer, length, routine, routineContext, true,
                               restart != 0);
}

// The wait for the cancelled transfers is only possible below DISPATCH_LEVEL.
ScStatus CancelBulkReadWrite(void* context, uint32_t pipe)
{
    if (Removed(context)) return kStatusFileClosed;
    ClassContext& cc = ClassOfContext(context);
    if (pipe >= cc.pipeCount || ksv_at_dispatch_level()) return kStatusInvalidParameter;
    const uint8_t kind = cc.pipes[pipe].type;
    if (kind != kUsbPipeBulk && kind != kUsbPipeInterrupt) return kStatusInvalidParameter;
    return CancelTransfersOfPipe(DeviceOfContext(context), int32_t(pipe));
}

// 1 holds the video stream's transfers back, 0 lets them go on.
ScStatus SetIsoPipeState(void* context, uint32_t state)
{
    if (Removed(context)) return kStatusFileClosed;
    if (state > 1 || ksv_at_dispatch_level()) return kStatusInvalidParameter;
    return HoldVideoTransfers(DeviceOfContext(context), state == 1);
}

// A new VIDEOINFO format of an open stream becomes the stream's format.
ScStatus SetVideoFormat(void* context, ScRequestBlock* srb)
{
    if (Removed(context)) return kStatusFileClosed;
    const KsDataFormat* format = srb && srb->StreamObject ? srb->CommandData.OpenFormat : nullptr;
    auto* stream = format ? static_cast<StreamExtension*>(srb->StreamObject->HwStreamExtension) : nullptr;
    if (!stream || stream->signature != kSignatureStream || !SameGuid(format->Specifier, kSpecifierVideoInfo) ||
        format->FormatSize < sizeof(KsDataFormatVideoInfo))
        return kStatusInvalidParameter;
    CopyBytes(&stream->format, format, sizeof stream->format);
    return kStatusSuccess;
}

}  // namespace

void FreeCameraTransfers(DeviceExtension& device)
{
    ClassContext& cc = device.classContext;
    for (uint32_t pipe = 0; pipe < kMaxPipes; ++pipe) {
        CameraTransfer*& c = cc.cameraTransfers[pipe];
        if (!c) continue;
        // A transfer that never came back still refers to its record: better
        // lost than freed under it.
        if (!CancelPipeTransfers(cc, int32_t(pipe))) {
            c = nullptr;
            continue;
        }
        FreeBulkTransfer(c->transfer);
        ksv_pool_free(c);
        c = nullptr;
    }
}

ScStatus SelectAlternateSetting(CameraContext& camera, uint8_t alternate)
{
    DeviceExtension& device = DeviceOfContext(&camera);
    ClassContext& cc = device.classContext;
    if (!cc.interfaceInfo) return kStatusInvalidParameter;
    const uint16_t length = cc.interfaceInfo->Length;
    const size_t size = offsetof(UsbSelectInterfaceUrb, Interface) + length;
    UsbSelectInterfaceUrb* urb = static_cast<UsbSelectInterfaceUrb*>(ksv_pool_alloc(size));
    if (!urb) return kStatusInsufficientResources;
    urb->Hdr.Length = uint16_t(size);
    urb->Hdr.Function = kUrbFunctionSelectInterface;
    urb->ConfigurationHandle = cc.configurationHandle;
    CopyBytes(&urb->Interface, cc.interfaceInfo, length);
    urb->Interface.AlternateSetting = alternate;
    const ScStatus status = SubmitUrb(camera, urb);
    if (status == kStatusSuccess && urb->Interface.Length == length && urb->Interface.NumberOfPipes == cc.pipeCount) {
        CopyBytes(cc.interfaceInfo, &urb->Interface, length);
        for (uint32_t i = 0; i < cc.pipeCount; ++i) {
            cc.pipes[i].handle = cc.interfaceInfo->Pipes[i].PipeHandle;
            cc.pipes[i].maxPacketSize = cc.interfaceInfo->Pipes[i].MaximumPacketSize;
        }
    }
    ksv_pool_free(urb);
    return status;
}

ScStatus AnswerInterfaceQuery(DeviceExtension& device, ScRequestBlock& srb)
{
    const ScGuid* type;
    uint16_t size, version;
    void* block;
    if (!ksv_interface_query_of(&srb, &type, &size, &version, &block)) return kStatusNotImplemented;
    if (!type || !block || !SameGuid(*type, kTransportInterfaceId) || size < sizeof(TransportInterface) ||
        version != kTransportInterfaceVersion)
        return kStatusNotSupported;
    TransportInterface& transport = *static_cast<TransportInterface*>(block);
    transport.Size = sizeof transport;
    transport.Version = kTransportInterfaceVersion;
    transport.Context = &device.camera;
    transport.InterfaceReference = transport.InterfaceDereference = NoReference;
    transport.WaitOnDeviceEvent = WaitOnDeviceEvent;
    transport.BulkReadWrite = BulkReadWrite;
    transport.SetVideoFormat = SetVideoFormat;
    transport.SetIsoPipeState = SetIsoPipeState;
    transport.CancelBulkReadWrite = CancelBulkReadWrite;
    return kStatusSuccess;
}

ScStatus LookUpTransport(DeviceExtension& device, void* classDeviceObject)
{
    CameraContext& camera = device.camera;
    ksv_pool_free(camera.transport);
    camera.transport = static_cast<TransportInterface*>(ksv_pool_alloc(sizeof(TransportInterface)));
    if (!camera.transport) return kStatusInsufficientResources;
    ksv_query_interface(classDeviceObject, &kTransportInterfaceId, sizeof(TransportInterface),
                        kTransportInterfaceVersion, camera.transport);
    // Only an interface filled up to its last operations is of use.
    if (!camera.transport->CancelBulkReadWrite) {
        ksv_pool_free(camera.transport);
        camera.transport = nullptr;
    }
    return kStatusSuccess;
}

}  // namespace dovracam
