// A simulated USB document camera as the minidriver sees it through the USB
// stack: vendor requests 1-4 with its mode tables, its interface with a
// control-free bulk pipe pair, stalls and removal. Commands and inquiries
// go to the simulated camera model the device library's tests use.
#pragma once

#include <stdint.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <streamclass/StreamClass.h>
#include <streamclass/UsbStack.h>

#include "SimCamera.h"

struct KsvIrp;

namespace usbcam {

// What the USB stack answers when the device is gone.
constexpr ScStatus kStatusNoSuchDevice = int32_t(0xC000000E);

struct VendorRequest {
    bool in;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    uint32_t length;
    bool operator==(const VendorRequest& o) const
    {
        return std::tie(in, request, value, index, length) == std::tie(o.in, o.request, o.value, o.index, o.length);
    }
};

// A 5-byte mode reply: type, width and height little-endian.
std::vector<uint8_t> ModeReply(uint8_t type, uint16_t width, uint16_t height);

class SimUsbCamera {
public:
    SimUsbCamera();

    simcam::SimCamera camera;

    // Vendor request 4, index 9: the mode count; none = the request stalls.
    std::optional<uint8_t> modeCount = 0;
    // Vendor request 4, index 10: the reply for each mode number (any length;
    // a missing number stalls).
    std::map<uint16_t, std::vector<uint8_t>> modeReplies;
    // Vendor request 4, index 11: the sizes offered without a mode list.
    std::vector<std::vector<uint8_t>> sizeReplies;
    // Vendor request 2 values 0x51 and 0x52 (the frame buffer words); none stalls.
    std::optional<uint16_t> frameWordA, frameWordB;
    // Readiness polls answered before the camera reports ready (3).
    int pollsUntilReady = 1;
    // Replies claim this many bytes regardless of the buffer (a lying device).
    std::optional<uint32_t> claimedLength;
    std::set<std::pair<uint8_t, uint16_t>> stalls;  // (request, index) that stall
    bool removed = false;

    // Registry "Settings" values of the device: raw data by name.
    std::map<std::string, std::vector<uint8_t>> settings;

    std::vector<VendorRequest> log;
    std::vector<VendorRequest> Requests(uint8_t request) const;

    ScStatus Submit(void* urb);
    // Runs as each synchronous URB reaches the camera.
    std::function<void()> onSubmit;

    // The pipes: 0 pictures, 1 frame headers (bulk in), 2 the button
    // (interrupt in), 3 to the camera (bulk out). On an in pipe each queued
    // message is what the camera sends in one go; a read takes from the front
    // and ends short at a message's end. An out pipe takes whatever is sent.
    static constexpr int kPipes = 4;
    static constexpr int kButtonPipe = 2;
    static constexpr int kOutPipe = 3;
    std::deque<std::vector<uint8_t>> bulk[kPipes];
    std::vector<uint8_t> written[kPipes];
    std::vector<uint32_t> writeChunks[kPipes];  // the length of each write URB
    bool stalled[kPipes] = {};
    // The next read on the pipe stalls, and the camera drops what it had queued.
    bool stallNext[kPipes] = {};
    int resets = 0;
    void SubmitAsync(KsvIrp* irp);
    void Cancel(KsvIrp* irp);
    void Forget(KsvIrp* irp);
    // Completes the pending bulk reads the queued data (or a stall) allows;
    // returns how many completed.
    size_t Pump();
    // A whole frame as the camera sends it: the header on pipe 1, the picture
    // (padded to whole packets) on pipe 0.
    void SendFrame(const std::vector<uint8_t>& image, const uint8_t status[48]);
    std::vector<uint8_t> FrameHeader(uint32_t total, uint32_t image, const uint8_t status[48]) const;
    // The interface information its configuration selects, as the stack fills it.
    std::vector<uint8_t> InterfaceInformation() const;
    void* ConfigurationHandle() { return &alternateSelections; }
    // The alternate settings selected, in order; the next selection fails while set.
    std::vector<uint8_t> alternateSelections;
    bool refuseAlternate = false;
    uint16_t bulkPacketSize = 512;

private:
    ScStatus Vendor(UsbVendorRequestUrb& urb);
    ScStatus SelectInterface(UsbSelectInterfaceUrb& urb);
    ScStatus Answer(UsbVendorRequestUrb& urb, const std::vector<uint8_t>& reply);
    void Complete(KsvIrp* irp, ScStatus status);
    std::vector<KsvIrp*> pending_;
    int polls_ = 0;
};

}  // namespace usbcam
