// The simulated camera behind the library's device seam, on every transport:
// a kernel-streaming capture interface served by the camera's private
// property set, the direct USB device's vendor requests, and the capture
// pin's command interface. Every call is recorded with its bytes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "CameraVendorProperty.h"
#include "DeviceIo.h"
#include "SimCamera.h"

namespace simcam {

struct WireCall {
    enum Kind { kOpen, kControl, kClose, kCommandWrite, kReplyRead };
    explicit WireCall(Kind k) : kind(k) {}

    Kind kind;
    std::wstring path;         // kOpen
    uint32_t code = 0;         // kControl
    std::vector<uint8_t> in;   // kControl input
    std::vector<uint8_t> out;  // kControl output as sent
    bool ok = false;
    uint32_t value = 0;  // kCommandWrite
    uint32_t index = 0;  // kCommandWrite, kReplyRead
    uint32_t word = 0;   // kReplyRead
};

// Pipe record 0 of the direct USB device's pipe table.
struct UsbPipe {
    uint8_t endpoint = 0x82;  // IN endpoint 2
    uint32_t type = 2;        // bulk
    uint32_t maxTransfer = 0x180000;
};

// Writes frame number into out (size bytes).
typedef std::function<void(uint32_t number, uint8_t* out, uint32_t size)> FrameSource;

// Frame number fills the frame: its number in the first and last four bytes,
// and the low byte of the number everywhere between.
void NumberedFrame(uint32_t number, uint8_t* out, uint32_t size);
// The JPEG test picture of the frame's counter, the rest of the frame zero.
void PictureFrame(uint32_t number, uint8_t* out, uint32_t size);

class SimDeviceIo : public devicelib::DeviceIo, public devicelib::Pacer {
public:
    // The capture interface path of the simulated camera.
    static const wchar_t kCameraPath[];

    explicit SimDeviceIo(SimCamera& camera);

    std::vector<devicelib::CaptureInterface> interfaces;  // offered by enumeration
    bool directUsbPresent = false;
    // The direct USB device's streaming: initialisation answers, pipe 0, the
    // frames its bulk reads deliver, a delay per frame and injected failures.
    UsbPipe pipe;
    uint32_t failInitCode = 0;  // this initialisation request fails
    // Set before streaming starts; the fields below may change while it runs.
    FrameSource frameSource = NumberedFrame;
    std::atomic<unsigned> frameDelayMs{0};
    std::atomic<int> failBulkReads{0};
    std::atomic<uint32_t> framesRead{0};  // frames delivered by bulk reads
    std::atomic<uint32_t> bulkReadsRefused{0};
    // Every frame's status bytes differ from the previous frame's.
    std::atomic<bool> statusPerFrame{false};
    // Frame reads wait, as a device that never answers does, until the
    // request is cancelled or the hold is lifted (at most kHoldLimitMs).
    static constexpr unsigned kHoldLimitMs = 30000;
    void HoldFrameReads(bool hold);
    std::atomic<int> frameReadsHeld{0};  // reads waiting at the hold now
    std::atomic<int> frameReadsCancelled{0};
    // Guards the camera against the device's read thread: a test that
    // changes the camera while frames stream holds it.
    std::mutex cameraLock;
    int failOpens = 0;
    int failCommandWrites = 0;
    int failReplyReads = 0;
    camvendor::NtStatus lastStatus = camvendor::kStatusSuccess;  // of the last property call

    std::vector<WireCall> calls;
    std::vector<unsigned> pauses;
    // The control calls only, optionally of one code.
    std::vector<WireCall> Controls(uint32_t code) const;
    int OpenHandles() const { return openHandles_; }

    std::vector<devicelib::CaptureInterface> EnumerateCaptureInterfaces() override;
    devicelib::DeviceHandle Open(const wchar_t* path) override;
    bool Control(devicelib::DeviceHandle device, uint32_t code, const void* in, uint32_t inSize, void* out,
                 uint32_t outSize, uint32_t* returned) override;
    void Close(devicelib::DeviceHandle device) override;
    void CancelRequests(devicelib::DeviceHandle device) override;
    bool WriteCameraCommand(uint32_t value, uint32_t index) override;
    bool ReadCameraReply(uint32_t index, uint32_t* word) override;
    void Pause(unsigned milliseconds) override { pauses.push_back(milliseconds); }

private:
    class UsbPort : public camvendor::VendorRequestPort {
    public:
        explicit UsbPort(SimCamera& camera) : camera_(camera) {}
        camvendor::NtStatus VendorRequest(bool deviceToHost, uint8_t request, uint16_t value, uint16_t index,
                                          uint8_t* data, uint32_t length) override;

    private:
        SimCamera& camera_;
    };

    bool PropertyRequest(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize, uint32_t* returned);
    bool DirectUsbRequest(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize);
    bool DirectUsbInitRequest(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize);
    bool BulkRead(uint8_t* out, uint32_t outSize);
    // False when the held read was cancelled.
    bool WaitWhileHeld();

    SimCamera& camera_;
    UsbPort port_;
    camvendor::PropertyHandler handler_;
    uint32_t pendingReply_ = 0;
    int openHandles_ = 0;
    std::mutex holdLock_;
    std::condition_variable holdChanged_;
    bool holding_ = false;
    unsigned cancels_ = 0;
};

}  // namespace simcam
