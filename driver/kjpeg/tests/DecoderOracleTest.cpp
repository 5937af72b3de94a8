// The decoder against libjpeg-turbo's accurate integer DCT on camera-style
// frames: every sample of every plane must be equal.
#include <gtest/gtest.h>

#include <cstring>

#include "kjpeg/JpegDecoder.h"
#include "TestFrames.h"

namespace {
using kjpeg_test::Bytes;

// Where two plane sets first differ, for the failure message.
std::string FirstDifference(const Bytes& expected, const Bytes& actual)
{
    if (expected.size() != actual.size())
        return "sizes " + std::to_string(expected.size()) + " and " + std::to_string(actual.size());
    size_t count = 0, first = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != actual[i] && count++ == 0) first = i;
    if (count == 0) return "";
    return std::to_string(count) + " samples differ, first at byte " + std::to_string(first) + ": expected " +
           std::to_string(expected[first]) + ", got " + std::to_string(actual[first]);
}

struct Case {
    const char* frame;
    kjpeg::ChromaLayout chroma;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.frame; }

class DecoderOracle : public testing::TestWithParam<Case> {};

TEST_P(DecoderOracle, PlanesEqualLibjpegTurbo)
{
    const Bytes frame = kjpeg_test::ReadFrame(GetParam().frame);
    const kjpeg_test::KernelDecode kernel = kjpeg_test::DecodeWithKernel(frame);
    ASSERT_EQ(kernel.status, kjpeg::Status::Ok);
    EXPECT_EQ(kernel.chroma, GetParam().chroma);
    EXPECT_EQ(FirstDifference(kjpeg_test::DecodeWithTurbo(frame), kernel.planes), "");
}

INSTANTIATE_TEST_SUITE_P(
    CameraFrames, DecoderOracle,
    testing::Values(Case{"q20_420.jpg", kjpeg::ChromaLayout::Quarter}, Case{"q20_422.jpg", kjpeg::ChromaLayout::Half},
                    Case{"q50_420.jpg", kjpeg::ChromaLayout::Quarter}, Case{"q50_422.jpg", kjpeg::ChromaLayout::Half},
                    Case{"q75_420.jpg", kjpeg::ChromaLayout::Quarter}, Case{"q75_422.jpg", kjpeg::ChromaLayout::Half},
                    Case{"q90_420.jpg", kjpeg::ChromaLayout::Quarter}, Case{"q90_422.jpg", kjpeg::ChromaLayout::Half},
                    Case{"q100_420.jpg", kjpeg::ChromaLayout::Quarter}, Case{"q100_422.jpg", kjpeg::ChromaLayout::Half},
                    Case{"restart_rows_420.jpg", kjpeg::ChromaLayout::Quarter},
                    Case{"restart_mcus_422.jpg", kjpeg::ChromaLayout::Half},
                    Case{"optimised_420.jpg", kjpeg::ChromaLayout::Quarter},
                    Case{"camera_tables_420.jpg", kjpeg::ChromaLayout::Quarter},
                    Case{"camera_tables_422.jpg", kjpeg::ChromaLayout::Half}),
    [](const testing::TestParamInfo<Case>& info) {
        std::string name = info.param.frame;
        return name.substr(0, name.find('.'));
    });

// A frame without DQT and DHT segments decodes with the built-in tables: the
// typical Huffman tables and the camera's quantisation pair.
TEST(DecoderBuiltinTables, FrameWithoutTablesUsesTheCamerasOwn)
{
    for (const char* name : {"camera_tables_420.jpg", "camera_tables_422.jpg"}) {
        const Bytes full = kjpeg_test::ReadFrame(name);
        const Bytes bare = kjpeg_test::WithoutSegments(kjpeg_test::WithoutSegments(full, 0xDB), 0xC4);
        ASSERT_LT(bare.size(), full.size() - 400);
        const kjpeg_test::KernelDecode kernel = kjpeg_test::DecodeWithKernel(bare);
        ASSERT_EQ(kernel.status, kjpeg::Status::Ok) << name;
        EXPECT_EQ(FirstDifference(kjpeg_test::DecodeWithTurbo(full), kernel.planes), "") << name;
    }
}

// Tables of one frame do not carry over into the next, nor from one decoder
// into another.
TEST(DecoderBuiltinTables, NoFrameInheritsAnotherFramesTables)
{
    const Bytes optimised = kjpeg_test::ReadFrame("optimised_420.jpg");
    const Bytes camera = kjpeg_test::ReadFrame("camera_tables_420.jpg");
    const Bytes bare = kjpeg_test::WithoutSegments(kjpeg_test::WithoutSegments(camera, 0xDB), 0xC4);
    const Bytes expected = kjpeg_test::DecodeWithTurbo(camera);

    std::vector<uint64_t> blocks[2];
    kjpeg::JpegDecoder* decoders[2];
    for (int i = 0; i < 2; ++i) {
        blocks[i].resize(kjpeg::kJpegDecoderBlockSize / sizeof(uint64_t));
        decoders[i] = kjpeg::CreateJpegDecoder(blocks[i].data(), kjpeg::kJpegDecoderBlockSize);
        ASSERT_NE(decoders[i], nullptr);
    }
    Bytes planes(kjpeg::kMaxPlanesSize);
    kjpeg::DecodedFrame decoded{};
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(kjpeg::DecodeJpegFrame(decoders[round], optimised.data(), optimised.size(), planes.data(),
                                         planes.size(), &decoded),
                  kjpeg::Status::Ok);
        ASSERT_EQ(kjpeg::DecodeJpegFrame(decoders[0], bare.data(), bare.size(), planes.data(), planes.size(), &decoded),
                  kjpeg::Status::Ok);
        EXPECT_EQ(FirstDifference(expected, Bytes(planes.begin(), planes.begin() + decoded.size)), "");
    }
}

}  // namespace
