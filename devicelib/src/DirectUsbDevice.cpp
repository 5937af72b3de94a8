#include "DirectUsbDevice.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "CameraVendorProperty.h"

namespace devicelib {

namespace {

const uint8_t kFrameEndpoint = 2;
const uint32_t kBulkPipe = 2;
const uint32_t kFramePipeIndex = 0;

}  // namespace

DirectUsbDevice::DirectUsbDevice(DeviceIo& io) : io_(io) {}

DirectUsbDevice::~DirectUsbDevice() { Close(); }

bool DirectUsbDevice::Open()
{
    if (!IsOpen()) handle_ = io_.Open(kDirectUsbPath);
    return IsOpen();
}

void DirectUsbDevice::Close()
{
    if (running_) Stop();
    if (!IsOpen()) return;
    io_.Close(handle_);
    // A closed device must not be used again through its stale handle.
    handle_ = kInvalidDevice;
    initialised_ = false;
}

bool DirectUsbDevice::Request(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize)
{
    if (!IsOpen()) return false;
    uint32_t returned = 0;
    return io_.Control(handle_, code, in, inSize, out, outSize, &returned);
}

bool DirectUsbDevice::ReadInterfaceInfo(uint8_t number)
{
    const uint8_t in[4] = {number, 0, 0, 0};
    uint8_t head[4] = {};
    if (!Request(kIoctlDirectUsbGetInterfaceInfo, in, sizeof in, head, sizeof head) || head[0] == 0) return false;
    std::vector<uint8_t>& info = interfaceInfo_[number - 1];
    info.assign(head[0], 0);
    return Request(kIoctlDirectUsbGetInterfaceInfo, in, sizeof in, info.data(), uint32_t(info.size()));
}

bool DirectUsbDevice::Initialize()
{
    if (!IsOpen()) return false;
    deviceDescriptor_.assign(18, 0);
    queryA_.assign(10, 0);
    queryB_.assign(8, 0);
    std::memset(pipeTable_, 0, sizeof pipeTable_);
    initialised_ = Request(kIoctlDirectUsbGetDeviceDescriptor, nullptr, 0, deviceDescriptor_.data(), 18) &&
                   Request(kIoctlDirectUsbQueryA, nullptr, 0, queryA_.data(), 10) &&
                   Request(kIoctlDirectUsbQueryB, nullptr, 0, queryB_.data(), 8) && ReadInterfaceInfo(1) &&
                   ReadInterfaceInfo(2) &&
                   Request(kIoctlDirectUsbGetPipeTable, nullptr, 0, pipeTable_, sizeof pipeTable_);
    return initialised_;
}

bool DirectUsbDevice::Start()
{
    if (!initialised_) return false;
    if (running_) return true;
    try {
        for (Slot& slot : ring_) {
            slot.frame.assign(kDirectUsbFrameSize, 0);
            slot.state = Slot::kFree;
        }
        readRun_ = true;
        readEnded_ = false;
        readThread_ = std::thread(&DirectUsbDevice::ReadLoop, this);
    } catch (...) {  // no memory for the ring, or no thread
        readRun_ = false;
        readEnded_ = true;
        for (Slot& slot : ring_) std::vector<uint8_t>().swap(slot.frame);
        return false;
    }
    running_ = true;
    // Gives the read thread time to fill the first buffer.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return true;
}

void DirectUsbDevice::Stop()
{
    std::unique_lock<std::mutex> guard(ringMutex_);
    running_ = false;
    readRun_ = false;
    wake_.notify_all();
    // A read thread held by a device request that never completes is freed
    // by cancelling the request.
    while (!wake_.wait_for(guard, std::chrono::milliseconds(kCancelRetryMs), [this] { return readEnded_; })) {
        guard.unlock();
        io_.CancelRequests(handle_);
        guard.lock();
    }
    const bool copied =
        wake_.wait_for(guard, std::chrono::milliseconds(kCopyWaitMs), [this] { return !FrameBeingCopied(); });
    guard.unlock();
    if (readThread_.joinable()) readThread_.join();
    // A copy still under way keeps its buffer; Start makes new ones.
    if (copied)
        for (Slot& slot : ring_) std::vector<uint8_t>().swap(slot.frame);
}

bool DirectUsbDevice::FrameBeingCopied() const
{
    for (const Slot& slot : ring_)
        if (slot.state == Slot::kConsuming) return true;
    return false;
}

bool DirectUsbDevice::FramePipeUsable() const
{
    const uint8_t* pipe = pipeTable_ + kDirectUsbPipeRecordOffset;
    const uint8_t endpoint = pipe[2];
    return camvendor::ReadLe32(pipe + 12) >= kDirectUsbFrameSize && camvendor::ReadLe32(pipe + 4) == kBulkPipe &&
           (endpoint & 0x80) && (endpoint & 0x0F) == kFrameEndpoint;
}

bool DirectUsbDevice::ReadFrame(Slot& slot)
{
    if (!FramePipeUsable()) return false;
    const uint8_t pipe[4] = {kFramePipeIndex, 0, 0, 0};
    orbile::Locked locked(lock_);
    return Request(kIoctlDirectUsbBulkRead, pipe, sizeof pipe, slot.status, sizeof slot.status) &&
           Request(kIoctlDirectUsbBulkRead, pipe, sizeof pipe, slot.frame.data(), kDirectUsbFrameSize);
}

DirectUsbDevice::Slot* DirectUsbDevice::TakeSlotToFill()
{
    std::lock_guard<std::mutex> guard(ringMutex_);
    Slot* oldest = nullptr;
    for (Slot& slot : ring_) {
        if (slot.state == Slot::kFree) {
            slot.state = Slot::kFilling;
            return &slot;
        }
        if (slot.state == Slot::kFilled && (!oldest || slot.sequence < oldest->sequence)) oldest = &slot;
    }
    // A slow consumer loses its oldest unread frame, never the one it copies.
    if (oldest) oldest->state = Slot::kFilling;
    return oldest;
}

void DirectUsbDevice::ReleaseFilledSlot(Slot& slot, bool filled)
{
    std::lock_guard<std::mutex> guard(ringMutex_);
    slot.state = filled ? Slot::kFilled : Slot::kFree;
    if (filled) slot.sequence = ++nextSequence_;
    wake_.notify_all();
}

void DirectUsbDevice::PauseReading(unsigned milliseconds)
{
    std::unique_lock<std::mutex> guard(ringMutex_);
    wake_.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return !readRun_; });
}

