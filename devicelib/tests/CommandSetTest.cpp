// Every command method: its feature guard, the bytes it sends, the pause
// after an accepted command, and the algorithms built from several commands.
#include <gtest/gtest.h>

#include <functional>

#include "SimRig.h"
#include "kvqdoccam.h"

using simcam::Exchange;
using simcam::SimRig;
using simcam::Transport;

namespace {

typedef std::function<int(KVQDocCamController&)> Call;

struct CommandCase {
    const char* name;
    uint8_t model;
    unsigned long feature;
    Call call;
    int result;
    std::vector<uint8_t> sent;  // op, a1, a2, a3; empty = nothing sent
};

#define CALL(expr) [](KVQDocCamController& c) { return c.expr; }

const unsigned long kAll = 0xFFFFFFFF;

const CommandCase kCases[] = {
    {"SetTextMode", 0x60, 0, CALL(SetTextMode()), 1, {0xA7, 0, 0, 0}},
    {"SetGraphicsMode", 0x60, 0, CALL(SetGraphicsMode()), 1, {0xA7, 1, 0, 0}},
    {"SetInternalMode", 0x60, 0, CALL(SetInternalMode()), 1, {0xA8, 0, 0, 0}},
    {"SetExternalMode", 0x60, 0, CALL(SetExternalMode()), 1, {0xA8, 1, 0, 0}},
    {"Freeze(7)", 0x60, 0, CALL(Freeze(7)), 1, {0xA9, 1, 0, 0}},
    {"Freeze(0)", 0x60, 0, CALL(Freeze(0)), 1, {0xA9, 0, 0, 0}},
    {"SetZoomDigitalSize(in)", 0x60, 0, CALL(SetZoomDigitalSize(1)), 1, {0xAA, 0x00, 0, 0}},
    {"SetZoomDigitalSize(out)", 0x60, 0, CALL(SetZoomDigitalSize(0)), 1, {0xAA, 0x01, 0, 0}},
    {"SetZoomMode(5)", 0x60, 0, CALL(SetZoomMode(5)), 1, {0xAA, 2, 0, 0}},
    {"SetZoomMode(0) unguarded", 0x60, 0x1, CALL(SetZoomMode(0)), 1, {0xAA, 3, 0, 0}},
    {"SetZoomMode(0) without 0x1", 0x60, 0xFFFE, CALL(SetZoomMode(0)), 0, {}},
    {"SetZoomReset", 0x60, 0, CALL(SetZoomReset()), 1, {0xAA, 0xFF, 0, 0}},
    {"SetZoomOpticalSize(in)", 0x60, 0, CALL(SetZoomOpticalSize(1)), 1, {0xAA, 0x10, 0, 0}},
    {"SetZoomOpticalSize(out)", 0x60, 0, CALL(SetZoomOpticalSize(0)), 1, {0xAA, 0x11, 0, 0}},
    {"SetZoomOpticalMoveLens(1)", 0x60, 0x2, CALL(SetZoomOpticalMoveLens(1)), 1, {0xAA, 0x12, 0, 0}},
    {"SetZoomOpticalMoveLens(0)", 0x60, 0x2, CALL(SetZoomOpticalMoveLens(0)), 1, {0xAA, 0x13, 0, 0}},
    {"SetZoomOpticalMoveLens without 0x2", 0x60, 0xFFFD, CALL(SetZoomOpticalMoveLens(1)), 0, {}},
    {"SetZoomType(optical)", 0x60, 0x2, CALL(SetZoomType(1)), 1, {0xAA, 0xE1, 0, 0}},
    {"SetZoomType(optical) without 0x2", 0x60, 0, CALL(SetZoomType(1)), 0, {}},
    {"SetZoomType(digital) unguarded", 0x60, 0, CALL(SetZoomType(0)), 1, {0xAA, 0xE0, 0, 0}},
    {"SetZoomSize unified in", 0x60, 0x100, CALL(SetZoomSize(1)), 1, {0xAA, 0x30, 0, 0}},
    {"SetZoomSize unified out", 0x60, 0x100, CALL(SetZoomSize(0)), 1, {0xAA, 0x31, 0, 0}},
    {"SetZoomSize digital-only model", 0x60, 0, CALL(SetZoomSize(1)), 1, {0xAA, 0x00, 0, 0}},
    {"SetBrightness(up)", 0x60, 0x8, CALL(SetBrightness(1)), 1, {0xAB, 0, 0, 0}},
    {"SetBrightness(down)", 0x60, 0x8, CALL(SetBrightness(0)), 1, {0xAB, 1, 0, 0}},
    {"SetBrightness without 0x8", 0x60, 0x7, CALL(SetBrightness(1)), 0, {}},
    {"SetBrightnessEx absolute", 0x60, 0x200, CALL(SetBrightnessEx(0x40)), 1, {0xAB, 2, 0x40, 0}},
    {"SetContrast(up)", 0x60, 0x10, CALL(SetContrast(1)), 1, {0xAC, 0, 0, 0}},
    {"SetContrast without 0x10", 0x60, 0, CALL(SetContrast(1)), 0, {}},
    {"SetNormal(1)", 0x60, 0x20, CALL(SetNormal(1)), 1, {0xAD, 1, 0, 0}},
    {"SetNormal without 0x20", 0x60, 0, CALL(SetNormal(1)), 0, {}},
    {"SetRotate model 0x31", 0x31, 0x40, CALL(SetRotate(1)), 1, {0xAE, 2, 0, 0}},
    {"SetRotate model 0x30", 0x30, 0x40, CALL(SetRotate(1)), 1, {0xAE, 1, 0, 0}},
    {"SetRotate model 0x60", 0x60, 0x40, CALL(SetRotate(1)), 1, {0xAE, 2, 0, 0}},
    {"SetRotate model 0xD3 (0x53)", 0xD3, 0x40, CALL(SetRotate(1)), 1, {0xAE, 1, 0, 0}},
    {"SetRotate off", 0x60, 0x40, CALL(SetRotate(0)), 1, {0xAE, 0, 0, 0}},
    {"SetRotate without 0x40", 0x60, 0, CALL(SetRotate(1)), 0, {}},
    {"SetRotateEx(0) unguarded", 0x60, 0, CALL(SetRotateEx(0)), 1, {0xAE, 0, 0, 0}},
    {"SetRotateEx(2) unguarded", 0x31, 0, CALL(SetRotateEx(2)), 1, {0xAE, 2, 0, 0}},
    {"SetRotateEx(1) without 0x400", 0x60, 0x40, CALL(SetRotateEx(1)), 0, {}},
    {"SetRotateEx(3)", 0x60, 0x400, CALL(SetRotateEx(3)), 1, {0xAE, 3, 0, 0}},
    {"SetMirror(1)", 0x60, 0x80, CALL(SetMirror(1)), 1, {0xAF, 1, 0, 0}},
    {"SetMirror without 0x80", 0x60, 0, CALL(SetMirror(1)), 0, {}},
    {"SetColor", 0x60, 0, CALL(SetColor()), 1, {0xB0, 0, 0, 0}},
    {"SetBlackWhite", 0x60, 0, CALL(SetBlackWhite()), 1, {0xB0, 1, 0, 0}},
    {"SetNegative", 0x60, 0, CALL(SetNegative()), 1, {0xB0, 2, 0, 0}},
    {"SetWhiteBalanceAUTO(1)", 0x60, 0, CALL(SetWhiteBalanceAUTO(1)), 1, {0xB1, 0, 0, 0}},
    {"SetWhiteBalanceAUTO(0)", 0x60, 0, CALL(SetWhiteBalanceAUTO(0)), 1, {0xB1, 1, 0, 0}},
    {"SetWBRed(up)", 0x60, 0, CALL(SetWBRed(1)), 1, {0xB1, 2, 0, 0}},
    {"SetWBRed(down)", 0x60, 0, CALL(SetWBRed(0)), 1, {0xB1, 2, 1, 1}},
    {"SetWBBlue(down)", 0x60, 0, CALL(SetWBBlue(0)), 1, {0xB1, 3, 1, 1}},
    {"SetWBMeasure", 0x60, 0, CALL(SetWBMeasure()), 1, {0xB1, 4, 0, 0}},
    {"SetExposureMode(2)", 0x60, 0, CALL(SetExposureMode(2)), 1, {0xB2, 2, 0, 0}},
    {"SetExposureMode(3)", 0x60, kAll, CALL(SetExposureMode(3)), 0, {}},
    {"SetExposureMode(-1)", 0x60, kAll, CALL(SetExposureMode(-1)), 0, {}},
    {"SetExposureManual(down)", 0x60, 0, CALL(SetExposureManual(0)), 1, {0xB2, 3, 1, 1}},
    {"SetExposureFlicker(on)", 0x60, 0, CALL(SetExposureFlicker(1)), 1, {0xB2, 4, 0, 0}},
    {"SetExposureFlicker(off)", 0x60, 0, CALL(SetExposureFlicker(0)), 1, {0xB2, 4, 1, 1}},
    {"SetZoomMove(0)", 0x60, 0, CALL(SetZoomMove(0)), 1, {0xB3, 0, 0, 0}},
    {"SetZoomMove(1)", 0x60, 0, CALL(SetZoomMove(1)), 1, {0xB4, 0, 0, 0}},
    {"SetZoomMove(2)", 0x60, 0, CALL(SetZoomMove(2)), 1, {0xB5, 0, 0, 0}},
    {"SetZoomMove(3)", 0x60, 0, CALL(SetZoomMove(3)), 1, {0xB6, 0, 0, 0}},
    {"SetZoomMove(9)", 0x60, 0, CALL(SetZoomMove(9)), 1, {0xB3, 0, 0, 0}},
    {"SetAutoFocus", 0x60, 0x4, CALL(SetAutoFocus()), 1, {0xB7, 0, 0, 0}},
    {"SetAutoFocus without 0x4", 0x60, 0, CALL(SetAutoFocus()), 0, {}},
    {"SetDefault", 0x60, 0, CALL(SetDefault()), 1, {0xB8, 0, 0, 0}},
    {"SetMotionMode(0x101)", 0x68, 0, CALL(SetMotionMode(0x101)), 1, {0xBC, 1, 0, 0}},
    {"SetAdaptMotion(5)", 0x68, 0, CALL(SetAdaptMotion(5)), 1, {0xBC, 1, 0, 0}},
    {"SetAdaptMotion(0)", 0x68, 0, CALL(SetAdaptMotion(0)), 1, {0xBC, 0, 0, 0}},
    {"SetApAlive", 0x68, 0, CALL(SetApAlive()), 1, {0xBD, 0xFF, 0, 0}},
    {"SetAutoImage(1)", 0x68, 0, CALL(SetAutoImage(1)), 1, {0xBE, 1, 0, 0}},
    {"Set3MCapture", 0x68, 0x100000, CALL(Set3MCapture()), 1, {0xBF, 0, 0, 0}},
    {"Set3MCapture without 0x100000", 0x68, 0x21BFD, CALL(Set3MCapture()), 0, {}},
    {"TurnPower", 0x60, kAll, CALL(TurnPower(1)), 0, {}},
};

TEST(CommandSet, EachCommandsGuardBytesAndPause)
{
    for (const CommandCase& k : kCases) {
        SCOPED_TRACE(k.name);
        SimRig rig(Transport::kDirectShow, k.model);
        KVQDocCamController c;
        rig.Attach(c);
        c.m_status.modelCode = k.model;
        c.m_feature = k.feature;
        EXPECT_EQ(k.result, k.call(c));
        const std::vector<Exchange>& log = rig.camera.log();
        if (k.sent.empty()) {
            EXPECT_TRUE(log.empty());
            EXPECT_TRUE(rig.io.pauses.empty());
            continue;
        }
        ASSERT_EQ(1u, log.size());
        EXPECT_EQ((Exchange{Exchange::kCommand, k.sent[0], k.sent[1], k.sent[2], k.sent[3], true}), log[0]);
        EXPECT_EQ(std::vector<unsigned>{50}, rig.io.pauses);
    }
}

TEST(CommandSet, RefusedCommandReturnsZeroWithoutPausing)
{
    SimRig rig(Transport::kKsProperty);
    KVQDocCamController c;
    rig.Attach(c);
    rig.camera.unplugged = true;
    EXPECT_EQ(0, c.Freeze(1));
    EXPECT_EQ(0, c.SetBrightnessEx(40));
    EXPECT_TRUE(rig.io.pauses.empty());
}

TEST(CommandSet, ZoomResetResetsTheCacheOnlyWhenAccepted)
{
    SimRig rig(Transport::kDirectUsb);
    KVQDocCamController c;
    rig.Attach(c);
    c.m_status.zoomDigitalSize = 400;
    c.m_status.zoomOpticalFactor = 3;
    c.m_status.zoomOpticalFraction = 5;
    rig.camera.failExchanges = 1;
    EXPECT_EQ(0, c.SetZoomReset());
    EXPECT_EQ(400, c.m_status.zoomDigitalSize);
    EXPECT_EQ(1, c.SetZoomReset());
    EXPECT_EQ(100, c.m_status.zoomDigitalSize);
    EXPECT_EQ(1, c.m_status.zoomOpticalFactor);
    EXPECT_EQ(0, c.m_status.zoomOpticalFraction);
}

TEST(CommandSet, ZoomStepsMarkTheZoomFlagAndMotionModeIsCached)
{
    SimRig rig(Transport::kDirectShow, 0x68);
    KVQDocCamController c;
    rig.Attach(c);
    c.m_feature = 0x21BFD;
    EXPECT_EQ(1, c.SetZoomSize(1));
    EXPECT_EQ(1, c.m_status.zoomStep);
    c.m_status.zoomStep = 0;
    rig.camera.unplugged = true;
    EXPECT_EQ(0, c.SetZoomSize(1));
    EXPECT_EQ(0, c.m_status.zoomStep);
    rig.camera.unplugged = false;
    EXPECT_EQ(1, c.SetAdaptMotion(1));
    EXPECT_EQ(1, c.m_status.motionMode);
    EXPECT_EQ(1, rig.camera.state.motionMode);
    EXPECT_EQ(1, c.SetAdaptMotion(0));
    EXPECT_EQ(0, c.m_status.motionMode);
}

// SetZoomSize chooses optical steps up to the model's threshold and digital
// steps above it.
TEST(CommandSet, ZoomSizeThresholdByModelAndFeature)
{
    const struct {
        uint8_t model;
        unsigned long feature;
        int size;
        int in;
        uint8_t expected;  // second command byte
    } cases[] = {
        {0x53, 0x802, 2399, 1, 0x10}, {0x53, 0x802, 2400, 1, 0x00}, {0x53, 0x802, 2400, 0, 0x11},
        {0x53, 0x802, 2401, 0, 0x01}, {0x53, 0x002, 1199, 1, 0x10}, {0x53, 0x002, 1200, 1, 0x00},
        {0x33, 0x002, 499, 1, 0x10},  {0x33, 0x002, 500, 1, 0x00},  {0xE0, 0x002, 299, 1, 0x10},
        {0x61, 0x802, 599, 1, 0x10},  {0x61, 0x802, 600, 1, 0x00},  {0x31, 0x002, 99, 1, 0x10},
        {0x31, 0x002, 100, 1, 0x00},  {0x31, 0x002, 100, 0, 0x11},  {0x53, 0x800, 200, 1, 0x00},
    };
    for (const auto& k : cases) {
        SimRig rig(Transport::kDirectShow, k.model);
        KVQDocCamController c;
        rig.Attach(c);
        c.m_status.modelCode = k.model;
        c.m_feature = k.feature;
        c.m_status.zoomDigitalSize = k.size;
        ASSERT_EQ(1, c.SetZoomSize(k.in));
        ASSERT_EQ(1u, rig.camera.log().size());
        EXPECT_EQ(0xAA, rig.camera.log()[0].op);
        EXPECT_EQ(k.expected, rig.camera.log()[0].a1)
            << std::hex << "model " << int(k.model) << " feature " << k.feature << std::dec << " size " << k.size;
    }
}

// Stepping brightness walks the camera one step at a time, reading it back
// after every step.
TEST(CommandSet, BrightnessExStepsToTheTargetAndStopsAtTheLimit)
{
    const struct {
        int start, target, min, max, step;
        int finalValue;
        size_t steps;
    } cases[] = {
        {50, 53, 0, 100, 1, 53, 3},                                // up to the target
        {50, 47, 0, 100, 1, 47, 3},                                // down to the target
        {50, 50, 0, 100, 1, 50, 0},                                // already there
        {98, 120, 0, 100, 1, 100, 3},                              // two steps, then the unchanged value ends it
        {2, -5, 0, 100, 1, 0, 3},     {50, 55, 0, 100, 2, 56, 3},  // the upward walk ends past the target
        {50, 45, 0, 100, 2, 46, 4},                                // the downward walk overshoots; one step back up
    };
    for (const auto& k : cases) {
        SimRig rig(Transport::kKsProperty);
        KVQDocCamController c;
        rig.Attach(c);
        c.m_feature = 0xFFFFFDFF;  // no absolute brightness
        rig.camera.state.brightness = k.start;
        rig.camera.limits.brightnessMin = k.min;
        rig.camera.limits.brightnessMax = k.max;
        rig.camera.limits.brightnessStep = k.step;
        EXPECT_EQ(1, c.SetBrightnessEx(k.target));
        EXPECT_EQ(k.finalValue, rig.camera.state.brightness) << k.start << "->" << k.target;
        EXPECT_EQ(k.finalValue, c.m_status.brightness);
        EXPECT_EQ(k.steps, rig.camera.Commands().size()) << k.start << "->" << k.target;
        EXPECT_EQ(k.steps, rig.io.pauses.size());
    }
}

TEST(CommandSet, BrightnessExIsBoundedAgainstACameraMovingTheWrongWay)
{
    SimRig rig(Transport::kDirectUsb);
    KVQDocCamController c;
    rig.Attach(c);
    c.m_feature = 0;
    rig.camera.state.brightness = 11;
    rig.camera.limits.brightnessStep = -2;  // each "down" step goes up, odd values only
    rig.camera.limits.brightnessMax = 100000;
    EXPECT_EQ(1, c.SetBrightnessEx(0));
    EXPECT_EQ(256u, rig.camera.Commands().size());
}

TEST(CommandSet, BrightnessExFailsAtOnceOnAFailedStepOrRead)
{
    const struct {
        uint8_t failing;
        size_t exchanges;
    } cases[] = {{0x3B, 1}, {0xAB, 2}};
    for (const auto& k : cases) {
        SimRig rig(Transport::kDirectShow);
        KVQDocCamController c;
        rig.Attach(c);
        c.m_feature = 0x8;
        rig.camera.failingOpcodes.insert(k.failing);
        EXPECT_EQ(0, c.SetBrightnessEx(60));
        EXPECT_EQ(k.exchanges, rig.camera.log().size());
    }
}

}  // namespace
