// The camera part's callbacks: what the class layer asks of this camera when
// the device is set up and when a stream opens, starts, stops and closes.
#pragma once

#include "CameraContext.h"

namespace dovracam {

struct CameraCallbacks {
    ScStatus (*initialize)(CameraContext& camera);
    ScStatus (*uninitialize)(CameraContext& camera);
    // Adopts the selected interface: tunes its pipes, keeps a copy, and writes
    // each pipe's configuration word (low byte stream association, high byte
    // pipe flags). Without an interface it only drops the copy.
    ScStatus (*configure)(CameraContext& camera, UsbInterfaceInformation* iface, uint16_t* pipeConfig,
                          uint32_t pipeCount);
    ScStatus (*startCapture)(CameraContext& camera, uint32_t stream);
    ScStatus (*stopCapture)(CameraContext& camera, uint32_t stream);
    ScStatus (*allocateBandwidth)(CameraContext& camera, uint32_t stream, uint32_t* rawFrameSize,
                                  const KsDataFormatVideoInfo& format);
    ScStatus (*freeBandwidth)(CameraContext& camera, uint32_t stream);
    uint32_t controlFlags;  // kCamControl*
};

// What the camera part asks of the class layer: a still stream takes the
// video stream's format, and device events reach clients.
constexpr uint32_t kCamControlAssociatedFormat = 4;
constexpr uint32_t kCamControlEnableDeviceEvents = 8;

const CameraCallbacks& CameraPartCallbacks();

// Pipe configuration word parts.
constexpr uint16_t kPipeVideoStream = 1;
constexpr uint16_t kPipeStillStream = 2;
constexpr uint16_t kPipeData = 1;
constexpr uint16_t kPipeMultiplex = 2;
constexpr uint16_t kPipeSync = 4;
constexpr uint16_t kPipeDontCare = 8;
constexpr uint16_t PipeConfig(uint16_t association, uint16_t flags) { return uint16_t(association | flags << 8); }

constexpr uint32_t kDecodeBufferSize = 0x180000;
constexpr uint32_t kRgb24BufferSize = 0x240000;

}  // namespace dovracam
