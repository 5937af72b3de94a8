// Marker codes and the reading of a marker at a position of the frame.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "kjpeg/JpegDecoder.h"

namespace kjpeg {

enum Marker : uint8_t {
    kSof0 = 0xC0,
    kDht = 0xC4,
    kRst0 = 0xD0,
    kRst7 = 0xD7,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kDqt = 0xDB,
    kDnl = 0xDC,
    kDri = 0xDD,
};

// Reads the marker at *position (fill bytes FF allowed before its code).
inline Status ReadMarker(const uint8_t* data, size_t length, size_t* position, uint8_t* code)
{
    size_t at = *position;
    if (at >= length) return Status::Truncated;
    if (data[at] != 0xFF) return Status::BadMarker;
    while (at < length && data[at] == 0xFF) ++at;
    if (at >= length) return Status::Truncated;
    *code = data[at];
    *position = at + 1;
    return Status::Ok;
}

}  // namespace kjpeg
