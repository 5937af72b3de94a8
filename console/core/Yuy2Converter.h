#pragma once

#include "PixelPlane.h"

// True when `length` bytes hold a whole YUY2 frame of an even, positive size.
bool IsYuy2FrameComplete(int width, int height, long long length);

// Converts a packed YUY2 frame (Y0 U Y1 V for every two pixels, rows top
// first) into `out`, which must be width x height. Integer BT.601 in 16.16
// fixed point; the top input row lands in the plane's top (last) row.
// False, with `out` untouched, for an odd or non-positive size, an output of
// another size, or fewer than width x height x 2 bytes of input.
bool ConvertYuy2ToBgr(const unsigned char* data, int width, int height, long long length, const BgrPlane& out);
