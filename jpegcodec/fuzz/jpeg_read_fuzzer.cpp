// Feeds arbitrary bytes to every memory read mode, in the sequences the
// callers use: the stream's parameters first, then its pixels.
#include <cstdlib>
#include <vector>

#include "jpegcodec.h"
#include "jpegcodec_testing.h"

namespace {
constexpr int32_t kMaxPixels = 1 << 20;  // keeps one input within the fuzzer's time limit under the sanitizers

void decodeAs(const uint8_t* data, size_t size, JPEG_IO_MODE mode, uint8_t variant) {
  JPEG_PROPERTIES props;
  if (jpegInit(&props) != JPEG_SUCCESS) {
    jpegFree(&props);
    return;
  }
  std::vector<uint8_t> stream(data, data + size);
  props.jpegBuffer = stream.data();
  props.jpegBufferSize = static_cast<int32_t>(size);
  jpegtest::setDctMethod(&props, variant & 1);
  if (jpegRead(&props, ReadInfoFromMemory) == JPEG_SUCCESS && props.jpegWidth > 0 && props.jpegHeight > 0 &&
      static_cast<int64_t>(props.jpegWidth) * props.jpegHeight <= kMaxPixels) {
    const int32_t channels = props.bitmapChannels > 0 && props.bitmapChannels <= 4 ? props.bitmapChannels : 3;
    std::vector<uint8_t> pixels(static_cast<size_t>(props.jpegWidth) * props.jpegHeight * channels + 1);
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = props.jpegWidth;
    props.bitmapHeight = (variant & 2) ? -props.jpegHeight : props.jpegHeight;
    props.bitmapChannels = channels;
    if (variant & 4) jpegtest::setSmoothUpsampling(&props, 1);
    jpegRead(&props, mode);
  }
  jpegFree(&props);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1 << 20)) return 0;
  // The first byte picks the mode and the options; the rest is the stream.
  const uint8_t selector = data[0];
  static const JPEG_IO_MODE kModes[] = {DecodeFromMemory, DecodeHalfFromMemory, DecodeQuarterFromMemory,
                                        DecodeEighthFromMemory};
  decodeAs(data + 1, size - 1, kModes[selector & 3], selector >> 2);
  return 0;
}
