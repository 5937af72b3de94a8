// The device property sets: the camera's private 160-byte set (through the
// handler the device library shares, fed by the library's own encoder),
// proc-amp with its ranges and registry values, video control, and vendor
// requests deferred at DISPATCH_LEVEL.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <vector>

#include "CameraVendorProperty.h"
#include "CameraWire.h"
#include "DeviceProperties.h"
#include "KsGuids.h"
#include "VendorRequests.h"
#include "UsbCamRig.h"

namespace usbcam {
namespace {

using devicelib::DocCamCommand;

class Properties : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
        rig.usb.log.clear();
    }

    // The device library's exchange: the same 160 bytes as property and data.
    ScStatus Vendor(uint32_t id, uint32_t flags, const DocCamCommand* command, uint8_t out[160], uint32_t* returned)
    {
        uint8_t in[160] = {};
        if (command) {
            devicelib::EncodeVendorProperty(in, id, flags, *command);
            devicelib::EncodeVendorProperty(out, id, flags, *command);
        } else {
            devicelib::EncodeVendorProperty(in, id, flags);
            devicelib::EncodeVendorProperty(out, id, flags);
        }
        return rig.Property(flags == camvendor::kFlagSet, reinterpret_cast<KsProperty*>(in), 160, out, 160, returned);
    }

    ScStatus ProcAmp(bool isSet, uint32_t id, int32_t* value, uint32_t* returned = nullptr)
    {
        KsVideoProcAmpS data = {};
        data.Property = {dovracam::kPropSetProcAmp, id, isSet ? 2u : 1u};
        data.Value = *value;
        KsVideoProcAmpS property = data;
        ScStatus status = rig.Property(isSet, &property.Property, sizeof property, &data, sizeof data, returned);
        *value = data.Value;
        if (!isSet && status == kStatusSuccess) {
            EXPECT_EQ(data.Flags, 2u);
            EXPECT_EQ(data.Capabilities, 2u);
        }
        return status;
    }

    UsbCamRig rig;
};

TEST_F(Properties, PrivateSetCarriesCommandsInquiriesAndStatus)
{
    uint8_t out[160] = {};
    uint32_t returned = 0;
    // A freeze command reaches the camera model as vendor request 1.
    const DocCamCommand freeze = {0xA9, 1, 0, 0};
    ASSERT_EQ(Vendor(camvendor::kPropCommand, camvendor::kFlagSet, &freeze, out, &returned), kStatusSuccess);
    EXPECT_EQ(returned, 160u);
    EXPECT_EQ(rig.usb.camera.state.frozen, 1);
    EXPECT_TRUE(rig.camera().flags.appControlled);

    // An inquiry is kept, then read with vendor request 2 into byte 28.
    rig.usb.camera.state.brightness = 42;
    const DocCamCommand inquiry = {0x3B, 0, 0, 0};
    ASSERT_EQ(Vendor(camvendor::kPropInquiry, camvendor::kFlagSet, &inquiry, out, &returned), kStatusSuccess);
    EXPECT_TRUE(rig.usb.Requests(2).empty());
    memset(out, 0, sizeof out);
    ASSERT_EQ(Vendor(camvendor::kPropReply, camvendor::kFlagGet, nullptr, out, &returned), kStatusSuccess);
    EXPECT_EQ(out[28], 0x3B);
    EXPECT_EQ(out[29], 42);
    EXPECT_EQ(camvendor::ReadLe32(out + 24), inquiry.Word());
    EXPECT_EQ(rig.usb.Requests(2), (std::vector<VendorRequest>{{true, 2, 0x3B, 0, 64}}));

    // The status block is the one the latest frame brought.
    for (int i = 0; i < 48; ++i) rig.camera().statusBlock[i] = uint8_t(i + 1);
    ASSERT_EQ(Vendor(camvendor::kPropStatus, camvendor::kFlagGet, nullptr, out, &returned), kStatusSuccess);
    for (int i = 0; i < 48; ++i) EXPECT_EQ(out[28 + i], i + 1);
}

