// Whatever the camera answers, on whichever transport, the controller's
// inquiries, commands and zoom arithmetic end with a result and no fault.
#include <stddef.h>
#include <stdint.h>

#include <cstring>

#include "CameraVendorProperty.h"
#include "CameraWire.h"
#include "DeviceIo.h"
#include "kvqdoccam.h"

namespace {

// Answers every request with the next fuzz bytes; runs dry into failures.
class FuzzDeviceIo : public devicelib::DeviceIo, public devicelib::Pacer {
public:
    FuzzDeviceIo(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    std::vector<devicelib::CaptureInterface> EnumerateCaptureInterfaces() override { return {}; }
    devicelib::DeviceHandle Open(const wchar_t*) override
    {
        return Next() & 7 ? reinterpret_cast<devicelib::DeviceHandle>(1) : devicelib::kInvalidDevice;
    }
    bool Control(devicelib::DeviceHandle, uint32_t, const void*, uint32_t, void* out, uint32_t outSize,
                 uint32_t* returned) override
    {
        *returned = 0;
        if (!(Next() & 1)) return false;
        if (out) Fill(static_cast<uint8_t*>(out), outSize);
        *returned = outSize;
        return true;
    }
    void Close(devicelib::DeviceHandle) override {}
    void CancelRequests(devicelib::DeviceHandle) override {}
    bool WriteCameraCommand(uint32_t, uint32_t) override { return Next() & 1; }
    bool ReadCameraReply(uint32_t, uint32_t* word) override
    {
        uint8_t bytes[4];
        Fill(bytes, 4);
        std::memcpy(word, bytes, 4);
        return Next() & 3;
    }
    void Pause(unsigned) override {}
    uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
    bool Dry() const { return pos_ >= size_; }

private:
    void Fill(uint8_t* out, uint32_t size)
    {
        for (uint32_t i = 0; i < size; ++i) out[i] = Next();
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

wchar_t g_path[] = L"\\\\?\\fuzz";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDeviceIo io(data, size);
    devicelib::InstallDeviceIo(&io);
    devicelib::InstallPacer(&io);
    {
        KVQDocCamController c;
        const bool ks = io.Next() & 1;
        KVQDocCamController::m_device[0] = {&c, nullptr, ks ? g_path : nullptr, 0};
        KVQDocCamController::m_devices = 1;
        KVQDocCamController::m_pCurController = &c;
        c.m_deviceIndex = 0;
        for (int step = 0; step < 64 && !io.Dry(); ++step) {
            switch (io.Next() % 12) {
            case 0:
                c.GetAllConfig();
                break;
            case 1:
                c.GetDocCamModelFeature(1);
                break;
            case 2:
                c.GetZoomSize(1);
                break;
            case 3:
                c.GetZoomMax();
                c.GetAdaptZoomMax();
                break;
            case 4:
                c.SetZoomSize(io.Next() & 1);
                break;
            case 5:
                c.SetBrightnessEx(io.Next());
                break;
            case 6:
                c.IncrementalUpdate();
                break;
            case 7:
                c.GetDocCamModelName(1);
                break;
            case 8:
                c.GetZoomOpticalSize(1);
                break;
            case 9:
                c.GetLastCommandProcess();
                break;
            case 10:
                c.m_feature = io.Next() * 0x01010101ul;
                break;
            case 11:
                c.GetWhiteBalanceConfig();
                c.GetManualExposureConfig();
                break;
            }
        }
    }
    KVQDocCamController::m_device[0] = {};
    KVQDocCamController::m_devices = 0;
    KVQDocCamController::m_pCurController = nullptr;
    devicelib::InstallDeviceIo(nullptr);
    devicelib::InstallPacer(nullptr);
    return 0;
}
