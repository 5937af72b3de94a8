// Region building for the 351 x 200 panel face: the run-length builder
// against one region operation per transparent pixel (the plain approach),
// in one run. Prints milliseconds per build and the ratio.
#include "kvquikit.h"
#include <chrono>
#include <cstdio>

namespace {

HRGN PerPixelRegion(HBITMAP bitmap, COLORREF key)
{
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof(info), &info);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    HRGN region = ::CreateRectRgn(0, 0, info.bmWidth, info.bmHeight);
    for (int y = 0; y < info.bmHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x)
            if (::GetPixel(dc, x, y) == key) {
                HRGN pixel = ::CreateRectRgn(x, y, x + 1, y + 1);
                ::CombineRgn(region, region, pixel, RGN_XOR);
                ::DeleteObject(pixel);
            }
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return region;
}

template <typename Build>
double MillisecondsPerBuild(int rounds, Build build)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) build();
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / rounds;
}

}  // namespace

int main()
{
    HBITMAP face = ::LoadBitmapW(::GetModuleHandleW(L"kvquikit.dll"), MAKEINTRESOURCEW(1000));
    if (!face) return 1;
    const double runs = MillisecondsPerBuild(200, [&] {
        CRgn region;
        kvqComputeRgnFromBitmap(&region, face, KVQ_TRANSPARENT);
    });
    const double perPixel = MillisecondsPerBuild(5, [&] { ::DeleteObject(PerPixelRegion(face, KVQ_TRANSPARENT)); });
    std::printf("panel face 351x200: run-length %.3f ms, per-pixel %.3f ms, ratio %.1f\n", runs, perPixel,
                perPixel / runs);
    ::DeleteObject(face);
    return 0;
}
