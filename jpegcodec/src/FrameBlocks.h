// Where a component's blocks lie within an MCU of the frame: components
// follow each other in frame order, each with H x V blocks.
#ifndef JPEGCODEC_FRAME_BLOCKS_H
#define JPEGCODEC_FRAME_BLOCKS_H

#include "jpegcodec.h"

// Blocks before `component` in an MCU; all of them for componentCount.
inline int32_t firstBlockOf(const JpegFrameInfo& frame, int32_t component)
{
    int32_t blocks = 0;
    for (int32_t c = 0; c < component; ++c)
        blocks += frame.components[c].horizontalFactor * frame.components[c].verticalFactor;
    return blocks;
}

inline int32_t blocksPerMcu(const JpegFrameInfo& frame) { return firstBlockOf(frame, frame.componentCount); }

#endif
