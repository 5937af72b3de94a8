// The camera's private kernel-streaming property set: buffer layout shared by
// the device library (which fills the buffers) and the minidriver (which
// serves them). Free of library and allocation dependencies so that kernel
// code can include it.
#pragma once

#include <stdint.h>

namespace camvendor {

typedef int32_t NtStatus;
const NtStatus kStatusSuccess = 0;
const NtStatus kStatusUnsuccessful = static_cast<NtStatus>(0xC0000001u);
const NtStatus kStatusBufferTooSmall = static_cast<NtStatus>(0xC0000023u);
const NtStatus kStatusNotSupported = static_cast<NtStatus>(0xC00000BBu);
const NtStatus kStatusPropsetNotFound = static_cast<NtStatus>(0xC0000230u);

// IOCTL_KS_PROPERTY: CTL_CODE(FILE_DEVICE_KS, 0, METHOD_NEITHER, FILE_ANY_ACCESS).
const uint32_t kIoctlKsProperty = 0x002F0003u;

// {446F7672-C187-11D2-BA41-00A0C90D2B05} in its little-endian memory layout.
const uint8_t kPropertySetGuid[16] = {0x72, 0x76, 0x6F, 0x44, 0x87, 0xC1, 0xD2, 0x11,
                                      0xBA, 0x41, 0x00, 0xA0, 0xC9, 0x0D, 0x2B, 0x05};

enum PropertyId : uint32_t {
    kPropCommand = 1,  // set: send the command word as vendor request 1
    kPropInquiry = 2,  // set: keep the command word for the next reply get
    kPropReply = 3,    // get: vendor request 2, reply from byte 28
    kPropStatus = 4,   // get: the latest 48 status bytes from byte 28
};

const uint32_t kFlagGet = 1;
const uint32_t kFlagSet = 2;

const uint32_t kBufferSize = 160;
const uint32_t kIdOffset = 16;
const uint32_t kFlagsOffset = 20;
const uint32_t kWordOffset = 24;
const uint32_t kDataOffset = 28;
const uint32_t kReplyReadLength = 64;
const uint32_t kStatusBlockSize = 48;

const uint8_t kRequestCommand = 1;
const uint8_t kRequestInquiry = 2;

inline uint32_t ReadLe32(const uint8_t* p)
{
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void WriteLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// The USB side the property handler drives: a vendor control request to the
// device (request 1 host to device without data, request 2 device to host).
class VendorRequestPort {
public:
    virtual NtStatus VendorRequest(bool deviceToHost, uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
                                   uint32_t length) = 0;

protected:
    ~VendorRequestPort() {}
};

// Serves ids 1-4 of the property set for one camera. The inquiry word is kept
// between the id-2 set and the id-3 get, so callers must not interleave two
// inquiries on one camera.
class PropertyHandler {
public:
    NtStatus Handle(uint32_t id, uint32_t flags, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                    uint32_t* returned, VendorRequestPort& port, const uint8_t* statusBlock);

private:
    uint32_t inquiryWord_ = 0;
};

}  // namespace camvendor
