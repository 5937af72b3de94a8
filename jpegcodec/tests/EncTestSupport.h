// Pictures, encoding through the codec, JPEG segment walking and (on the
// host) libjpeg-turbo's command-line tools for the encoder's tests.
#ifndef JPEGCODEC_TESTS_ENC_TEST_SUPPORT_H
#define JPEGCODEC_TESTS_ENC_TEST_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "CodecFixtures.h"
#include "jpegcodec.h"

namespace enctest {

// Top-down, without padding.
using Picture = fixtures::Image;

// Smooth colour gradients with some texture, like a photographed page.
Picture syntheticPicture(int32_t width, int32_t height, int32_t channels);
// Every pixel the same.
Picture flatPicture(int32_t width, int32_t height, std::vector<uint8_t> pixel);

struct EncodeOptions {
    int32_t quality = 75;
    JPEG_SUBSAMPLING subsampling = JPEG_SUBSAMPLING_420;
    JPEG_COLOR bitmapColor = JPEG_COLOR_RGB;
    JPEG_COLOR jpegColor = JPEG_COLOR_YCBCR;
    int32_t jpegChannels = 3;
    bool bottomUp = false;
    int32_t rowPadding = 0;
    int32_t dctMethod = 1;
    bool progressive = false;
    int32_t restartInterval = 0;
    JPEG_SUBSAMPLING bitmapSubsampling = JPEG_SUBSAMPLING_NONE;
    int32_t colorConversion = 1;
    int32_t capacity = 0;       // 0: room enough
    bool pauseEachMcu = false;  // the write stops after every MCU and is resumed until it ends
    int32_t extraColumns = 0;   // the bitmap is wider and taller than the picture by these
    int32_t extraRows = 0;
};

// A write record over a copy of the picture's pixels and an output buffer
// of `capacity` bytes; released with the object.
class WriteRecord {
public:
    WriteRecord(const Picture& picture, int32_t capacity);
    ~WriteRecord() { jpegFree(&props_); }
    JPEG_PROPERTIES* operator->() { return &props_; }
    JPEG_PROPERTIES* get() { return &props_; }
    // The bytes the last write reported.
    std::vector<uint8_t> written() const;

private:
    std::vector<uint8_t> pixels_;
    std::vector<uint8_t> stream_;
    JPEG_PROPERTIES props_;
};

struct Encoded {
    JPEG_STATUS status = JPEG_SUCCESS;
    std::vector<uint8_t> bytes;
};

// Mode 9 into a buffer of the given capacity; bytes holds what the codec
// reported as written.
Encoded encode(const Picture& picture, const EncodeOptions& options);

struct Decoded {
    JPEG_STATUS status = JPEG_SUCCESS;
    Picture picture;
};
// Mode 1 then mode 3 into a top-down bitmap of the reported size.
Decoded decode(const std::vector<uint8_t>& jpeg, int32_t channels = 3, JPEG_COLOR color = JPEG_COLOR_RGB);

struct Segment {
    uint8_t marker = 0;
    std::vector<uint8_t> payload;  // after the length field
};
// Every marker of a stream in order (RSTn and EOI with empty payloads).
std::vector<Segment> segments(const std::vector<uint8_t>& jpeg);
std::vector<Segment> segmentsOf(const std::vector<uint8_t>& jpeg, uint8_t marker);

double psnr(const Picture& a, const Picture& b);

#ifndef _WIN32
// Runs a shell command with `input` on its standard input.
struct ToolRun {
    int exitCode = -1;
    std::vector<uint8_t> output;
    std::string errors;
};
ToolRun runTool(const std::string& command, const std::vector<uint8_t>& input);
std::vector<uint8_t> toPnm(const Picture& picture);
// Writes text to a file in the test's temporary directory; returns its path.
std::string writeTempFile(const std::string& name, const std::string& text);
#endif

}  // namespace enctest

#endif
