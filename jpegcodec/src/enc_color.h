// The encoder's input stage: caller pixels to level-shifted 8x8 sample
// blocks of one MCU, with colour conversion and chroma downsampling.
#ifndef JPEGCODEC_ENC_COLOR_H
#define JPEGCODEC_ENC_COLOR_H

#include "cpu_dispatch.h"

// Chooses the MCU converter for the image in the state (component table,
// conversion and downsampling flags set) and installs it in ccEncodeMcu.
JPEG_STATUS selectEncodeConverter(JPEG_CODEC_STATE* state);

// Installs the portable block kernels in the table's encoder input slots.
void installPortableEncodeKernels(CpuDispatchTable* table);

#endif
