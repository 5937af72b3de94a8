// The camera's private property set as the minidriver serves it.
#include <gtest/gtest.h>

#include <vector>

#include "CameraVendorProperty.h"
#include "SimDeviceIo.h"
#include "TestBytes.h"

using namespace camvendor;

namespace {

struct Request {
    bool deviceToHost;
    uint8_t request;
    uint16_t value, index;
    uint32_t length;
    bool operator==(const Request& o) const
    {
        return deviceToHost == o.deviceToHost && request == o.request && value == o.value && index == o.index &&
               length == o.length;
    }
};

class RecordingPort : public VendorRequestPort {
public:
    std::vector<Request> requests;
    NtStatus result = kStatusSuccess;
    NtStatus VendorRequest(bool deviceToHost, uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
                           uint32_t length) override
    {
        requests.push_back({deviceToHost, request, value, index, length});
        if (deviceToHost && result == kStatusSuccess) {
            const uint8_t reply[] = {0x41, 0x02, 0x12, 0x34};
            for (uint32_t i = 0; i < length; ++i) data[i] = i < 4 ? reply[i] : 0xEE;
        }
        return result;
    }
};

struct Fixture {
    PropertyHandler handler;
    RecordingPort port;
    uint8_t status[kStatusBlockSize];
    std::vector<uint8_t> out = std::vector<uint8_t>(160, 0);
    uint32_t returned = 99;

    Fixture()
    {
        for (uint32_t i = 0; i < kStatusBlockSize; ++i) status[i] = uint8_t(i + 1);
    }
    NtStatus Call(const std::vector<uint8_t>& in, uint32_t inSize = 160, uint32_t outSize = 160)
    {
        return handler.Handle(in[16], in[20], in.data(), inSize, out.data(), outSize, &returned, port, status);
    }
};

TEST(VendorProperty, CommandSendsVendorRequestOneWithValueAndIndex)
{
    Fixture f;
    EXPECT_EQ(kStatusSuccess, f.Call(PropertyBuffer(1, 2, "AA 10 C3 5A")));
    EXPECT_EQ(160u, f.returned);
    ASSERT_EQ(1u, f.port.requests.size());
    EXPECT_EQ((Request{false, 1, 0x10AA, 0x5AC3, 0}), f.port.requests[0]);

    f.port.result = kStatusUnsuccessful;
    EXPECT_EQ(kStatusUnsuccessful, f.Call(PropertyBuffer(1, 2, "A9 01 00 00")));
    EXPECT_EQ(0u, f.returned);
}

TEST(VendorProperty, InquiryIsKeptUntilTheReplyGet)
{
    Fixture f;
    EXPECT_EQ(kStatusSuccess, f.Call(PropertyBuffer(2, 2, "41 01 02 03")));
    EXPECT_EQ(160u, f.returned);
    EXPECT_TRUE(f.port.requests.empty()) << "nothing goes to the camera yet";
    EXPECT_EQ(kStatusSuccess, f.Call(PropertyBuffer(3, 1, "")));
    EXPECT_EQ(160u, f.returned);
    ASSERT_EQ(1u, f.port.requests.size());
    EXPECT_EQ((Request{true, 2, 0x0141, 0x0302, 64}), f.port.requests[0]);
    EXPECT_EQ(Hex("41 01 02 03 41 02 12 34 EE"), std::vector<uint8_t>(f.out.begin() + 24, f.out.begin() + 33));
    EXPECT_EQ(0xEE, f.out[91]);
    EXPECT_EQ(0x00, f.out[92]) << "64 bytes from byte 28, no more";
}

TEST(VendorProperty, StatusCopiesTheLatest48Bytes)
{
    Fixture f;
    EXPECT_EQ(kStatusSuccess, f.Call(PropertyBuffer(4, 1, "")));
    EXPECT_EQ(160u, f.returned);
    for (uint32_t i = 0; i < 48; ++i) EXPECT_EQ(i + 1, f.out[28 + i]);
    EXPECT_EQ(0, f.out[76]);
    EXPECT_TRUE(f.port.requests.empty());
}

TEST(VendorProperty, OtherIdsVerbsAndShortBuffersAreRefused)
{
    const struct {
        uint8_t id, flags;
        uint32_t inSize, outSize;
        NtStatus expected;
    } cases[] = {
        {0, 2, 160, 160, kStatusNotSupported},  {5, 1, 160, 160, kStatusNotSupported},
        {1, 1, 160, 160, kStatusNotSupported},  {3, 2, 160, 160, kStatusNotSupported},
        {4, 3, 160, 160, kStatusNotSupported},  {1, 2, 159, 160, kStatusBufferTooSmall},
        {3, 1, 160, 91, kStatusBufferTooSmall}, {4, 1, 160, 0, kStatusBufferTooSmall},
    };
    for (const auto& k : cases) {
        Fixture f;
        EXPECT_EQ(k.expected, f.Call(PropertyBuffer(k.id, k.flags, "A9 01 00 00"), k.inSize, k.outSize))
            << int(k.id) << " " << int(k.flags) << " " << k.inSize << " " << k.outSize;
        EXPECT_EQ(0u, f.returned);
        EXPECT_TRUE(f.port.requests.empty());
    }
}

// The simulated camera's kernel-streaming face routes by property set first.
TEST(VendorProperty, SimulatedDeviceRefusesOtherSetsAndIds)
{
    simcam::SimCamera camera;
    simcam::SimDeviceIo io(camera);
    devicelib::DeviceHandle device = io.Open(simcam::SimDeviceIo::kCameraPath);
    ASSERT_NE(devicelib::kInvalidDevice, device);
    std::vector<uint8_t> out(160);
    uint32_t returned = 0;
    std::vector<uint8_t> foreign = PropertyBuffer(4, 1, "");
    foreign[0] ^= 1;
    EXPECT_FALSE(io.Control(device, kIoctlKsProperty, foreign.data(), 160, out.data(), 160, &returned));
    EXPECT_EQ(kStatusPropsetNotFound, io.lastStatus);
    std::vector<uint8_t> id5 = PropertyBuffer(5, 1, "");
    EXPECT_FALSE(io.Control(device, kIoctlKsProperty, id5.data(), 160, out.data(), 160, &returned));
    EXPECT_EQ(kStatusNotSupported, io.lastStatus);
    std::vector<uint8_t> status = PropertyBuffer(4, 1, "");
    EXPECT_FALSE(io.Control(device, kIoctlKsProperty, status.data(), 160, out.data(), 100, &returned));
    EXPECT_EQ(kStatusBufferTooSmall, io.lastStatus);
    camera.state.brightness = 0x42;
    EXPECT_TRUE(io.Control(device, kIoctlKsProperty, status.data(), 160, out.data(), 160, &returned));
    EXPECT_EQ(160u, returned);
    EXPECT_EQ(0x42, out[28 + 15]);
    io.Close(device);
}

}  // namespace
