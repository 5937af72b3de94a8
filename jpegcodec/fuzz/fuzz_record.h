// One codec record over a private copy of the fuzzer's bytes with the
// stream's parameters already read; each target then decodes the pixels
// its own way.
#ifndef JPEGCODEC_FUZZ_RECORD_H
#define JPEGCODEC_FUZZ_RECORD_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jpegcodec.h"
#include "jpegcodec_testing.h"

class FuzzRecord {
 public:
  FuzzRecord(const uint8_t* data, size_t size, int32_t dctMethod) : stream_(data, data + size) {
    if (jpegInit(&props) != JPEG_SUCCESS) return;
    props.jpegBuffer = stream_.data();
    props.jpegBufferSize = static_cast<int32_t>(size);
    jpegtest::setDctMethod(&props, dctMethod);
    decodable_ = jpegRead(&props, ReadInfoFromMemory) == JPEG_SUCCESS && props.jpegWidth > 0 &&
                 props.jpegHeight > 0 && int64_t{props.jpegWidth} * props.jpegHeight <= kMaxPixels;
  }
  ~FuzzRecord() { jpegFree(&props); }
  FuzzRecord(const FuzzRecord&) = delete;
  FuzzRecord& operator=(const FuzzRecord&) = delete;

  // The parameters were read and the picture is small enough to decode.
  bool decodable() const { return decodable_; }

  // Gives the record a bitmap of the stream's size, one byte longer so that
  // a write past its end shows under the sanitizers; bottomUp flips the rows.
  void attachBitmap(std::vector<uint8_t>& pixels, int32_t channels, bool bottomUp) {
    pixels.assign(static_cast<size_t>(props.jpegWidth) * props.jpegHeight * channels + 1, 0);
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = props.jpegWidth;
    props.bitmapHeight = bottomUp ? -props.jpegHeight : props.jpegHeight;
    props.bitmapChannels = channels;
  }

  JPEG_PROPERTIES props;

 private:
  // Keeps one input within the fuzzer's time limit under the sanitizers.
  static constexpr int64_t kMaxPixels = 1 << 20;

  std::vector<uint8_t> stream_;
  bool decodable_ = false;
};

#endif
