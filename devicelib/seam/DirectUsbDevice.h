// The private USB device "\\.\OrbileUSB0": its initialisation requests, the
// read thread that fills a ring of four frame buffers, and commands and
// inquiries as vendor requests. The device lock serialises each frame read
// (status bytes, then frame) against the vendor requests.
#pragma once

#include <stdint.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "CameraWire.h"
#include "orbile/CriticalSection.h"
#include "DeviceIo.h"

namespace devicelib {

typedef int (*DirectUsbStatusCallback)(unsigned char* buffer);

// Control codes of the private driver.
const uint32_t kIoctlDirectUsbGetDeviceDescriptor = 0x222000;
const uint32_t kIoctlDirectUsbQueryA = 0x222004;
const uint32_t kIoctlDirectUsbQueryB = 0x222088;
const uint32_t kIoctlDirectUsbGetInterfaceInfo = 0x222038;
const uint32_t kIoctlDirectUsbGetPipeTable = 0x22203C;
const uint32_t kIoctlDirectUsbBulkRead = 0x222042;

const uint32_t kDirectUsbFrameSize = 0x180000;
const uint32_t kDirectUsbStatusSize = 18;
const uint32_t kDirectUsbPipeTableSize = 1024;
const uint32_t kDirectUsbPipeRecordOffset = 16;
const int kDirectUsbFrameWidth = 1024;
const int kDirectUsbFrameHeight = 768;

class DirectUsbDevice {
public:
    static const int kRingSize = 4;

    explicit DirectUsbDevice(DeviceIo& io);
    ~DirectUsbDevice();
    DirectUsbDevice(const DirectUsbDevice&) = delete;
    DirectUsbDevice& operator=(const DirectUsbDevice&) = delete;

    bool Open();
    bool Initialize();
    // Allocates the ring, starts the read thread and gives it time for a frame.
    bool Start();
    // Cancels a frame read that the device does not answer, so it returns
    // once the read thread has ended and no frame is being copied out.
    void Stop();
    void Close();
    bool IsOpen() const { return handle_ != kInvalidDevice; }
    bool IsInitialized() const { return initialised_; }
    bool IsRunning() const { return running_; }

    // Copies the oldest unread frame into dst; false at once when none is
    // ready. Fires the status callback first when the frame's status bytes
    // differ from the last reported ones.
    bool GetFrame(unsigned char* dst, uint32_t length);

    bool Command(const DocCamCommand& command);
    // Reads up to kDirectUsbMaxReply bytes into out; more is refused unsent.
    bool Inquiry(const DocCamCommand& command, uint8_t* out, uint32_t length);

    void SetStatusCallback(DirectUsbStatusCallback callback, unsigned char* buffer);
    bool HasStatusCallback() const { return statusCallback_ != nullptr; }

    // Pause of the read thread after a failed read, doubling up to the limit.
    static constexpr unsigned kFirstBackOffMs = 5;
    static constexpr unsigned kLastBackOffMs = 160;
    // Stop cancels the device's requests again after each such wait until
    // the read thread has ended (a cancel may come before the read began).
    static constexpr unsigned kCancelRetryMs = 20;
    // The longest a frame copy can keep Stop from freeing the ring.
    static constexpr unsigned kCopyWaitMs = 2000;

private:
    // A ring slot: the read thread fills a free slot (or, when every other
    // slot waits unread, the oldest unread one); the consumer takes the oldest
    // filled slot, so the buffer being copied out is never written.
    struct Slot {
        enum State { kFree, kFilling, kFilled, kConsuming } state = kFree;
        uint64_t sequence = 0;
        std::vector<uint8_t> frame;
        uint8_t status[kDirectUsbStatusSize] = {};
    };

    bool Request(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize);
    bool ReadInterfaceInfo(uint8_t number);
    bool VendorRequest(const DocCamCommand& command, bool inquiry, uint8_t* out, uint32_t length);
    // Pipe 0 must be the bulk IN endpoint 2 that carries whole frames.
    bool FramePipeUsable() const;
    bool ReadFrame(Slot& slot);
    void ReadLoop();
    void EndReading();
    bool FrameBeingCopied() const;
    Slot* TakeSlotToFill();
    void ReleaseFilledSlot(Slot& slot, bool filled);
    // Waits up to milliseconds unless Stop asks the read thread to end.
    void PauseReading(unsigned milliseconds);
    void ReportStatus(const uint8_t status[kDirectUsbStatusSize]);

    DeviceIo& io_;
    DeviceHandle handle_ = kInvalidDevice;
    bool initialised_ = false;
    std::atomic<bool> running_{false};
    orbile::CriticalSection lock_;

    std::vector<uint8_t> deviceDescriptor_;
    std::vector<uint8_t> queryA_;
    std::vector<uint8_t> queryB_;
    std::vector<uint8_t> interfaceInfo_[2];
    uint8_t pipeTable_[kDirectUsbPipeTableSize] = {};

    std::mutex ringMutex_;
    std::condition_variable wake_;
    Slot ring_[kRingSize];
    uint64_t nextSequence_ = 0;
    std::atomic<bool> readRun_{false};
    bool readEnded_ = true;  // under ringMutex_
    std::thread readThread_;

    uint8_t lastStatus_[kDirectUsbStatusSize] = {};
    DirectUsbStatusCallback statusCallback_ = nullptr;
    unsigned char* statusBuffer_ = nullptr;
};

}  // namespace devicelib
