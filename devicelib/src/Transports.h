// The three roads a camera command can take. Each exchange (a command, an
// inquiry with its reply) runs whole under a lock, so commands from the UI
// thread and status reads from the device thread never interleave.
#pragma once

#include "CameraWire.h"
#include "DeviceIo.h"
#include "DirectUsbDevice.h"

namespace devicelib {

class CommandTransport {
public:
    virtual bool Command(const DocCamCommand& command) = 0;
    // On success reply holds the echo and three data bytes; on failure the
    // DirectShow path leaves its last reply there, the others leave it as it was.
    virtual bool Inquiry(const DocCamCommand& command, uint8_t expect, uint8_t reply[kReplySize]) = 0;

protected:
    ~CommandTransport() = default;
};

// Vendor requests through the direct USB device; no echo check.
class DirectUsbTransport : public CommandTransport {
public:
    explicit DirectUsbTransport(DirectUsbDevice& device) : device_(device) {}
    bool Command(const DocCamCommand& command) override;
    bool Inquiry(const DocCamCommand& command, uint8_t expect, uint8_t reply[kReplySize]) override;

private:
    DirectUsbDevice& device_;
};

// The minidriver's private property set on the camera's capture interface;
// the device is opened on first use and kept in the caller's handle. No echo
// check.
class KsPropertyTransport : public CommandTransport {
public:
    KsPropertyTransport(DeviceIo& io, DeviceHandle& handle, const wchar_t* path) : io_(io), handle_(handle), path_(path)
    {
    }
    bool Command(const DocCamCommand& command) override;
    bool Inquiry(const DocCamCommand& command, uint8_t expect, uint8_t reply[kReplySize]) override;
    // The camera's latest status block, from an already opened device.
    bool ReadStatus(uint8_t* block, uint32_t size);

private:
    bool EnsureOpen();
    bool Exchange(uint8_t* in, uint8_t* out);

    DeviceIo& io_;
    DeviceHandle& handle_;
    const wchar_t* path_;
};

// The capture pin's command interface. The 6-byte record is kept in the
// caller's buffer; an inquiry is repeated until the reply echoes the
// expected code, at most kDirectShowAttempts exchanges.
class DirectShowTransport : public CommandTransport {
public:
    static const int kDirectShowAttempts = 5;

    DirectShowTransport(DeviceIo& io, uint8_t record[6]) : io_(io), record_(record) {}
    bool Command(const DocCamCommand& command) override;
    bool Inquiry(const DocCamCommand& command, uint8_t expect, uint8_t reply[kReplySize]) override;

private:
    bool Exchange(const DocCamCommand& command, uint8_t reply[kReplySize]);

    DeviceIo& io_;
    uint8_t* record_;
};

}  // namespace devicelib
