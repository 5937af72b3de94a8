// A viewed console's reports steer the camera panel's controls: what comes
// from the network is read in its wire order and never converted blindly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "RemoteCamera.h"

namespace {

void PutFloat(uint8_t* at, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(bits >> (24 - 8 * i));
}

TEST(RemoteCamera, StateAndCapabilityInTheirWireLayout)
{
    uint8_t header[64] = {};
    PutFloat(header, 42.0f);
    PutFloat(header + 4, 2.5f);
    PutFloat(header + 8, 1.25f);
    header[12] = 3;  // rotation
    header[13] = 1;  // mirror
    header[14] = 1;  // frozen
    header[15] = 2;  // negative
    header[16] = 1;
    header[17] = 0;
    header[18] = 1;
    header[19] = 1;
    header[32] = 0x08;
    RemoteCameraState state;
    ASSERT_TRUE(RemoteCameraState::Parse(header, sizeof header, &state));
    EXPECT_EQ(state.brightness, 42.0f);
    EXPECT_EQ(state.zoom, 2.5f);
    EXPECT_EQ(state.digitalZoom, 1.25f);
    EXPECT_EQ(state.rotation, 3);
    EXPECT_EQ(state.mirror, 1);
    EXPECT_EQ(state.frozen, 1);
    EXPECT_EQ(state.colour, 2);
    EXPECT_EQ(state.whiteBalance, 1);
    EXPECT_EQ(state.exposure, 0);
    EXPECT_EQ(state.controllable, 1);
    EXPECT_EQ(state.motion, 1);
    EXPECT_EQ(state.flags, 0x08);
    EXPECT_FALSE(RemoteCameraState::Parse(header, 63, &state)) << "a short block is refused";

    const uint8_t record[8] = {3, 2, 4, 0xF6, 63, 0x22, 0, 0};
    RemoteCapability capability;
    ASSERT_TRUE(RemoteCapability::Parse(record, sizeof record, &capability));
    EXPECT_EQ(capability.zoomA, 3);
    EXPECT_EQ(capability.zoomB, 2);
    EXPECT_EQ(capability.zoomSteps, 4);
    EXPECT_EQ(capability.brightnessMin, -10) << "the limits are signed bytes";
    EXPECT_EQ(capability.brightnessMax, 63);
    EXPECT_EQ(capability.features, 0x22);
    EXPECT_FALSE(RemoteCapability::Parse(record, 7, &capability));
}

TEST(RemoteCamera, ReportedFloatsBecomeControlValuesOnlyWhenUsable)
{
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        double scale, offset;
        int low, high;
        bool usable;
        int expected;
    } cases[] = {
        {2.5f, 100.0, 0.0, 100, 800, true, 250},   // zoom 2.5 -> slider 250
        {98.0f, 1.0, 5.0, 0, 100, true, 100},      // brightness up stops at the maximum
        {3.0f, 1.0, -5.0, 0, 100, true, 0},        // and down at the minimum
        {1e30f, 100.0, 0.0, 100, 800, true, 800},  // far beyond int: clamped, not converted
        {-1e30f, 1.0, 0.0, 0, 63, true, 0},       {std::nanf(""), 100.0, 0.0, 100, 800, false, 0},
        {inf, 1.0, 5.0, 0, 100, false, 0},        {-inf, 1.0, 0.0, 0, 100, false, 0},
    };
    for (const Case& c : cases) {
        int out = -12345;
        EXPECT_EQ(RemoteValueToInt(c.value, c.scale, c.offset, c.low, c.high, &out), c.usable) << c.value;
        EXPECT_EQ(out, c.usable ? c.expected : -12345) << c.value;
    }
}

// Drawing on a viewed picture is widened by its zoom; a reported zoom that
// could not widen anything sensibly leaves it as drawn.
TEST(RemoteCamera, ZoomWidensDrawingOnlyWhenUsable)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float zoom, scale;
    } cases[] = {{2.5f, 2.5f},  {0.5f, 0.5f},          {1e30f, 64.0f}, {0.0f, 1.0f},
                 {-2.0f, 1.0f}, {std::nanf(""), 1.0f}, {inf, 1.0f}};
    for (const auto& c : cases) {
        RemoteCameraState state;
        state.zoom = c.zoom;
        EXPECT_EQ(RemoteZoomScale(state), c.scale) << c.zoom;
    }
}

}  // namespace
