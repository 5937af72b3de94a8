#pragma once

#include "FrameBuffer.h"

// The console's picture codecs over frame buffers. Each returns 1 on success
// and 0 on failure, and keeps the codec's state on its own stack, so any
// thread may run them on buffers it holds.

// Turns a YUY2 camera frame into the frame buffer; 0 (frame untouched) when
// the bytes are not a whole frame of that size or the buffer can't take the
// size.
int ConvertYuy2Frame(KVQFrameBuffer& frame, const unsigned char* data, int width, int height, int length);

// Decodes a camera's JPEG frame into the frame buffer at the picture's own
// size. Only a frame whose end marker arrived is decoded; 0 for anything
// else, for a picture larger than any camera makes, or a failed decode.
int DecodeCameraJpeg(KVQFrameBuffer& frame, const unsigned char* data, int length);

// Writes the picture as a JPEG file at quality 75.
int WriteJpegFile(const wchar_t* path, KVQFrameBuffer& frame);

// Encodes the picture into the caller's buffer at the given quality; on
// success size (the buffer's capacity on the way in) is the JPEG's length.
int EncodeJpegToMemory(unsigned char* buffer, int& size, KVQFrameBuffer& frame, int quality);
