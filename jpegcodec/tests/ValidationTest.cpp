#include <gtest/gtest.h>

#include <functional>

#include "jpegcodec.h"
#include "jpegcodec_testing.h"

namespace {
uint8_t gPixels[16];
uint8_t gStream[16];

// A record that passes every test in the given mode; each case changes one thing.
class Record {
public:
    explicit Record(int32_t mode)
    {
        jpegInit(&props_);
        props_.bitmapPixels = gPixels;
        props_.bitmapWidth = 4;
        props_.bitmapHeight = 4;
        props_.jpegFileName = "picture.jpg";
        props_.jpegBuffer = gStream;
        props_.jpegBufferSize = sizeof(gStream);
        props_.jpegWidth = 4;
        props_.jpegHeight = 4;
        props_.state.mode = mode;
    }
    ~Record() { jpegFree(&props_); }
    JPEG_PROPERTIES* operator->() { return &props_; }
    JPEG_PROPERTIES* get() { return &props_; }

private:
    JPEG_PROPERTIES props_;
};

struct Case {
    const char* name;
    int32_t mode;
    std::function<void(JPEG_PROPERTIES*)> change;
    JPEG_STATUS expected;
};

const Case kCases[] = {
    {"valid read", DecodeFromMemory, [](JPEG_PROPERTIES*) {}, JPEG_SUCCESS},
    {"valid write", EncodeToFile, [](JPEG_PROPERTIES*) {}, JPEG_SUCCESS},
    {"valid info read needs no bitmap", ReadInfoFromFile, [](JPEG_PROPERTIES* p) { p->bitmapPixels = nullptr; },
     JPEG_SUCCESS},
    {"state description skips every test", 99,
     [](JPEG_PROPERTIES* p) {
         p->useStateDescription = 1;
         p->jpegChannels = 0;
     },
     JPEG_SUCCESS},
    {"mode after init", -1, [](JPEG_PROPERTIES*) {}, JPEG_INVALID_PROPERTIES},
    {"mode 22", 22, [](JPEG_PROPERTIES*) {}, JPEG_INVALID_PROPERTIES},
    {"no pixels", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapPixels = nullptr; }, JPEG_INVALID_PROPERTIES},
    {"bypass skips bitmap tests", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapPixels = nullptr;
         jpegtest::setBitmapBypass(p, 1);
     },
     JPEG_SUCCESS},
    {"width 0", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapWidth = 0; }, JPEG_INVALID_PROPERTIES},
    {"width 65536", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapWidth = 65536; }, JPEG_INVALID_PROPERTIES},
    {"height 0", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapHeight = 0; }, JPEG_SUCCESS},
    {"height -65535", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapHeight = -65535; }, JPEG_SUCCESS},
    {"height 65535", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapHeight = 65535; }, JPEG_SUCCESS},
    {"height -65536", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapHeight = -65536; }, JPEG_INVALID_PROPERTIES},
    {"grey thumbnail", DecodeThumbnailFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapColor = JPEG_COLOR_GREY;
         p->bitmapChannels = 1;
     },
     JPEG_THUMBNAIL_WRONG_COLOR},
    {"negative padding", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapRowPadding = -1; },
     JPEG_INVALID_PROPERTIES},
    {"padding that overflows the row step", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) { p->bitmapRowPadding = INT32_MAX - 4; }, JPEG_INVALID_PROPERTIES},
    {"padding up to the row step's limit", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapRowPadding = INT32_MAX - 12;
         p->bitmapHeight = 1;
     },
     JPEG_SUCCESS},
    {"rows whose last lies beyond any address", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapRowPadding = INT32_MAX - 12;
         p->bitmapHeight = -65535;
     },
     sizeof(void*) == 4 ? JPEG_INVALID_PROPERTIES : JPEG_SUCCESS},
    {"256 channels", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapChannels = 256; }, JPEG_INVALID_PROPERTIES},
    {"bitmap subsampling 1", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapSubsampling = JPEG_SUBSAMPLING_420; },
     JPEG_UNSUPPORTED_SUBSAMPLING},
    {"packed 4:2:2 BGR", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->bitmapSubsampling = JPEG_SUBSAMPLING_422; },
     JPEG_UNSUPPORTED_SUBSAMPLING},
    {"packed 4:2:2 YCbCr", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapSubsampling = JPEG_SUBSAMPLING_422;
         p->bitmapColor = JPEG_COLOR_YCBCR;
     },
     JPEG_SUCCESS},
    {"YCbCr bitmap of one byte a pixel", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapColor = JPEG_COLOR_YCBCR;
         p->bitmapChannels = 1;
     },
     JPEG_UNSUPPORTED_BYTES_PER_PIXEL},
    {"file mode without name", DecodeFromFile, [](JPEG_PROPERTIES* p) { p->jpegFileName = nullptr; },
     JPEG_INVALID_PROPERTIES},
    {"memory mode without buffer", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->jpegBuffer = nullptr; },
     JPEG_INVALID_PROPERTIES},
    {"memory mode of size 0", DecodeFromMemory, [](JPEG_PROPERTIES* p) { p->jpegBufferSize = 0; },
     JPEG_INVALID_PROPERTIES},
    {"negative buffer size", ReadInfoFromMemory, [](JPEG_PROPERTIES* p) { p->jpegBufferSize = -4; },
     JPEG_INVALID_PROPERTIES},
    {"256 stream channels", ReadInfoFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->jpegChannels = 256;
         p->jpegColor = JPEG_COLOR_OTHER;
         p->bitmapColor = JPEG_COLOR_OTHER;
     },
     JPEG_SUCCESS},
    {"257 stream channels", ReadInfoFromMemory, [](JPEG_PROPERTIES* p) { p->jpegChannels = 257; },
     JPEG_INVALID_PROPERTIES},
    {"write width 0", EncodeToMemory, [](JPEG_PROPERTIES* p) { p->jpegWidth = 0; }, JPEG_INVALID_PROPERTIES},
    {"write larger than the bitmap", EncodeToMemory, [](JPEG_PROPERTIES* p) { p->jpegHeight = 5; },
     JPEG_INVALID_PROPERTIES},
    {"write more channels than the bitmap", EncodeToMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapColor = JPEG_COLOR_OTHER;
         p->jpegColor = JPEG_COLOR_OTHER;
         p->bitmapChannels = 2;
         p->jpegChannels = 3;
         p->jpegSubsampling = JPEG_SUBSAMPLING_NONE;
     },
     JPEG_INVALID_PROPERTIES},
    {"write 3 channels as 4:2:0:4", EncodeToMemory,
     [](JPEG_PROPERTIES* p) { p->jpegSubsampling = JPEG_SUBSAMPLING_4224; }, JPEG_UNSUPPORTED_SUBSAMPLING},
    {"write 1 channel as 4:2:0", EncodeToMemory,
     [](JPEG_PROPERTIES* p) {
         p->jpegChannels = 1;
         p->jpegColor = JPEG_COLOR_GREY;
     },
     JPEG_UNSUPPORTED_SUBSAMPLING},
    {"write 5 components", EncodeToMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapColor = JPEG_COLOR_OTHER;
         p->jpegColor = JPEG_COLOR_OTHER;
         p->bitmapChannels = 5;
         p->jpegChannels = 5;
         p->jpegSubsampling = JPEG_SUBSAMPLING_NONE;
     },
     JPEG_INVALID_PROPERTIES},
    {"write tables ignores the image size", WriteTablesToMemory, [](JPEG_PROPERTIES* p) { p->jpegWidth = 0; },
     JPEG_SUCCESS},
    {"write CMYK as YCCK", EncodeToMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapColor = JPEG_COLOR_CMYK;
         p->bitmapChannels = 4;
         p->jpegColor = JPEG_COLOR_YCCK;
         p->jpegChannels = 4;
         p->jpegSubsampling = JPEG_SUBSAMPLING_4224;
     },
     JPEG_SUCCESS},
    {"write BGR as CMYK", EncodeToMemory,
     [](JPEG_PROPERTIES* p) {
         p->jpegColor = JPEG_COLOR_CMYK;
         p->jpegChannels = 4;
         p->jpegSubsampling = JPEG_SUBSAMPLING_NONE;
     },
     JPEG_INVALID_PROPERTIES},
    {"write RGBx as YCbCr", EncodeToMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapColor = JPEG_COLOR_RGB;
         p->bitmapChannels = 4;
     },
     JPEG_SUCCESS},
    {"read grey into BGR", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->jpegColor = JPEG_COLOR_GREY;
         p->jpegChannels = 1;
     },
     JPEG_SUCCESS},
    {"read RGB into grey", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->jpegColor = JPEG_COLOR_RGB;
         p->bitmapColor = JPEG_COLOR_GREY;
         p->bitmapChannels = 1;
     },
     JPEG_INVALID_PROPERTIES},
    {"read YCbCr into YCbCr of any width", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->bitmapColor = JPEG_COLOR_YCBCR;
         p->bitmapChannels = 7;
     },
     JPEG_SUCCESS},
    {"read YCCK into CMYK", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->jpegColor = JPEG_COLOR_YCCK;
         p->jpegChannels = 4;
         p->bitmapColor = JPEG_COLOR_CMYK;
         p->bitmapChannels = 4;
     },
     JPEG_SUCCESS},
    {"read CMYK into BGR", DecodeFromMemory,
     [](JPEG_PROPERTIES* p) {
         p->jpegColor = JPEG_COLOR_CMYK;
         p->jpegChannels = 4;
     },
     JPEG_INVALID_PROPERTIES},
    {"DCT family 2", DecodeFromMemory, [](JPEG_PROPERTIES* p) { jpegtest::setDctMethod(p, 2); },
     JPEG_INVALID_PROPERTIES},
    {"region decoding with bypass", ReadInfoFromMemory,
     [](JPEG_PROPERTIES* p) {
         jpegtest::setRegionDecoding(p, 1);
         jpegtest::setBitmapBypass(p, 1);
     },
     JPEG_INVALID_PROPERTIES},
};

TEST(CheckProperties, FirstFailingTestDecides)
{
    for (const Case& c : kCases) {
        Record record(c.mode);
        c.change(record.get());
        EXPECT_EQ(c.expected, jpegCheckProperties(record.get())) << c.name;
    }
}

TEST(CheckProperties, BitmapTestsComeBeforeStreamTests)
{
    Record record(DecodeFromMemory);
    record->bitmapPixels = nullptr;
    record->jpegBuffer = nullptr;
    record->bitmapColor = JPEG_COLOR_GREY;
    record->bitmapChannels = 1;
    record->state.mode = DecodeThumbnailFromMemory;
    EXPECT_EQ(JPEG_INVALID_PROPERTIES, jpegCheckProperties(record.get()));
    record->bitmapPixels = gPixels;
    EXPECT_EQ(JPEG_THUMBNAIL_WRONG_COLOR, jpegCheckProperties(record.get()));
}
}  // namespace
