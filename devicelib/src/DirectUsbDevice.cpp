#include "DirectUsbDevice.h"

namespace devicelib {

DirectUsbDevice::DirectUsbDevice(DeviceIo& io) : io_(io) {}

DirectUsbDevice::~DirectUsbDevice() { Close(); }

bool DirectUsbDevice::Open() {
  if (!IsOpen()) handle_ = io_.Open(kDirectUsbPath);
  return IsOpen();
}

void DirectUsbDevice::Close() {
  if (!IsOpen()) return;
  io_.Close(handle_);
  handle_ = kInvalidDevice;
}

bool DirectUsbDevice::Command(const DocCamCommand& command) {
  return VendorRequest(command, false, nullptr, 0);
}

bool DirectUsbDevice::Inquiry(const DocCamCommand& command, uint8_t* out, uint32_t length) {
  if (length > kDirectUsbMaxReply) return false;
  return VendorRequest(command, true, out, length);
}

bool DirectUsbDevice::VendorRequest(const DocCamCommand& command, bool inquiry, uint8_t* out,
                                    uint32_t length) {
  uint8_t record[kDirectUsbRequestSize];
  EncodeDirectUsbRequest(command, inquiry, record);
  Locked locked(lock_);
  if (!IsOpen()) return false;
  uint32_t returned = 0;
  return io_.Control(handle_, kIoctlDirectUsbVendorRequest, record, sizeof record, out, length,
                     &returned);
}

void DirectUsbDevice::SetStatusCallback(DirectUsbStatusCallback callback, unsigned char* buffer) {
  statusCallback_ = callback;
  statusBuffer_ = buffer;
}

}  // namespace devicelib
