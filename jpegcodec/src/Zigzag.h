#ifndef JPEGCODEC_ZIGZAG_H
#define JPEGCODEC_ZIGZAG_H

#include <stdint.h>

// Natural (row-major) index of each zig-zag position. Entries 64-79 hold 63
// so that a run overshooting the block in corrupt data lands on the last
// coefficient instead of outside it.
extern const int32_t zigzagToNatural[80];

#endif
