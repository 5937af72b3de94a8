#include "FrameCodecs.h"

#include "Yuy2Converter.h"

int ConvertYuy2Frame(KVQFrameBuffer& frame, const unsigned char* data, int width, int height, int length)
{
    if (!data || !IsYuy2FrameComplete(width, height, length) || !frame.Resize(width, height)) return 0;
    return ConvertYuy2ToBgr(data, width, height, length, frame.WritablePlane()) ? 1 : 0;
}
