// The private USB device "\\.\OrbileUSB0": commands and inquiries as vendor
// requests, serialised by the device's own lock.
#pragma once

#include "CameraWire.h"
#include "CriticalSection.h"
#include "DeviceIo.h"

namespace devicelib {

typedef int (*DirectUsbStatusCallback)(unsigned char* buffer);

class DirectUsbDevice {
 public:
  explicit DirectUsbDevice(DeviceIo& io);
  ~DirectUsbDevice();
  DirectUsbDevice(const DirectUsbDevice&) = delete;
  DirectUsbDevice& operator=(const DirectUsbDevice&) = delete;

  bool Open();
  void Close();
  bool IsOpen() const { return handle_ != kInvalidDevice; }

  bool Command(const DocCamCommand& command);
  // Reads up to kDirectUsbMaxReply bytes into out; more is refused unsent.
  bool Inquiry(const DocCamCommand& command, uint8_t* out, uint32_t length);

  void SetStatusCallback(DirectUsbStatusCallback callback, unsigned char* buffer);
  bool HasStatusCallback() const { return statusCallback_ != nullptr; }

 private:
  bool VendorRequest(const DocCamCommand& command, bool inquiry, uint8_t* out, uint32_t length);

  DeviceIo& io_;
  DeviceHandle handle_ = kInvalidDevice;
  CriticalSection lock_;
  DirectUsbStatusCallback statusCallback_ = nullptr;
  unsigned char* statusBuffer_ = nullptr;
};

}  // namespace devicelib
