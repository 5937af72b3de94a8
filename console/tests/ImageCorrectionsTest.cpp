#include <gtest/gtest.h>

#include "ImageCorrections.h"
#include "TestPlane.h"

namespace {

// A 2 x 1 picture: left pixel (10, 100, 200), right pixel black.
struct Result {
    int left[3];
    int right[3];
};

Result Correct(const CameraPictureState& state, bool allowAdjust)
{
    TestPlane t(2, 1);
    t.Set(0, 0, 10, 100, 200);
    ApplyImageCorrections(t.plane, state, allowAdjust);
    Result r{};
    for (int i = 0; i < 3; ++i) r.left[i] = t.At(0, 0)[i], r.right[i] = t.At(1, 0)[i];
    return r;
}

CameraPictureState Camera(int model, unsigned features = 0)
{
    CameraPictureState s{};
    s.model = model;
    s.features = features;
    s.brightness = 50;
    s.contrast = 75;
    return s;
}

TEST(ApplyImageCorrections, SoftwareBrightnessOnlyForModelsWithoutHardwareAdjustment)
{
    struct Case {
        int model;
        unsigned features;
        bool allowAdjust;
        int colorMode;
        bool adjusted;
    };
    const Case cases[] = {
        {0x31, 0, true, 0, true},        {0x60, 0, true, 0, true},  // 96 itself still adjusts
        {0x80 | 0x31, 0, true, 0, true},                            // high-resolution bit is not part of the model
        {0x32, 0, true, 0, false},       {0x61, 0, true, 0, false},
        {0x64, 0, true, 0, false},       {0x64, kFeatureSoftwareAdjust64, true, 0, true},
        {0x31, 0, false, 0, false},  // an AVI is being written
        {0x31, 0, true, 2, false},   // negative mode
    };
    for (const Case& c : cases) {
        CameraPictureState s = Camera(c.model, c.features);
        s.colorMode = c.colorMode;
        s.brightness = 60;
        const Result r = Correct(s, c.allowAdjust);
        EXPECT_EQ(r.left[0], c.adjusted ? 20 : 10) << std::hex << c.model;
    }
}

TEST(ApplyImageCorrections, ContrastAroundItsNeutralValue)
{
    CameraPictureState s = Camera(0x31);
    s.contrast = 75 + 127;  // fully hard
    const Result r = Correct(s, true);
    EXPECT_EQ(r.left[0], 0);
    EXPECT_EQ(r.left[1], 0);
    EXPECT_EQ(r.left[2], 255);
}

TEST(ApplyImageCorrections, NegativeInSoftwareForModels33And53Only)
{
    for (const int model : {0x33, 0x53, 0x31, 0x64}) {
        CameraPictureState s = Camera(model);
        s.colorMode = kColorModeNegative;
        const bool inverted = model == 0x33 || model == 0x53;
        EXPECT_EQ(Correct(s, true).left[0], inverted ? 245 : 10) << std::hex << model;
    }
}

TEST(ApplyImageCorrections, MirrorAndHalfTurnInSoftwareBelowModel96)
{
    struct Case {
        int model;
        unsigned features;
        bool inSoftware;
    };
    const Case cases[] = {{0x31, 0, true},  {0x33, 0, true},  {0x53, 0, true},
                          {0x5F, 0, true},  {0x60, 0, true},  {0x32, 0, false},
                          {0x61, 0, false}, {0x64, 0, false}, {0x64, kFeatureSoftwareTurn64, true}};
    for (const Case& c : cases) {
        CameraPictureState s = Camera(c.model, c.features);
        s.mirror = 1;
        EXPECT_EQ(Correct(s, true).right[2], c.inSoftware ? 200 : 0) << std::hex << c.model;
        s.mirror = 0;
        s.rotation = 2;  // on a single row a half turn reverses it
        EXPECT_EQ(Correct(s, true).right[2], c.inSoftware ? 200 : 0) << std::hex << c.model;
        s.mirror = 1;  // both: back where it started
        EXPECT_EQ(Correct(s, true).left[2], 200) << std::hex << c.model;
    }
}

}  // namespace
