#include <gtest/gtest.h>

#include <cmath>

#include "TestPlane.h"
#include "Yuy2Converter.h"

namespace {

struct Bgr {
    int b, g, r;
};

// One pixel pair with the same chroma; returns the first pixel.
Bgr Convert(int y, int u, int v)
{
    const unsigned char frame[4] = {static_cast<unsigned char>(y), static_cast<unsigned char>(u),
                                    static_cast<unsigned char>(y), static_cast<unsigned char>(v)};
    TestPlane out(2, 1);
    EXPECT_TRUE(ConvertYuy2ToBgr(frame, 2, 1, 4, out.plane));
    return {out.At(0, 0)[0], out.At(0, 0)[1], out.At(0, 0)[2]};
}

int Reference(double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 255.0))); }

TEST(Yuy2, ExactFixedPointValues)
{
    struct Case {
        int y, u, v;
        Bgr expected;
    };
    const Case cases[] = {
        {16, 128, 128, {0, 0, 0}},        {235, 128, 128, {254, 254, 254}},  // 76309 x 219 stays just below 255 << 16
        {236, 128, 128, {255, 255, 255}}, {128, 128, 128, {130, 130, 130}}, {81, 90, 240, {0, 0, 254}},  // studio red
        {145, 54, 34, {0, 255, 0}},        // studio green clamps
        {41, 240, 110, {255, 0, 0}},       // studio blue
        {0, 0, 0, {0, 135, 0}},            // the clamp table's low end
        {255, 255, 255, {255, 125, 255}},  // and its high end
    };
    for (const Case& c : cases) {
        const Bgr got = Convert(c.y, c.u, c.v);
        EXPECT_EQ(got.b, c.expected.b) << c.y << "," << c.u << "," << c.v;
        EXPECT_EQ(got.g, c.expected.g) << c.y << "," << c.u << "," << c.v;
        EXPECT_EQ(got.r, c.expected.r) << c.y << "," << c.u << "," << c.v;
    }
}

TEST(Yuy2, WithinOneOfFloatingPointBt601)
{
    // Every U and V for every fourth Y, as one frame of 256 x 256 pixel pairs per Y.
    const int width = 512, height = 256;
    std::vector<unsigned char> frame(2 * width * height);
    TestPlane out(width, height);
    for (int y = 0; y < 256; y += 3) {
        for (int u = 0; u < 256; ++u)
            for (int v = 0; v < 256; ++v) {
                unsigned char* p = &frame[4 * (u * 256 + v)];
                p[0] = p[2] = static_cast<unsigned char>(y);
                p[1] = static_cast<unsigned char>(u);
                p[3] = static_cast<unsigned char>(v);
            }
        ASSERT_TRUE(ConvertYuy2ToBgr(frame.data(), width, height, static_cast<long long>(frame.size()), out.plane));
        for (int u = 0; u < 256; ++u)
            for (int v = 0; v < 256; ++v) {
                const double luma = 1.164383 * (y - 16);
                const int b = Reference(luma + 2.017232 * (u - 128));
                const int g = Reference(luma - 0.812968 * (v - 128) - 0.391762 * (u - 128));
                const int r = Reference(luma + 1.596027 * (v - 128));
                const int row = height - 1 - u, x = 2 * v + 1;  // the second pixel of each pair
                const unsigned char* px = out.At(x, row);
                ASSERT_LE(std::abs(px[0] - b), 1) << y << "," << u << "," << v;
                ASSERT_LE(std::abs(px[1] - g), 1) << y << "," << u << "," << v;
                ASSERT_LE(std::abs(px[2] - r), 1) << y << "," << u << "," << v;
            }
    }
    EXPECT_TRUE(out.PaddingIntact());
}

TEST(Yuy2, TopInputRowBecomesTheLastPlaneRow)
{
    // Two rows: white on top, black below.
    const unsigned char frame[8] = {235, 128, 235, 128, 16, 128, 16, 128};
    TestPlane out(2, 2);
    ASSERT_TRUE(ConvertYuy2ToBgr(frame, 2, 2, 8, out.plane));
    EXPECT_EQ(out.At(0, 1)[0], 254);
    EXPECT_EQ(out.At(1, 1)[2], 254);
    EXPECT_EQ(out.At(0, 0)[0], 0);
}

TEST(Yuy2, RefusesIncompleteOrMismatchedFrames)
{
    std::vector<unsigned char> frame(640 * 480 * 2, 200);
    TestPlane out(640, 480);
    const long long whole = static_cast<long long>(frame.size());
    EXPECT_FALSE(ConvertYuy2ToBgr(frame.data(), 640, 480, whole - 1, out.plane));
    EXPECT_FALSE(ConvertYuy2ToBgr(frame.data(), 640, 480, 0, out.plane));
    EXPECT_FALSE(ConvertYuy2ToBgr(nullptr, 640, 480, whole, out.plane));
    EXPECT_FALSE(ConvertYuy2ToBgr(frame.data(), 320, 480, whole, out.plane));  // other size than the plane
    EXPECT_FALSE(ConvertYuy2ToBgr(frame.data(), -640, -480, whole, out.plane));
    EXPECT_FALSE(IsYuy2FrameComplete(639, 2, 100000));
    EXPECT_FALSE(IsYuy2FrameComplete(65536, 65536, 1LL << 32));  // no overflow in the size test
    EXPECT_TRUE(IsYuy2FrameComplete(65536, 65536, 1LL << 33));
    for (int y = 0; y < 480; ++y) ASSERT_EQ(out.At(0, y)[0], 0) << "refused frame wrote pixels";
    EXPECT_TRUE(ConvertYuy2ToBgr(frame.data(), 640, 480, whole + 100, out.plane));
}

}  // namespace
