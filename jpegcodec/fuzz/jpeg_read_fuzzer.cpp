// Feeds arbitrary bytes to every memory read mode, in the sequences the
// callers use: the stream's parameters first, then its pixels.
#include "fuzz_record.h"

namespace {
void decodeAs(const uint8_t* data, size_t size, JPEG_IO_MODE mode, uint8_t variant) {
  FuzzRecord record(data, size, variant & 1);
  if (!record.decodable()) return;
  JPEG_PROPERTIES& props = record.props;
  const int32_t channels = props.bitmapChannels > 0 && props.bitmapChannels <= 4 ? props.bitmapChannels : 3;
  std::vector<uint8_t> pixels;
  record.attachBitmap(pixels, channels, variant & 2);
  if (variant & 4) jpegtest::setSmoothUpsampling(&props, 1);
  jpegRead(&props, mode);
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