void DirectUsbDevice::ReadLoop()
{
    unsigned backOff = 0;
    while (readRun_) {
        Slot* slot = TakeSlotToFill();
        const bool filled = slot && ReadFrame(*slot);
        if (slot) ReleaseFilledSlot(*slot, filled);
        if (filled) {
            backOff = 0;
            continue;
        }
        // A failing device is asked again less and less often.
        backOff = backOff ? std::min(backOff * 2, kLastBackOffMs) : kFirstBackOffMs;
        PauseReading(backOff);
    }
    EndReading();
}

void DirectUsbDevice::EndReading()
{
    std::lock_guard<std::mutex> guard(ringMutex_);
    readEnded_ = true;
    wake_.notify_all();
}

bool DirectUsbDevice::GetFrame(unsigned char* dst, uint32_t length)
{
    if (!dst || length > kDirectUsbFrameSize) return false;
    Slot* next = nullptr;
    {
        // Stop clears running_ under this lock and frees no slot being copied.
        std::lock_guard<std::mutex> guard(ringMutex_);
        if (!running_) return false;
        for (Slot& slot : ring_)
            if (slot.state == Slot::kFilled && (!next || slot.sequence < next->sequence)) next = &slot;
        if (!next) return false;
        next->state = Slot::kConsuming;
    }
    std::memcpy(dst, next->frame.data(), length);
    uint8_t status[kDirectUsbStatusSize];
    std::memcpy(status, next->status, sizeof status);
    ReleaseFilledSlot(*next, false);
    ReportStatus(status);
    return true;
}

void DirectUsbDevice::ReportStatus(const uint8_t status[kDirectUsbStatusSize])
{
    if (std::memcmp(status, lastStatus_, sizeof lastStatus_) == 0) return;
    std::memcpy(lastStatus_, status, sizeof lastStatus_);
    if (!statusCallback_) return;
    std::memcpy(statusBuffer_, status, kDirectUsbStatusSize);
    statusCallback_(statusBuffer_);
}

bool DirectUsbDevice::Command(const DocCamCommand& command) { return VendorRequest(command, false, nullptr, 0); }

bool DirectUsbDevice::Inquiry(const DocCamCommand& command, uint8_t* out, uint32_t length)
{
    if (length > kDirectUsbMaxReply) return false;
    return VendorRequest(command, true, out, length);
}

bool DirectUsbDevice::VendorRequest(const DocCamCommand& command, bool inquiry, uint8_t* out, uint32_t length)
{
    uint8_t record[kDirectUsbRequestSize];
    EncodeDirectUsbRequest(command, inquiry, record);
    orbile::Locked locked(lock_);
    return Request(kIoctlDirectUsbVendorRequest, record, sizeof record, out, length);
}

void DirectUsbDevice::SetStatusCallback(DirectUsbStatusCallback callback, unsigned char* buffer)
{
    statusCallback_ = callback;
    statusBuffer_ = buffer;
}

}  // namespace devicelib
