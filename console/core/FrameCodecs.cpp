#include "FrameCodecs.h"

#include "Yuy2Converter.h"
#include "jpegcodec.h"
#include "kvqdoccam.h"

namespace {

// Large stills are 2016 x 1520; a header claiming more than this is refused
// before any memory is taken for it.
constexpr int kLargestCameraSide = 4096;

// One codec call sequence on a record of the caller's stack: init, the
// caller's fields, the operation, and free in every case.
class JpegSession {
public:
    JpegSession() { m_ok = jpegInit(&props) == JPEG_SUCCESS; }
    ~JpegSession() { jpegFree(&props); }
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;

    bool Ready() const { return m_ok; }

    // The frame's pixels as the codec's bitmap: bottom-up rows (negative
    // height), BGR, padded to the DIB's stride.
    void DescribeBitmap(KVQFrameBuffer& frame)
    {
        const BgrPlane plane = frame.WritablePlane();
        props.bitmapPixels = plane.pixels;
        props.bitmapWidth = plane.width;
        props.bitmapHeight = -plane.height;
        props.bitmapRowPadding = plane.stride - 3 * plane.width;
        props.bitmapChannels = 3;
        props.bitmapColor = JPEG_COLOR_BGR;
    }

    // A 4:2:0 YCbCr stream of the frame's size.
    void DescribeStream(KVQFrameBuffer& frame, int quality)
    {
        props.jpegWidth = frame.Width();
        props.jpegHeight = frame.Height();
        props.jpegChannels = 3;
        props.jpegColor = JPEG_COLOR_YCBCR;
        props.jpegSubsampling = JPEG_SUBSAMPLING_420;
        props.quality = quality;
    }

    JPEG_PROPERTIES props;

private:
    bool m_ok;
};

}  // namespace

int ConvertYuy2Frame(KVQFrameBuffer& frame, const unsigned char* data, int width, int height, int length)
{
    if (!data || !IsYuy2FrameComplete(width, height, length) || !frame.Resize(width, height)) return 0;
    return ConvertYuy2ToBgr(data, width, height, length, frame.WritablePlane()) ? 1 : 0;
}

int DecodeCameraJpeg(KVQFrameBuffer& frame, const unsigned char* data, int length)
{
    if (!data || !KVQDocCamController::CheckJpegEnd(const_cast<unsigned char*>(data), length)) return 0;
    JpegSession codec;
    if (!codec.Ready()) return 0;
    // The codec only reads the buffer in the read modes.
    codec.props.jpegBuffer = const_cast<unsigned char*>(data);
    codec.props.jpegBufferSize = length;
    if (jpegRead(&codec.props, ReadInfoFromMemory) != JPEG_SUCCESS) return 0;
    const int width = codec.props.jpegWidth, height = codec.props.jpegHeight;
    if (width <= 0 || height <= 0 || width > kLargestCameraSide || height > kLargestCameraSide) return 0;
    if (!frame.Resize(width, height)) return 0;
    codec.DescribeBitmap(frame);
    return jpegRead(&codec.props, DecodeFromMemory) == JPEG_SUCCESS ? 1 : 0;
}

int WriteJpegFile(const wchar_t* path, KVQFrameBuffer& frame)
{
    // The codec takes an ANSI name; a path the code page can't carry would
    // name another file, so it is refused.
    char ansiPath[256];
    BOOL lossy = FALSE;
    if (!path || !frame.HasPicture() ||
        !WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, ansiPath, sizeof ansiPath, nullptr, &lossy) ||
        lossy)
        return 0;
    JpegSession codec;
    if (!codec.Ready()) return 0;
    codec.DescribeBitmap(frame);
    codec.DescribeStream(frame, 75);
    codec.props.jpegFileName = ansiPath;
    return jpegWrite(&codec.props, EncodeToFile) == JPEG_SUCCESS ? 1 : 0;
}

int EncodeJpegToMemory(unsigned char* buffer, int& size, KVQFrameBuffer& frame, int quality)
{
    if (!buffer || size <= 0 || !frame.HasPicture()) return 0;
    JpegSession codec;
    if (!codec.Ready()) return 0;
    codec.DescribeBitmap(frame);
    codec.DescribeStream(frame, quality);
    codec.props.jpegBuffer = buffer;
    codec.props.jpegBufferSize = size;
    if (jpegWrite(&codec.props, EncodeToMemory) != JPEG_SUCCESS || codec.props.jpegBufferSize <= 0) return 0;
    size = codec.props.jpegBufferSize;
    return 1;
}
