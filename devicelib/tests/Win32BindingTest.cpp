// The Windows binding of the device seam, against Wine's kernel32 and
// SetupAPI and a COM object standing in for the capture pin.
#include <gtest/gtest.h>

#include <vector>

#include "CameraCommandInterface.h"
#include "DeviceIo.h"
#include "kvqdoccam.h"

namespace {

class FakeCameraCommand : public ICameraCommand {
public:
    struct Call {
        ULONG one, zero, value, index;
    };
    std::vector<Call> writes, reads;
    ULONG replyWord = 0;
    HRESULT result = S_OK;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_ICameraCommand) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE Reserved() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteCommand(ULONG one, ULONG zero, ULONG value, ULONG index) override
    {
        writes.push_back({one, zero, value, index});
        return result;
    }
    HRESULT STDMETHODCALLTYPE ReadReply(ULONG one, ULONG zero, ULONG* word, ULONG index) override
    {
        reads.push_back({one, zero, 0, index});
        *word = replyWord;
        return result;
    }
};

// The capture graph's part: the command interface when its lookup works.
class FakeCommandSource : public devicelib::CameraCommandSource {
public:
    explicit FakeCommandSource(ICameraCommand* pin) : pin_(pin) {}
    ICameraCommand* CameraCommand() override
    {
        ++lookups;
        return failLookups > 0 && failLookups-- ? nullptr : pin_;
    }
    int lookups = 0;
    int failLookups = 0;

private:
    ICameraCommand* pin_;
};

TEST(Win32Binding, DirectShowCommandsGoThroughTheBoundCommandInterface)
{
    FakeCameraCommand pin;
    FakeCommandSource source(&pin);
    devicelib::BindCameraCommand(&source);
    {
        KVQDocCamController c;
        // The command road of the current controller only.
        EXPECT_EQ(0, c.SetCommand(0xAA, 0x00, 0x01, 0x02));
        EXPECT_TRUE(pin.writes.empty());
        KVQDocCamController::m_pCurController = &c;
        ASSERT_EQ(1, c.SetCommand(0xAA, 0x00, 0x01, 0x02));
        ASSERT_EQ(1u, pin.writes.size());
        EXPECT_EQ(1u, pin.writes[0].one);
        EXPECT_EQ(0u, pin.writes[0].zero);
        EXPECT_EQ(0x0102u, pin.writes[0].value);
        EXPECT_EQ(0xAA00u, pin.writes[0].index);

        pin.replyWord = 0x00123462;  // lowest byte first: 62 34 12 00
        ASSERT_EQ(1, c.InquiryCommand(0x62, 0x62, nullptr, 0, 0, 0));
        EXPECT_EQ(0x6200u, pin.reads.back().index);
        EXPECT_EQ(0x62, c.m_reply[0]);
        EXPECT_EQ(0x34, c.m_reply[1]);
        EXPECT_EQ(0x12, c.m_reply[2]);
        EXPECT_EQ(0x00, c.m_reply[3]);

        pin.result = E_FAIL;
        EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0));
        pin.result = S_OK;

        // A lookup that fails costs its own command only.
        source.failLookups = 1;
        EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0));
        EXPECT_EQ(1, c.SetCommand(0xA9, 1, 0, 0));
        devicelib::BindCameraCommand(nullptr);
        const int lookups = source.lookups;
        EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0)) << "no capture pin bound";
        EXPECT_EQ(lookups, source.lookups);
    }
}

TEST(Win32Binding, KernelStreamingDevicesThatAreNotThereFailCleanly)
{
    devicelib::DeviceIo& io = devicelib::PlatformDeviceIo();
    for (const auto& found : io.EnumerateCaptureInterfaces()) EXPECT_FALSE(found.path.empty());
    EXPECT_EQ(devicelib::kInvalidDevice, io.Open(L"\\\\?\\usb#no_such_camera#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"));
    EXPECT_EQ(devicelib::kInvalidDevice, io.Open(L"\\\\.\\OrbileUSB0"));

    // A KS path that cannot be opened fails the command and is tried again.
    wchar_t path[] = L"\\\\?\\usb#no_such_camera";
    KVQDocCamController c;
    KVQDocCamController::m_device[0] = {&c, nullptr, path, 0};
    KVQDocCamController::m_devices = 1;
    c.m_deviceIndex = 0;
    EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0));
    EXPECT_EQ(0, c.InquiryCommand(0x31, 0x31, nullptr, 0, 0, 0));
    EXPECT_EQ(devicelib::kInvalidDevice, c.m_hDevice);
    EXPECT_EQ(0, c.IncrementalUpdate());
    KVQDocCamController::m_device[0] = {};
    KVQDocCamController::m_devices = 0;
}

TEST(Win32Binding, AFileHandleAnswersNoPropertyRequest)
{
    wchar_t temp[MAX_PATH], file[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    ASSERT_NE(0u, GetTempFileNameW(temp, L"kvq", 0, file));
    devicelib::DeviceIo& io = devicelib::PlatformDeviceIo();
    devicelib::DeviceHandle handle = io.Open(file);
    ASSERT_NE(devicelib::kInvalidDevice, handle);
    unsigned char in[160] = {}, out[160] = {};
    uint32_t returned = 7;
    EXPECT_FALSE(io.Control(handle, 0x2F0003, in, sizeof in, out, sizeof out, &returned));
    EXPECT_EQ(0u, returned);
    io.Close(handle);
    DeleteFileW(file);
}

}  // namespace
