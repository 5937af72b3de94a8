#include <gtest/gtest.h>

#include <cstdlib>

#include "jpegcodec.h"
#include "jpegcodec_testing.h"

namespace {
TEST(InitFree, InitStoresTheDocumentedDefaults)
{
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    EXPECT_EQ(0, props.useStateDescription);
    EXPECT_EQ(nullptr, props.bitmapPixels);
    EXPECT_EQ(3, props.bitmapChannels);
    EXPECT_EQ(JPEG_COLOR_BGR, props.bitmapColor);
    EXPECT_EQ(3, props.jpegChannels);
    EXPECT_EQ(JPEG_COLOR_YCBCR, props.jpegColor);
    EXPECT_EQ(JPEG_SUBSAMPLING_420, props.jpegSubsampling);
    EXPECT_EQ(1, props.colorConversion);
    EXPECT_EQ(1, props.resampling);
    EXPECT_EQ(75, props.quality);
    EXPECT_EQ(-1, props.state.mode);
    EXPECT_EQ(1, props.state.dctMethod);
    EXPECT_EQ(1, props.state.frameExpected);
    EXPECT_EQ(4, props.state.frame.componentCount);
    ASSERT_NE(nullptr, props.state.frame.components);
    EXPECT_EQ(0, props.state.frame.components[0].quantTable);
    EXPECT_EQ(1, props.state.frame.components[3].quantTable);
    EXPECT_EQ(0x0101, props.state.jfifVersion);
    EXPECT_EQ(100, props.state.adobeVersion);
    EXPECT_NE(nullptr, jpegtest::dispatchTable(&props));
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
    EXPECT_EQ(nullptr, jpegtest::dispatchTable(&props));
}

TEST(InitFree, OperationsOnAReleasedRecordAreRefused)
{
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    ASSERT_EQ(JPEG_SUCCESS, jpegFree(&props));
    uint8_t stream[2] = {0xFF, 0xD8};
    props.jpegBuffer = stream;
    props.jpegBufferSize = 2;
    EXPECT_EQ(JPEG_INVALID_PROPERTIES, jpegRead(&props, ReadInfoFromMemory));
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}

TEST(InitFree, FreeReleasesEverythingAndReportsABadComponentCount)
{
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    props.state.frame.componentCount = 256;
    props.state.rowBuffers = static_cast<JpegRowBuffers*>(std::calloc(1, sizeof(JpegRowBuffers)));
    props.state.rowBuffers->rows[0] = static_cast<int16_t*>(std::calloc(64, sizeof(int16_t)));
    // The sanitizer's leak check fails the test if anything stays allocated.
    EXPECT_EQ(JPEG_INVALID_PROPERTIES, jpegFree(&props));
    EXPECT_EQ(nullptr, jpegtest::dispatchTable(&props));
    EXPECT_EQ(nullptr, props.state.frame.components);
    EXPECT_EQ(nullptr, props.state.rowBuffers);
}

TEST(InitFree, ModesOutsideTheTableAreRefusedWithoutTouchingFiles)
{
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    props.jpegFileName = "no-such-directory/never-created.jpg";
    for (int mode : {-1, 22, 1000}) {
        EXPECT_EQ(JPEG_INVALID_PROPERTIES, jpegRead(&props, static_cast<JPEG_IO_MODE>(mode)));
        EXPECT_EQ(JPEG_INVALID_PROPERTIES, jpegWrite(&props, static_cast<JPEG_IO_MODE>(mode)));
        EXPECT_FALSE(jpegtest::fileOpen(&props));
    }
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}

TEST(InitFree, ReadAndWriteRefuseEachOthersModes)
{
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    uint8_t pixels[3] = {};
    uint8_t buffer[64] = {};
    props.bitmapPixels = pixels;
    props.bitmapWidth = props.bitmapHeight = 1;
    props.jpegWidth = props.jpegHeight = 1;
    props.jpegBuffer = buffer;
    props.jpegBufferSize = sizeof(buffer);
    EXPECT_EQ(JPEG_INVALID_PROPERTIES, jpegRead(&props, EncodeToMemory));
    EXPECT_EQ(JPEG_INVALID_PROPERTIES, jpegWrite(&props, DecodeFromMemory));
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}
}  // namespace
