// The encoder's input stage: caller pixels to level-shifted 8x8 sample
// blocks of one MCU, with colour conversion and chroma downsampling.
#ifndef JPEGCODEC_ENC_COLOR_H
#define JPEGCODEC_ENC_COLOR_H

#include "CpuDispatch.h"

// Chooses the MCU converter for the image in the state (component table,
// conversion and downsampling flags set) and installs it in ccEncodeMcu.
JPEG_STATUS selectEncodeConverter(JPEG_CODEC_STATE* state);

// The portable bodies of the input slots: one MCU of caller pixels to
// level-shifted blocks.
extern const EncodeGreyFn encodeGrey;
extern const Encode3Fn encodeRgb11, encodeRgb21, encodeRgb22, encodeBgr11, encodeBgr21, encodeBgr22, encodePlain3x11,
    encodePlain3x21, encodePlain3x22, encodePackedYcc21;
extern const Encode4Fn encodeCmyk11, encodeCmyk21, encodeCmyk22, encodePlain4x11;

#endif
