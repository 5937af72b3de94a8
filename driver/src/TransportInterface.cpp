#include "TransportInterface.h"

#include <stddef.h>

#include "Bytes.h"
#include "KsGuids.h"
#include "VendorRequests.h"

namespace dovracam {

namespace {

// The interface's context is the camera context inside the device extension.
DeviceExtension& DeviceOfContext(void* context) {
  return *reinterpret_cast<DeviceExtension*>(static_cast<uint8_t*>(context) - offsetof(DeviceExtension, camera));
}

bool Removed(void* context) { return DeviceOfContext(context).classContext.removed; }

void NoReference(void*) {}

// The camera part's own transfers are not offered: its frames come through
// the class layer's bulk frame cycle.
ScStatus WaitOnDeviceEvent(void* context, uint32_t, void*, uint32_t, TransportCompletion, void*, uint8_t) {
  return Removed(context) ? kStatusFileClosed : kStatusNotSupported;
}
ScStatus BulkReadWrite(void* context, uint16_t, void*, uint32_t, TransportCompletion, void*) {
  return Removed(context) ? kStatusFileClosed : kStatusNotSupported;
}
ScStatus SetIsoPipeState(void* context, uint32_t) {
  return Removed(context) ? kStatusFileClosed : kStatusNotSupported;
}
ScStatus CancelBulkReadWrite(void* context, uint32_t) {
  return Removed(context) ? kStatusFileClosed : kStatusNotSupported;
}

// A new VIDEOINFO format of an open stream becomes the stream's format.
ScStatus SetVideoFormat(void* context, ScRequestBlock* srb) {
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

ScStatus SelectAlternateSetting(CameraContext& camera, uint8_t alternate) {
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

ScStatus AnswerInterfaceQuery(DeviceExtension& device, ScRequestBlock& srb) {
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

ScStatus LookUpTransport(DeviceExtension& device, void* classDeviceObject) {
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
