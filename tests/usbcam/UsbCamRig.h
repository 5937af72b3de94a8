// One simulated camera under one minidriver device extension, with request
// blocks made the way the stream class makes them.
#pragma once

#include <memory>
#include <vector>

#include "Adapter.h"
#include "HostKernel.h"
#include "SimUsbCamera.h"

namespace usbcam {

// A request block with its extension and, for reads, its stream header,
// frame information and data buffer.
struct Request {
    ScRequestBlock srb = {};
    dovracam::RequestLink link = {};
    struct {
        KsStreamHeader header;
        KsFrameInfo frameInfo;
    } read = {};
    std::vector<uint8_t> data;
    bool Completed() const;
};

struct StreamDescriptorBuffer {
    ScStreamDescriptor descriptor;
    ScStreamInformation more[1];
};

class UsbCamRig {
public:
    UsbCamRig();
    ~UsbCamRig();

    SimUsbCamera usb;
    dovracam::DeviceExtension& device() { return *device_; }
    dovracam::CameraContext& camera() { return device_->camera; }

    // Sends a device request; returns its status once completed.
    ScStatus Send(Request& request, int32_t command);
    ScStatus Initialize();
    ScStatus StreamInfo(StreamDescriptorBuffer* out = nullptr);
    ScStatus Property(bool isSet, KsProperty* property, uint32_t inSize, void* data, uint32_t outSize,
                      uint32_t* returned = nullptr);

    // Streams: the format of a video data range as a client would open it.
    static KsDataFormatVideoInfo FormatOf(const KsDataRangeVideo& range);
    ScStatus Open(uint32_t stream, const KsDataFormatVideoInfo& format);
    ScStatus Close(uint32_t stream);
    ScStatus Control(uint32_t stream, int32_t command, Request* request = nullptr);
    ScStatus SetState(uint32_t stream, int32_t state);
    std::unique_ptr<Request> Read(uint32_t stream, uint32_t frameExtent);
    ScStatus Uninitialize();
    ScStreamObject& streamObject(uint32_t stream) { return objects_[stream]; }

private:
    void Prepare(Request& request, int32_t command);
    dovracam::DeviceExtension* device_;
    ScPortConfiguration config_ = {};
    ScStreamObject objects_[2] = {};
    void* streamExtensions_[2] = {};
    bool uninitialized_ = false;
};

}  // namespace usbcam
