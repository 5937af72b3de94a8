// Zoom size, optical size and zoom limits.
#include <gtest/gtest.h>

#include <climits>

#include "SimRig.h"
#include "kvqdoccam.h"

using simcam::SimRig;
using simcam::Transport;

namespace {

TEST(Zoom, SizeCombinesDigitalOpticalAndAdapter)
{
    const struct {
        int size, factor, fraction;
        uint8_t adapter, adapterFactor, adapterHundredths;
        int expected;
    } cases[] = {
        {200, 2, 5, 0, 0, 0, 500},
        {200, 2, 120, 0, 0, 0, 440},
        {200, 0, 7, 0, 0, 0, 200},
        {100, 1, 0, 0, 0, 0, 100},
        {150, 1, 100, 0, 0, 0, 1650},
        {150, 1, 101, 0, 0, 0, 151},
        {200, 1, 0, 1, 2, 50, 500},
        {200, 1, 0, 1, 0, 50, 200},
        {200, 1, 0, 0, 2, 50, 200},
        {333, 1, 0, 1, 1, 0, 333},
        // 64-bit products; the result is clamped to int.
        {65535, 255, 255, 0, 0, 0, 65535LL * 25655 / 100},
        {65535, 255, 100, 1, 255, 255, INT_MAX},
    };
    for (const auto& k : cases) {
        SimRig rig(Transport::kDirectShow);
        KVQDocCamController c;
        c.m_status.zoomDigitalSize = k.size;
        c.m_status.zoomOpticalFactor = k.factor;
        c.m_status.zoomOpticalFraction = k.fraction;
        c.m_status.adapter = k.adapter;
        c.m_status.adapterInfo[2] = k.adapterFactor;
        c.m_status.adapterInfo[3] = k.adapterHundredths;
        EXPECT_EQ(k.expected, c.GetZoomSize(0)) << k.size << " " << k.factor << " " << k.fraction;
    }
}

TEST(Zoom, RefreshReadsDigitalSizeAndANonzeroOpticalFactor)
{
    SimRig rig(Transport::kKsProperty, 0x61);
    KVQDocCamController c;
    rig.Attach(c);
    rig.camera.state.zoomDigitalSize = 300;
    rig.camera.state.zoomOpticalFactor = 2;
    rig.camera.state.zoomOpticalFraction = 0;
    EXPECT_EQ(600, c.GetZoomSize(1));
    rig.camera.state.zoomOpticalFactor = 0;  // a zero factor is not taken
    rig.camera.state.zoomDigitalSize = 100;
    EXPECT_EQ(200, c.GetZoomSize(1));
}

TEST(Zoom, OpticalSizeFollowsTheSameFractionRule)
{
    const struct {
        int factor, fraction;
        float expected;
    } cases[] = {{2, 5, 2.5f}, {2, 120, 2.2f}, {1, 0, 1.0f}, {3, 100, 13.0f}, {1, 199, 1.99f}};
    for (const auto& k : cases) {
        KVQDocCamController c;
        c.m_status.zoomOpticalFactor = k.factor;
        c.m_status.zoomOpticalFraction = k.fraction;
        EXPECT_FLOAT_EQ(k.expected, c.GetZoomOpticalSize(0)) << k.factor << " " << k.fraction;
    }
}

TEST(Zoom, OpticalSizeWithoutOpticalZoom)
{
    SimRig rig(Transport::kDirectShow, 0x60);
    KVQDocCamController c;
    rig.Attach(c);
    c.m_feature = 0xFFD;
    c.m_status.zoomOpticalFactor = 4;
    EXPECT_FLOAT_EQ(0.0f, c.GetZoomOpticalSize(1));
    EXPECT_FLOAT_EQ(1.0f, c.GetZoomOpticalSize(0));
    EXPECT_TRUE(rig.camera.log().empty());
}

TEST(Zoom, MaximumFromTheCameraOrTheModelDefault)
{
    const struct {
        std::array<uint8_t, 3> reply;
        unsigned long feature;
        bool fails;
        int expected;
    } cases[] = {
        {{4, 3, 0}, 0, false, 1200},
        {{0, 0, 0}, 0x802, false, 4800},
        {{0, 0, 0}, 0x002, false, 2400},
        {{0, 0, 0}, 0x000, false, 800},
        {{1, 1, 1}, 0x800, false, 1600},
        {{4, 3, 0}, 0x2, true, 2400},
        {{255, 255, 255}, 0, false, 1658137500},
    };
    for (const auto& k : cases) {
        SimRig rig(Transport::kDirectShow);
        KVQDocCamController c;
        rig.Attach(c);
        c.m_feature = k.feature;
        rig.camera.limits.zoomMax = k.reply;
        rig.camera.unplugged = k.fails;
        EXPECT_EQ(k.expected, c.GetZoomMax()) << int(k.reply[0]) << " " << int(k.reply[1]) << " " << k.feature;
    }
}

TEST(Zoom, AdaptiveMaximumFromTheAdapterInformation)
{
    const struct {
        std::array<uint8_t, 3> reply;
        uint8_t info0, info4, adapter, info2, info3;
        unsigned long feature;
        int expected;
    } cases[] = {
        {{4, 3, 0}, 3, 4, 0, 0, 0, 0, 1200},
        {{0, 0, 0}, 3, 4, 0, 0, 0, 0, 1200},  // the adapter bytes alone
        {{4, 3, 0}, 3, 4, 1, 2, 0, 0, 2400},
        {{4, 3, 0}, 3, 4, 1, 1, 50, 0, 1800},
        {{4, 0, 0}, 0, 0, 0, 0, 0, 0x802, 4800},  // a zero adapter byte zeroes it: default
        {{0, 0, 0}, 0, 0, 1, 9, 0, 0, 900},
        {{255, 255, 0}, 255, 255, 1, 255, 255, 0, 1674718875},  // overflows 32 bits on the way
    };
    for (const auto& k : cases) {
        SimRig rig(Transport::kDirectShow);
        KVQDocCamController c;
        rig.Attach(c);
        c.m_feature = k.feature;
        c.m_status.adapterInfo[0] = k.info0;
        c.m_status.adapterInfo[4] = k.info4;
        c.m_status.adapter = k.adapter;
        c.m_status.adapterInfo[2] = k.info2;
        c.m_status.adapterInfo[3] = k.info3;
        rig.camera.limits.zoomMax = k.reply;
        EXPECT_EQ(k.expected, c.GetAdaptZoomMax()) << k.expected;
    }
}

}  // namespace
