#include "CameraWire.h"

#include <cstring>

#include "CameraVendorProperty.h"

namespace devicelib {

const wchar_t kDirectUsbPath[] = L"\\\\.\\OrbileUSB0";

void EncodeDirectUsbRequest(const DocCamCommand& command, bool inquiry, uint8_t record[kDirectUsbRequestSize])
{
    const uint8_t bytes[kDirectUsbRequestSize] = {uint8_t(inquiry ? 1 : 0),  // direction: device to host for an inquiry
                                                  2,                         // vendor request
                                                  3,                         // recipient
                                                  0,
                                                  inquiry ? camvendor::kRequestInquiry : camvendor::kRequestCommand,
                                                  0,
                                                  command.op,
                                                  command.a1,
                                                  command.a2,
                                                  command.a3};
    std::memcpy(record, bytes, sizeof bytes);
}

void EncodeVendorProperty(uint8_t buffer[], uint32_t id, uint32_t flags)
{
    std::memcpy(buffer, camvendor::kPropertySetGuid, sizeof camvendor::kPropertySetGuid);
    camvendor::WriteLe32(buffer + camvendor::kIdOffset, id);
    camvendor::WriteLe32(buffer + camvendor::kFlagsOffset, flags);
}

void EncodeVendorProperty(uint8_t buffer[], uint32_t id, uint32_t flags, const DocCamCommand& command)
{
    EncodeVendorProperty(buffer, id, flags);
    camvendor::WriteLe32(buffer + camvendor::kWordOffset, command.Word());
}

uint32_t DirectShowIndex(const DocCamCommand& command) { return uint32_t(command.op) << 8 | command.a1; }
uint32_t DirectShowValue(const DocCamCommand& command) { return uint32_t(command.a2) << 8 | command.a3; }

void DecodeDirectShowReply(uint32_t word, uint8_t reply[kReplySize]) { camvendor::WriteLe32(reply, word); }

}  // namespace devicelib
