#include "SimUsbCamera.h"

#include <string.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "HostKernel.h"

namespace usbcam {

namespace {

constexpr ScStatus kStall = kStatusUnsuccessful;
constexpr uint32_t kInquiryReplyLength = 64;

}  // namespace

std::vector<uint8_t> ModeReply(uint8_t type, uint16_t width, uint16_t height)
{
    return {type, uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8)};
}

SimUsbCamera::SimUsbCamera() : camera(0x60) {}

std::vector<VendorRequest> SimUsbCamera::Requests(uint8_t request) const
{
    std::vector<VendorRequest> found;
    for (const VendorRequest& r : log)
        if (r.request == request) found.push_back(r);
    return found;
}

ScStatus SimUsbCamera::Submit(void* urb)
{
    if (onSubmit) onSubmit();
    if (removed) return kStatusNoSuchDevice;
    UsbUrbHeader* header = static_cast<UsbUrbHeader*>(urb);
    if (header->Function == kUrbFunctionVendorDevice) return Vendor(*static_cast<UsbVendorRequestUrb*>(urb));
    if (header->Function == kUrbFunctionSelectInterface)
        return SelectInterface(*static_cast<UsbSelectInterfaceUrb*>(urb));
    if (header->Function == kUrbFunctionAbortPipe || header->Function == kUrbFunctionResetPipe) {
        const uintptr_t pipe = reinterpret_cast<uintptr_t>(static_cast<UsbPipeRequestUrb*>(urb)->PipeHandle) - 0x100;
        if (pipe >= kPipes) return kStatusInvalidParameter;
        if (header->Function == kUrbFunctionResetPipe) {
            stalled[pipe] = false;
            ++resets;
            return kStatusSuccess;
        }
        for (KsvIrp* irp : std::vector<KsvIrp*>(pending_))
            if (reinterpret_cast<uintptr_t>(static_cast<UsbBulkTransferUrb*>(irp->urb)->PipeHandle) - 0x100 == pipe)
                Complete(irp, kStatusCancelled);
        return kStatusSuccess;
    }
    return kStatusNotSupported;
}

ScStatus SimUsbCamera::Answer(UsbVendorRequestUrb& urb, const std::vector<uint8_t>& reply)
{
    const uint32_t length = std::min<uint32_t>(urb.TransferBufferLength, uint32_t(reply.size()));
    if (length) memcpy(urb.TransferBuffer, reply.data(), length);
    urb.TransferBufferLength = claimedLength ? *claimedLength : length;
    return kStatusSuccess;
}

ScStatus SimUsbCamera::Vendor(UsbVendorRequestUrb& urb)
{
    const bool in = urb.TransferFlags & kUsbdTransferDirectionIn;
    log.push_back({in, urb.Request, urb.Value, urb.Index, urb.TransferBufferLength});
    if (stalls.count({urb.Request, urb.Index})) return kStall;
    const uint8_t op = uint8_t(urb.Value), a1 = uint8_t(urb.Value >> 8);
    const uint8_t a2 = uint8_t(urb.Index), a3 = uint8_t(urb.Index >> 8);
    switch (urb.Request) {
    case 1:
        return camera.Command(op, a1, a2, a3) ? kStatusSuccess : kStall;
    case 2: {
        std::vector<uint8_t> reply(kInquiryReplyLength, 0);
        std::optional<uint16_t> word = urb.Value == 0x51 ? frameWordA : urb.Value == 0x52 ? frameWordB : std::nullopt;
        if (urb.Value == 0x51 || urb.Value == 0x52) {
            if (!word) return kStall;
            reply[0] = op;
            reply[1] = uint8_t(*word >> 8);
            reply[2] = uint8_t(*word);
        } else if (!camera.Inquiry(op, a1, a2, a3, reply.data())) {
            return kStall;
        }
        return Answer(urb, reply);
    }
    case 3:
        return kStatusSuccess;
    case 4:
        switch (urb.Index) {
        case 1: {
            const uint16_t state = urb.Value == 1 ? 0 : (++polls_ >= pollsUntilReady ? 3 : 1);
            return Answer(urb, {uint8_t(state), uint8_t(state >> 8)});
        }
        case 9:
            return modeCount ? Answer(urb, {*modeCount}) : kStall;
        case 10: {
            auto reply = modeReplies.find(urb.Value);
            return reply == modeReplies.end() ? kStall : Answer(urb, reply->second);
        }
        case 11: {
            if (sizeReplies.empty()) return kStall;
            std::vector<uint8_t> reply = sizeReplies.front();
            sizeReplies.erase(sizeReplies.begin());
            return Answer(urb, reply);
        }
        }
        return kStall;
    }
    return kStall;
}

void SimUsbCamera::Complete(KsvIrp* irp, ScStatus status)
{
    pending_.erase(std::find(pending_.begin(), pending_.end(), irp));
    irp->pending = false;
    irp->completion(irp->context, status);
}

void SimUsbCamera::SubmitAsync(KsvIrp* irp)
{
    irp->pending = true;
    pending_.push_back(irp);
    // A gone device answers at once, as the stack does.
    if (removed) Complete(irp, kStatusNoSuchDevice);
}

