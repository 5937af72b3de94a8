// Decoded pixels against libjpeg-turbo's djpeg on the same files.
#include <gtest/gtest.h>

#include "CodecFixtures.h"
#include "jpegcodec_testing.h"

namespace {
using fixtures::DecodeOptions;

const char* const kPictures[] = {
    "s444_1x1",
    "s444_7x9",
    "s444_17x17",
    "s444_64x48",
    "s444_1023x767",
    "s422_1x1",
    "s422_7x9",
    "s422_17x17",
    "s422_64x48",
    "s422_1023x767",
    "s420_1x1",
    "s420_7x9",
    "s420_17x17",
    "s420_64x48",
    "s420_1023x767",
    "s440_7x9",
    "s440_17x17",
    "s440_1023x767",
    "grey_1x1",
    "grey_7x9",
    "grey_17x17",
    "grey_1023x767",
    "restart_rows_64x48",
    "restart_blocks_1023x767",
    "restart_blocks_17x17",
    "scans_separate_64x48",
    "scans_separate_17x17",
    "scans_split_1023x767",
    "still_2016x1520",
    "magick_1023x767",
    "mjpeg_320x240",
    "page_320x240",
    "page_grey_320x240",
};

bool isGrey(const std::string& name) { return name.rfind("grey", 0) == 0 || name.find("_grey_") != std::string::npos; }

// The accurate transform agrees with djpeg's within one step; the codec's
// integer YCbCr-to-RGB arithmetic differs from libjpeg's by up to one in red
// and blue and two in green, and the vector classes' red and blue can be
// one lower still.
bool vectorClass()
{
    JPEG_PROPERTIES props;
    jpegInit(&props);
    const bool vector = jpegtest::cpuClass(&props) >= 3;
    jpegFree(&props);
    return vector;
}

int tolerance(const std::string& name)
{
    static const bool vector = vectorClass();
    return isGrey(name) ? 1 : vector ? 4 : 3;
}

DecodeOptions optionsFor(const std::string& name)
{
    DecodeOptions options;
    if (isGrey(name)) {
        options.color = JPEG_COLOR_GREY;
        options.channels = 1;
    }
    return options;
}

TEST(DecodeOracle, MatchesDjpegWithoutSmoothing)
{
    for (const std::string name : kPictures) {
        const auto decoded = fixtures::decode(fixtures::readFile(name + ".jpg"), optionsFor(name));
        ASSERT_EQ(JPEG_SUCCESS, decoded.infoStatus) << name;
        ASSERT_EQ(JPEG_SUCCESS, decoded.status) << name;
        const int difference = fixtures::maxDifference(decoded.image, fixtures::readPnm(name + ".plain.pnm"));
        EXPECT_GE(difference, 0) << name;
        EXPECT_LE(difference, tolerance(name)) << name;
    }
}

TEST(DecodeOracle, MatchesDjpegWithSmoothing)
{
    for (const std::string name : kPictures) {
        // Separate scans are upsampled by replication, and only halved widths are
        // interpolated (djpeg also interpolates halved heights alone).
        if (name.rfind("scans_", 0) == 0 || name.rfind("s440", 0) == 0) continue;
        DecodeOptions options = optionsFor(name);
        options.smooth = 1;
        const auto decoded = fixtures::decode(fixtures::readFile(name + ".jpg"), options);
        ASSERT_EQ(JPEG_SUCCESS, decoded.status) << name;
        const int difference = fixtures::maxDifference(decoded.image, fixtures::readPnm(name + ".smooth.pnm"));
        EXPECT_GE(difference, 0) << name;
        EXPECT_LE(difference, tolerance(name)) << name;
    }
}

TEST(DecodeOracle, ReducedSizesMatchDjpegScaling)
{
    const JPEG_IO_MODE modes[] = {DecodeHalfFromMemory, DecodeQuarterFromMemory, DecodeEighthFromMemory};
    for (const std::string name : kPictures) {
        if (name.rfind("scans_", 0) == 0) continue;
        for (int i = 0; i < 3; ++i) {
            DecodeOptions options = optionsFor(name);
            options.mode = modes[i];
            const auto decoded = fixtures::decode(fixtures::readFile(name + ".jpg"), options);
            ASSERT_EQ(JPEG_SUCCESS, decoded.status) << name;
            const std::string reference = name + ".scale" + std::to_string(2 << i) + ".pnm";
            const int difference = fixtures::maxDifference(decoded.image, fixtures::readPnm(reference));
            EXPECT_GE(difference, 0) << reference;
            EXPECT_LE(difference, tolerance(name)) << reference;
        }
    }
}
}  // namespace
