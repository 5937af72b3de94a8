// Frames the camera does not send, broken or hostile, are refused with a
// status; nothing is read past the frame's length (the sanitizer watches the
// frame's own allocation).
#include <gtest/gtest.h>

#include <functional>

#include "kjpeg/JpegDecoder.h"
#include "TestFrames.h"

namespace {
using kjpeg::Status;
using kjpeg_test::Bytes;

Bytes Patched(Bytes frame, size_t at, std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes) frame.at(at++) = b;
    return frame;
}
Bytes Inserted(Bytes frame, size_t at, std::initializer_list<uint8_t> bytes)
{
    frame.insert(frame.begin() + at, bytes);
    return frame;
}
Bytes Cut(Bytes frame, size_t length)
{
    frame.resize(length);
    return frame;
}

// Offsets inside the base frame, a q50 4:2:0 frame from cjpeg.
struct Layout {
    explicit Layout(const Bytes& f)
        : sof(kjpeg_test::FindMarker(f, 0xC0)),
          dqt(kjpeg_test::FindMarker(f, 0xDB)),
          dht(kjpeg_test::FindMarker(f, 0xC4)),
          sos(kjpeg_test::FindMarker(f, 0xDA)),
          entropy(sos + 2 + (size_t{f[sos + 2]} << 8 | f[sos + 3]))
    {
    }
    size_t sof, dqt, dht, sos, entropy;
};

// The first restart marker's offset in a frame's entropy data.
size_t FirstRestart(const Bytes& frame)
{
    const Layout layout(frame);
    for (size_t i = layout.entropy; i + 1 < frame.size(); ++i)
        if (frame[i] == 0xFF && frame[i + 1] == 0xD0) return i;
    throw std::runtime_error("no restart marker");
}

struct Case {
    const char* name;
    std::function<Bytes(const Bytes& base, const Layout& at)> make;
    Status expected;
};

