#include "CropWindow.h"

#include "kjpeg/JpegDecoder.h"

namespace kjpeg {
namespace {

constexpr uint32_t kFramePairs = kFrameWidth / 2;

// Counters run down from the frame's end (pair 512 is the leftmost, row 768
// the top); a counter is kept inside the margins and on multiples of the step.
void Select(uint32_t total, uint32_t margin, uint32_t step, uint32_t* first, uint32_t* count)
{
    *count = 0;
    for (uint32_t index = 0; index < total; ++index) {
        const uint32_t counter = total - index;
        if (counter > margin && counter <= total - margin && counter % step == 0) {
            if (*count == 0) *first = index;
            ++*count;
        }
    }
}

}  // namespace

bool CropWindow::Fit(uint32_t width, uint32_t height)
{
    if (height == kFrameHeight) {
        *this = {0, 0, 1, kFramePairs, kFrameHeight};
        return width == kFrameWidth;
    }
    // Heights of the 4:3 sizes (multiples of 120) come from the centred
    // 640x480 window, the others (CIF sizes) from the centred 704x576 one.
    const bool fourByThree = height % 120 == 0;
    const uint32_t pairMargin = fourByThree ? 96 : 80;
    const uint32_t rowMargin = fourByThree ? 144 : 96;
    const uint32_t span = fourByThree ? 320 : 352;
    if (width < 2 || width % 2 != 0 || height == 0) return false;
    step = span / (width / 2);
    if (step == 0) return false;
    firstPair = firstRow = 0;
    Select(kFramePairs, pairMargin, step, &firstPair, &pairs);
    Select(kFrameHeight, rowMargin, step, &firstRow, &rows);
    return pairs == width / 2 && rows == height;
}

}  // namespace kjpeg
