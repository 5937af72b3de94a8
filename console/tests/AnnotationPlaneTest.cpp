#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "AnnotationPlane.h"
#include "AnnotationTestPlane.h"

namespace {

using Xs = std::vector<int>;

TEST(AnnotationBlend, ExactNumbers)
{
    struct Case {
        std::uint32_t pixel, colour, expected;
    };
    const Case cases[] = {
        {0x00000000, 0x80FF0000, 0x80800000},  // half red onto nothing
        {0x80800000, 0x80FF0000, 0xFFBF0000},  // again: alpha 128 + 128 saturates, red 191
        {0xFF00FF00, 0x40FFFFFF, 0xFF40FF40},  // a quarter white over opaque green
        {0x10203040, 0x00FFFFFF, 0x10203040},  // alpha 0 leaves the pixel
        {0x00000000, 0x01FFFFFF, 0x01010101},  // 255 x 1 / 255
        {0x00000000, 0x7F646464, 0x7F313131},  // 100 x 127 / 255 = 49.8, truncated
        {0xC0000000, 0x80000000, 0xFF000000},  // the alpha is a sum, not "over"
    };
    for (const Case& c : cases)
        EXPECT_EQ(Argb::BlendOnto(c.pixel, c.colour), c.expected) << std::hex << c.pixel << " " << c.colour;
}

TEST(AnnotationBlend, ColourPacking)
{
    EXPECT_EQ(Argb::Make(0x12, 0x34, 0x56, 0x78), 0x78123456u);
    EXPECT_EQ(Argb::FromColorRef(0x00563412, 0xFF), 0xFF123456u);
    EXPECT_EQ(Argb::ToColorRef(0x80123456), 0x00563412u);
}

// Lines touch over the picture, borders replace it: the same translucent
// colour gives both results.
TEST(AnnotationBlend, LinesBlendOverBordersReplace)
{
    AnnotationTestPlane layer(8, 8, 0xFF00FF00);
    AnnotationOps::DrawLine(layer.plane, 0, 0, 7, 0, 0x80FF0000);
    EXPECT_EQ(layer.At(3, 0), Argb::BlendOnto(0xFF00FF00, 0x80FF0000));
    AnnotationOps::DrawRect(layer.plane, {2, 2, 6, 6}, false, 1, 0x80FF0000, 0);
    EXPECT_EQ(layer.At(2, 3), 0x80800000u);
    EXPECT_EQ(layer.At(3, 3), 0xFF00FF00u);
}

TEST(AnnotationLine, SinglePointAndRowsOutside)
{
    AnnotationTestPlane layer(10, 10);
    EXPECT_TRUE(AnnotationOps::DrawLine(layer.plane, 5, 5, 5, 5, 0xFFFFFFFF));
    EXPECT_EQ(layer.CountNonZero(), 1);
    EXPECT_EQ(layer.At(5, 5), 0xFFFFFFFFu);

    AnnotationTestPlane empty(10, 10);
    EXPECT_FALSE(AnnotationOps::DrawLine(empty.plane, 0, -1, 9, -1, 0xFFFFFFFF));
    EXPECT_FALSE(AnnotationOps::DrawLine(empty.plane, 10, 0, 10, 9, 0xFFFFFFFF));
    EXPECT_EQ(empty.CountNonZero(), 0);
}

// Which pixels each row of a sloped line gets.
TEST(AnnotationLine, SlopeRuns)
{
    struct Case {
        int x1, y1, x2, y2;
        std::vector<Xs> rows;  // rows 0, 1, 2, ...
    };
    const Case cases[] = {
        {0, 0, 3, 3, {{0}, {1}, {2}, {3}}},               // 45 degrees: one a row
        {0, 0, 8, 2, {{0}, {1, 2, 3, 4}, {5, 6, 7, 8}}},  // slope 1/4: runs of four
        {8, 0, 0, 2, {{8}, {4, 5, 6, 7}, {0, 1, 2, 3}}},  // the same leftwards
        {0, 2, 8, 0, {{8}, {4, 5, 6, 7}, {0, 1, 2, 3}}},  // drawn from the bottom
        {1, 0, 2, 4, {{1}, {1}, {1}, {1}, {2}}},          // steep, truncated x
        {-4, 0, 4, 2, {{}, {0}, {1, 2, 3, 4}}},           // starts left of the layer
    };
    for (const Case& c : cases) {
        AnnotationTestPlane layer(10, 6);
        // Translucent, so a pixel written twice would show.
        EXPECT_TRUE(AnnotationOps::DrawLine(layer.plane, c.x1, c.y1, c.x2, c.y2, 0x40FFFFFF));
        for (size_t y = 0; y < c.rows.size(); ++y) {
            EXPECT_EQ(layer.Row(static_cast<int>(y)), c.rows[y]) << c.x1 << "," << c.y1 << " row " << y;
            for (int x : layer.Row(static_cast<int>(y))) EXPECT_EQ(layer.At(x, static_cast<int>(y)), 0x40404040u);
        }
    }
}

TEST(AnnotationLine, FarOutsideStaysInside)
{
    AnnotationTestPlane layer(7, 5);
    AnnotationOps::DrawLine(layer.plane, -2000000000, -3, 2000000000, 9, 0xFFFFFFFF);
    AnnotationOps::DrawLine(layer.plane, 3, -2000000000, 4, 2000000000, 0xFFFFFFFF);
    AnnotationOps::DrawLine(layer.plane, -5, 2, 50, 2, 0xFFFFFFFF);
    EXPECT_EQ(layer.Row(2).size(), 7u);
}

TEST(AnnotationRect, WholeLayerBorderHasNoRightEdge)
{
    AnnotationTestPlane layer(8, 6);
    AnnotationOps::DrawRect(layer.plane, {0, 0, 8, 6}, false, 2, 0xFFFFFFFF, 0);
    EXPECT_EQ(layer.Row(0), (Xs{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(layer.Row(1), (Xs{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(layer.Row(2), (Xs{0, 1}));
    EXPECT_EQ(layer.Row(3), (Xs{0, 1}));
    EXPECT_EQ(layer.Row(4), (Xs{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(layer.Row(5), (Xs{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(AnnotationRect, InnerRectangleEdgesAndFill)
{
    AnnotationTestPlane layer(10, 10);
    AnnotationOps::DrawRect(layer.plane, {1, 1, 7, 7}, true, 1, 0xFFFFFFFF, 0xFF0000FF);
    // The border stays inside right and bottom; the fill one pixel inside
    // every edge, never on the top row.
    EXPECT_EQ(layer.Row(0), Xs{});
    EXPECT_EQ(layer.Row(1), (Xs{1, 2, 3, 4, 5, 6}));
    for (int y = 2; y <= 5; ++y) {
        EXPECT_EQ(layer.Row(y), (Xs{1, 2, 3, 4, 5, 6})) << y;
        EXPECT_EQ(layer.At(1, y), 0xFFFFFFFFu);
        EXPECT_EQ(layer.At(6, y), 0xFFFFFFFFu);
        for (int x = 2; x <= 5; ++x) EXPECT_EQ(layer.At(x, y), 0xFF0000FFu);
    }
    EXPECT_EQ(layer.Row(6), (Xs{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(layer.Row(7), Xs{});

    AnnotationTestPlane fillOnly(10, 10);
    AnnotationOps::DrawRect(fillOnly.plane, {1, 1, 7, 7}, true, 0, 0xFFFFFFFF, 0xFF0000FF);
    EXPECT_EQ(fillOnly.Row(1), Xs{});
    for (int y = 2; y <= 5; ++y) EXPECT_EQ(fillOnly.Row(y), (Xs{2, 3, 4, 5})) << y;
    EXPECT_EQ(fillOnly.Row(6), Xs{});
}

TEST(AnnotationRect, FarOutsideAndHugeBorderStayInside)
{
    AnnotationTestPlane layer(5, 4);
    AnnotationOps::DrawRect(layer.plane, {-2000000000, -2000000000, 2000000000, 2000000000}, true, 2000000000,
                            0xFFFFFFFF, 0xFF0000FF);
    AnnotationOps::DrawRect(layer.plane, {3, 2, 1, 0}, true, 9, 0xFFFFFFFF, 0xFF0000FF);
    AnnotationOps::EraseRect(layer.plane, {-2000000000, 1, 2000000000, 2});
    EXPECT_EQ(layer.Row(1), Xs{});
}

TEST(AnnotationEllipse, ZeroHalfAxisDrawsNothing)
{
    for (PixelRect rect : {PixelRect{0, 0, 3, 10}, PixelRect{0, 0, 10, 3}, PixelRect{4, 4, 4, 9}}) {
        AnnotationTestPlane layer(10, 10);
        EXPECT_FALSE(AnnotationOps::DrawEllipse(layer.plane, rect, true, 1, 0xFFFFFFFF, 0xFFFFFFFF));
        EXPECT_EQ(layer.CountNonZero(), 0);
    }
}

TEST(AnnotationEllipse, RingClearsItsInteriorWithoutFill)
{
    AnnotationTestPlane layer(20, 20, 0xFF00FF00);
    PixelRect rect{0, 0, 20, 20};
    EXPECT_TRUE(AnnotationOps::DrawEllipse(layer.plane, rect, false, 3, 0xFFFF0000, 0xFF0000FF));
    EXPECT_EQ(rect, (PixelRect{3, 3, 17, 17}));
    EXPECT_EQ(layer.At(10, 9), 0u);          // centre of the inner box: cleared
    EXPECT_EQ(layer.At(1, 9), 0xFFFF0000u);  // left end of the ring
    EXPECT_EQ(layer.At(0, 0), 0xFF00FF00u);  // corner outside the box: untouched
    // The cleared interior is symmetric about the inner box's middle column.
    for (int y = 0; y < 20; ++y)
        for (int k = 1; k <= 5; ++k) EXPECT_EQ(layer.At(10 + k, y) == 0, layer.At(10 - k, y) == 0) << k << "," << y;
}

TEST(AnnotationMerge, Rules)
{
    AnnotationTestPlane source(2, 1);
    source.At(0, 0) = 0xFF123456;
    source.At(1, 0) = 0x00000000;
    struct Case {
        bool keyed, blend;
        unsigned alpha;
        std::uint32_t key, expected0, expected1;
    };
    const std::uint32_t d = 0xFF00FF00;
    const Case cases[] = {
        {false, false, 255, 0, 0xFF123456, d},
        {false, true, 128, 0, Argb::BlendOnto(d, 0x80123456), d},
        {false, true, 0, 0, d, 0xFF000000},
        {true, false, 200, 0x123456, 0xC8123456, d},
        {true, true, 100, 0xAA123456, Argb::BlendOnto(d, 0x64123456), d},
        {true, false, 255, 0x654321, d, d},
    };
    for (const Case& c : cases) {
        AnnotationTestPlane target(2, 1, d);
        EXPECT_TRUE(AnnotationOps::MergeFrom(target.plane, source.plane, c.keyed, c.blend, nullptr, c.alpha, c.key));
        EXPECT_EQ(target.At(0, 0), c.expected0) << c.keyed << c.blend << c.alpha;
        EXPECT_EQ(target.At(1, 0), c.expected1) << c.keyed << c.blend << c.alpha;
    }
}

TEST(AnnotationMerge, EmptyClipDoesNothing)
{
    AnnotationTestPlane source(4, 4, 0xFFFFFFFF), target(4, 4);
    const PixelRect outside{5, 5, 9, 9};
    EXPECT_FALSE(AnnotationOps::MergeFrom(target.plane, source.plane, false, false, &outside, 255, 0));
    EXPECT_FALSE(AnnotationOps::BlendFrom(target.plane, source.plane, &outside, 255));
    EXPECT_EQ(target.CountNonZero(), 0);
}

// Every pairing of sizes, with clips inside, across and far outside: the
// written area is the overlap, and the sanitizers see no stray access.
TEST(AnnotationMerge, MismatchedSizesStayInsideBothPlanes)
{
    const int sizes[][2] = {{1, 1}, {3, 5}, {5, 3}, {8, 8}, {1, 9}, {9, 1}};
    const PixelRect clips[] = {{0, 0, 2, 2}, {-5, -5, 100, 100}, {-2000000000, 1, 2000000000, 2000000000}};
    for (auto& s : sizes)
        for (auto& t : sizes) {
            AnnotationTestPlane source(s[0], s[1], 0xFF808080);
            const int overlap = std::min(s[0], t[0]) * std::min(s[1], t[1]);
            {
                AnnotationTestPlane target(t[0], t[1]);
                AnnotationOps::MergeFrom(target.plane, source.plane, false, false, nullptr, 255, 0);
                EXPECT_EQ(target.CountNonZero(), overlap);
            }
            {
                AnnotationTestPlane target(t[0], t[1]);
                AnnotationOps::BlendFrom(target.plane, source.plane, nullptr, 100);
                EXPECT_EQ(target.CountNonZero(), overlap);
            }
            {
                AnnotationTestPlane target(t[0], t[1]);
                AnnotationOps::CompositeFrom(target.plane, source.plane, 255);
                EXPECT_EQ(target.CountNonZero(), overlap);
            }
            for (const PixelRect& clip : clips) {
                AnnotationTestPlane target(t[0], t[1]);
                AnnotationOps::MergeFrom(target.plane, source.plane, true, true, &clip, 10, 0x808080);
                AnnotationOps::BlendFrom(target.plane, source.plane, &clip, 255);
            }
            {
                AnnotationTestPlane scratch(t[0], t[1], 0);
                AnnotationOps::Transpose(source.plane, scratch.plane);
                EXPECT_EQ(scratch.CountNonZero(), std::min(s[0], t[1]) * std::min(s[1], t[0]));
            }
        }
}

TEST(AnnotationTurn, QuarterTurnPlacesEveryPixel)
{
    // Memory rows of a 3 x 2 layer: {1, 2, 3}, {4, 5, 6}.
    AnnotationTestPlane layer(3, 2);
    for (std::uint32_t i = 0; i < 6; ++i) layer.words[i] = i + 1;
    AnnotationTestPlane scratch(2, 3);
    AnnotationOps::Transpose(layer.plane, scratch.plane);
    EXPECT_EQ(scratch.words, (std::vector<std::uint32_t>{3, 6, 2, 5, 1, 4}));
}

TEST(AnnotationTurn, HalfTurnsAndMirrorsRestoreEveryPixel)
{
    for (auto size : {std::pair{1, 1}, std::pair{4, 3}, std::pair{5, 5}}) {
        AnnotationTestPlane layer(size.first, size.second);
        for (size_t i = 0; i < layer.words.size(); ++i) layer.words[i] = static_cast<std::uint32_t>(i + 1);
        const auto original = layer.words;
        AnnotationOps::HalfTurn(layer.plane);
        EXPECT_EQ(layer.words.front(), original.back());
        AnnotationOps::MirrorRows(layer.plane);
        AnnotationOps::FlipColumns(layer.plane);
        EXPECT_EQ(layer.words, original);  // a half turn is both mirrors
    }
}

TEST(AnnotationBmp, HeadersOfATwoByTwoLayer)
{
    unsigned char headers[kBmpHeadersBytes];
    AnnotationOps::WriteBmpHeaders(headers, 2, 2);
    const unsigned char expected[kBmpHeadersBytes] = {
        'B', 'M', 70, 0, 0,  0, 0, 0, 0,   0, 54, 0, 0,   0,         // file: size 70, pixels at 54
        40,  0,   0,  0, 2,  0, 0, 0, 2,   0, 0,  0, 1,   0, 32, 0,  // 2 x 2 bottom-up, 1 plane, 32 bits
        0,   0,   0,  0, 16, 0, 0, 0, 120, 0, 0,  0, 120, 0, 0,  0,  // uncompressed, 16 bytes, 120 per metre
        0,   0,   0,  0, 0,  0, 0, 0};
    EXPECT_EQ(std::vector<unsigned char>(headers, headers + kBmpHeadersBytes),
              std::vector<unsigned char>(expected, expected + kBmpHeadersBytes));
}

}  // namespace