const Case kCases[] = {
    // Markers.
    {"one byte", [](const Bytes& f, const Layout&) { return Cut(f, 1); }, Status::BadMarker},
    {"no start of image", [](const Bytes& f, const Layout&) { return Patched(f, 1, {0xC0}); }, Status::BadMarker},
    {"second start of image",
     [](const Bytes& f, const Layout& at) {
         return Inserted(f, at.dqt, {0xFF, 0xD8});
     },
     Status::BadMarker},
    {"byte where a marker must be", [](const Bytes& f, const Layout& at) { return Inserted(f, at.dqt, {0x00}); },
     Status::BadMarker},
    {"reserved marker",
     [](const Bytes& f, const Layout& at) {
         return Inserted(f, at.dqt, {0xFF, 0x01});
     },
     Status::BadMarker},
    {"scan before the frame header", [](const Bytes& f, const Layout&) { return kjpeg_test::WithoutSegments(f, 0xC0); },
     Status::BadMarker},
    {"end of image before the scan",
     [](const Bytes& f, const Layout& at) {
         return Inserted(f, at.sos, {0xFF, 0xD9});
     },
     Status::Truncated},
    // Truncations.
    {"only the start of image", [](const Bytes& f, const Layout&) { return Cut(f, 2); }, Status::Truncated},
    {"cut in a table segment", [](const Bytes& f, const Layout& at) { return Cut(f, at.dqt + 20); }, Status::Truncated},
    {"cut behind the scan header", [](const Bytes& f, const Layout& at) { return Cut(f, at.entropy); },
     Status::Truncated},
    {"cut in the middle of the picture",
     [](const Bytes& f, const Layout& at) { return Cut(f, (at.entropy + f.size()) / 2); }, Status::Truncated},
    {"cut before the end of image", [](const Bytes& f, const Layout&) { return Cut(f, f.size() - 2); },
     Status::Truncated},
    {"cut inside the end of image", [](const Bytes& f, const Layout&) { return Cut(f, f.size() - 1); },
     Status::Truncated},
    {"segment longer than the frame",
     [](const Bytes& f, const Layout& at) {
         return Cut(Patched(f, at.dqt + 2, {0xFF, 0xF0}), at.dqt + 100);
     },
     Status::Truncated},
    // Segments.
    {"segment length below two",
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.dqt + 2, {0x00, 0x01});
     },
     Status::BadSegment},
    {"restart interval of three bytes",
     [](const Bytes& f, const Layout& at) {
         return Inserted(f, at.sos, {0xFF, 0xDD, 0x00, 0x05, 0x00, 0x01, 0x00});
     },
     Status::BadSegment},
    {"frame header with four components", [](const Bytes& f, const Layout& at) { return Patched(f, at.sof + 9, {4}); },
     Status::BadSegment},
    {"scan header with one component", [](const Bytes& f, const Layout& at) { return Patched(f, at.sos + 4, {1}); },
     Status::BadSegment},
    {"two components with one id",
     [](const Bytes& f, const Layout& at) { return Patched(f, at.sof + 13, {f[at.sof + 10]}); }, Status::BadSegment},
    // Frame geometry and kind.
    {"width 1023",
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.sof + 7, {0x03, 0xFF});
     },
     Status::Unsupported},
    {"width 2048",
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.sof + 7, {0x08, 0x00});
     },
     Status::Unsupported},
    {"height 767",
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.sof + 5, {0x02, 0xFF});
     },
     Status::Unsupported},
    {"height from a DNL segment",
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.sof + 5, {0, 0});
     },
     Status::Unsupported},
    {"640x480", [](const Bytes&, const Layout&) { return kjpeg_test::ReadFrame("small_420.jpg"); },
     Status::Unsupported},
    {"12-bit samples", [](const Bytes& f, const Layout& at) { return Patched(f, at.sof + 4, {12}); },
     Status::Unsupported},
    {"one component", [](const Bytes&, const Layout&) { return kjpeg_test::ReadFrame("grey.jpg"); },
     Status::Unsupported},
    {"4:4:4", [](const Bytes&, const Layout&) { return kjpeg_test::ReadFrame("sampled_444.jpg"); },
     Status::Unsupported},
    {"4:4:0", [](const Bytes&, const Layout&) { return kjpeg_test::ReadFrame("sampled_440.jpg"); },
     Status::Unsupported},
    {"luma 4x1", [](const Bytes& f, const Layout& at) { return Patched(f, at.sof + 11, {0x41}); }, Status::Unsupported},
    {"chroma 2x1", [](const Bytes& f, const Layout& at) { return Patched(f, at.sof + 14, {0x21}); },
     Status::Unsupported},
    {"progressive", [](const Bytes&, const Layout&) { return kjpeg_test::ReadFrame("progressive.jpg"); },
     Status::Unsupported},
    {"arithmetic coding", [](const Bytes&, const Layout&) { return kjpeg_test::ReadFrame("arithmetic.jpg"); },
     Status::Unsupported},
    {"extended sequential", [](const Bytes& f, const Layout& at) { return Patched(f, at.sof + 1, {0xC1}); },
     Status::Unsupported},
    {"scan of other spectral bands", [](const Bytes& f, const Layout& at) { return Patched(f, at.sos + 12, {62}); },
     Status::Unsupported},
    {"scan with successive approximation",
     [](const Bytes& f, const Layout& at) { return Patched(f, at.sos + 13, {0x10}); }, Status::Unsupported},
    {"scan of an unknown component", [](const Bytes& f, const Layout& at) { return Patched(f, at.sos + 5, {9}); },
     Status::Unsupported},
    // Tables.
    {"frame asks for quantisation table 2",
     [](const Bytes& f, const Layout& at) { return Patched(f, at.sof + 12, {2}); }, Status::BadTable},
    {"quantisation table 2", [](const Bytes& f, const Layout& at) { return Patched(f, at.dqt + 4, {0x02}); },
     Status::BadTable},
    {"quantisation precision 2", [](const Bytes& f, const Layout& at) { return Patched(f, at.dqt + 4, {0x20}); },
     Status::BadTable},
    {"Huffman table class 2", [](const Bytes& f, const Layout& at) { return Patched(f, at.dht + 4, {0x20}); },
     Status::BadTable},
    {"Huffman table 2", [](const Bytes& f, const Layout& at) { return Patched(f, at.dht + 4, {0x02}); },
     Status::BadTable},
    {"scan asks for Huffman table 2", [](const Bytes& f, const Layout& at) { return Patched(f, at.sos + 6, {0x02}); },
     Status::BadTable},
    {"Huffman codes overflow",  // two 1-bit codes leave no room for the ten longer ones
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.dht + 5, {2, 0, 5, 1, 1, 1, 1, 1, 0, 0});
     },
     Status::BadTable},
    {"Huffman code of all ones",
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.dht + 5, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 0});
     },
     Status::BadTable},
    {"DC category 12", [](const Bytes& f, const Layout& at) { return Patched(f, at.dht + 21, {12}); },
     Status::BadTable},
    {"Huffman symbols beyond the segment",
     [](const Bytes& f, const Layout& at) {
         return Patched(f, at.dht + 5, {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 9});
     },
     Status::BadSegment},
    // Entropy-coded data.
    {"bits that match no code",
     [](const Bytes& f, const Layout& at) {
         Bytes out = f;
         for (size_t i = at.entropy; i < at.entropy + 64; i += 2) out[i] = 0xFF, out[i + 1] = 0x00;
         return out;
     },
     Status::BadEntropyData},
    {"restart marker out of order",
     [](const Bytes&, const Layout&) {
         const Bytes f = kjpeg_test::ReadFrame("restart_rows_420.jpg");
         return Patched(f, FirstRestart(f) + 1, {0xD3});
     },
     Status::BadRestart},
    {"restart marker missing",
     [](const Bytes&, const Layout&) {
         Bytes f = kjpeg_test::ReadFrame("restart_rows_420.jpg");
         const size_t at = FirstRestart(f);
         f.erase(f.begin() + at, f.begin() + at + 2);
         return f;
     },
     Status::BadEntropyData},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class DecoderRefusal : public testing::TestWithParam<Case> {};