TEST_F(Properties, ReplyWithoutInquirySendsValueAndIndexZero)
{
    uint8_t out[160] = {};
    uint32_t returned = 0;
    Vendor(camvendor::kPropReply, camvendor::kFlagGet, nullptr, out, &returned);
    ASSERT_EQ(rig.usb.Requests(2).size(), 1u);
    EXPECT_EQ(rig.usb.Requests(2)[0], (VendorRequest{true, 2, 0, 0, 64}));
}

TEST_F(Properties, UnreachableCameraReturnsTheTransportStatus)
{
    uint8_t out[160] = {};
    uint32_t returned = 99;
    rig.usb.removed = true;
    const DocCamCommand command = {0xA9, 1, 0, 0};
    EXPECT_EQ(Vendor(camvendor::kPropCommand, camvendor::kFlagSet, &command, out, &returned), kStatusNoSuchDevice);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(Vendor(5, camvendor::kFlagGet, nullptr, out, &returned), kStatusNotSupported);
}

TEST_F(Properties, ProcAmpKeepsValuesInsideTheCameraRange)
{
    struct Case {
        uint32_t id;
        int32_t defaultValue, highest;
    };
    for (const Case& c : {Case{0, 55, 108}, Case{1, 44, 108}, Case{3, 77, 108}, Case{4, 77, 108}, Case{7, 253, 372}}) {
        SCOPED_TRACE(c.id);
        int32_t value = 0;
        for (int32_t bad : {c.highest + 1, -1, INT32_MIN}) {
            int32_t v = bad;
            uint32_t returned = 9;
            EXPECT_EQ(ProcAmp(true, c.id, &v, &returned), kStatusInvalidParameter) << bad;
            EXPECT_EQ(returned, 0u);
        }
        for (int32_t good : {0, c.highest}) {
            value = good;
            uint32_t returned = 0;
            ASSERT_EQ(ProcAmp(true, c.id, &value, &returned), kStatusSuccess);
            EXPECT_EQ(returned, 40u);
            value = -5;
            ASSERT_EQ(ProcAmp(false, c.id, &value), kStatusSuccess);
            EXPECT_EQ(value, good);
        }
    }
    int32_t value = 1;
    EXPECT_EQ(ProcAmp(false, 2, &value), kStatusNotSupported);  // hue is not offered
}

TEST_F(Properties, RegistryValuesOfTheWrongSizeOrRangeGiveTheDefaults)
{
    auto put = [&](const char* name, std::vector<uint8_t> data) { rig.usb.settings[name] = data; };
    put("Brightness", {10, 0, 0, 0});
    put("Contrast", {10, 0});                    // wrong size
    put("Saturation", {200, 0, 0, 0});           // out of range
    put("Sharpness", {0xFF, 0xFF, 0xFF, 0xFF});  // -1
    put("WhiteBalance", {0x70, 0x01, 0, 0});     // 368
    dovracam::ReadProcAmpSettings(rig.camera());
    const int32_t expected[] = {10, 44, 77, 77, 368};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rig.camera().procAmp[i], expected[i]) << i;
    rig.camera().procAmp[dovracam::kContrast] = 99;
    dovracam::SaveProcAmpSettings(rig.camera());
    EXPECT_EQ(rig.usb.settings["Contrast"], (std::vector<uint8_t>{99, 0, 0, 0}));
}

TEST_F(Properties, FrameRatesAnswerWhatTheyHold)
{
    KsVideoControlFrameRatesS property = {};
    property.Property = {dovracam::kPropSetVideoControl, 2, 1};
    property.Dimensions = {160, 120};
    uint32_t returned = 0;
    EXPECT_EQ(rig.Property(false, &property.Property, sizeof property, nullptr, 0, &returned), kStatusBufferOverflow);
    EXPECT_EQ(returned, 32u);
    uint8_t small[31];
    EXPECT_EQ(rig.Property(false, &property.Property, sizeof property, small, sizeof small, &returned),
              kStatusBufferTooSmall);
    std::vector<uint8_t> answer(64, 0xEE);
    ASSERT_EQ(rig.Property(false, &property.Property, sizeof property, answer.data(), 64, &returned), kStatusSuccess);
    EXPECT_EQ(returned, 32u);
    KsMultipleItem header;
    memcpy(&header, answer.data(), sizeof header);
    EXPECT_EQ(header.Size, 32u);
    EXPECT_EQ(header.Count, 3u);
    int64_t rates[3];
    memcpy(rates, answer.data() + 8, sizeof rates);
    EXPECT_EQ(rates[0], 625000 * 3 / 4);
    EXPECT_EQ(rates[1], 416666 * 3 / 4);
    EXPECT_EQ(rates[2], 333333 * 3 / 4);
    EXPECT_EQ(answer[32], 0xEE) << "nothing written past what the answer holds";
}

