// Test pictures made at build time by make_fixtures.sh, and helpers that
// decode them through the codec.
#ifndef JPEGCODEC_TESTS_CODEC_FIXTURES_H
#define JPEGCODEC_TESTS_CODEC_FIXTURES_H

#include <cstdint>
#include <string>
#include <vector>

#include "jpegcodec.h"

namespace fixtures {

std::string path(const std::string& name);
std::vector<uint8_t> readFile(const std::string& name);
// A file name of this test in the temporary folder that no other test
// process uses: the programs run once per processor class side by side.
std::string scratchPath(const std::string& name);

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    std::vector<uint8_t> pixels;  // top-down, no padding
};
// A binary PGM or PPM.
Image readPnm(const std::string& name);
Image parsePnm(const std::vector<uint8_t>& bytes);

struct DecodeOptions {
    JPEG_IO_MODE mode = DecodeFromMemory;
    JPEG_COLOR color = JPEG_COLOR_RGB;
    int32_t channels = 3;
    bool bottomUp = false;
    int32_t rowPadding = 0;
    int32_t dctMethod = 1;
    int32_t smooth = 0;
    JpegRegion region = {0, 0, 0, 0};
};

struct Decoded {
    JPEG_STATUS infoStatus = JPEG_SUCCESS;
    JPEG_STATUS status = JPEG_SUCCESS;
    JPEG_PROPERTIES info = {};
    Image image;  // top-down, as the reference pictures are
};

// Mode 1, then a bitmap of the reported size (divided by the mode's scale,
// or the region's), then the pixel mode on the same record.
Decoded decode(const std::vector<uint8_t>& jpeg, const DecodeOptions& options);

// jpegInit on props with jpeg as its memory stream, then mode 1.
JPEG_STATUS openStream(JPEG_PROPERTIES* props, std::vector<uint8_t>& jpeg);

// Whether a second, independent opener may have the file for reading or writing.
bool otherOpenerCan(const std::string& path, bool write);

// Forces the processor class of records initialised from now on, the way an
// administrator does: the "USECPU" value on Windows, the test hook on the
// host. clearUseCpu removes the value.
void setUseCpu(int32_t value);
void clearUseCpu();

// Largest difference between two pictures of the same geometry (-1 otherwise).
int maxDifference(const Image& a, const Image& b);

}  // namespace fixtures

#endif
