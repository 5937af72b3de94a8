// The codec wrappers against peers: pictures from libjpeg-turbo's cjpeg, and
// our own files read back by Wine's picture loader. An asymmetric picture
// shows that no path turns the picture upside down.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameCodecs.h"
#include "FramePictures.h"

namespace {

using namespace frametest;

std::vector<unsigned char> EncodeQuadrants(int w, int h, int quality = 90)
{
    CFrameBuffer f;
    MakeQuadrants(f, w, h);
    std::vector<unsigned char> jpeg(64 * 1024);
    int size = static_cast<int>(jpeg.size());
    EXPECT_EQ(EncodeJpegToMemory(jpeg.data(), size, f, quality), 1);
    jpeg.resize(size > 0 ? size : 0);
    return jpeg;
}

// Sampling factors (0xHV) of the three components in the frame header.
std::vector<int> SamplingFactors(const std::vector<unsigned char>& jpeg, int* width, int* height)
{
    for (size_t at = 2; at + 9 < jpeg.size();) {
        if (jpeg[at] != 0xFF) return {};
        const int marker = jpeg[at + 1];
        const int length = jpeg[at + 2] << 8 | jpeg[at + 3];
        if (marker == 0xC0 || marker == 0xC2) {
            *height = jpeg[at + 5] << 8 | jpeg[at + 6];
            *width = jpeg[at + 7] << 8 | jpeg[at + 8];
            std::vector<int> factors;
            for (int c = 0; c < jpeg[at + 9]; ++c) factors.push_back(jpeg[at + 11 + 3 * c]);
            return factors;
        }
        at += 2 + length;
    }
    return {};
}

TEST(DecodeCameraJpeg, DecodesAPeersPictureUpright)
{
    const std::vector<unsigned char> jpeg = ReadBytes(FixturePath(L"quadrants.jpg"));
    ASSERT_FALSE(jpeg.empty());
    CFrameBuffer f;
    ASSERT_EQ(DecodeCameraJpeg(f, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    EXPECT_EQ(f.Width(), 64);
    EXPECT_EQ(f.Height(), 48);
    ExpectQuadrants(f, 8);
}

TEST(DecodeCameraJpeg, RefusesFramesThatAreNotWholeJpegs)
{
    std::vector<unsigned char> jpeg = EncodeQuadrants(32, 24);
    CFrameBuffer f;
    ASSERT_TRUE(f.Resize(5, 5));
    const int whole = static_cast<int>(jpeg.size());

    EXPECT_EQ(DecodeCameraJpeg(f, jpeg.data(), whole - 20), 0) << "end marker not yet arrived";
    EXPECT_EQ(DecodeCameraJpeg(f, nullptr, whole), 0);
    std::vector<unsigned char> noise(4000, 0x5A);
    noise[0] = 0xFF, noise[1] = 0xD8, noise[3996] = 0xFF, noise[3997] = 0xD9;
    EXPECT_EQ(DecodeCameraJpeg(f, noise.data(), 4000), 0) << "markers around noise";

    // A header that claims a picture larger than any camera takes nothing.
    std::vector<unsigned char> huge = jpeg;
    int w = 0, h = 0;
    ASSERT_EQ(SamplingFactors(huge, &w, &h).size(), 3u);
    for (size_t at = 2; at + 9 < huge.size(); at += 2 + (huge[at + 2] << 8 | huge[at + 3]))
        if (huge[at + 1] == 0xC0) huge[at + 5] = huge[at + 7] = 0xF0;  // 61440 x 61440
    EXPECT_EQ(DecodeCameraJpeg(f, huge.data(), whole), 0);
    EXPECT_EQ(f.Width(), 5) << "refusals leave the frame alone";

    // Padding after the end marker, as cameras send it, is fine.
    jpeg.resize(jpeg.size() + 8, 0);
    EXPECT_EQ(DecodeCameraJpeg(f, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    EXPECT_EQ(f.Width(), 32);
}

TEST(EncodeJpegToMemory, RoundTripsUprightAtOddWidthsAndReportsItsLength)
{
    // 37 pixels make rows with padding bytes in both directions.
    for (int w : {32, 37}) {
        const std::vector<unsigned char> jpeg = EncodeQuadrants(w, 22);
        ASSERT_GT(jpeg.size(), 100u);
        EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF) << "the length ends at the end marker";
        EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
        CFrameBuffer back;
        ASSERT_EQ(DecodeCameraJpeg(back, jpeg.data(), static_cast<int>(jpeg.size())), 1);
        EXPECT_EQ(back.Width(), w);
        EXPECT_EQ(back.Height(), 22);
        ExpectQuadrants(back, 12);
    }

    CFrameBuffer f;
    MakeQuadrants(f, 64, 48);
    unsigned char small[100];
    int size = sizeof small;
    EXPECT_EQ(EncodeJpegToMemory(small, size, f, 75), 0) << "buffer too small";
    EXPECT_EQ(size, 100);
    CFrameBuffer empty;
    std::vector<unsigned char> room(10000);
    size = 10000;
    EXPECT_EQ(EncodeJpegToMemory(room.data(), size, empty, 75), 0);
}

TEST(WriteJpegFile, WritesA420PictureOfTheFramesSizeThatWineReadsUpright)
{
    const std::wstring path = TempFile(L"codec_quadrants.jpg");
    WriteBytes(path, std::vector<unsigned char>(300000, 0x33));  // a longer file is replaced
    CFrameBuffer f;
    MakeQuadrants(f, 80, 60);
    ASSERT_EQ(WriteJpegFile(path.c_str(), f), 1);

    const std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_LT(bytes.size(), 300000u);
    int w = 0, h = 0;
    EXPECT_EQ(SamplingFactors(bytes, &w, &h), (std::vector<int>{0x22, 0x11, 0x11}));
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 60);

    CFrameBuffer back;
    ASSERT_TRUE(back.LoadFile(path.c_str()));
    EXPECT_EQ(back.Width(), 80);
    ExpectQuadrants(back, 12);
    DeleteFileW(path.c_str());
}

TEST(WriteJpegFile, RefusesPathsItCannotNameAndEmptyFrames)
{
    CFrameBuffer f;
    MakeQuadrants(f, 16, 16);
    // Characters the ANSI code page does not have would name another file.
    const std::wstring foreign = TempFile(L"\x4E2D\x6587\x0416.jpg");
    EXPECT_EQ(WriteJpegFile(foreign.c_str(), f), 0);
    EXPECT_EQ(GetFileAttributesW(foreign.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring tooLong = TempFile(std::wstring(300, L'a').c_str());
    EXPECT_EQ(WriteJpegFile(tooLong.c_str(), f), 0);
    EXPECT_EQ(WriteJpegFile(TempFile(L"no such folder\\x.jpg").c_str(), f), 0);
    EXPECT_EQ(WriteJpegFile(nullptr, f), 0);
    CFrameBuffer empty;
    EXPECT_EQ(WriteJpegFile(TempFile(L"codec_empty.jpg").c_str(), empty), 0);
}

}  // namespace
