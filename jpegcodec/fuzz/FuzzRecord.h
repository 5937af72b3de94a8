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
    // maxPixels: larger pictures are not decoded (they cost time without
    // reaching other code).
    FuzzRecord(const uint8_t* data, size_t size, int32_t dctMethod, int64_t maxPixels = int64_t{1} << 20)
        : stream_(data, data + size)
    {
        if (jpegInit(&props) != JPEG_SUCCESS) return;
        props.jpegBuffer = stream_.data();
        props.jpegBufferSize = static_cast<int32_t>(size);
        jpegtest::setDctMethod(&props, dctMethod);
        decodable_ = jpegRead(&props, ReadInfoFromMemory) == JPEG_SUCCESS && props.jpegWidth > 0 &&
                     props.jpegHeight > 0 && props.jpegWidth <= kMaxEdge && props.jpegHeight <= kMaxEdge &&
                     int64_t{props.jpegWidth} * props.jpegHeight <= maxPixels;
    }
    ~FuzzRecord() { jpegFree(&props); }
    FuzzRecord(const FuzzRecord&) = delete;
    FuzzRecord& operator=(const FuzzRecord&) = delete;

    // The parameters were read and the picture is small enough to decode.
    bool decodable() const { return decodable_; }

    // Gives the record a bitmap of the stream's size (at most kMaxBitmapEdge
    // a side: the output is clipped to it), one byte longer so that a write
    // past its end shows under the sanitizers; bottomUp flips the rows.
    void attachBitmap(std::vector<uint8_t>& pixels, int32_t channels, bool bottomUp)
    {
        const int32_t width = props.jpegWidth < kMaxBitmapEdge ? props.jpegWidth : kMaxBitmapEdge;
        const int32_t height = props.jpegHeight < kMaxBitmapEdge ? props.jpegHeight : kMaxBitmapEdge;
        pixels.assign(static_cast<size_t>(width) * height * channels + 1, 0);
        props.bitmapPixels = pixels.data();
        props.bitmapWidth = width;
        props.bitmapHeight = bottomUp ? -height : height;
        props.bitmapChannels = channels;
    }

    JPEG_PROPERTIES props;

private:
    static constexpr int32_t kMaxBitmapEdge = 1024;
    // A baseline scan costs at least one row of MCUs across the picture, data
    // or not; wider rows only take time from the fuzzer.
    static constexpr int32_t kMaxEdge = 16384;

    std::vector<uint8_t> stream_;
    bool decodable_ = false;
};

#endif
