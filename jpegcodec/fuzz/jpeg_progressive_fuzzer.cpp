// Feeds arbitrary bytes to the progressive decoding paths: the stream is
// decoded whole, at reduced size and as a region, so that damaged scan
// headers, band data, EOB runs, refinements and restarts reach the
// coefficient store and the final output pass.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "jpegcodec.h"
#include "jpegcodec_testing.h"

namespace {
constexpr int64_t kMaxPixels = 1 << 20;  // bounds the bitmap the fuzzer allocates

void decodeAs(const uint8_t* data, size_t size, uint8_t selector) {
  JPEG_PROPERTIES props;
  if (jpegInit(&props) != JPEG_SUCCESS) {
    jpegFree(&props);
    return;
  }
  std::vector<uint8_t> stream(data, data + size);
  props.jpegBuffer = stream.data();
  props.jpegBufferSize = static_cast<int32_t>(size);
  jpegtest::setDctMethod(&props, selector & 1);
  if (jpegRead(&props, ReadInfoFromMemory) == JPEG_SUCCESS && props.jpegWidth > 0 && props.jpegHeight > 0 &&
      int64_t{props.jpegWidth} * props.jpegHeight <= kMaxPixels) {
    static const JPEG_IO_MODE kModes[] = {DecodeFromMemory, DecodeHalfFromMemory, DecodeEighthFromMemory,
                                          DecodeFromMemory};
    const JPEG_IO_MODE mode = kModes[(selector >> 1) & 3];
    const bool region = ((selector >> 1) & 3) == 3;
    const int32_t channels = (selector & 8) ? 1 : 3;
    std::vector<uint8_t> pixels(static_cast<size_t>(props.jpegWidth) * props.jpegHeight * channels + 1);
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = props.jpegWidth;
    props.bitmapHeight = (selector & 16) ? -props.jpegHeight : props.jpegHeight;
    props.bitmapChannels = channels;
    props.bitmapColor = channels == 1 ? JPEG_COLOR_GREY : JPEG_COLOR_BGR;
    if (region) jpegtest::setRegion(&props, props.jpegWidth / 4, props.jpegHeight / 3, props.jpegWidth / 2 + 1,
                                    props.jpegHeight / 2 + 1);
    jpegRead(&props, mode);
  }
  jpegFree(&props);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1 << 18)) return 0;
  // The first byte picks the options; the rest is the stream.
  decodeAs(data + 1, size - 1, data[0]);
  return 0;
}
