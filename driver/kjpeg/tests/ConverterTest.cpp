// The converters against a plain per-pixel conversion of the same planes:
// the centred window of each size, every 2nd or 4th pair and row, rows from
// the top, and the colour formulas of the driver's formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "kjpeg/PixelConverters.h"
#include "TestFrames.h"

namespace {
using kjpeg::ChromaLayout;
using kjpeg_test::Bytes;

constexpr size_t kChromaWidth = kjpeg::kFrameWidth / 2;

// Planes whose samples differ from their neighbours, so that a pixel taken
// from the wrong place shows.
struct Planes {
    explicit Planes(ChromaLayout layout)
    {
        const size_t chromaRows = layout == ChromaLayout::Quarter ? kjpeg::kFrameHeight / 2 : kjpeg::kFrameHeight;
        bytes.resize(kjpeg::kLumaPlaneSize + 2 * kChromaWidth * chromaRows);
        uint32_t state = 12345;
        for (uint8_t& b : bytes) b = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 23);
        frame = {bytes.data(), layout, bytes.size()};
    }
    uint8_t Luma(size_t row, size_t x) const { return bytes[row * kjpeg::kFrameWidth + x]; }
    uint8_t Chroma(int plane, size_t row, size_t pair) const
    {
        const size_t chromaRows = (bytes.size() - kjpeg::kLumaPlaneSize) / 2 / kChromaWidth;
        const size_t chromaRow = frame.chroma == ChromaLayout::Quarter ? row / 2 : row;
        return bytes[kjpeg::kLumaPlaneSize + (plane * chromaRows + chromaRow) * kChromaWidth + pair];
    }
    Bytes bytes;
    kjpeg::DecodedFrame frame;
};

uint8_t Clamp(int v) { return static_cast<uint8_t>(std::min(255, std::max(0, v))); }

// The frame's pixels that make a picture of the size: the whole frame, the
// centred 640x480 window for 4:3 sizes, the centred 704x576 one for CIF.
struct Window {
    size_t left, top, step;
};
Window WindowOf(uint32_t width, uint32_t height)
{
    if (height == 768) return {0, 0, 1};
    if (height % 120 == 0) return {192, 144, 640 / width};
    return {160, 96, 704 / width};
}

// Calls pixel(out index, Y, Cb, Cr) for every pixel of the picture.
template <typename Pixel>
void ForEachPixel(const Planes& planes, uint32_t width, uint32_t height, Pixel pixel)
{
    const Window window = WindowOf(width, height);
    for (size_t r = 0; r < height; ++r) {
        const size_t row = window.top + r * window.step;
        for (size_t p = 0; p < width / 2; ++p) {
            const size_t pair = window.left / 2 + p * window.step;
            for (size_t half = 0; half < 2; ++half)
                pixel(r * width + 2 * p + half, planes.Luma(row, 2 * pair + half), planes.Chroma(0, row, pair),
                      planes.Chroma(1, row, pair));
        }
    }
}

Bytes ReferenceYuy2(const Planes& planes, uint32_t width, uint32_t height)
{
    Bytes out(size_t{width} * height * 2);
    ForEachPixel(planes, width, height, [&](size_t i, uint8_t y, uint8_t cb, uint8_t cr) {
        out[2 * i] = y;
        out[2 * i + 1] = i % 2 == 0 ? cb : cr;
    });
    return out;
}

Bytes ReferenceRgb24(const Planes& planes, uint32_t width, uint32_t height)
{
    Bytes out(size_t{width} * height * 3);
    ForEachPixel(planes, width, height, [&](size_t i, int y, int cb, int cr) {
        const int luma = (y * 1192 - 19072) >> 10;
        out[3 * i] = Clamp(luma + ((cb - 128) * 2065 >> 10));
        out[3 * i + 1] = Clamp(luma - ((cr - 128) * 833 >> 10) - ((cb - 128) * 401 >> 10));
        out[3 * i + 2] = Clamp(luma + ((cr - 128) * 1634 >> 10));
    });
    return out;
}

