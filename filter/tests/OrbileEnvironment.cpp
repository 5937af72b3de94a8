#include "TransformGraph.h"

#include <gtest/gtest.h>

namespace {
// COM and OLE for the whole run (the property frame needs OLE), with the
// filter registered as the device library would register it.
class OrbileEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        HMODULE orbile = OrbileModule();
        ASSERT_NE(orbile, nullptr) << "cannot load Orbile.ax";
        auto registerServer = OrbileExport<DllEntry>("DllRegisterServer");
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), S_OK);
    }
    void TearDown() override
    {
        auto unregisterServer = OrbileExport<DllEntry>("DllUnregisterServer");
        EXPECT_EQ(unregisterServer(), S_OK);
        OleUninitialize();
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new OrbileEnvironment);
}  // namespace
