// Decodes the MCUs of the frame's one interleaved baseline scan (JPEG
// F.2.2) and writes each block's samples into its plane.
#pragma once

#include <stdint.h>

#include "BitReader.h"
#include "DecoderState.h"

namespace kjpeg {

class ScanDecoder {
public:
    ScanDecoder(JpegDecoder& decoder, const FrameComponent* components, uint32_t mcusPerRow, uint32_t mcuRows,
                uint32_t restartInterval)
        : decoder_(decoder),
          components_(components),
          mcusPerRow_(mcusPerRow),
          mcuRows_(mcuRows),
          restartInterval_(restartInterval)
    {
    }

    // On success the reader stands at the marker behind the scan.
    Status Decode(BitReader& reader);

private:
    bool DecodeBlock(BitReader& reader, const FrameComponent& component, int32_t& predictor, uint8_t* out);
    Status TakeRestart(BitReader& reader, uint32_t expected);

    JpegDecoder& decoder_;
    const FrameComponent* components_;
    uint32_t mcusPerRow_;
    uint32_t mcuRows_;
    uint32_t restartInterval_;
};

}  // namespace kjpeg
