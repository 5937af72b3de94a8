#pragma once

#include <vector>

#include "PixelPlane.h"

// A plane with its own memory; padding bytes hold a sentinel so that tests see
// an operation that strays into them.
struct TestPlane {
    static constexpr unsigned char kPadding = 0xA5;

    TestPlane(int width, int height)
        : bytes(static_cast<size_t>(BgrStride(width)) * height, kPadding),
          plane{bytes.data(), width, height, BgrStride(width)}
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) Set(x, y, 0, 0, 0);
    }

    // (x, y) counted from the first row in memory.
    unsigned char* At(int x, int y) { return bytes.data() + y * plane.stride + 3 * x; }
    void Set(int x, int y, int b, int g, int r)
    {
        unsigned char* p = At(x, y);
        p[0] = static_cast<unsigned char>(b);
        p[1] = static_cast<unsigned char>(g);
        p[2] = static_cast<unsigned char>(r);
    }
    // Every pixel a different colour: b = x, g = y, r = a tag.
    void FillDistinct()
    {
        for (int y = 0; y < plane.height; ++y)
            for (int x = 0; x < plane.width; ++x) Set(x, y, x, y, 7 * x + 13 * y);
    }
    bool PaddingIntact() const
    {
        for (int y = 0; y < plane.height; ++y)
            for (int i = 3 * plane.width; i < plane.stride; ++i)
                if (bytes[y * plane.stride + i] != kPadding) return false;
        return true;
    }

    std::vector<unsigned char> bytes;
    BgrPlane plane;
};
