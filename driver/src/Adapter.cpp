#include "Adapter.h"

#include "Bytes.h"
#include "DataRanges.h"
#include "DeviceProperties.h"
#include "KsGuids.h"
#include "ModeDiscovery.h"
#include "StillEvent.h"
#include "StreamClassLayer.h"
#include "TransportInterface.h"

namespace dovracam {

volatile int32_t g_adapterCount = 0;

namespace {

constexpr int32_t kDataFlowOut = 2;

void FillStreamInformation(ScStreamInformation& info, FormatTable& table, uint32_t stream)
{
    ZeroBytes(&info, sizeof info);
    info.NumberOfPossibleInstances = 1;
    info.DataFlow = kDataFlowOut;
    info.DataAccessible = 1;
    if (stream == 0) {
        info.NumberOfFormatArrayEntries = table.count;
        info.StreamFormatsArray = table.videoList;
        info.Category = info.Name = &kPinNameVideoCapture;
    } else {
        info.NumberOfFormatArrayEntries = kStillFormatCount;
        info.StreamFormatsArray = table.stillList;
        info.Category = info.Name = &kPinNameVideoStill;
    }
    info.NumStreamPropArrayEntries = kStreamPropertySetCount;
    info.StreamPropertiesArray = StreamPropertySets();
}

ScStatus GetStreamInfo(DeviceExtension& device, ScRequestBlock& srb)
{
    CameraContext& camera = device.camera;
    DiscoverModes(camera);
    ScStreamDescriptor* descriptor = srb.CommandData.StreamBuffer;
    if (!descriptor) return kStatusInvalidParameter;
    ScStreamHeader& header = descriptor->StreamHeader;
    ZeroBytes(&header, sizeof header);
    header.NumberOfStreams = camera.streamCount;
    header.SizeOfHwStreamInformation = sizeof(ScStreamInformation);
    header.NumDevPropArrayEntries = kDevicePropertySetCount;
    header.DevicePropertiesArray = DevicePropertySets();
    DescribeDeviceEvents(device.classContext, header);
    ScStreamInformation* info = &descriptor->StreamInfo;
    for (uint32_t i = 0; i < camera.streamCount && i < kMaxStreams; ++i)
        FillStreamInformation(info[i], camera.formats, i);
    return kStatusSuccess;
}

StreamExtension& StreamOfRequest(ScRequestBlock& srb)
{
    return *static_cast<StreamExtension*>(srb.StreamObject->HwStreamExtension);
}

// A new format of the open video stream: the transport gives it to the
// stream, and the camera takes the geometry it sends (its 1024x768 JPEG
// frames for a decoded mode).
void ChangeVideoFormat(CameraContext& camera, ScRequestBlock& srb)
{
    if (!camera.transport || camera.transport->SetVideoFormat(&camera, &srb) != kStatusSuccess) return;
    const KsBitmapInfoHeader& bmi = StreamOfRequest(srb).format.VideoInfoHeader.bmiHeader;
    const FormatEntry& entry = camera.formats.entries[camera.formats.selected];
    camera.width = entry.extra ? 1024 : uint16_t(bmi.biWidth);
    camera.height = entry.extra ? 768 : uint16_t(bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight);
}

// The camera part's stream control step: format proposals and changes.
bool CameraStreamControlStep(ScRequestBlock& srb)
{
    DeviceExtension& device = DeviceOf(srb);
    CameraContext& camera = device.camera;
    const uint32_t stream = srb.StreamObject->StreamNumber;
    ScStatus status;
    switch (srb.Command) {
    case kSrbProposeDataFormat:
    case kSrbSetDataFormat: {
        const KsDataFormat* format = srb.CommandData.OpenFormat;
        status = VerifyFormat(camera.formats, format, stream) ? kStatusSuccess : kStatusNoMatch;
        if (status == kStatusSuccess && srb.Command == kSrbSetDataFormat && stream == 0) ChangeVideoFormat(camera, srb);
        break;
    }
    case kSrbGetDataFormat:
        status = kStatusNotImplemented;
        break;
    default:
        return false;
    }
    srb.Status = status;
    ksv_stream_request_complete(&srb);
    return true;
}

void OpenStreamRequest(DeviceExtension& device, ScRequestBlock& srb)
{
    CameraContext& camera = device.camera;
    ScStreamObject& object = *srb.StreamObject;
    const KsDataFormat* format = srb.CommandData.OpenFormat;
    ScStatus status = kStatusInvalidParameter;
    if (VerifyFormat(camera.formats, format, object.StreamNumber)) {
        status = OpenStream(srb, CameraStreamControlStep);
        if (status == kStatusSuccess) {
            const KsBitmapInfoHeader& bmi =
                reinterpret_cast<const KsDataFormatVideoInfo*>(format)->VideoInfoHeader.bmiHeader;
            camera.outputWidth = uint16_t(bmi.biWidth < 0 ? -bmi.biWidth : bmi.biWidth);
            camera.outputHeight = uint16_t(bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight);
            camera.flags.formatOpened = true;
        }
    }
    srb.Status = status;
    ksv_device_request_complete(&srb);
}

void InitializeDeviceRequest(DeviceExtension& device, ScRequestBlock& srb)
{
    const ScPortConfiguration* config = srb.CommandData.ConfigInfo;
    ClassContext& cc = device.classContext;
    CameraContext& camera = device.camera;
    if (!config) {
        srb.Status = kStatusInvalidParameter;
        ksv_device_request_complete(&srb);
        return;
    }
    cc.signature = kSignatureDevice;
    cc.callbacks = &CameraPartCallbacks();
    // The stream class hands the device below us as the "physical" device.
    cc.lowerDevice = camera.lowerDevice = config->PhysicalDeviceObject;
    camera.classDeviceObject = config->ClassDeviceObject;
    camera.physicalDeviceObject =
        config->RealPhysicalDeviceObject ? config->RealPhysicalDeviceObject : config->PhysicalDeviceObject;
    cc.configLock = ksv_semaphore_create(1, 1);
    camera.urbLock = ksv_semaphore_create(1, 1);
    if (!cc.configLock || !camera.urbLock) {
        srb.Status = kStatusInsufficientResources;
        ksv_device_request_complete(&srb);
        return;
    }
    ClassDeviceRequest(srb);
}

void DataIntersectionRequest(DeviceExtension& device, ScRequestBlock& srb)
{
    CameraContext& camera = device.camera;
    uint32_t answered = 0;
    ScStatus status = srb.CommandData.IntersectInfo ? DataIntersection(camera.formats, camera.frameSizeFactor,
                                                                       *srb.CommandData.IntersectInfo, &answered)
                                                    : kStatusInvalidParameter;
    srb.ActualBytesTransferred = answered;
    if (status == kStatusSuccess && camera.flags.modeListKnown && !camera.flags.streaming &&
        camera.formats.selected < camera.formats.count) {
        const FormatEntry& entry = camera.formats.entries[camera.formats.selected];
        if (!entry.extra) SelectCameraMode(camera, entry.cameraMode);
    }
    srb.Status = status;
    ksv_device_request_complete(&srb);
}

}  // namespace

}  // namespace dovracam

