// Checks that the Wine harness gives programs what later tests rely on:
// a Windows process with a display and a private registry.
#include <gtest/gtest.h>

#include <windows.h>

TEST(Harness, RunsAsWindowsProcessWithDisplay)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"harness", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    EXPECT_GE(GetDeviceCaps(dc, BITSPIXEL), 24);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}

TEST(Harness, PrivateRegistryIsWritable)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\OrbileHarness", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\OrbileHarness"), ERROR_SUCCESS);
}
