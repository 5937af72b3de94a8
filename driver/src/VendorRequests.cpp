#include "VendorRequests.h"

#include "Bytes.h"

namespace dovracam {

// Longer than the seam's own bound on one URB.
constexpr int64_t kUrbLockWait = 10LL * 10000000;

ScStatus SubmitUrb(CameraContext& camera, void* urb)
{
    if (!ksv_semaphore_wait(camera.urbLock, kUrbLockWait)) return kStatusTimeout;
    const ScStatus status = ksv_submit_urb(camera.lowerDevice, urb);
    ksv_semaphore_release(camera.urbLock);
    return status;
}

namespace {

constexpr uint32_t kUrbSize = sizeof(UsbVendorRequestUrb);
// Camera replies are small; anything longer is a caller's mistake.
constexpr uint32_t kMaxVendorData = 4096;

ScStatus SubmitNow(CameraContext& camera, uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                   uint32_t* length, Direction direction)
{
    const uint32_t dataLength = length ? *length : 0;
    if (dataLength > kMaxVendorData) return kStatusInvalidParameter;
    // The data first, the URB behind it on its natural alignment.
    const uint32_t urbOffset = AlignUp(dataLength, 8);
    uint8_t* block = static_cast<uint8_t*>(ksv_pool_alloc(urbOffset + kUrbSize));
    if (!block) return kStatusInsufficientResources;
    if (direction == Direction::kHostToDevice && dataLength) CopyBytes(block, buffer, dataLength);

    UsbVendorRequestUrb* urb = reinterpret_cast<UsbVendorRequestUrb*>(block + urbOffset);
    urb->Hdr.Length = kUrbSize;
    urb->Hdr.Function = kUrbFunctionVendorDevice;
    urb->TransferFlags = direction == Direction::kDeviceToHost ? kUsbdTransferDirectionIn : 0;
    urb->TransferBufferLength = dataLength;
    urb->TransferBuffer = dataLength ? block : nullptr;
    urb->Request = request;
    urb->Value = value;
    urb->Index = index;

    ScStatus status = SubmitUrb(camera, urb);
    if (status == kStatusSuccess && length) {
        // The stack never reports more than it was given; a device that claims
        // otherwise does not get to move bytes past the caller's buffer.
        const uint32_t moved = urb->TransferBufferLength < dataLength ? urb->TransferBufferLength : dataLength;
        *length = moved;
        if (direction == Direction::kDeviceToHost) CopyBytes(buffer, block, moved);
    }
    ksv_pool_free(block);
    return status;
}

// A deferred request owns its data: the caller may be long gone when it runs.
struct VendorRequestWork {
    CameraContext* camera;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    Direction direction;
    uint32_t length;
    VendorCompletion completion;
    void* completionContext;
    uint8_t data[1];
};

void RunDeferred(void* context)
{
    VendorRequestWork* work = static_cast<VendorRequestWork*>(context);
    uint32_t length = work->length;
    ScStatus status =
        SubmitNow(*work->camera, work->request, work->value, work->index, work->data, &length, work->direction);
    if (work->completion)
        work->completion(work->completionContext, status, work->data, status == kStatusSuccess ? length : 0);
    ksv_pool_free(work);
}

}  // namespace

ScStatus UsbVendorCommand(CameraContext& camera, uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                          uint32_t* length, Direction direction, VendorCompletion completion, void* completionContext)
{
    if (!ksv_at_dispatch_level()) return SubmitNow(camera, request, value, index, buffer, length, direction);

    const uint32_t dataLength = length ? *length : 0;
    if (dataLength > kMaxVendorData) return kStatusInvalidParameter;
    VendorRequestWork* work = static_cast<VendorRequestWork*>(ksv_pool_alloc(sizeof(VendorRequestWork) + dataLength));
    if (!work) return kStatusInsufficientResources;
    work->camera = &camera;
    work->request = request;
    work->value = value;
    work->index = index;
    work->direction = direction;
    work->length = dataLength;
    work->completion = completion;
    work->completionContext = completionContext;
    if (direction == Direction::kHostToDevice && dataLength) CopyBytes(work->data, buffer, dataLength);
    if (!ksv_queue_work(RunDeferred, work)) {
        ksv_pool_free(work);
        return kStatusInsufficientResources;
    }
    return kStatusPending;
}

ScStatus ReadVendor(CameraContext& camera, uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                    uint32_t capacity, uint32_t minLength)
{
    uint32_t length = capacity;
    ScStatus status = UsbVendorCommand(camera, request, value, index, buffer, &length, Direction::kDeviceToHost);
    if (status != kStatusSuccess) return status;
    return length < minLength ? kStatusDeviceDataError : kStatusSuccess;
}

ScStatus SendVendor(CameraContext& camera, uint8_t request, uint16_t value, uint16_t index)
{
    return UsbVendorCommand(camera, request, value, index, nullptr, nullptr, Direction::kHostToDevice);
}

camvendor::NtStatus CameraVendorPort::VendorRequest(bool deviceToHost, uint8_t request, uint16_t value, uint16_t index,
                                                    uint8_t* data, uint32_t length)
{
    uint32_t moved = length;
    return UsbVendorCommand(camera_, request, value, index, data, length ? &moved : nullptr,
                            deviceToHost ? Direction::kDeviceToHost : Direction::kHostToDevice);
}

}  // namespace dovracam
