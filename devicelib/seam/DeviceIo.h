// The one road from the library to the operating system's devices. The product
// binds it to SetupAPI, kernel32 and COM; tests bind it to a simulated camera.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

namespace devicelib {

typedef void* DeviceHandle;
inline DeviceHandle const kInvalidDevice = reinterpret_cast<DeviceHandle>(intptr_t(-1));

struct CaptureInterface {
    std::wstring path;
    std::wstring description;  // the device's SPDRP_DEVICEDESC
};

class DeviceIo {
public:
    virtual ~DeviceIo() = default;

    // Kernel-streaming capture interfaces present in the system.
    virtual std::vector<CaptureInterface> EnumerateCaptureInterfaces() = 0;
    // Opens a device path for reading and writing; kInvalidDevice on failure.
    virtual DeviceHandle Open(const wchar_t* path) = 0;
    virtual bool Control(DeviceHandle device, uint32_t code, const void* in, uint32_t inSize, void* out,
                         uint32_t outSize, uint32_t* returned) = 0;
    virtual void Close(DeviceHandle device) = 0;
    // Makes the requests in progress on device, of any thread, end as failed.
    virtual void CancelRequests(DeviceHandle device) = 0;

    // The current capture pin's camera command interface: WriteCommand(1, 0,
    // value, index) and ReadReply(1, 0, &word, index).
    virtual bool WriteCameraCommand(uint32_t value, uint32_t index) = 0;
    virtual bool ReadCameraReply(uint32_t index, uint32_t* word) = 0;
};

// Waits between camera commands, so the camera can act on one before the next.
class Pacer {
public:
    virtual ~Pacer() = default;
    virtual void Pause(unsigned milliseconds) = 0;
};

DeviceIo& Io();
Pacer& Pace();
// Null restores the platform binding.
void InstallDeviceIo(DeviceIo* io);
void InstallPacer(Pacer* pacer);

class CaptureGraph;
typedef std::unique_ptr<CaptureGraph> (*CaptureGraphFactory)();
// Null restores the platform's graph (none off Windows).
void InstallCaptureGraphFactory(CaptureGraphFactory factory);

class DirectUsbDevice;
// A direct USB device put in place from outside (tests) stays its owner's.
void SetDirectUsb(DirectUsbDevice* device);

// The platform bindings (Win32 on Windows; "no devices" elsewhere).
DeviceIo& PlatformDeviceIo();
Pacer& PlatformPacer();

}  // namespace devicelib
