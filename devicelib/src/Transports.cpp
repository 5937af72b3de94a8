#include "Transports.h"

#include <cstring>

#include "CameraVendorProperty.h"
#include "LibraryState.h"
#include "Trace.h"

namespace devicelib {

using namespace camvendor;

bool DirectUsbTransport::Command(const DocCamCommand& command) { return device_.Command(command); }

bool DirectUsbTransport::Inquiry(const DocCamCommand& command, uint8_t, uint8_t reply[kReplySize])
{
    uint8_t out[kDirectUsbMaxReply] = {};
    if (!device_.Inquiry(command, out, sizeof out)) return false;
    std::memcpy(reply, out, kReplySize);
    return true;
}

bool KsPropertyTransport::EnsureOpen()
{
    if (handle_ != kInvalidDevice) return true;
    handle_ = io_.Open(path_);
    if (handle_ != kInvalidDevice) return true;
    Trace(L"  failed in creating file %ls\n", path_);
    return false;
}

bool KsPropertyTransport::Exchange(uint8_t* in, uint8_t* out)
{
    uint32_t returned = 0;
    return io_.Control(handle_, kIoctlKsProperty, in, kBufferSize, out, kBufferSize, &returned);
}

bool KsPropertyTransport::Command(const DocCamCommand& command)
{
    uint8_t in[kBufferSize] = {};
    uint8_t out[kBufferSize] = {};
    EncodeVendorProperty(in, kPropCommand, kFlagSet, command);
    EncodeVendorProperty(out, kPropCommand, kFlagSet, command);
    orbile::Locked locked(KsExchangeLock());
    return EnsureOpen() && Exchange(in, out);
}

bool KsPropertyTransport::Inquiry(const DocCamCommand& command, uint8_t, uint8_t reply[kReplySize])
{
    uint8_t in[kBufferSize] = {};
    uint8_t out[kBufferSize] = {};
    EncodeVendorProperty(in, kPropInquiry, kFlagSet, command);
    EncodeVendorProperty(out, kPropInquiry, kFlagSet, command);
    // The minidriver keeps one inquiry word per camera: the set and the get
    // must not be split by another thread's inquiry.
    orbile::Locked locked(KsExchangeLock());
    if (!EnsureOpen() || !Exchange(in, out)) return false;
    std::memset(in, 0, sizeof in);
    std::memset(out, 0, sizeof out);
    EncodeVendorProperty(in, kPropReply, kFlagGet);
    EncodeVendorProperty(out, kPropReply, kFlagGet);
    if (!Exchange(in, out)) return false;
    std::memcpy(reply, out + kDataOffset, kReplySize);
    return true;
}

bool KsPropertyTransport::ReadStatus(uint8_t* block, uint32_t size)
{
    if (size > kBufferSize - kDataOffset) return false;
    uint8_t in[kBufferSize] = {};
    uint8_t out[kBufferSize] = {};
    EncodeVendorProperty(in, kPropStatus, kFlagGet);
    EncodeVendorProperty(out, kPropStatus, kFlagGet);
    orbile::Locked locked(KsExchangeLock());
    if (handle_ == kInvalidDevice || !Exchange(in, out)) return false;
    std::memcpy(block, out + kDataOffset, size);
    return true;
}

bool DirectShowTransport::Exchange(const DocCamCommand& command, uint8_t reply[kReplySize])
{
    orbile::Locked locked(LibraryLock());
    const uint8_t record[6] = {command.op, command.a1, command.a2, command.a3, 0, 0};
    std::memcpy(record_, record, sizeof record);
    if (!io_.WriteCameraCommand(DirectShowValue(command), DirectShowIndex(command))) return false;
    std::memset(reply, 0, kReplySize);
    uint32_t word = 0;
    if (!io_.ReadCameraReply(DirectShowIndex(command), &word)) return false;
    DecodeDirectShowReply(word, reply);
    return true;
}

bool DirectShowTransport::Command(const DocCamCommand& command)
{
    uint8_t reply[kReplySize];
    return Exchange(command, reply);
}

bool DirectShowTransport::Inquiry(const DocCamCommand& command, uint8_t expect, uint8_t reply[kReplySize])
{
    for (int attempt = 0; attempt < kDirectShowAttempts; ++attempt) {
        if (!Exchange(command, reply)) return false;
        if (reply[0] == expect) return true;
    }
    return false;
}

}  // namespace devicelib
