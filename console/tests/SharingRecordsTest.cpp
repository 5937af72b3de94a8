// The records a sharing console sends its viewers, read back the way a
// viewer reads them (RemoteCamera's parsers), and the naming, port and
// browse bookkeeping of sharing.
#include <gtest/gtest.h>

#include <cstring>

#include "RemoteCamera.h"
#include "SharingRecords.h"

namespace {

struct CapabilityCase {
    const char* what;
    SharedCameraFacts facts;
    uint8_t a, b, steps, brightnessMax, features;
};

TEST(CapabilityReply, ZoomStepsBrightnessAndFeaturesFollowTheModel)
{
    const CapabilityCase cases[] = {
        {"model 117 has 32 steps and single factors", {117, 1000, 0, 0}, 1, 1, 32, 'd', 0},
        {"model 96 with zoom maximum 2400", {96, 2400, 0, 0}, 3, 2, 8, 'd', 0},
        {"model 97 like 96", {97, 1500, 0, 0}, 3, 2, 5, 'd', 0},
        {"model 49 doubles", {49, 800, 0, 0}, 1, 2, 8, 'd', 0},
        {"models 19 and 21 have 4 steps", {21, 9900, 0, 0}, 1, 1, 4, 'd', 0},
        {"model 17 has 2 steps", {17, 9900, 0, 0}, 1, 1, 2, 'd', 0},
        {"the steps keep the low 8 bits", {5, 30000, 0, 0}, 1, 1, uint8_t(300), 'd', 0},
        {"a brightness range reports its maximum", {5, 800, 0x1000, 31}, 1, 1, 8, 31, 0},
        {"a brightness range without a maximum reports 63", {5, 800, 0x1000, 0}, 1, 1, 8, '?', 0},
        {"feature bits", {5, 800, 0x8 | 0x4 | 0x80 | 0x40 | 0x20000 | 0x40000, 0}, 1, 1, 8, 'd', 0xF3},
        {"auto focus alone", {5, 800, 0x4, 0}, 1, 1, 8, 'd', 0x02},
    };
    for (const CapabilityCase& c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t reply[kCapabilityReplyBytes];
        std::memset(reply, 0xCC, sizeof reply);
        BuildCapabilityReply(c.facts, reply);
        const uint8_t expected[kCapabilityReplyBytes] = {c.a, c.b, c.steps, 0, c.brightnessMax, c.features, 0, 0};
        EXPECT_EQ(0, std::memcmp(expected, reply, sizeof reply));
        RemoteCapability read;
        ASSERT_TRUE(RemoteCapability::Parse(reply, sizeof reply, &read));
        EXPECT_EQ(c.steps, read.zoomSteps);
    }
}

TEST(CapabilityReply, VersionTwoHoldsTwoAndZeroes)
{
    uint8_t reply[kCapabilityReplyV2Bytes];
    std::memset(reply, 0xCC, sizeof reply);
    BuildCapabilityReplyV2(reply);
    for (int i = 0; i < kCapabilityReplyV2Bytes; ++i) EXPECT_EQ(i == 2 ? 2 : 0, reply[i]) << i;
}

TEST(CameraStateHeader, AViewerReadsBackWhatTheCameraShows)
{
    SharedCameraState state;
    state.model = 96;
    state.features = 0x20000 | 0x40000;
    state.brightness = 37;
    state.zoomSize = 250;
    state.digitalZoomSize = 150;
    state.shownZoomMax = 1800;
    state.rotation = 2;
    state.mirror = 1;
    state.frozen = true;
    state.colourMode = 2;
    state.whiteBalanceMode = 0;
    state.exposureMode = 1;
    state.controllable = true;
    state.motion = true;
    state.external = true;
    state.autoImage = true;
    uint8_t header[kCameraStateHeaderBytes];
    std::memset(header, 0xCC, sizeof header);
    BuildCameraStateHeader(state, header);

    RemoteCameraState read;
    ASSERT_TRUE(RemoteCameraState::Parse(header, sizeof header, &read));
    EXPECT_FLOAT_EQ(37.0f, read.brightness);
    EXPECT_FLOAT_EQ(2.5f, read.zoom);
    EXPECT_FLOAT_EQ(1.5f, read.digitalZoom);
    EXPECT_EQ(2, read.rotation);
    EXPECT_EQ(1, read.mirror);
    EXPECT_EQ(1, read.frozen);
    EXPECT_EQ(2, read.colour);
    EXPECT_EQ(1, read.whiteBalance);
    EXPECT_EQ(0, read.exposure);
    EXPECT_EQ(1, read.controllable);
    EXPECT_EQ(1, read.motion);
    EXPECT_EQ(0x2 | 0x8, read.flags);
    // Factor A, the steps of the shown maximum (18 / 3) and 1.0, big-endian.
    const uint8_t floats[12] = {0x40, 0x40, 0, 0, 0x40, 0xC0, 0, 0, 0x3F, 0x80, 0, 0};
    EXPECT_EQ(0, std::memcmp(floats, header + 20, sizeof floats));
    for (int i = 33; i < kCameraStateHeaderBytes; ++i) EXPECT_EQ(0, header[i]) << i;
}

TEST(CameraStateHeader, MotionAndAutoImageNeedTheirFeatures)
{
    SharedCameraState state;
    state.motion = true;
    state.autoImage = true;
    state.sharing = true;
    uint8_t header[kCameraStateHeaderBytes];
    BuildCameraStateHeader(state, header);
    EXPECT_EQ(0, header[19]);
    EXPECT_EQ(0x1, header[32]) << "only the sharing bit";
}

TEST(SharingServiceName, LocalEntryTextAndLongNames)
{
    const std::string fifty(50, 'x');
    const struct {
        const char* what;
        std::string asked, expected;
    } cases[] = {
        {"an ordinary name stays", "Room 12", "Room 12"},
        {"the local entry's text gets a suffix", "this", "this (2)"},
        {"only the exact text", "This", "This"},
        {"63 bytes fit", std::string(63, 'a'), std::string(63, 'a')},
        {"64 bytes lose one character", std::string(64, 'a'), std::string(63, 'a')},
        // 50 + 7 x 2-byte characters = 64 bytes: the last whole character goes.
        {"a character is never cut in half", fifty + "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4",
         fifty + "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, SharingServiceName(c.asked, "this")) << c.what;
}

int g_draws[4];
int g_drawIndex;
int NextDraw() { return g_draws[g_drawIndex++ % 4]; }

TEST(DrawSharingPort, APortAnotherConsoleUsesIsDrawnAgain)
{
    const int draws[4] = {3, 20003, 12345, 7};
    std::memcpy(g_draws, draws, sizeof draws);
    g_drawIndex = 0;
    EXPECT_EQ(7003u, DrawSharingPort({}, NextDraw));
    g_drawIndex = 0;
    EXPECT_EQ(19345u, DrawSharingPort({7003}, NextDraw)) << "7003 twice, then 19345";
    EXPECT_EQ(3u, unsigned(g_drawIndex));
}

ServiceRecord Record(const char* name, uint32_t interfaceIndex)
{
    ServiceRecord record;
    record.name = name;
    record.interfaceIndex = interfaceIndex;
    record.type = "_dovraorbile._tcp.";
    record.domain = "local.";
    return record;
}

TEST(BrowsedServices, AServiceSeenOnTwoInterfacesStaysUntilBothReportItGone)
{
    BrowsedServices services;
    EXPECT_TRUE(services.Add(Record("Room", 1)));
    EXPECT_FALSE(services.Add(Record("Room", 2))) << "the second interface's add is no new service";
    EXPECT_FALSE(services.Add(Record("Room", 2))) << "a repeated add counts once";
    EXPECT_FALSE(services.Remove("Room", 1));
    ASSERT_NE(nullptr, services.Find("Room"));
    EXPECT_EQ(2u, services.Find("Room")->interfaceIndex);
    EXPECT_TRUE(services.Remove("Room", 2));
    EXPECT_EQ(nullptr, services.Find("Room"));
    EXPECT_FALSE(services.Remove("Room", 2)) << "an unknown name";
    EXPECT_EQ(0u, services.Count());
}

TEST(RegistrationReplyLine, SaysWhatDnssdAnsweredForTheFullName)
{
    const struct {
        int32_t error;
        const char* name;
        const char* line;
    } cases[] = {
        {0, "Room A", "Got a reply for Room A._dovraorbile._tcp.local.: Name now registered and active\n"},
        {-65548, "Room A", "Got a reply for Room A._dovraorbile._tcp.local.: Name in use, please choose another\n"},
        {-65537, "Room A", "Got a reply for Room A._dovraorbile._tcp.local.: Error -65537\n"},
        {0, nullptr, "Got a reply for ._dovraorbile._tcp.local.: Name now registered and active\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(c.line, RegistrationReplyLine(c.error, c.name, "_dovraorbile._tcp.", "local."));
    }
}

}  // namespace