TEST_P(DecoderRefusal, RefusesWithStatus)
{
    const Bytes base = kjpeg_test::ReadFrame("q50_420.jpg");
    const kjpeg_test::KernelDecode result = kjpeg_test::DecodeWithKernel(GetParam().make(base, Layout(base)));
    EXPECT_EQ(result.status, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(HostileFrames, DecoderRefusal, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

TEST(DecoderRefusal, PlanesThatDoNotFitTheBuffer)
{
    std::vector<uint64_t> block(kjpeg::kJpegDecoderBlockSize / sizeof(uint64_t));
    kjpeg::JpegDecoder* decoder = kjpeg::CreateJpegDecoder(block.data(), kjpeg::kJpegDecoderBlockSize);
    const size_t quarterSize = kjpeg::kLumaPlaneSize * 3 / 2;
    struct {
        const char* frame;
        size_t capacity;
        Status expected;
    } cases[] = {{"q50_420.jpg", quarterSize - 1, Status::OutputTooSmall},
                 {"q50_420.jpg", quarterSize, Status::Ok},
                 {"q50_422.jpg", quarterSize, Status::OutputTooSmall},
                 {"q50_422.jpg", kjpeg::kMaxPlanesSize, Status::Ok}};
    for (const auto& c : cases) {
        const Bytes frame = kjpeg_test::ReadFrame(c.frame);
        Bytes planes(c.capacity);
        kjpeg::DecodedFrame decoded{};
        EXPECT_EQ(kjpeg::DecodeJpegFrame(decoder, frame.data(), frame.size(), planes.data(), planes.size(), &decoded),
                  c.expected)
            << c.frame << " into " << c.capacity;
    }
}

TEST(DecoderRefusal, BadArguments)
{
    std::vector<uint64_t> block(kjpeg::kJpegDecoderBlockSize / sizeof(uint64_t) + 1);
    auto* bytes = reinterpret_cast<uint8_t*>(block.data());
    EXPECT_EQ(kjpeg::CreateJpegDecoder(nullptr, kjpeg::kJpegDecoderBlockSize), nullptr);
    EXPECT_EQ(kjpeg::CreateJpegDecoder(bytes, 256), nullptr);
    EXPECT_EQ(kjpeg::CreateJpegDecoder(bytes + 4, kjpeg::kJpegDecoderBlockSize), nullptr);
    kjpeg::JpegDecoder* decoder = kjpeg::CreateJpegDecoder(bytes, kjpeg::kJpegDecoderBlockSize);
    ASSERT_NE(decoder, nullptr);

    const Bytes frame = kjpeg_test::ReadFrame("q50_420.jpg");
    Bytes planes(kjpeg::kMaxPlanesSize);
    kjpeg::DecodedFrame decoded{};
    EXPECT_EQ(kjpeg::DecodeJpegFrame(nullptr, frame.data(), frame.size(), planes.data(), planes.size(), &decoded),
              Status::BadArgument);
    EXPECT_EQ(kjpeg::DecodeJpegFrame(decoder, nullptr, frame.size(), planes.data(), planes.size(), &decoded),
              Status::BadArgument);
    EXPECT_EQ(kjpeg::DecodeJpegFrame(decoder, frame.data(), frame.size(), nullptr, planes.size(), &decoded),
              Status::BadArgument);
    EXPECT_EQ(kjpeg::DecodeJpegFrame(decoder, frame.data(), frame.size(), planes.data(), planes.size(), nullptr),
              Status::BadArgument);
}

}  // namespace
