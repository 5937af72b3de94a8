#pragma once

#include <cstdint>
#include <vector>

#include "AnnotationPlane.h"

// An annotation plane with memory of exactly its size (the sanitizers see any
// stray access), read in image coordinates.
struct AnnotationTestPlane {
    AnnotationTestPlane(int width, int height, std::uint32_t fill = 0)
        : words(static_cast<size_t>(width) * height, fill), plane{words.data(), width, height}
    {
    }

    std::uint32_t& At(int x, int y) { return words[static_cast<size_t>(plane.height - 1 - y) * plane.width + x]; }
    int CountNonZero() const
    {
        int n = 0;
        for (std::uint32_t w : words) n += w != 0;
        return n;
    }
    // The x of every written pixel of image row y.
    std::vector<int> Row(int y)
    {
        std::vector<int> xs;
        for (int x = 0; x < plane.width; ++x)
            if (At(x, y)) xs.push_back(x);
        return xs;
    }

    std::vector<std::uint32_t> words;
    ArgbPlane plane;
};
