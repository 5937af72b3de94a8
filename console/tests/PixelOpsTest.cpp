#include <gtest/gtest.h>

#include <tuple>

#include "TestPlane.h"

namespace {

// Runs a byte-wise operation over a plane holding every byte value once
// (86 pixels, widths chosen so rows carry padding) and returns the results.
template <typename Op>
std::vector<int> MapAllBytes(Op op)
{
    TestPlane t(7, 13);
    for (int i = 0; i < 7 * 13 * 3; ++i)
        t.At(0, 0)[(i / 21) * t.plane.stride + i % 21] = static_cast<unsigned char>(i % 256);
    op(t.plane);
    EXPECT_TRUE(t.PaddingIntact());
    std::vector<int> result(256);
    for (int i = 0; i < 256; ++i) result[i] = t.At(0, 0)[(i / 21) * t.plane.stride + i % 21];
    return result;
}

TEST(PixelOps, NegativeInvertsEveryColourByteAndNoPadding)
{
    const auto out = MapAllBytes([](const BgrPlane& p) { PixelOps::Negative(p); });
    for (int v = 0; v < 256; ++v) EXPECT_EQ(out[v], 255 - v);
}

TEST(PixelOps, GrayscaleUsesIntegerLumaWeights)
{
    struct Case {
        int b, g, r, luma;
    };
    // The weights sum to 65535: white comes out as 254.
    for (const Case c : {Case{255, 255, 255, 254}, Case{255, 0, 0, 29}, Case{0, 255, 0, 149}, Case{0, 0, 255, 76},
                         Case{0, 0, 0, 0}, Case{10, 20, 30, 21}}) {
        TestPlane t(3, 1);
        t.Set(1, 0, c.b, c.g, c.r);
        PixelOps::Grayscale(t.plane);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(t.At(1, 0)[i], c.luma) << c.b << "," << c.g << "," << c.r;
        EXPECT_TRUE(t.PaddingIntact());
    }
}

TEST(PixelOps, BrightnessAddsAndClamps)
{
    for (const int delta : {-300, -50, 0, 37, 255, 1000}) {
        const auto out = MapAllBytes([delta](const BgrPlane& p) { PixelOps::AdjustBrightness(p, delta); });
        for (int v = 0; v < 256; ++v) EXPECT_EQ(out[v], std::clamp(v + delta, 0, 255)) << delta << " " << v;
    }
}

TEST(PixelOps, ContrastFollowsItsFormulaAndLimits)
{
    const auto reduce = [](int v, int c) { return std::max(0, v * (255 + 2 * c) / 255 - c); };
    const auto raise = [](int v, int c) { return std::clamp((v - c) * 255 / (255 - 2 * c), 0, 255); };
    for (const int level : {-500, -127, -40, -1, 0, 1, 60, 127, 200}) {
        const auto out = MapAllBytes([level](const BgrPlane& p) { PixelOps::AdjustContrast(p, level); });
        for (int v = 0; v < 256; ++v) {
            const int expected = level <= 0 ? reduce(v, std::max(level, -127)) : raise(v, std::min(level, 127));
            ASSERT_EQ(out[v], expected) << "level " << level << " byte " << v;
        }
    }
    // The limits: fully flat around the middle, or fully hard.
    const auto flat = MapAllBytes([](const BgrPlane& p) { PixelOps::AdjustContrast(p, -500); });
    for (int v = 0; v < 256; ++v) EXPECT_TRUE(flat[v] == 127 || flat[v] == 128) << v;
    const auto hard = MapAllBytes([](const BgrPlane& p) { PixelOps::AdjustContrast(p, 200); });
    for (int v = 0; v < 256; ++v) EXPECT_EQ(hard[v], v <= 127 ? 0 : 255) << v;
}

class Geometry : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(Geometry, MirrorAndHalfTurnMovePixelsWhereTheyBelong)
{
    const auto [w, h] = GetParam();
    TestPlane source(w, h);
    source.FillDistinct();

    TestPlane across = source, flipped = source, turned = source;
    across.plane.pixels = across.bytes.data();
    flipped.plane.pixels = flipped.bytes.data();
    turned.plane.pixels = turned.bytes.data();
    PixelOps::Mirror(across.plane, false);
    PixelOps::Mirror(flipped.plane, true);
    PixelOps::Rotate180(turned.plane);

    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int i = 0; i < 3; ++i) {
                ASSERT_EQ(across.At(x, y)[i], source.At(w - 1 - x, y)[i]) << x << "," << y;
                ASSERT_EQ(flipped.At(x, y)[i], source.At(x, h - 1 - y)[i]) << x << "," << y;
                ASSERT_EQ(turned.At(x, y)[i], source.At(w - 1 - x, h - 1 - y)[i]) << x << "," << y;
            }
    EXPECT_TRUE(across.PaddingIntact());
    EXPECT_TRUE(turned.PaddingIntact());
}

// Odd and even sides, single rows and columns, and rows with 1..3 padding bytes.
INSTANTIATE_TEST_SUITE_P(Sizes, Geometry,
                         ::testing::Values(std::make_tuple(1, 1), std::make_tuple(1, 5), std::make_tuple(5, 1),
                                           std::make_tuple(4, 4), std::make_tuple(3, 2), std::make_tuple(7, 3),
                                           std::make_tuple(6, 5), std::make_tuple(2, 7)));

TEST(PixelOps, PlaneWithoutPixelsIsLeftAlone)
{
    const BgrPlane none{nullptr, 640, 480, BgrStride(640)};
    PixelOps::Negative(none);
    PixelOps::Grayscale(none);
    PixelOps::AdjustBrightness(none, 10);
    PixelOps::AdjustContrast(none, 10);
    PixelOps::Mirror(none, true);
    PixelOps::Mirror(none, false);
    PixelOps::Rotate180(none);
    EXPECT_EQ(BgrStride(3), 12);
    EXPECT_EQ(BgrStride(4), 12);
    EXPECT_EQ(BgrStride(1), 4);
}

}  // namespace
