#pragma once
// What a console's window shows, read from the screen: the picture area as
// a grid of grey levels, compared with the simulated camera's test pictures.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "SimPictures.h"
#include "jpegcodec.h"

inline RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// Grey levels of the screen inside a window's picture area (13 in from the
// sides, 26 below the top, 64 above the bottom), averaged over a grid of
// cells so that the comparison does not depend on how the picture was
// scaled.
constexpr int kGridW = 64, kGridH = 48;

inline std::vector<double> GridOf(const std::vector<uint8_t>& bgr, int width, int height, int stride)
{
    std::vector<double> grid(kGridW * kGridH, 0.0);
    std::vector<int> counts(grid.size(), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
            const int cell = (y * kGridH / height) * kGridW + x * kGridW / width;
            grid[cell] += (p[0] + p[1] + p[2]) / 3.0;
            ++counts[cell];
        }
    for (size_t i = 0; i < grid.size(); ++i) grid[i] /= counts[i] ? counts[i] : 1;
    return grid;
}

struct Screen {
    std::vector<uint8_t> bgr;  // top-down rows
    int width = 0, height = 0, stride = 0;
    // Pixels of the colour the console writes its texts in (red), in the
    // part from (left, top) on, above row bottom.
    int TextPixels(int left = 0, int top = 0, int bottom = -1) const
    {
        return RedPixels(left, top, width, bottom < 0 ? height : bottom);
    }
    // Red pixels (texts, or the default drawing colour) in a part.
    int RedPixels(int left, int top, int right, int bottom) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
                count += p[2] > 200 && p[1] < 90 && p[0] < 60;
            }
        return count;
    }
    // Pixels of ink on white paper (typed text is near-black, smoothed at
    // its edges) in a part.
    int InkPixels(int left, int top, int right, int bottom) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
                count += p[0] < 170 && p[1] < 170 && p[2] < 170;
            }
        return count;
    }
    double MeanGrey() const
    {
        double sum = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
                sum += (p[0] + p[1] + p[2]) / 3.0;
            }
        return sum / (double(width) * height);
    }
};

// A part of a window as the screen shows it, in window coordinates.
inline Screen CaptureWindowPart(HWND window, int left, int top, int width, int height)
{
    const RECT rect = WindowRect(window);
    Screen shot;
    shot.width = width;
    shot.height = height;
    shot.stride = (shot.width * 3 + 3) & ~3;
    shot.bgr.resize(size_t(shot.stride) * shot.height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, rect.left + left, rect.top + top, SRCCOPY);
    GdiFlush();
    std::memcpy(shot.bgr.data(), bits, shot.bgr.size());
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

// The picture area: inside the skin's frame, below its title bar.
inline Screen CapturePictureArea(HWND window)
{
    const RECT rect = WindowRect(window);
    return CaptureWindowPart(window, 13, 26, rect.right - rect.left - 26, rect.bottom - rect.top - 90);
}

// The simulated camera's pictures as grids, decoded here with the codec.
inline const std::vector<std::vector<double>>& ReferenceGrids()
{
    static std::vector<std::vector<double>> grids;
    if (!grids.empty()) return grids;
    const int w = simcam::kTestPictureWidth, h = simcam::kTestPictureHeight;
    std::vector<uint8_t> pixels(size_t(w) * h * 3);
    for (const simcam::Picture& picture : simcam::kTestPictures) {
        JPEG_PROPERTIES props;
        jpegInit(&props);
        props.jpegBuffer = const_cast<uint8_t*>(picture.bytes);
        props.jpegBufferSize = int32_t(picture.size);
        props.bitmapPixels = pixels.data();
        props.bitmapWidth = w;
        props.bitmapHeight = h;  // rows top-down
        props.bitmapChannels = 3;
        props.bitmapColor = JPEG_COLOR_BGR;
        const JPEG_STATUS status = jpegRead(&props, DecodeFromMemory);
        jpegFree(&props);
        // A picture the codec cannot read matches nothing.
        if (status != 0) continue;
        grids.push_back(GridOf(pixels, w, h, w * 3));
    }
    return grids;
}

inline double MeanDifference(const std::vector<double>& a, const std::vector<double>& b, int fromX, int fromY)
{
    double sum = 0;
    int cells = 0;
    for (int y = fromY; y < kGridH; ++y)
        for (int x = fromX; x < kGridW; ++x, ++cells) sum += std::fabs(a[y * kGridW + x] - b[y * kGridW + x]);
    return sum / cells;
}

// Which test picture the window shows (its frame counter, "No. n" at the
// bottom right), or -1 when the picture area does not show the document.
inline int ShownPicture(HWND window)
{
    const Screen shot = CapturePictureArea(window);
    const std::vector<double> grid = GridOf(shot.bgr, shot.width, shot.height, shot.stride);
    const auto& references = ReferenceGrids();
    int best = -1;
    double bestCounter = 1e9;
    for (int i = 0; i < int(references.size()); ++i) {
        if (MeanDifference(grid, references[i], 0, 0) > 12.0) continue;
        const double counter = MeanDifference(grid, references[i], 46, 41);
        if (counter < bestCounter) {
            bestCounter = counter;
            best = i;
        }
    }
    return best;
}