TEST_F(Properties, VideoControlCapsAndMode)
{
    KsVideoControlCapsS caps = {};
    caps.Property = {dovracam::kPropSetVideoControl, 0, 1};
    caps.StreamIndex = 1;
    KsVideoControlCapsS answer = {};
    ASSERT_EQ(rig.Property(false, &caps.Property, sizeof caps, &answer, sizeof answer), kStatusSuccess);
    EXPECT_EQ(answer.VideoControlCaps, 12u);
    caps.StreamIndex = 0;
    EXPECT_EQ(rig.Property(false, &caps.Property, sizeof caps, &answer, sizeof answer), kStatusNotSupported);

    KsVideoControlModeS mode = {};
    mode.Property = {dovracam::kPropSetVideoControl, 3, 1};
    KsVideoControlModeS modeAnswer = {};
    ASSERT_EQ(rig.Property(false, &mode.Property, sizeof mode, &modeAnswer, sizeof modeAnswer), kStatusSuccess);
    EXPECT_EQ(modeAnswer.Mode, 12);
    ASSERT_EQ(rig.Property(true, &mode.Property, sizeof mode, &modeAnswer, sizeof modeAnswer), kStatusSuccess);

    KsVideoControlActualFrameRateS rate = {};
    rate.Property = {dovracam::kPropSetVideoControl, 1, 1};
    EXPECT_EQ(rig.Property(false, &rate.Property, sizeof rate, &rate, sizeof rate), kStatusNotSupported)
        << "no format is open yet";
    KsProperty other = {dovracam::kPropSetDroppedFrames, 0, 1};
    EXPECT_EQ(rig.Property(false, &other, sizeof other, &rate, sizeof rate), kStatusNotSupported);
}

struct Completion {
    int calls = 0;
    ScStatus status = kStatusPending;
    std::vector<uint8_t> data;
};

void Record(void* context, ScStatus status, const uint8_t* data, uint32_t length)
{
    Completion& c = *static_cast<Completion*>(context);
    ++c.calls;
    c.status = status;
    c.data.assign(data, data + length);
}

TEST_F(Properties, ARequestAtDispatchLevelCompletesLaterIntoItsOwnCopy)
{
    rig.usb.camera.state.contrast = 77;
    Completion completion;
    {
        // The caller's buffer dies before the work item runs: the sanitizer
        // reports any write into it.
        auto buffer = std::make_unique<uint8_t[]>(64);
        uint32_t length = 64;
        DispatchLevel dispatch;
        EXPECT_EQ(dovracam::UsbVendorCommand(rig.camera(), 2, 0x3C, 0, buffer.get(), &length,
                                             dovracam::Direction::kDeviceToHost, Record, &completion),
                  kStatusPending);
        EXPECT_TRUE(rig.usb.Requests(2).empty()) << "nothing is sent at DISPATCH_LEVEL";
    }
    EXPECT_EQ(completion.calls, 0);
    EXPECT_EQ(Host().RunWork(), 1u);
    EXPECT_EQ(completion.calls, 1);
    EXPECT_EQ(completion.status, kStatusSuccess);
    ASSERT_EQ(completion.data.size(), 64u);
    EXPECT_EQ(completion.data[0], 0x3C);
    EXPECT_EQ(completion.data[1], 77);

    // Without a completion routine the request still runs and frees its copy.
    {
        DispatchLevel dispatch;
        EXPECT_EQ(dovracam::SendVendor(rig.camera(), 1, 0x01A9, 0), kStatusPending);
    }
    EXPECT_EQ(Host().RunWork(), 1u);
    EXPECT_EQ(rig.usb.camera.state.frozen, 1);
}

}  // namespace
}  // namespace usbcam
