#include "SimDeviceIo.h"

#include <cstring>

#include <chrono>
#include <thread>

#include "CameraWire.h"
#include "DirectUsbDevice.h"
#include "SimPictures.h"

namespace simcam {

using namespace camvendor;
using devicelib::DeviceHandle;

const wchar_t SimDeviceIo::kCameraPath[] =
    L"\\\\?\\usb#vid_1234&pid_5678#sim#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

namespace {

DeviceHandle const kKsHandle = reinterpret_cast<DeviceHandle>(0x1000);
DeviceHandle const kUsbHandle = reinterpret_cast<DeviceHandle>(0x2000);

const uint8_t kInterfaceInfoLength = 9;

}  // namespace

void NumberedFrame(uint32_t number, uint8_t* out, uint32_t size)
{
    std::memset(out, uint8_t(number), size);
    WriteLe32(out, number);
    WriteLe32(out + size - 4, number);
}

void PictureFrame(uint32_t number, uint8_t* out, uint32_t size)
{
    const Picture& picture = kTestPictures[number % kTestPictureCount];
    std::memset(out, 0, size);
    std::memcpy(out, picture.bytes, picture.size < size ? picture.size : size);
}

SimDeviceIo::SimDeviceIo(SimCamera& camera) : camera_(camera), port_(camera)
{
    interfaces.push_back({kCameraPath, L"USB Video Camera for DovraOrbile Digital Presenter"});
}

std::vector<WireCall> SimDeviceIo::Controls(uint32_t code) const
{
    std::vector<WireCall> found;
    for (const WireCall& call : calls)
        if (call.kind == WireCall::kControl && call.code == code) found.push_back(call);
    return found;
}

std::vector<devicelib::CaptureInterface> SimDeviceIo::EnumerateCaptureInterfaces() { return interfaces; }

DeviceHandle SimDeviceIo::Open(const wchar_t* path)
{
    WireCall call(WireCall::kOpen);
    call.path = path;
    DeviceHandle handle = devicelib::kInvalidDevice;
    if (failOpens > 0) {
        --failOpens;
    } else if (call.path == devicelib::kDirectUsbPath) {
        if (directUsbPresent) handle = kUsbHandle;
    } else if (call.path == kCameraPath) {
        handle = kKsHandle;
    }
    call.ok = handle != devicelib::kInvalidDevice;
    if (call.ok) ++openHandles_;
    calls.push_back(call);
    return handle;
}

void SimDeviceIo::Close(DeviceHandle device)
{
    calls.push_back(WireCall(WireCall::kClose));
    if (device == kKsHandle || device == kUsbHandle) --openHandles_;
}

bool SimDeviceIo::Control(DeviceHandle device, uint32_t code, const void* in, uint32_t inSize, void* out,
                          uint32_t outSize, uint32_t* returned)
{
    WireCall call(WireCall::kControl);
    call.code = code;
    const uint8_t* input = static_cast<const uint8_t*>(in);
    uint8_t* output = static_cast<uint8_t*>(out);
    if (input) call.in.assign(input, input + inSize);
    if (output) call.out.assign(output, output + outSize);
    *returned = 0;
    if (device == kKsHandle && code == kIoctlKsProperty)
        call.ok = PropertyRequest(input, inSize, output, outSize, returned);
    else if (device == kUsbHandle && code == devicelib::kIoctlDirectUsbVendorRequest)
        call.ok = DirectUsbRequest(input, inSize, output, outSize);
    else if (device == kUsbHandle && code == devicelib::kIoctlDirectUsbBulkRead)
        // Streaming is counted, not recorded: the read thread runs beside the test.
        return BulkRead(output, outSize);
    else if (device == kUsbHandle)
        call.ok = DirectUsbInitRequest(code, input, inSize, output, outSize);
    calls.push_back(call);
    return call.ok;
}

bool SimDeviceIo::DirectUsbInitRequest(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                                       uint32_t outSize)
{
    if (code == failInitCode || !out) return false;
    std::memset(out, 0, outSize);
    switch (code) {
    case devicelib::kIoctlDirectUsbGetDeviceDescriptor:
        if (outSize != 18) return false;
        out[0] = 18;
        out[1] = 1;  // device descriptor
        return true;
    case devicelib::kIoctlDirectUsbQueryA:
        return outSize == 10;
    case devicelib::kIoctlDirectUsbQueryB:
        return outSize == 8;
    case devicelib::kIoctlDirectUsbGetInterfaceInfo:
        if (!in || inSize != 4 || (in[0] != 1 && in[0] != 2) || outSize < 4) return false;
        out[0] = kInterfaceInfoLength;
        out[1] = in[0];
        return outSize == 4 || outSize == kInterfaceInfoLength;
    case devicelib::kIoctlDirectUsbGetPipeTable: {
        if (outSize < devicelib::kDirectUsbPipeRecordOffset + 20) return false;
        uint8_t* record = out + devicelib::kDirectUsbPipeRecordOffset;
        record[2] = pipe.endpoint;
        WriteLe32(record + 4, pipe.type);
        WriteLe32(record + 12, pipe.maxTransfer);
        return true;
    }
    }
    return false;
}

void SimDeviceIo::HoldFrameReads(bool hold)
{
    std::lock_guard<std::mutex> guard(holdLock_);
    holding_ = hold;
    holdChanged_.notify_all();
}

void SimDeviceIo::CancelRequests(DeviceHandle device)
{
    if (device != kUsbHandle) return;
    std::lock_guard<std::mutex> guard(holdLock_);
    ++cancels_;
    holdChanged_.notify_all();
}

bool SimDeviceIo::WaitWhileHeld()
{
    std::unique_lock<std::mutex> guard(holdLock_);
    if (!holding_) return true;
    const unsigned cancels = cancels_;
    ++frameReadsHeld;
    const bool cancelled = holdChanged_.wait_for(guard, std::chrono::milliseconds(kHoldLimitMs), [&] {
        return !holding_ || cancels_ != cancels;
    }) && cancels_ != cancels;
    --frameReadsHeld;
    if (cancelled) ++frameReadsCancelled;
    return !cancelled;
}

bool SimDeviceIo::BulkRead(uint8_t* out, uint32_t outSize)
{
    if (!out) return false;
    if (outSize == devicelib::kDirectUsbStatusSize) {
        std::lock_guard<std::mutex> guard(cameraLock);
        auto block = camera_.StatusBlock();
        if (statusPerFrame) block[3] ^= uint8_t(framesRead);
        std::memcpy(out, block.data(), outSize);
        return true;
    }
    if (!WaitWhileHeld()) return false;
    if (const unsigned delay = frameDelayMs) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    if (failBulkReads > 0) {
        --failBulkReads;
        ++bulkReadsRefused;
        return false;
    }
    frameSource(framesRead, out, outSize);
    ++framesRead;
    return true;
}

bool SimDeviceIo::PropertyRequest(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                                  uint32_t* returned)
{
    // The stream class routes by property set before the minidriver sees the id.
    if (!in || inSize < kWordOffset) {
        lastStatus = kStatusBufferTooSmall;
    } else if (std::memcmp(in, kPropertySetGuid, sizeof kPropertySetGuid) != 0) {
        lastStatus = kStatusPropsetNotFound;
    } else {
        std::lock_guard<std::mutex> guard(cameraLock);
        const auto block = camera_.StatusBlock();
        lastStatus = handler_.Handle(ReadLe32(in + kIdOffset), ReadLe32(in + kFlagsOffset), in, inSize, out, outSize,
                                     returned, port_, block.data());
    }
    return lastStatus == kStatusSuccess;
}

bool SimDeviceIo::DirectUsbRequest(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize)
{
    if (!in || inSize != devicelib::kDirectUsbRequestSize || in[1] != 2 || in[2] != 3) return false;
    const bool deviceToHost = in[0] == 1;
    if (deviceToHost && (!out || outSize > devicelib::kDirectUsbMaxReply)) return false;
    std::lock_guard<std::mutex> guard(cameraLock);
    return port_.VendorRequest(deviceToHost, in[4], ReadLe16(in + 6), ReadLe16(in + 8), out, outSize) == kStatusSuccess;
}

NtStatus SimDeviceIo::UsbPort::VendorRequest(bool deviceToHost, uint8_t request, uint16_t value, uint16_t index,
                                             uint8_t* data, uint32_t length)
{
    const uint8_t op = uint8_t(value), a1 = uint8_t(value >> 8), a2 = uint8_t(index), a3 = uint8_t(index >> 8);
    if (!deviceToHost && request == kRequestCommand)
        return camera_.Command(op, a1, a2, a3) ? kStatusSuccess : kStatusUnsuccessful;
    if (deviceToHost && request == kRequestInquiry && length >= 4) {
        uint8_t reply[4];
        if (!camera_.Inquiry(op, a1, a2, a3, reply)) return kStatusUnsuccessful;
        std::memcpy(data, reply, sizeof reply);
        return kStatusSuccess;
    }
    return kStatusUnsuccessful;
}

bool SimDeviceIo::WriteCameraCommand(uint32_t value, uint32_t index)
{
    WireCall call(WireCall::kCommandWrite);
    call.value = value;
    call.index = index;
    const uint8_t op = uint8_t(index >> 8), a1 = uint8_t(index), a2 = uint8_t(value >> 8), a3 = uint8_t(value);
    std::lock_guard<std::mutex> guard(cameraLock);
    if (failCommandWrites > 0) {
        --failCommandWrites;
    } else if (op >= 0x31 && op <= 0x62) {
        uint8_t reply[4];
        call.ok = camera_.Inquiry(op, a1, a2, a3, reply);
        if (call.ok) pendingReply_ = ReadLe32(reply);
    } else {
        call.ok = camera_.Command(op, a1, a2, a3);
        if (call.ok) pendingReply_ = op;
    }
    calls.push_back(call);
    return call.ok;
}

bool SimDeviceIo::ReadCameraReply(uint32_t index, uint32_t* word)
{
    WireCall call(WireCall::kReplyRead);
    call.index = index;
    if (failReplyReads > 0) {
        --failReplyReads;
    } else {
        call.ok = true;
        call.word = *word = pendingReply_;
    }
    calls.push_back(call);
    return call.ok;
}

}  // namespace simcam
