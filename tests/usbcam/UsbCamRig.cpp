#include "UsbCamRig.h"

#include <string.h>

#include <algorithm>

namespace usbcam {

bool Request::Completed() const
{
    const auto& done =
        srb.StreamObject && srb.Command < kSrbGetStreamInfo ? Host().streamCompleted : Host().deviceCompleted;
    return std::find(done.begin(), done.end(), &srb) != done.end();
}

UsbCamRig::UsbCamRig()
{
    Host().Reset();
    device_ = static_cast<dovracam::DeviceExtension*>(ksv_pool_alloc(DovraCamDeviceExtensionSize()));
    config_.SizeOfThisPacket = sizeof config_;
    config_.HwDeviceExtension = device_;
    config_.ClassDeviceObject = device_;
    config_.PhysicalDeviceObject = &usb;
    config_.RealPhysicalDeviceObject = &usb;
    for (uint32_t i = 0; i < 2; ++i) {
        objects_[i].SizeOfThisPacket = sizeof(ScStreamObject);
        objects_[i].StreamNumber = i;
        streamExtensions_[i] = ksv_pool_alloc(DovraCamStreamExtensionSize());
        objects_[i].HwStreamExtension = streamExtensions_[i];
        objects_[i].HwDeviceExtension = device_;
    }
}

UsbCamRig::~UsbCamRig()
{
    if (!uninitialized_) Uninitialize();
    Host().RunWork();
    for (void* extension : streamExtensions_) ksv_pool_free(extension);
    ksv_pool_free(device_);
}

void UsbCamRig::Prepare(Request& request, int32_t command)
{
    request.srb.SizeOfThisPacket = sizeof(ScRequestBlock);
    request.srb.Command = command;
    request.srb.HwDeviceExtension = device_;
    request.srb.SRBExtension = &request.link;
    request.srb.Status = kStatusPending;
}

ScStatus UsbCamRig::Send(Request& request, int32_t command)
{
    Prepare(request, command);
    DovraCamAdapterReceivePacket(&request.srb);
    return request.Completed() ? request.srb.Status : kStatusPending;
}

ScStatus UsbCamRig::Initialize()
{
    Request r;
    r.srb.CommandData.ConfigInfo = &config_;
    ScStatus status = Send(r, kSrbInitializeDevice);
    if (status != kStatusSuccess) return status;
    // As the stream class does once the device is set up.
    Request complete;
    return Send(complete, kSrbInitializationComplete);
}

ScStatus UsbCamRig::StreamInfo(StreamDescriptorBuffer* out)
{
    StreamDescriptorBuffer local;
    Request r;
    r.srb.CommandData.StreamBuffer = &(out ? out : &local)->descriptor;
    return Send(r, kSrbGetStreamInfo);
}

ScStatus UsbCamRig::Property(bool isSet, KsProperty* property, uint32_t inSize, void* data, uint32_t outSize,
                             uint32_t* returned)
{
    ScPropertyDescriptor info = {property, 0, data, inSize, outSize};
    Request r;
    r.srb.CommandData.PropertyInfo = &info;
    ScStatus status = Send(r, isSet ? kSrbSetDeviceProperty : kSrbGetDeviceProperty);
    if (returned) *returned = r.srb.ActualBytesTransferred;
    return status;
}

KsDataFormatVideoInfo UsbCamRig::FormatOf(const KsDataRangeVideo& range)
{
    KsDataFormatVideoInfo format = {};
    format.DataFormat = range.DataRange;
    format.DataFormat.FormatSize = sizeof format;
    format.VideoInfoHeader = range.VideoInfoHeader;
    return format;
}

ScStatus UsbCamRig::Open(uint32_t stream, const KsDataFormatVideoInfo& format)
{
    Request r;
    r.srb.StreamObject = &objects_[stream];
    r.srb.CommandData.OpenFormat = const_cast<KsDataFormat*>(&format.DataFormat);
    return Send(r, kSrbOpenStream);
}

ScStatus UsbCamRig::Close(uint32_t stream)
{
    Request r;
    r.srb.StreamObject = &objects_[stream];
    return Send(r, kSrbCloseStream);
}

ScStatus UsbCamRig::Control(uint32_t stream, int32_t command, Request* request)
{
    Request local;
    Request& r = request ? *request : local;
    Prepare(r, command);
    r.srb.StreamObject = &objects_[stream];
    r.srb.Flags = 0x2;
    objects_[stream].ReceiveControlPacket(&r.srb);
    return r.Completed() ? r.srb.Status : kStatusPending;
}

ScStatus UsbCamRig::SetState(uint32_t stream, int32_t state)
{
    Request r;
    r.srb.CommandData.StreamState = state;
    return Control(stream, kSrbSetStreamState, &r);
}

std::unique_ptr<Request> UsbCamRig::Read(uint32_t stream, uint32_t frameExtent)
{
    auto r = std::make_unique<Request>();
    Prepare(*r, kSrbReadData);
    r->srb.StreamObject = &objects_[stream];
    r->srb.Flags = 0x2;
    r->data.assign(frameExtent, 0);
    r->read.header.Size = sizeof r->read;
    r->read.header.FrameExtent = frameExtent;
    r->read.header.Data = r->data.data();
    r->srb.CommandData.DataBufferArray = &r->read.header;
    r->srb.NumberOfBuffers = 1;
    objects_[stream].ReceiveDataPacket(&r->srb);
    return r;
}

ScStatus UsbCamRig::Uninitialize()
{
    uninitialized_ = true;
    Request r;
    return Send(r, kSrbUninitializeDevice);
}

}  // namespace usbcam