using namespace dovracam;

extern "C" void DovraCamAdapterReceivePacket(ScRequestBlock* request)
{
    ScRequestBlock& srb = *request;
    DeviceExtension& device = DeviceOf(srb);
    switch (srb.Command) {
    case kSrbGetStreamInfo:
        srb.Status = GetStreamInfo(device, srb);
        ksv_device_request_complete(&srb);
        return;
    case kSrbOpenStream:
        OpenStreamRequest(device, srb);
        return;
    case kSrbGetDeviceProperty:
    case kSrbSetDeviceProperty:
        srb.Status = DeviceProperty(srb.Command == kSrbSetDeviceProperty, device.camera, srb);
        ksv_device_request_complete(&srb);
        return;
    case kSrbInitializeDevice:
        InitializeDeviceRequest(device, srb);
        return;
    case kSrbUninitializeDevice:
        FreeFormatTable(device.camera.formats);
        ksv_pool_free(device.camera.transport);
        device.camera.transport = nullptr;
        __atomic_sub_fetch(&g_adapterCount, 1, __ATOMIC_SEQ_CST);
        ClassDeviceRequest(srb);
        return;
    case kSrbGetDataIntersection:
        DataIntersectionRequest(device, srb);
        return;
    case kSrbInitializationComplete:
        srb.Status = LookUpTransport(device, device.camera.classDeviceObject);
        ksv_device_request_complete(&srb);
        return;
    default:
        ClassDeviceRequest(srb);
        return;
    }
}

extern "C" void DovraCamCancelPacket(ScRequestBlock* srb) { CancelPacket(srb); }
extern "C" void DovraCamRequestTimeout(ScRequestBlock* srb) { RequestTimeout(srb); }
extern "C" uint32_t DovraCamDeviceExtensionSize(void) { return kDeviceExtensionSize; }
extern "C" uint32_t DovraCamStreamExtensionSize(void) { return kStreamExtensionSize; }
extern "C" uint32_t DovraCamRequestExtensionSize(void) { return kRequestExtensionSize; }
extern "C" void DovraCamDriverLoaded(void) { __atomic_add_fetch(&g_adapterCount, 1, __ATOMIC_SEQ_CST); }
