// The platform binding of the device seam: SetupAPI for the capture
// interfaces, kernel32 for the device files, COM for the capture pin.
#include <windows.h>
#include <setupapi.h>

#include <memory>

#include "CameraCommandInterface.h"
#include "DeviceIo.h"
#include "Trace.h"

const IID IID_ICameraCommand = {0x6D80DD40, 0xF02E, 0x11D3, {0xB7, 0x9A, 0x00, 0x90, 0x27, 0x10, 0x1F, 0x53}};

namespace devicelib {

namespace {

// KSCATEGORY_CAPTURE
const GUID kCaptureCategory = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

class DeviceInfoList {
public:
    explicit DeviceInfoList(HDEVINFO list) : list_(list) {}
    ~DeviceInfoList()
    {
        if (valid()) SetupDiDestroyDeviceInfoList(list_);
    }
    DeviceInfoList(const DeviceInfoList&) = delete;
    DeviceInfoList& operator=(const DeviceInfoList&) = delete;
    bool valid() const { return list_ != INVALID_HANDLE_VALUE; }
    HDEVINFO get() const { return list_; }

private:
    HDEVINFO list_;
};

bool ReadInterface(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& data, CaptureInterface& found)
{
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailW(list, &data, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return false;
    std::unique_ptr<unsigned char[]> storage(new unsigned char[size]());
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA info = {};
    info.cbSize = sizeof info;
    if (!SetupDiGetDeviceInterfaceDetailW(list, &data, detail, size, nullptr, &info)) return false;
    wchar_t description[256] = {};
    SetupDiGetDeviceRegistryPropertyW(list, &info, SPDRP_DEVICEDESC, nullptr, reinterpret_cast<BYTE*>(description),
                                      sizeof description - sizeof(wchar_t), nullptr);
    found.path = detail->DevicePath;
    found.description = description;
    return true;
}

class Win32DeviceIo : public DeviceIo {
public:
    std::vector<CaptureInterface> EnumerateCaptureInterfaces() override
    {
        std::vector<CaptureInterface> found;
        DeviceInfoList list(
            SetupDiGetClassDevsW(&kCaptureCategory, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
        if (!list.valid()) {
            Trace(L"  SetupDiGetClassDevs() failed in creating a device querying handle.\n");
            return found;
        }
        SP_DEVICE_INTERFACE_DATA data = {};
        data.cbSize = sizeof data;
        for (DWORD member = 0; SetupDiEnumDeviceInterfaces(list.get(), nullptr, &kCaptureCategory, member, &data);
             ++member) {
            CaptureInterface entry;
            if (!ReadInterface(list.get(), data, entry)) {
                Trace(L"  SetupDiGetDeviceInterfaceDetail() failed in querying the details.\n");
                break;
            }
            found.push_back(entry);
        }
        return found;
    }

    DeviceHandle Open(const wchar_t* path) override
    {
        return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    bool Control(DeviceHandle device, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                 uint32_t* returned) override
    {
        DWORD bytes = 0;
        const BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &bytes, nullptr);
        if (returned) *returned = bytes;
        return ok != FALSE;
    }

    void Close(DeviceHandle device) override { CloseHandle(device); }

    // Synchronous requests of other threads end too (ERROR_OPERATION_ABORTED).
    void CancelRequests(DeviceHandle device) override { CancelIoEx(device, nullptr); }

    bool WriteCameraCommand(uint32_t value, uint32_t index) override
    {
        ICameraCommand* command = Command();
        return command && SUCCEEDED(command->WriteCommand(1, 0, value, index));
    }

    bool ReadCameraReply(uint32_t index, uint32_t* word) override
    {
        ICameraCommand* command = Command();
        ULONG reply = 0;
        if (!command || FAILED(command->ReadReply(1, 0, &reply, index))) return false;
        *word = reply;
        return true;
    }

    void Bind(CameraCommandSource* source) { source_ = source; }

private:
    ICameraCommand* Command() { return source_ ? source_->CameraCommand() : nullptr; }

    CameraCommandSource* source_ = nullptr;
};

class SleepPacer : public Pacer {
public:
    void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
};

Win32DeviceIo& Binding()
{
    static Win32DeviceIo io;
    return io;
}

}  // namespace

DeviceIo& PlatformDeviceIo() { return Binding(); }

Pacer& PlatformPacer()
{
    static SleepPacer pacer;
    return pacer;
}

void BindCameraCommand(CameraCommandSource* source) { Binding().Bind(source); }

}  // namespace devicelib
