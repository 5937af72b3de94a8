#include "SimUsbCamera.h"

#include <string.h>

#include <algorithm>

namespace usbcam {

namespace {

constexpr ScStatus kStall = kStatusUnsuccessful;
constexpr uint32_t kInquiryReplyLength = 64;

}  // namespace

std::vector<uint8_t> ModeReply(uint8_t type, uint16_t width, uint16_t height) {
  return {type, uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8)};
}

SimUsbCamera::SimUsbCamera() : camera(0x60) {}

std::vector<VendorRequest> SimUsbCamera::Requests(uint8_t request) const {
  std::vector<VendorRequest> found;
  for (const VendorRequest& r : log)
    if (r.request == request) found.push_back(r);
  return found;
}

ScStatus SimUsbCamera::Submit(void* urb) {
  if (removed) return kStatusNoSuchDevice;
  UsbUrbHeader* header = static_cast<UsbUrbHeader*>(urb);
  if (header->Function == kUrbFunctionVendorDevice) return Vendor(*static_cast<UsbVendorRequestUrb*>(urb));
  return kStatusNotSupported;
}

ScStatus SimUsbCamera::Answer(UsbVendorRequestUrb& urb, const std::vector<uint8_t>& reply) {
  const uint32_t length = std::min<uint32_t>(urb.TransferBufferLength, uint32_t(reply.size()));
  if (length) memcpy(urb.TransferBuffer, reply.data(), length);
  urb.TransferBufferLength = claimedLength ? *claimedLength : length;
  return kStatusSuccess;
}

ScStatus SimUsbCamera::Vendor(UsbVendorRequestUrb& urb) {
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

std::vector<uint8_t> SimUsbCamera::InterfaceInformation() const {
  constexpr uint32_t kPipes = 2;
  std::vector<uint8_t> bytes(sizeof(UsbInterfaceInformation) + (kPipes - 1) * sizeof(UsbPipeInformation));
  auto* info = reinterpret_cast<UsbInterfaceInformation*>(bytes.data());
  info->Length = uint16_t(bytes.size());
  info->NumberOfPipes = kPipes;
  // Pipe 0 carries the pictures, pipe 1 the frame headers.
  for (uint32_t i = 0; i < kPipes; ++i) {
    info->Pipes[i].MaximumPacketSize = bulkPacketSize;
    info->Pipes[i].EndpointAddress = uint8_t(0x81 + i);
    info->Pipes[i].PipeType = kUsbPipeBulk;
    info->Pipes[i].PipeHandle = reinterpret_cast<void*>(uintptr_t(0x100 + i));
  }
  return bytes;
}

}  // namespace usbcam
