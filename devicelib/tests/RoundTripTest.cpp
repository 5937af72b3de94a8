// Commands change the simulated camera and the inquiries read the change
// back, on every transport.
#include <gtest/gtest.h>

#include "SimRig.h"
#include "kvqdoccam.h"

using simcam::SimRig;
using simcam::Transport;

namespace {

class RoundTrip : public ::testing::TestWithParam<Transport> {};

TEST_P(RoundTrip, SettingsReadBackAfterEachCommand)
{
    SimRig rig(GetParam(), 0x61);
    KVQDocCamController c;
    rig.Attach(c);
    ASSERT_EQ(0x1FFFul, c.GetDocCamModelFeature(1));

    EXPECT_EQ(1, c.Freeze(1));
    EXPECT_EQ(1, c.IsFrozen(1));
    EXPECT_EQ(1, c.SetMirror(1));
    EXPECT_EQ(1, c.IsMirrored(1));
    EXPECT_EQ(1, c.SetNegative());
    EXPECT_EQ(1, c.IsNegative(1));
    EXPECT_EQ(1, c.SetTextMode());
    EXPECT_EQ(1, c.IsTextMode(1));
    EXPECT_EQ(1, c.SetExternalMode());
    EXPECT_EQ(1, c.IsExternalMode(1));
    EXPECT_EQ(1, c.SetWhiteBalanceAUTO(0));
    EXPECT_EQ(0, c.IsWhiteBalanceAUTO(1));
    const int red = c.GetWBRed(1);
    EXPECT_EQ(1, c.SetWBRed(1));
    EXPECT_GT(c.GetWBRed(1), red);
    EXPECT_EQ(1, c.SetExposureMode(1));
    const int manual = c.GetExposureManual(1);
    EXPECT_EQ(1, c.SetExposureManual(0));
    EXPECT_EQ(manual - 1, c.GetExposureManual(1));
    EXPECT_EQ(1, c.SetBrightnessEx(57));
    EXPECT_EQ(57, c.GetBrightness(1));
    EXPECT_EQ(1, c.SetZoomMove(3));
    EXPECT_EQ(rig.camera.limits.panStep, c.GetZoomDigitalMoveHori());

    // Zoom in through the optical range into the digital one and back.
    for (int i = 0; i < 25; ++i) ASSERT_EQ(1, c.SetZoomSize(1));
    EXPECT_EQ(3, rig.camera.state.zoomOpticalFactor);
    EXPECT_GT(rig.camera.state.zoomDigitalSize, 100);
    EXPECT_EQ(rig.camera.state.zoomDigitalSize * 3, c.GetZoomSize(1));
    EXPECT_EQ(1, c.SetZoomReset());
    EXPECT_EQ(100, c.GetZoomSize(1));

    ASSERT_EQ(1, c.GetAllConfig());
    // The status block agrees with the inquiries.
    const DocCamStatus fromInquiries = c.m_status;
    if (GetParam() == Transport::kKsProperty) {
        ASSERT_EQ(1, c.IncrementalUpdate());
        EXPECT_EQ(fromInquiries.brightness, c.m_status.brightness);
        EXPECT_EQ(fromInquiries.mirror, c.m_status.mirror);
        EXPECT_EQ(fromInquiries.effect, c.m_status.effect);
        EXPECT_EQ(fromInquiries.zoomMoveHori, c.m_status.zoomMoveHori);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTransports, RoundTrip,
                         ::testing::Values(Transport::kDirectUsb, Transport::kKsProperty, Transport::kDirectShow),
                         [](const auto& info) { return std::string(simcam::TransportName(info.param)); });

}  // namespace
