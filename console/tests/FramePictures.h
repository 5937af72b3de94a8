#pragma once

// Pictures and files for the frame buffer and codec tests: an asymmetric
// picture whose orientation any reader can check, and temporary files.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "FrameBuffer.h"

namespace frametest {

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};
constexpr Bgr kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

inline std::ostream& operator<<(std::ostream& os, const Bgr& c) { return os << c.b << "," << c.g << "," << c.r; }

// Pixel (x, y) with y counted from the picture's top.
inline unsigned char* PixelAt(KVQFrameBuffer& f, int x, int y)
{
    const BgrPlane p = f.WritablePlane();
    return p.pixels + (p.height - 1 - y) * p.stride + 3 * x;
}

inline Bgr Get(KVQFrameBuffer& f, int x, int y)
{
    const unsigned char* p = PixelAt(f, x, y);
    return {p[0], p[1], p[2]};
}

inline void Put(KVQFrameBuffer& f, int x, int y, Bgr c)
{
    unsigned char* p = PixelAt(f, x, y);
    p[0] = static_cast<unsigned char>(c.b), p[1] = static_cast<unsigned char>(c.g),
    p[2] = static_cast<unsigned char>(c.r);
}

// An asymmetric picture: red top-left, green top-right, blue bottom-left,
// white bottom-right.
inline void MakeQuadrants(KVQFrameBuffer& f, int w, int h)
{
    ASSERT_TRUE(f.Resize(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(f, x, y, y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite));
}

inline bool Near(Bgr a, Bgr b, int tolerance)
{
    return std::abs(a.b - b.b) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.r - b.r) <= tolerance;
}

inline void ExpectQuadrants(KVQFrameBuffer& f, int tolerance)
{
    const int w = f.Width(), h = f.Height();
    EXPECT_PRED3(Near, Get(f, 1, 1), kRed, tolerance);
    EXPECT_PRED3(Near, Get(f, w - 2, 1), kGreen, tolerance);
    EXPECT_PRED3(Near, Get(f, 1, h - 2), kBlue, tolerance);
    EXPECT_PRED3(Near, Get(f, w - 2, h - 2), kWhite, tolerance);
}

inline std::wstring TempFile(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

inline std::vector<unsigned char> ReadBytes(const std::wstring& path)
{
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

inline void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

inline std::wstring FixturePath(const wchar_t* name)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    return dir.substr(0, dir.find_last_of(L"\\/")) + L"\\fixtures\\" + name;
}

}  // namespace frametest