void SimUsbCamera::Cancel(KsvIrp* irp)
{
    if (irp->pending) Complete(irp, kStatusCancelled);
}

void SimUsbCamera::Forget(KsvIrp* irp)
{
    EXPECT_FALSE(irp->pending) << "an IRP freed while the stack holds it";
    auto found = std::find(pending_.begin(), pending_.end(), irp);
    if (found != pending_.end()) pending_.erase(found);
}

size_t SimUsbCamera::Pump()
{
    size_t completed = 0;
    for (KsvIrp* irp : std::vector<KsvIrp*>(pending_)) {
        if (!irp->pending) continue;
        auto& urb = *static_cast<UsbBulkTransferUrb*>(irp->urb);
        const uintptr_t pipe = reinterpret_cast<uintptr_t>(urb.PipeHandle) - 0x100;
        EXPECT_LT(pipe, uintptr_t(kPipes));
        const bool in = urb.TransferFlags & kUsbdTransferDirectionIn;
        EXPECT_EQ(in, pipe != kOutPipe) << "the direction of the pipe";
        if (in) EXPECT_EQ(urb.TransferBufferLength % bulkPacketSize, 0u) << "reads are whole packets";
        if (removed) {
            Complete(irp, kStatusNoSuchDevice);
        } else if (!in) {
            const uint8_t* bytes = static_cast<const uint8_t*>(urb.TransferBuffer);
            written[pipe].insert(written[pipe].end(), bytes, bytes + urb.TransferBufferLength);
            writeChunks[pipe].push_back(urb.TransferBufferLength);
            Complete(irp, kStatusSuccess);
        } else if (stalled[pipe]) {
            Complete(irp, kStall);
        } else if (stallNext[pipe] && !bulk[pipe].empty()) {
            stallNext[pipe] = false;
            stalled[pipe] = true;
            bulk[pipe].pop_front();
            Complete(irp, kStall);
        } else if (!bulk[pipe].empty()) {
            std::vector<uint8_t>& message = bulk[pipe].front();
            const uint32_t n = std::min<uint32_t>(urb.TransferBufferLength, uint32_t(message.size()));
            memcpy(urb.TransferBuffer, message.data(), n);
            message.erase(message.begin(), message.begin() + n);
            if (message.empty()) bulk[pipe].pop_front();
            urb.TransferBufferLength = n;
            Complete(irp, kStatusSuccess);
        } else {
            continue;
        }
        ++completed;
    }
    return completed;
}

std::vector<uint8_t> SimUsbCamera::FrameHeader(uint32_t total, uint32_t image, const uint8_t status[48]) const
{
    std::vector<uint8_t> header(64, 0);
    memcpy(header.data(), "Begi", 4);
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = uint8_t(total >> (8 * i));
        header[8 + i] = uint8_t(image >> (8 * i));
    }
    memcpy(header.data() + 12, status, 48);
    memcpy(header.data() + 60, "nImg", 4);
    return header;
}

void SimUsbCamera::SendFrame(const std::vector<uint8_t>& image, const uint8_t status[48])
{
    const uint32_t total = uint32_t((image.size() + bulkPacketSize - 1) / bulkPacketSize * bulkPacketSize);
    bulk[1].push_back(FrameHeader(total, uint32_t(image.size()), status));
    std::vector<uint8_t> padded = image;
    padded.resize(total, 0);
    bulk[0].push_back(padded);
}

ScStatus SimUsbCamera::SelectInterface(UsbSelectInterfaceUrb& urb)
{
    const std::vector<uint8_t> selected = InterfaceInformation();
    if (urb.ConfigurationHandle != ConfigurationHandle() || urb.Interface.Length != selected.size())
        return kStatusInvalidParameter;
    if (refuseAlternate) return kStatusUnsuccessful;
    alternateSelections.push_back(urb.Interface.AlternateSetting);
    const uint8_t alternate = urb.Interface.AlternateSetting;
    memcpy(&urb.Interface, selected.data(), selected.size());
    urb.Interface.AlternateSetting = alternate;
    return kStatusSuccess;
}

std::vector<uint8_t> SimUsbCamera::InterfaceInformation() const
{
    std::vector<uint8_t> bytes(sizeof(UsbInterfaceInformation) + (kPipes - 1) * sizeof(UsbPipeInformation));
    auto* info = reinterpret_cast<UsbInterfaceInformation*>(bytes.data());
    info->Length = uint16_t(bytes.size());
    info->NumberOfPipes = kPipes;
    for (uint32_t i = 0; i < kPipes; ++i) {
        info->Pipes[i].MaximumPacketSize = bulkPacketSize;
        info->Pipes[i].EndpointAddress = uint8_t(i == kOutPipe ? 0x01 + i : 0x81 + i);
        info->Pipes[i].PipeType = i == kButtonPipe ? kUsbPipeInterrupt : kUsbPipeBulk;
        info->Pipes[i].PipeHandle = reinterpret_cast<void*>(uintptr_t(0x100 + i));
    }
    return bytes;
}

}  // namespace usbcam
