#include "RecordVideo.h"

#include <cstring>

namespace {

struct FrameSize {
    LONG width, height;
};

// Each row of a 24-bit DIB is padded to whole 32-bit words.
DWORD RowBytes(LONG width) { return (static_cast<DWORD>(width) * 3 + 3) & ~3u; }

}  // namespace

void ScaleFrameNearest(const BYTE* source, int sourceWidth, int sourceHeight, int sourceStride, BYTE* target,
                       int targetWidth, int targetHeight, int targetStride)
{
    const unsigned step = static_cast<unsigned>((static_cast<unsigned long long>(sourceWidth) << 16) / targetWidth);
    for (int y = 0; y < targetHeight; ++y) {
        // The source row under the target row's centre: always inside the
        // source, also when enlarging.
        const long long row = (2LL * y + 1) * sourceHeight / (2LL * targetHeight);
        const BYTE* in = source + row * sourceStride;
        BYTE* out = target + static_cast<long long>(y) * targetStride;
        unsigned column = 0;
        for (int x = 0; x < targetWidth; ++x, column += step, out += 3) std::memcpy(out, in + 3 * (column >> 16), 3);
    }
}

void ChooseRecordCompression(AVICOMPRESSOPTIONS& options, std::vector<BYTE>& codecState)
{
    options = AVICOMPRESSOPTIONS{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = mmioFOURCC('X', 'V', 'I', 'D');
    options.dwKeyFrameEvery = 10;
    options.dwQuality = 0xFFFFFFFF;  // the codec's default
    options.dwFlags = AVICOMPRESSF_KEYFRAMES;
    codecState.clear();

    HIC codec = ICOpen(mmioFOURCC('v', 'i', 'd', 'c'), options.fccHandler, ICMODE_QUERY);
    if (!codec) {
        options.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
        return;
    }
    const LRESULT size = ICGetStateSize(codec);
    if (size > 0) {
        codecState.assign(static_cast<size_t>(size), 0);
        if (ICGetState(codec, codecState.data(), static_cast<DWORD>(size)) != 0) {
            codecState.clear();
            options.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
        } else {
            options.lpParms = codecState.data();
            options.cbParms = static_cast<DWORD>(size);
        }
    }
    ICClose(codec);
}

RecordVideo::RecordVideo(RecordSize size) : m_size(size) {}

BITMAPINFOHEADER RecordVideo::StreamHeader(const BITMAPINFOHEADER& frame) const
{
    static const FrameSize kSizes[] = {{0, 0}, {800, 600}, {640, 480}, {320, 240}};
    BITMAPINFOHEADER header = frame;
    if (m_size != RecordSize::Native) {
        const FrameSize& size = kSizes[static_cast<int>(m_size)];
        header.biWidth = size.width;
        header.biHeight = size.height;
        header.biSizeImage = RowBytes(size.width) * size.height;
    }
    return header;
}

HRESULT RecordVideo::CreateStream(AviWriter* writer, const BITMAPINFOHEADER& frame, AVICOMPRESSOPTIONS* options)
{
    if (!writer) return AVIERR_BADHANDLE;
    if (writer->failed) return AVIERR_ERROR;
    if (writer->compressedStream) return AVIERR_COMPRESSOR;
    const BITMAPINFOHEADER header = StreamHeader(frame);
    HRESULT result = AviWriterEnsureVideoStream(writer, header.biWidth, header.biHeight, header.biSizeImage);
    if (result != AVIERR_OK) return result;
    return AviWriterEnsureCompressedStream(writer, options, &header, sizeof header);
}

HRESULT RecordVideo::WriteFrame(AviWriter* writer, const BITMAPINFOHEADER& frame, const BYTE* bits)
{
    if (!writer) return AVIERR_BADHANDLE;
    if (writer->failed) return AVIERR_ERROR;
    if (!writer->compressedStream) {
        AVICOMPRESSOPTIONS uncompressed{};
        uncompressed.fccType = streamtypeVIDEO;
        uncompressed.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
        if (HRESULT result = CreateStream(writer, frame, &uncompressed)) return result;
    }
    const BITMAPINFOHEADER header = StreamHeader(frame);
    const LONG height = frame.biHeight < 0 ? -frame.biHeight : frame.biHeight;
    if (header.biWidth == frame.biWidth && header.biHeight == height)
        return AviWriterWriteVideo(writer, bits, static_cast<LONG>(RowBytes(frame.biWidth) * height));
    if (m_scaled.size() != header.biSizeImage) m_scaled.assign(header.biSizeImage, 0);
    ScaleFrameNearest(bits, frame.biWidth, height, static_cast<int>(RowBytes(frame.biWidth)), m_scaled.data(),
                      header.biWidth, header.biHeight, static_cast<int>(RowBytes(header.biWidth)));
    return AviWriterWriteVideo(writer, m_scaled.data(), static_cast<LONG>(header.biSizeImage));
}
