#include "CameraPart.h"

#include "Bytes.h"
#include "DeviceProperties.h"
#include "FrameDecoder.h"
#include "KsGuids.h"
#include "ModeDiscovery.h"
#include "TransportInterface.h"
#include "VendorRequests.h"

namespace dovracam {

namespace {

constexpr int kReadinessPolls = 10;
constexpr int64_t kOneSecond = 10000000;
constexpr uint16_t kReady = 3;
constexpr uint32_t kExtraModePixels = 1024 * 768;
constexpr uint32_t kPipe0MaxTransfer = 0x8000;
constexpr uint16_t kDecodedCameraMode = 0;
constexpr uint16_t kCameraModeWithoutList = 1;

void DropInterfaceCopy(CameraContext& camera)
{
    ksv_pool_free(camera.interfaceCopy);
    camera.interfaceCopy = nullptr;
}

void FreeConversion(CameraContext& camera)
{
    ksv_pool_free(camera.decodeBuffer);
    ksv_pool_free(camera.conversionBuffer);
    camera.decodeBuffer = camera.conversionBuffer = nullptr;
    camera.conversionSize = 0;
    FreeFrameDecoder(camera);
    camera.flags.decodeActive = false;
}

ScStatus Initialize(CameraContext& camera)
{
    camera.flags.appControlled = false;
    camera.flags.formatOpened = false;
    FreeConversion(camera);

    uint8_t reply[2] = {};
    ScStatus status = ReadVendor(camera, 4, 1, 1, reply, sizeof reply, sizeof reply);
    for (int poll = 1; status == kStatusSuccess; ++poll) {
        ksv_delay(-kOneSecond);
        status = ReadVendor(camera, 4, 0, 1, reply, sizeof reply, sizeof reply);
        if (status != kStatusSuccess) break;
        if (poll == kReadinessPolls)
            status = kStatusUnsuccessful;
        else if (Le16(reply) >= kReady)
            break;
    }
    if (status != kStatusSuccess) DropInterfaceCopy(camera);
    return status;
}

ScStatus Uninitialize(CameraContext& camera)
{
    DropInterfaceCopy(camera);
    return kStatusSuccess;
}

ScStatus Configure(CameraContext& camera, UsbInterfaceInformation* iface, uint16_t* pipeConfig, uint32_t pipeCount)
{
    DropInterfaceCopy(camera);
    if (!iface) return kStatusSuccess;
    // The header and every pipe it claims must lie inside the record.
    const uint64_t needed = sizeof(UsbInterfaceInformation) +
                            uint64_t(iface->NumberOfPipes ? iface->NumberOfPipes - 1 : 0) * sizeof(UsbPipeInformation);
    if (iface->NumberOfPipes < 2 || iface->Length < needed || pipeCount < iface->NumberOfPipes)
        return kStatusInvalidParameter;
    iface->AlternateSetting = 0;
    iface->Pipes[0].MaximumTransferSize = kPipe0MaxTransfer;
    iface->Pipes[1].MaximumTransferSize = 0xFFFFFFFFu;
    camera.interfaceCopy = static_cast<UsbInterfaceInformation*>(ksv_pool_alloc(iface->Length));
    if (!camera.interfaceCopy) return kStatusInsufficientResources;
    CopyBytes(camera.interfaceCopy, iface, iface->Length);

    camera.streamCount = 1;
    pipeConfig[0] = PipeConfig(kPipeVideoStream, kPipeData);
    for (uint32_t i = 1; i < iface->NumberOfPipes; ++i) pipeConfig[i] = PipeConfig(0, kPipeDontCare);
    return kStatusSuccess;
}

ScStatus StartCapture(CameraContext& camera, uint32_t stream)
{
    if (stream != 0) return kStatusSuccess;
    ScStatus status = SendVendor(camera, 3, 1, 2);
    if (status == kStatusSuccess) camera.flags.streaming = true;
    return status;
}

ScStatus StopCapture(CameraContext& camera, uint32_t stream)
{
    if (stream != 0) return kStatusSuccess;
    ScStatus status = SendVendor(camera, 3, 0, 2);
    if (status == kStatusSuccess) {
        SaveProcAmpSettings(camera);
        camera.flags.streaming = false;
    }
    return status;
}

bool IsCompressed(uint32_t fourCC) { return fourCC == kFourCcMjpg || fourCC == kFourCcWjpg; }

// The buffers and the decoder that turn the camera's JPEG frames into the
// open format.
bool SetUpConversion(CameraContext& camera)
{
    FreeConversion(camera);
    uint32_t size = 0;
    if (camera.fourCC == kFourCcYuy2)
        size = kDecodeBufferSize;
    else if (camera.fourCC == 0 && camera.bitCount == 24)
        size = kRgb24BufferSize;
    else if (camera.fourCC == 0 && camera.bitCount == 16)
        size = kDecodeBufferSize;
    if (size == 0) return true;
    camera.decodeBuffer = static_cast<uint8_t*>(ksv_pool_alloc(kDecodeBufferSize));
    camera.conversionBuffer = static_cast<uint8_t*>(ksv_pool_alloc(size));
    camera.conversionSize = size;
    if (!camera.decodeBuffer || !camera.conversionBuffer || !SetUpFrameDecoder(camera)) {
        FreeConversion(camera);
        return false;
    }
    camera.flags.decodeActive = true;
    return true;
}

ScStatus AllocateBandwidth(CameraContext& camera, uint32_t stream, uint32_t* rawFrameSize,
                           const KsDataFormatVideoInfo& format)
{
    *rawFrameSize = 0;
    if (stream != 0) return kStatusSuccess;
    const KsBitmapInfoHeader& bmi = format.VideoInfoHeader.bmiHeader;
    const int64_t width = bmi.biWidth < 0 ? -int64_t(bmi.biWidth) : bmi.biWidth;
    const int64_t height = bmi.biHeight < 0 ? -int64_t(bmi.biHeight) : bmi.biHeight;
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return kStatusInvalidParameter;
    camera.width = camera.outputWidth = uint16_t(width);
    camera.height = camera.outputHeight = uint16_t(height);
    camera.fourCC = bmi.biCompression;
    camera.bitCount = bmi.biBitCount;

    if (!camera.flags.appControlled && IsCompressed(camera.fourCC)) return kStatusInvalidParameter;
    if (format.VideoInfoHeader.AvgTimePerFrame < 10) return kStatusInvalidParameter;

    const FormatTable& table = camera.formats;
    const FormatEntry* entry = table.selected < table.count ? &table.entries[table.selected] : nullptr;
    uint64_t pixels = uint64_t(width * height);
    if (entry && entry->extra) {
        camera.width = 1024;
        camera.height = 768;
        pixels = kExtraModePixels;
    }
    camera.frameBufferSize = 2 * uint64_t(camera.frameSizeFactor ? camera.frameSizeFactor : 1) * pixels;
    // The camera streams on the first of its alternate settings.
    if (SelectAlternateSetting(camera, 0) != kStatusSuccess) return kStatusInsufficientResources;
    const uint32_t packet = camera.interfaceCopy && camera.interfaceCopy->Pipes[0].MaximumPacketSize
                                ? camera.interfaceCopy->Pipes[0].MaximumPacketSize
                                : 1;
    const uint64_t rounded = (camera.frameBufferSize + packet - 1) / packet * packet;
    if (rounded > 0xFFFFFFFFu) return kStatusInvalidParameter;
    *rawFrameSize = uint32_t(rounded);

    ReadProcAmpSettings(camera);

    if (camera.flags.modeListKnown) {
        if (!entry) return kStatusSuccess;
        if (!entry->extra) {
            FreeConversion(camera);
            return SelectCameraMode(camera, entry->cameraMode);
        }
        if (!SetUpConversion(camera)) return kStatusInsufficientResources;
        return SelectCameraMode(camera, kDecodedCameraMode);
    }
    if (IsCompressed(camera.fourCC))
        FreeConversion(camera);
    else if (!SetUpConversion(camera))
        return kStatusInsufficientResources;
    return SelectCameraMode(camera, kCameraModeWithoutList);
}

ScStatus FreeBandwidth(CameraContext& camera, uint32_t stream)
{
    if (stream != 0) return kStatusSuccess;
    SelectAlternateSetting(camera, 0);
    camera.flags.appControlled = false;
    FreeConversion(camera);
    return kStatusSuccess;
}

constexpr CameraCallbacks kCallbacks = {
    Initialize,  Uninitialize,      Configure,     StartCapture,
    StopCapture, AllocateBandwidth, FreeBandwidth, kCamControlAssociatedFormat | kCamControlEnableDeviceEvents};

}  // namespace

const CameraCallbacks& CameraPartCallbacks() { return kCallbacks; }

}  // namespace dovracam
