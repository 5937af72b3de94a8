// The model table, names, and the feature word from the table or from the
// camera's capability inquiries.
#include <gtest/gtest.h>

#include <string>

#include "SimRig.h"
#include "kvqdoccam.h"

using simcam::SimRig;
using simcam::Transport;

namespace {

struct ModelRow {
    uint8_t code;
    unsigned long feature;
    const wchar_t* name;
};

const ModelRow kRows[] = {
    {0x00, 0xFFFFFFFF, L"unknown"},     {0x01, 0x000000F9, L"760e"},         {0x11, 0x00000000, L"290plus"},
    {0x13, 0x00000000, L"470"},         {0x14, 0x00000000, L"470m"},         {0x15, 0x00000000, L"490"},
    {0x30, 0x000000F9, L"760r"},        {0x33, 0x000000FE, L"790"},          {0x53, 0x000000FE, L"970"},
    {0x31, 0x00000BFD, L"760FX"},       {0x60, 0x00000FFF, L"TR-D4"},        {0x32, 0x00001BFD, L"760FX(ASIC)"},
    {0x61, 0x00001FFF, L"TR-D4(ASIC)"}, {0x73, 0x00001000, L"470(ASIC)"},    {0x74, 0x00001000, L"490(ASIC)"},
    {0x75, 0x00001BF9, L"760R(ASIC)"},  {0x68, 0x00021BFD, L"760FX Motion"}, {0x69, 0x00021FFF, L"TRD760 Motion"},
};

TEST(ModelTable, EighteenRowsInOrder)
{
    for (int row = 0; row < KVQDocCamController::kModelRows; ++row) {
        EXPECT_EQ(kRows[row].code, KVQDocCamController::m_modelNum[row]) << row;
        EXPECT_EQ(kRows[row].feature, KVQDocCamController::m_modelFeature[row]) << row;
        EXPECT_EQ(std::wstring(kRows[row].name), KVQDocCamController::m_modelName[row]) << row;
    }
}

TEST(ModelTable, NameAndFeatureByCodeIgnoringBit7)
{
    for (int row = 1; row < KVQDocCamController::kModelRows; ++row) {
        for (const uint8_t bit7 : {0x00, 0x80}) {
            SimRig rig(Transport::kDirectShow, uint8_t(kRows[row].code | bit7));
            KVQDocCamController c;
            rig.Attach(c);
            EXPECT_EQ(std::wstring(kRows[row].name), c.GetDocCamModelName(1));
            EXPECT_EQ(kRows[row].feature, c.GetDocCamModelFeature(0));
        }
    }
}

TEST(ModelTable, UnknownCodesFallBackToRowZero)
{
    for (const uint8_t code : {0x00, 0x7F, 0x80, 0x12}) {
        SimRig rig(Transport::kDirectShow, code);
        KVQDocCamController c;
        rig.Attach(c);
        EXPECT_EQ(std::wstring(L"unknown"), c.GetDocCamModelName(1)) << int(code);
        EXPECT_EQ(0xFFFFFFFFul, c.GetDocCamModelFeature(0)) << int(code);
    }
    SimRig rig(Transport::kDirectShow, 0x60);
    KVQDocCamController c;
    rig.Attach(c);
    rig.camera.unplugged = true;
    c.m_status.modelCode = 0x60;
    EXPECT_EQ(std::wstring(L"unknown"), c.GetDocCamModelName(1)) << "a failed model inquiry";
    EXPECT_EQ(std::wstring(L"TR-D4"), c.GetDocCamModelName(0));
}

TEST(FeatureWord, BuiltFromTheCapabilityInquiries)
{
    const struct {
        std::array<uint8_t, 3> capability;
        std::optional<uint8_t> second;
        unsigned long expected;
    } cases[] = {
        {{0x01, 0x21, 0x04}, 0xD0, 0x1100 | 0x8 | 0x4 | 0x40 | 0x10000 | 0x20000 | 0x40000 | 0x100000},
        {{0x02, 0x00, 0x00}, std::nullopt, 0x1100 | 0x2000},
        {{0x00, 0x1E, 0x00}, 0x00, 0x1100 | 0x80 | 0x400 | 0x4000 | 0x8000},
        {{0xFC, 0xC0, 0xFB}, 0x2F, 0x1100},
        {{0xFF, 0xFF, 0xFF},
         0xFF,
         0x1100 | 0x4 | 0x8 | 0x40 | 0x80 | 0x400 | 0x2000 | 0x4000 | 0x8000 | 0x10000 | 0x20000 | 0x40000 | 0x100000},
    };
    for (const auto& k : cases) {
        SimRig rig(Transport::kKsProperty, 0x32);
        KVQDocCamController c;
        rig.Attach(c);
        rig.camera.capability = k.capability;
        rig.camera.capability2 = k.second;
        EXPECT_EQ(k.expected, c.GetDocCamModelFeature(1)) << std::hex << k.expected;
        EXPECT_EQ(k.expected, c.m_feature);
        EXPECT_EQ(0x32, c.m_status.modelCode);
    }
}

TEST(FeatureWord, FallsBackToTheTableAndKeepsTheWordWhenTheModelIsUnknown)
{
    SimRig rig(Transport::kDirectUsb, 0x68);
    KVQDocCamController c;
    rig.Attach(c);
    rig.camera.capability = std::array<uint8_t, 3>{0, 0, 0};
    EXPECT_EQ(0x21BFDul, c.GetDocCamModelFeature(1));
    EXPECT_EQ(1, c.m_status.keepAlive) << "large-frame models need the keep-alive";
    rig.camera.capability.reset();
    rig.camera.modelCode = 0x7E;
    EXPECT_EQ(0xFFFFFFFFul, c.GetDocCamModelFeature(1));
    EXPECT_EQ(0, c.m_status.keepAlive);

    c.m_feature = 0x123;
    rig.camera.unplugged = true;
    EXPECT_EQ(0xFFFFFFFFul, c.GetDocCamModelFeature(1));
    EXPECT_EQ(0x123ul, c.m_feature) << "a failed model inquiry keeps the word";
}

TEST(FeatureWord, HaveZoomOpticalFollowsBit2)
{
    SimRig rig(Transport::kDirectShow, 0x53);
    KVQDocCamController c;
    rig.Attach(c);
    EXPECT_EQ(1, c.HaveZoomOptical(1));
    c.m_feature = 0xFFFFFFFD;
    EXPECT_EQ(0, c.HaveZoomOptical(0));
    rig.camera.unplugged = true;
    c.m_feature = 0xFFFFFFFF;
    EXPECT_EQ(0, c.HaveZoomOptical(1));
}

}  // namespace
