// Builds without Windows have no camera devices; the protocol logic still runs
// against an installed binding.
#include <chrono>
#include <thread>

#include "DeviceIo.h"
#include "LibraryState.h"

namespace devicelib {

namespace {

class NoDeviceIo : public DeviceIo {
public:
    std::vector<CaptureInterface> EnumerateCaptureInterfaces() override { return {}; }
    DeviceHandle Open(const wchar_t*) override { return kInvalidDevice; }
    bool Control(DeviceHandle, uint32_t, const void*, uint32_t, void*, uint32_t, uint32_t* returned) override
    {
        if (returned) *returned = 0;
        return false;
    }
    void Close(DeviceHandle) override {}
    void CancelRequests(DeviceHandle) override {}
    bool WriteCameraCommand(uint32_t, uint32_t) override { return false; }
    bool ReadCameraReply(uint32_t, uint32_t*) override { return false; }
};

class ThreadPacer : public Pacer {
public:
    void Pause(unsigned milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

}  // namespace

DeviceIo& PlatformDeviceIo()
{
    static NoDeviceIo io;
    return io;
}

Pacer& PlatformPacer()
{
    static ThreadPacer pacer;
    return pacer;
}

std::unique_ptr<CaptureGraph> PlatformCaptureGraph() { return nullptr; }
void StartPlatformServices() {}
void StopPlatformServices() {}

}  // namespace devicelib
