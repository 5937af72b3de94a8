// The status block parser, the Get*Config inquiries, the cached accessors
// and their refresh semantics, IncrementalUpdate and GetAllConfig.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "LibraryState.h"
#include "SimRig.h"
#include "StatusBlock.h"
#include "TestBytes.h"
#include "kvqdoccam.h"

using simcam::SimRig;
using simcam::Transport;

namespace {

DocCamStatus Parsed(const std::vector<uint8_t>& block, unsigned long feature = 0)
{
    DocCamStatus s = {};
    EXPECT_TRUE(devicelib::ParseStatusBlock(s, block.data(), block.size(), feature));
    return s;
}

std::vector<uint8_t> Block(const std::string& head)
{
    std::vector<uint8_t> block = Hex(head);
    block.resize(48, 0);
    return block;
}

TEST(StatusBlock, FieldsByByteAndBit)
{
    DocCamStatus s = Parsed(Block("A5 00"));
    EXPECT_EQ(1, s.textGraphics);
    EXPECT_EQ(0, s.intExt);
    EXPECT_EQ(1, s.frozen);
    EXPECT_EQ(0, s.zoomLinear);
    EXPECT_EQ(0, s.wbMode);
    EXPECT_EQ(2, s.exposureMode);
    EXPECT_EQ(1, s.exposureFlicker);

    s =
        Parsed(Block("5A B6 FF FE 02 78 FF FE 80 00 12 34 FF FF 21 32 4B 3D"
                     " 00 01 FF FF 80 00 7F FF 12 34 FE DC 01 02 03 04 05 06"));
    EXPECT_EQ(0, s.textGraphics);
    EXPECT_EQ(1, s.intExt);
    EXPECT_EQ(0, s.frozen);
    EXPECT_EQ(1, s.zoomLinear);
    EXPECT_EQ(1, s.wbMode);
    EXPECT_EQ(1, s.exposureMode);
    EXPECT_EQ(0, s.exposureFlicker);
    EXPECT_EQ(1, s.adapter);  // B6 = 1011 0110
    EXPECT_EQ(0, s.zoomType);
    EXPECT_EQ(1, s.normal);
    EXPECT_EQ(1, s.mirror);
    EXPECT_EQ(1, s.rotate);
    EXPECT_EQ(2, s.effect);
    EXPECT_EQ(65534, s.zoomDigitalSize);
    EXPECT_EQ(2, s.zoomOpticalFactor);
    EXPECT_EQ(120, s.zoomOpticalFraction);
    EXPECT_EQ(-2, s.zoomMoveHori);
    EXPECT_EQ(-32768, s.zoomMoveVert);
    EXPECT_EQ(0x1234, s.wbRed);
    EXPECT_EQ(0xFFFF, s.wbBlue);
    EXPECT_EQ(0x21, s.exposureManual);
    EXPECT_EQ(0x32, s.brightness);
    EXPECT_EQ(0x4B, s.contrast);
    // 3D = 0011 1101: power off, not measuring, bits 2-5 set.
    EXPECT_EQ(1, s.powerOff);
    EXPECT_EQ(0, s.wbMeasuring);
    EXPECT_EQ(Hex("01 01 01 01"), std::vector<uint8_t>(s.statusFlags17, s.statusFlags17 + 4));
    EXPECT_EQ(1, s.blockValues[0]);
    EXPECT_EQ(-1, s.blockValues[1]);
    EXPECT_EQ(-32768, s.blockValues[2]);
    EXPECT_EQ(32767, s.blockValues[3]);
    EXPECT_EQ(0x1234, s.blockValue26);
    EXPECT_EQ(-292, s.blockValue28);
    EXPECT_EQ(Hex("01 02 03 04 05 06"), std::vector<uint8_t>(s.adapterInfo, s.adapterInfo + 6));
}

TEST(StatusBlock, ShiftedModelsParseTheSameBlockOneByteLater)
{
    std::vector<uint8_t> block = Block("A5 5A 01 2C 03 04 FF FE 00 05 01 00 02 00 10 20 30 3F");
    std::vector<uint8_t> shifted = block;
    shifted.insert(shifted.begin(), 0xEE);
    DocCamStatus plain = Parsed(block, 0);
    DocCamStatus moved = Parsed(shifted, 0x1000);
    EXPECT_EQ(0, std::memcmp(&plain, &moved, sizeof plain));
    // The unknown model's word has every bit, the shift included.
    DocCamStatus unknown = Parsed(shifted, 0xFFFFFFFF);
    EXPECT_EQ(0, std::memcmp(&plain, &unknown, sizeof plain));
}

TEST(StatusBlock, ShortBuffersAreRefusedAndChangeNothing)
{
    std::vector<uint8_t> block(36, 0xFF);
    DocCamStatus s = {};
    EXPECT_FALSE(devicelib::ParseStatusBlock(s, block.data(), 35, 0));
    EXPECT_FALSE(devicelib::ParseStatusBlock(s, block.data(), 36, 0x1000));
    EXPECT_FALSE(devicelib::ParseStatusBlock(s, nullptr, 48, 0));
    EXPECT_EQ(0, s.brightness);
    EXPECT_TRUE(devicelib::ParseStatusBlock(s, block.data(), 36, 0));
    EXPECT_EQ(255, s.brightness);
}

TEST(StatusBlock, KeepsTheFieldsTheBlockDoesNotCarry)
{
    DocCamStatus s = {};
    s.modelCode = 0x61;
    s.sensorResHori = 2048;
    s.brightnessMax = 63;
    s.streamByte3 = 9;
    std::vector<uint8_t> block = Block("FF FF");
    devicelib::ParseStatusBlock(s, block.data(), block.size(), 0);
    EXPECT_EQ(0x61, s.modelCode);
    EXPECT_EQ(2048, s.sensorResHori);
    EXPECT_EQ(63, s.brightnessMax);
    EXPECT_EQ(9, s.streamByte3);
}

TEST(IncrementalUpdate, KsPathReadsTheBlockWithThisControllersFeatureWord)
{
    SimRig rig(Transport::kKsProperty, 0x61);
    KVQDocCamController other;
    KVQDocCamController c;
    rig.Attach(c);
    KVQDocCamController::m_pCurController = &other;  // another model is current
    other.m_feature = 0;
    c.m_feature = 0x1FFF;
    rig.camera.statusShifted = true;
    rig.camera.state.brightness = 33;
    rig.camera.state.frozen = 1;
    rig.camera.state.zoomMoveHori = -40;
    rig.camera.state.extendedStatus = 1;

    EXPECT_EQ(0, c.IncrementalUpdate()) << "the device is opened by the first command only";
    ASSERT_EQ(1, c.Freeze(1));
    ASSERT_EQ(1, c.IncrementalUpdate());
    EXPECT_EQ(33, c.m_status.brightness);
    EXPECT_EQ(1, c.m_status.frozen);
    EXPECT_EQ(-40, c.m_status.zoomMoveHori);
    EXPECT_EQ(1, c.m_status.statusFlags17[3]);
    auto reads = rig.io.Controls(0x2F0003);
    EXPECT_EQ(PropertyBuffer(4, 1, ""), reads.back().in);
    EXPECT_EQ(PropertyBuffer(4, 1, ""), reads.back().out);

    rig.camera.unplugged = true;  // the status read does not reach the camera
    EXPECT_EQ(1, c.IncrementalUpdate());
}

TEST(IncrementalUpdate, DirectShowOnlyCameraCannotUpdate)
{
    SimRig rig(Transport::kDirectShow);
    KVQDocCamController c;
    rig.Attach(c);
    EXPECT_EQ(0, c.IncrementalUpdate());
    EXPECT_TRUE(rig.io.calls.empty());
}

TEST(IncrementalUpdate, DirectUsbRegistersTheStatusCallbackForTheCurrentController)
{
    SimRig rig(Transport::kDirectUsb, 0x61);
    KVQDocCamController c;
    rig.Attach(c);
    c.m_feature = 0;
    EXPECT_EQ(1, c.IncrementalUpdate());
    ASSERT_TRUE(devicelib::DirectUsb()->HasStatusCallback());
    // The device pushes 18 camera bytes followed by zeros.
    unsigned char* buffer = devicelib::DirectUsbStatusBuffer();
    std::memset(buffer, 0, devicelib::kStatusBufferSize);
    buffer[0] = 0x20;  // frozen
    buffer[15] = 44;   // brightness
    buffer[31] = 7;    // beyond the 18 bytes: reads as sent
    EXPECT_EQ(1, devicelib::OnDirectUsbStatus(buffer));
    EXPECT_EQ(1, c.m_status.frozen);
    EXPECT_EQ(44, c.m_status.brightness);
    KVQDocCamController::m_pCurController = nullptr;
    EXPECT_EQ(0, devicelib::OnDirectUsbStatus(buffer));
}

typedef std::function<int(KVQDocCamController&, int)> Accessor;

struct AccessorCase {
    const char* name;
    Accessor get;
    std::function<void(simcam::CameraState&)> set;  // camera state to report
    int expected;
    int onFailure;
};

#define GET(m) [](KVQDocCamController& c, int r) { return c.m(r); }
#define SET(expr) [](simcam::CameraState& s) { expr; }

const AccessorCase kAccessors[] = {
    {"IsPowerOn", GET(IsPowerOn), SET(s.powerOff = 0), 1, 0},
    {"IsFrozen", GET(IsFrozen), SET(s.frozen = 1), 1, 0},
    {"IsTextMode", GET(IsTextMode), SET(s.textGraphics = 1), 0, 1},
    {"IsGraphicsMode", GET(IsGraphicsMode), SET(s.textGraphics = 1), 1, 0},
    {"IsInternalMode", GET(IsInternalMode), SET(s.intExt = 1), 0, 1},
    {"IsExternalMode", GET(IsExternalMode), SET(s.intExt = 1), 1, 0},
    {"IsNormal", GET(IsNormal), SET(s.normal = 0), 0, 1},
    {"IsRotated", GET(IsRotated), SET(s.rotate = 3), 1, 0},
    {"IsMirrored", GET(IsMirrored), SET(s.mirror = 1), 1, 0},
    {"IsColor", GET(IsColor), SET(s.effect = 1), 0, 0},
    {"IsBlackWhite", GET(IsBlackWhite), SET(s.effect = 1), 1, 0},
    {"IsNegative", GET(IsNegative), SET(s.effect = 2), 1, 0},
    {"IsWhiteBalanceAUTO", GET(IsWhiteBalanceAUTO), SET(s.wbMode = 0), 1, 0},
    {"GetWBRed", GET(GetWBRed), SET(s.wbRed = 0x1FF), 0x1FF, 0},
    {"GetWBBlue", GET(GetWBBlue), SET(s.wbBlue = 0x123), 0x123, 0},
    {"IsWBMeasureDone", GET(IsWBMeasureDone), SET(s.wbMeasuring = 0), 1, 0},
    {"GetExposureMode", GET(GetExposureMode), SET(s.exposureMode = 2), 2, 0},
    {"GetExposureManual", GET(GetExposureManual), SET(s.exposureManual = 77), 77, 0},
    {"GetExposureFlicker", GET(GetExposureFlicker), SET(s.exposureFlicker = 0), 1, 0},
    {"GetBrightness", GET(GetBrightness), SET(s.brightness = 61), 61, 0},
    {"GetContrast", GET(GetContrast), SET(s.contrast = 80), 80, 0},
    {"IsZoomTypeDigital", GET(IsZoomTypeDigital), SET(s.zoomType = 1), 0, 0},
    {"IsZoomLinear", GET(IsZoomLinear), SET(s.zoomLinear = 0), 1, 0},
    {"GetZoomDigitalSize", GET(GetZoomDigitalSize), SET(s.zoomDigitalSize = 450), 450, 0},
};

TEST(Accessors, RefreshAsksTheCameraAndAFailedRefreshGivesTheFailureValue)
{
    for (const AccessorCase& k : kAccessors) {
        SCOPED_TRACE(k.name);
        SimRig rig(Transport::kDirectShow);
        KVQDocCamController c;
        rig.Attach(c);
        k.set(rig.camera.state);
        k.get(c, 0);
        EXPECT_TRUE(rig.camera.log().empty()) << "no refresh, no inquiry";
        EXPECT_EQ(k.expected, k.get(c, 1));
        EXPECT_FALSE(rig.camera.log().empty());
        EXPECT_EQ(k.expected, k.get(c, 0)) << "the refresh filled the cache";
        rig.camera.unplugged = true;
        EXPECT_EQ(k.onFailure, k.get(c, 1));
    }
}

TEST(Inquiries, ValuesIntoTheCacheAndFailuresLeaveIt)
{
    SimRig rig(Transport::kKsProperty, 0x61);
    KVQDocCamController c;
    rig.Attach(c);
    c.m_feature = 0x1FFF;
    rig.camera.state.zoomMoveHori = -300;
    rig.camera.state.zoomMoveVert = 12;
    rig.camera.limits.sensorHori = 2592;
    rig.camera.limits.sensorVert = 1944;
    rig.camera.limits.brightnessMin = 3;
    rig.camera.limits.brightnessMax = 63;
    rig.camera.limits.stream = {0xA7, 0xC0, 0x09};
    rig.camera.state.powerOff = 1;
    rig.camera.state.zoomType = 1;
    rig.camera.state.zoomOpticalFactor = 2;
    rig.camera.state.zoomOpticalFraction = 5;

    EXPECT_EQ(-300, c.GetZoomDigitalMoveHori());
    EXPECT_EQ(12, c.GetZoomDigitalMoveVert());
    EXPECT_EQ(2592, c.GetSensorResolutionHori());
    EXPECT_EQ(1944, c.GetSensorResolutionVert());
    EXPECT_EQ(2592, c.m_status.panRangeHori);
    EXPECT_EQ(1944, c.m_status.panRangeVert);
    c.GetBrightnessRange();
    EXPECT_EQ(3, c.m_status.brightnessMin);
    EXPECT_EQ(63, c.m_status.brightnessMax);
    ASSERT_EQ(1, c.GetStreamConfig());
    EXPECT_EQ(0xA, c.m_status.streamHigh1);
    EXPECT_EQ(0x7, c.m_status.streamLow1);
    EXPECT_EQ(0xC, c.m_status.streamHigh2);
    EXPECT_EQ(1, c.m_status.powerOff);
    EXPECT_EQ(9, c.m_status.streamByte3);
    ASSERT_EQ(1, c.GetZoomOpticalConfig());
    EXPECT_EQ(1, c.m_status.zoomType);
    EXPECT_EQ(2, c.m_status.zoomOpticalFactor);
    EXPECT_EQ(5, c.m_status.zoomOpticalFraction);

    rig.camera.unplugged = true;
    EXPECT_EQ(0, c.GetZoomDigitalMoveHori());
    EXPECT_EQ(0, c.GetSensorResolutionHori());
    c.GetBrightnessRange();
    EXPECT_EQ(-300, c.m_status.zoomMoveHori);
    EXPECT_EQ(2592, c.m_status.sensorResHori);
    EXPECT_EQ(63, c.m_status.brightnessMax);
    EXPECT_EQ(0, c.GetStreamConfig());
    EXPECT_EQ(0, c.GetZoomDigitalConfig());
}

TEST(Inquiries, WhiteBalanceMeasurementEndsAfterTheCameraReportsIt)
{
    SimRig rig(Transport::kDirectUsb);
    KVQDocCamController c;
    rig.Attach(c);
    ASSERT_EQ(1, c.SetWBMeasure());
    EXPECT_EQ(0, c.IsWBMeasureDone(1));
    EXPECT_EQ(1, c.IsWBMeasureDone(1));
}

TEST(GetAllConfig, FillsTheCacheFromTheCamera)
{
    for (const uint8_t wb : {0, 1}) {
        SimRig rig(Transport::kDirectShow, 0x61);
        KVQDocCamController c;
        rig.Attach(c);
        rig.camera.state.wbMode = wb;
        rig.camera.state.exposureMode = 1;
        rig.camera.state.exposureManual = 91;
        rig.camera.state.brightness = 40;
        rig.camera.state.contrast = 70;
        rig.camera.state.zoomDigitalSize = 250;
        rig.camera.state.mirror = 1;
        ASSERT_EQ(1, c.GetAllConfig());
        EXPECT_EQ(0x61, c.m_status.modelCode);
        EXPECT_EQ(0x1FFFul, c.m_feature);
        EXPECT_EQ(40, c.m_status.brightness);
        EXPECT_EQ(70, c.m_status.contrast);
        EXPECT_EQ(91, c.m_status.exposureManual);
        EXPECT_EQ(250, c.m_status.zoomDigitalSize);
        EXPECT_EQ(1, c.m_status.mirror);
        bool askedWhiteBalance = false;
        for (const auto& e : rig.camera.log()) askedWhiteBalance |= e.op == 0x41;
        EXPECT_EQ(wb == 1, askedWhiteBalance);
    }
}

TEST(GetAllConfig, StopsAtTheFirstFailure)
{
    SimRig rig(Transport::kDirectShow, 0x61);
    KVQDocCamController c;
    rig.Attach(c);
    rig.camera.failingOpcodes.insert(0x3B);
    EXPECT_EQ(0, c.GetAllConfig());
    EXPECT_EQ(0x3B, rig.camera.log().back().op);
    rig.camera.failingOpcodes = {0x43};
    EXPECT_EQ(1, c.GetAllConfig()) << "the optical zoom result does not count";
}

}  // namespace
