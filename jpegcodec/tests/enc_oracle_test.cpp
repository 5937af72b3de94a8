// The encoder's streams against libjpeg-turbo's cjpeg, djpeg and jpegtran.
#include <gtest/gtest.h>

#include "enc_test_support.h"

#ifndef _WIN32
namespace {
using namespace enctest;

struct Layout {
  const char* name;
  int32_t bitmapChannels;
  JPEG_COLOR bitmapColor;
  JPEG_COLOR jpegColor;
  int32_t jpegChannels;
  JPEG_SUBSAMPLING subsampling;
  int32_t colorConversion; // 0: RGB streams keep one table for all components, as cjpeg does
  const char* cjpegOptions; // the same coding by cjpeg, for the quality bar
};

// The picture as djpeg sees the stream: RGB or grey, top-down.
Picture referencePicture(const Picture& source, const Layout& layout) {
  Picture picture{source.width, source.height, layout.jpegChannels == 1 ? 1 : 3, {}};
  for (int32_t i = 0; i < source.width * source.height; ++i) {
    const uint8_t* p = &source.pixels[static_cast<size_t>(i) * source.channels];
    int32_t r = p[0], g = p[source.channels > 1], b = p[source.channels > 1 ? 2 : 0];
    if (layout.bitmapColor == JPEG_COLOR_BGR) std::swap(r, b);
    if (picture.channels == 1)
      picture.pixels.push_back(static_cast<uint8_t>((77 * r + 150 * g + 29 * b + 128) >> 8));
    else
      picture.pixels.insert(picture.pixels.end(), {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
  }
  return picture;
}

const Layout kLayouts[] = {
    {"bgr_420", 3, JPEG_COLOR_BGR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"bgr_422", 3, JPEG_COLOR_BGR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_422, 1, "-sample 2x1"},
    {"bgr_444", 3, JPEG_COLOR_BGR, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"rgb_420", 3, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"rgb_422", 3, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_422, 1, "-sample 2x1"},
    {"rgb_444", 3, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"rgbx_420", 4, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"rgbx_444", 4, JPEG_COLOR_RGB, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"bgr_to_grey", 3, JPEG_COLOR_BGR, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE, 1, "-grayscale"},
    {"rgb_to_grey", 3, JPEG_COLOR_RGB, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE, 1, "-grayscale"},
    {"grey_to_grey", 1, JPEG_COLOR_GREY, JPEG_COLOR_GREY, 1, JPEG_SUBSAMPLING_NONE, 1, "-grayscale"},
    {"grey_to_ycc_420", 1, JPEG_COLOR_GREY, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_420, 1, "-sample 2x2"},
    {"grey_to_ycc_444", 1, JPEG_COLOR_GREY, JPEG_COLOR_YCBCR, 3, JPEG_SUBSAMPLING_NONE, 1, "-sample 1x1"},
    {"rgb_to_rgb", 3, JPEG_COLOR_RGB, JPEG_COLOR_RGB, 3, JPEG_SUBSAMPLING_NONE, 0, "-rgb"},
    {"bgr_to_rgb", 3, JPEG_COLOR_BGR, JPEG_COLOR_RGB, 3, JPEG_SUBSAMPLING_NONE, 0, "-rgb"},
    // The general sampler: without conversion, BGR bytes must still be reversed.
    {"bgr_to_rgb_420", 3, JPEG_COLOR_BGR, JPEG_COLOR_RGB, 3, JPEG_SUBSAMPLING_420, 0, "-rgb -sample 2x2"},
};

class EncoderLayouts : public testing::TestWithParam<Layout> {};

// djpeg takes every stream without a warning, and the picture comes back at
// least as well as cjpeg's own coding at the same quality and sampling.
TEST_P(EncoderLayouts, DjpegDecodesWithCjpegQuality) {
  const Layout& layout = GetParam();
  for (const auto& size : {std::pair<int, int>{1, 1}, {17, 17}, {33, 9}, {200, 130}}) {
    for (bool progressive : {false, true}) {
      {
        const bool bottomUp = progressive;
        SCOPED_TRACE(testing::Message() << size.first << "x" << size.second << (progressive ? " progressive" : ""));
        const Picture source = syntheticPicture(size.first, size.second, layout.bitmapChannels);
        EncodeOptions options;
        options.bitmapColor = layout.bitmapColor;
        options.jpegColor = layout.jpegColor;
        options.jpegChannels = layout.jpegChannels;
        options.subsampling = layout.subsampling;
        options.colorConversion = layout.colorConversion;
        options.progressive = progressive;
        options.bottomUp = bottomUp;
        options.rowPadding = 3;
        const Encoded ours = encode(source, options);
        ASSERT_EQ(ours.status, JPEG_SUCCESS);
        const ToolRun decoded = runTool("djpeg -dct int", ours.bytes);
        ASSERT_EQ(decoded.exitCode, 0);
        EXPECT_EQ(decoded.errors, "");
        const Picture reference = referencePicture(source, layout);
        const ToolRun theirs = runTool(std::string("cjpeg -quality 75 ") + layout.cjpegOptions + " | djpeg -dct int",
                                       toPnm(reference));
        ASSERT_EQ(theirs.exitCode, 0);
        const double ourPsnr = psnr(reference, fromPnm(decoded.output));
        const double theirPsnr = psnr(reference, fromPnm(theirs.output));
        EXPECT_GE(ourPsnr, theirPsnr - 1.0) << "cjpeg " << theirPsnr;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(All, EncoderLayouts, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });
}  // namespace
#endif
