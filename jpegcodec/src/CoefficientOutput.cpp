// Coefficient output: blocks into the caller's 16-bit planes instead of
// the bitmap.
#include "ScanStages.h"

#include <cstring>

// Caller planes of coefficient output: 16-bit entries, blocks laid out as the
// component's blocks lie in the image.
void storeForCaller(const JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t ci, int32_t x, int32_t y, int32_t h,
                    int32_t v, const int16_t* block, int32_t edge)
{
    const ComponentGeometry& g = plan.comps[ci];
    int16_t* plane = state->coefficientOutput->planes[g.frameIndex];
    if (!plane) return;
    const intptr_t lineLength = static_cast<intptr_t>(plan.columns) * g.blocksH * edge;
    int16_t* at = plane + (static_cast<intptr_t>(y) * g.blocksV + v) * edge * lineLength +
                  (static_cast<intptr_t>(x) * g.blocksH + h) * edge;
    for (int32_t r = 0; r < edge; ++r) std::memcpy(at + r * lineLength, block + r * 8, edge * sizeof(int16_t));
}