Bytes ReferenceRgb555(const Planes& planes, uint32_t width, uint32_t height)
{
    Bytes out(size_t{width} * height * 2);
    ForEachPixel(planes, width, height, [&](size_t i, int y, int cb, int cr) {
        y &= 0xF8, cb &= 0xF8, cr &= 0xF8;
        const int red = Clamp((1192 * y + 1634 * cr - 228224) >> 10);
        const int green = Clamp((1192 * y - 833 * cr - 401 * cb + 138880) >> 10);
        const int blue = Clamp((1192 * y + 2065 * cb - 283392) >> 10);
        const uint16_t value = static_cast<uint16_t>((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
        out[2 * i] = static_cast<uint8_t>(value);
        out[2 * i + 1] = static_cast<uint8_t>(value >> 8);
    });
    return out;
}

struct Tables {
    Tables()
    {
        kjpeg::CreateColourTables(&rgb24);
        kjpeg::CreateColourTables(rgb555.get());
    }
    kjpeg::Rgb24Tables rgb24;
    std::unique_ptr<kjpeg::Rgb555Table> rgb555 = std::make_unique<kjpeg::Rgb555Table>();
};

enum class Form { Yuy2, Rgb24, Rgb555 };

// Runs the converter into a buffer of exactly the picture's size followed by
// guard bytes, which must stay untouched.
Bytes Convert(Form form, const Tables& tables, const kjpeg::DecodedFrame& frame, uint32_t width, uint32_t height,
              size_t* written, size_t capacityShortfall = 0)
{
    const size_t bytes = size_t{width} * height * (form == Form::Rgb24 ? 3 : 2);
    Bytes out(bytes + 16, 0xA5);
    const kjpeg::Picture picture{out.data(), bytes - capacityShortfall, width, height};
    switch (form) {
    case Form::Yuy2:
        *written = kjpeg::ConvertToYuy2(frame, picture);
        break;
    case Form::Rgb24:
        *written = kjpeg::ConvertToRgb24(frame, tables.rgb24, picture);
        break;
    case Form::Rgb555:
        *written = kjpeg::ConvertToRgb555(frame, *tables.rgb555, picture);
        break;
    }
    EXPECT_TRUE(std::all_of(out.begin() + bytes - capacityShortfall, out.end(), [](uint8_t b) { return b == 0xA5; }));
    out.resize(bytes);
    return out;
}

struct Size {
    uint32_t width, height;
};
const Size kDriverSizes[] = {{1024, 768}, {640, 480}, {320, 240}, {160, 120}, {352, 288}, {176, 144}};

TEST(Converters, EveryFormAndSizeMatchesThePlainConversion)
{
    const Tables tables;
    for (ChromaLayout layout : {ChromaLayout::Quarter, ChromaLayout::Half}) {
        const Planes planes(layout);
        for (const Size& size : kDriverSizes) {
            const struct {
                Form form;
                Bytes expected;
            } forms[] = {{Form::Yuy2, ReferenceYuy2(planes, size.width, size.height)},
                         {Form::Rgb24, ReferenceRgb24(planes, size.width, size.height)},
                         {Form::Rgb555, ReferenceRgb555(planes, size.width, size.height)}};
            for (const auto& f : forms) {
                SCOPED_TRACE(testing::Message() << "form " << static_cast<int>(f.form) << ", " << size.width << "x"
                                                << size.height << ", layout " << static_cast<int>(layout));
                size_t written = 0;
                const Bytes out = Convert(f.form, tables, planes.frame, size.width, size.height, &written);
                EXPECT_EQ(written, f.expected.size());
                EXPECT_TRUE(out == f.expected);
            }
        }
    }
}

TEST(Converters, SizesTheFrameCannotGiveAndShortBuffersWriteNothing)
{
    const Tables tables;
    const Planes planes(ChromaLayout::Quarter);
    const struct {
        Size size;
        size_t shortfall;
    } cases[] = {{{800, 600}, 0}, {{1000, 768}, 0}, {{1024, 600}, 0}, {{641, 480}, 0},  {{640, 0}, 0},
                 {{0, 480}, 0},   {{640, 481}, 0},  {{640, 480}, 1},  {{1024, 768}, 1}, {{176, 144}, 1}};
    for (const auto& c : cases)
        for (Form form : {Form::Yuy2, Form::Rgb24, Form::Rgb555}) {
            SCOPED_TRACE(testing::Message() << "form " << static_cast<int>(form) << ", " << c.size.width << "x"
                                            << c.size.height << " short by " << c.shortfall);
            size_t written = 1;
            const Bytes out = Convert(form, tables, planes.frame, c.size.width, c.size.height, &written, c.shortfall);
            EXPECT_EQ(written, 0u);
            EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xA5; }));
        }
}

// On a decoded page: the paper comes out white, the chart's bars in their
// colours, in B, G, R byte order, and the top of the page first.
TEST(Converters, DecodedPageKeepsItsColoursAndOrientation)
{
    const Tables tables;
    const kjpeg_test::KernelDecode decoded = kjpeg_test::DecodeWithKernel(kjpeg_test::ReadFrame("q90_422.jpg"));
    ASSERT_EQ(decoded.status, kjpeg::Status::Ok);
    const kjpeg::DecodedFrame frame{decoded.planes.data(), decoded.chroma, decoded.planes.size()};
    size_t written = 0;
    const Bytes rgb = Convert(Form::Rgb24, tables, frame, 1024, 768, &written);
    ASSERT_EQ(written, rgb.size());
    struct Bgr {
        int b, g, r;
    };
    auto at = [&](size_t x, size_t y) {
        const uint8_t* p = &rgb[(y * 1024 + x) * 3];
        return Bgr{p[0], p[1], p[2]};
    };
    const Bgr paper = at(40, 700), red = at(670, 600), green = at(750, 600), blue = at(910, 600);
    EXPECT_GT(std::min({paper.b, paper.g, paper.r}), 220);
    EXPECT_GT(red.r, std::max(red.g, red.b) + 100);
    EXPECT_GT(green.g, std::max(green.r, green.b) + 50);
    EXPECT_GT(blue.b, std::max(blue.r, blue.g) + 100);

    const Bytes rgb555 = Convert(Form::Rgb555, tables, frame, 1024, 768, &written);
    auto channels555 = [&](size_t x, size_t y) {
        const uint16_t v = static_cast<uint16_t>(rgb555[(y * 1024 + x) * 2] | rgb555[(y * 1024 + x) * 2 + 1] << 8);
        return Bgr{(v & 31) << 3, (v >> 5 & 31) << 3, (v >> 10 & 31) << 3};
    };
    EXPECT_GT(channels555(670, 600).r, channels555(670, 600).b + 100);
    EXPECT_GT(channels555(910, 600).b, channels555(910, 600).r + 100);
}

}  // namespace
