#include "CameraVendorProperty.h"

namespace camvendor {

namespace {

bool VerbMatches(uint32_t id, uint32_t flags)
{
    const uint32_t verb = (id == kPropCommand || id == kPropInquiry) ? kFlagSet : kFlagGet;
    return (flags & (kFlagGet | kFlagSet)) == verb;
}

}  // namespace

NtStatus PropertyHandler::Handle(uint32_t id, uint32_t flags, const uint8_t* in, uint32_t inSize, uint8_t* out,
                                 uint32_t outSize, uint32_t* returned, VendorRequestPort& port,
                                 const uint8_t* statusBlock)
{
    *returned = 0;
    if (id < kPropCommand || id > kPropStatus || !VerbMatches(id, flags)) return kStatusNotSupported;
    if (!in || !out || inSize < kBufferSize || outSize < kBufferSize) return kStatusBufferTooSmall;

    NtStatus status = kStatusSuccess;
    switch (id) {
    case kPropCommand:
        status = port.VendorRequest(false, kRequestCommand, ReadLe16(in + kWordOffset), ReadLe16(in + kWordOffset + 2),
                                    0, 0);
        break;
    case kPropInquiry:
        inquiryWord_ = ReadLe32(in + kWordOffset);
        break;
    case kPropReply:
        WriteLe32(out + kWordOffset, inquiryWord_);
        status = port.VendorRequest(true, kRequestInquiry, uint16_t(inquiryWord_), uint16_t(inquiryWord_ >> 16),
                                    out + kDataOffset, kReplyReadLength);
        break;
    case kPropStatus:
        for (uint32_t i = 0; i < kStatusBlockSize; ++i) out[kDataOffset + i] = statusBlock[i];
        break;
    }
    if (status == kStatusSuccess) *returned = kBufferSize;
    return status;
}

}  // namespace camvendor
