// Lets ctest run a whole codec test program with the processor class forced
// ("JPEGCODEC_USECPU" in the environment plays the "USECPU" value), so the
// decoder and encoder corpora pass through the kernels of every class.
#include <gtest/gtest.h>

#include <cstdlib>

#include "jpegcodec_testing.h"

#ifdef _WIN32
#include <windows.h>

#include <string>
#endif

namespace {
// A forced class that did not reach new records would leave the run on the
// processor's own kernels without a word.
void expectClassOfNewRecords(int32_t cpuClass)
{
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    EXPECT_EQ(cpuClass, jpegtest::cpuClass(&props));
    jpegFree(&props);
}

#ifdef _WIN32
// The value goes where the codec reads it, but test programs of other
// classes run at the same time in the same registry: this process's
// HKEY_LOCAL_MACHINE is mapped onto a key of its own that holds the value.
class ForcedCpuClass : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* forced = std::getenv("JPEGCODEC_USECPU");
        if (!forced) return;
        root_ = L"Software\\Orbile tests\\Forced processor class " + std::to_wstring(GetCurrentProcessId());
        HKEY machine = nullptr, key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, root_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &machine, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(machine, L"Software\\Vexmoor Corporation\\Marrowset\\Kestrunlib", 0,
                                                 nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
        const DWORD value = static_cast<DWORD>(std::atoi(forced));
        RegSetValueExW(key, L"USECPU", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine));
        RegCloseKey(machine);
        expectClassOfNewRecords(static_cast<int32_t>(value));
    }
    void TearDown() override
    {
        if (root_.empty()) return;
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str());
    }

private:
    std::wstring root_;
};
#else
class ForcedCpuClass : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* forced = std::getenv("JPEGCODEC_USECPU");
        if (!forced) return;
        setCpuOverrideForTesting(std::atoi(forced));
        expectClassOfNewRecords(std::atoi(forced));
    }
};
#endif
const auto* const forcedCpuClass = ::testing::AddGlobalTestEnvironment(new ForcedCpuClass);
}  // namespace
