// Wire forms of one camera command on the library's three transports.
#pragma once

#include <stdint.h>

namespace devicelib {

// Opcode and three argument bytes. Commands use opcodes 0xA7-0xBF, inquiries
// 0x31-0x62.
struct DocCamCommand {
    uint8_t op;
    uint8_t a1;
    uint8_t a2;
    uint8_t a3;

    // The little-endian word whose bytes are op, a1, a2, a3.
    uint32_t Word() const { return op | (uint32_t(a1) << 8) | (uint32_t(a2) << 16) | (uint32_t(a3) << 24); }
};

const uint32_t kReplySize = 4;

// Direct USB device "\\.\OrbileUSB0".
extern const wchar_t kDirectUsbPath[];
const uint32_t kIoctlDirectUsbVendorRequest = 0x22204D;
const uint32_t kDirectUsbRequestSize = 10;
const uint32_t kDirectUsbMaxReply = 64;

// DirectUsbVendorRequest: direction, type 2 (vendor), recipient 3, request
// (1 command, 2 inquiry), value = op | a1 << 8, index = a2 | a3 << 8.
void EncodeDirectUsbRequest(const DocCamCommand& command, bool inquiry, uint8_t record[kDirectUsbRequestSize]);

// CameraVendorCommand: property header (set GUID, id, flags) and, for
// commands and inquiries, the command word at byte 24.
void EncodeVendorProperty(uint8_t buffer[], uint32_t id, uint32_t flags);
void EncodeVendorProperty(uint8_t buffer[], uint32_t id, uint32_t flags, const DocCamCommand& command);

// The capture pin's command interface takes index = op << 8 | a1 and value =
// a2 << 8 | a3, and answers with a word whose lowest byte is the echo.
uint32_t DirectShowIndex(const DocCamCommand& command);
uint32_t DirectShowValue(const DocCamCommand& command);
void DecodeDirectShowReply(uint32_t word, uint8_t reply[kReplySize]);

}  // namespace devicelib
