// Feeds arbitrary bytes to the progressive decoding paths: the stream is
// decoded whole, at reduced size and as a region, so that damaged scan
// headers, band data, EOB runs, refinements and restarts reach the
// coefficient store and the final output pass, for pictures of any size.
#include "FuzzRecord.h"

namespace {
// A progressive stream's cost is bounded by its bytes, so large pictures are
// decoded (into a clipped bitmap), up to 16 megapixels: twice the camera's
// largest still. Beyond that an end-of-band run covers so many blocks per
// byte that one input can take seconds, which only slows the fuzzer down;
// the unit tests decode the largest claims.
constexpr int64_t kMaxPixels = int64_t{1} << 24;

void decodeAs(const uint8_t* data, size_t size, uint8_t selector)
{
    FuzzRecord record(data, size, selector & 1, kMaxPixels);
    if (!record.decodable()) return;
    JPEG_PROPERTIES& props = record.props;
    static const JPEG_IO_MODE kModes[] = {DecodeFromMemory, DecodeHalfFromMemory, DecodeEighthFromMemory,
                                          DecodeFromMemory};
    const JPEG_IO_MODE mode = kModes[(selector >> 1) & 3];
    const bool region = ((selector >> 1) & 3) == 3;
    const int32_t channels = (selector & 8) ? 1 : 3;
    std::vector<uint8_t> pixels;
    record.attachBitmap(pixels, channels, selector & 16);
    props.bitmapColor = channels == 1 ? JPEG_COLOR_GREY : JPEG_COLOR_BGR;
    if (region)
        jpegtest::setRegion(&props, props.jpegWidth / 4, props.jpegHeight / 3, props.jpegWidth / 2 + 1,
                            props.jpegHeight / 2 + 1);
    jpegRead(&props, mode);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1 << 18)) return 0;
    // The first byte picks the options; the rest is the stream.
    decodeAs(data + 1, size - 1, data[0]);
    return 0;
}
