// Which pixel pairs and rows of the 1024x768 frame make a smaller picture:
// a centred window taken every step-th pair and row.
#pragma once

#include <stdint.h>

namespace kjpeg {

struct CropWindow {
    uint32_t firstPair;  // pairs counted from the left, rows from the top
    uint32_t firstRow;
    uint32_t step;
    uint32_t pairs;
    uint32_t rows;

    // False when width x height is no window that the frame gives exactly.
    bool Fit(uint32_t width, uint32_t height);
};

}  // namespace kjpeg
