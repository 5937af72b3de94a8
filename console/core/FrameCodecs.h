#pragma once

#include "FrameBuffer.h"

// Turns a YUY2 camera frame into the frame buffer; 1 on success, 0 (frame
// untouched) when the bytes are not a whole frame of that size or the
// buffer can't take the size.
int ConvertYuy2Frame(KVQFrameBuffer& frame, const unsigned char* data, int width, int height, int length);
