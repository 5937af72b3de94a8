#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "FrameBuffer.h"
#include "FrameCodecs.h"
#include "FramePictures.h"

namespace {

using namespace frametest;

unsigned U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24; }

// A 32-bit top-down DIB section as drawing target, filled with one colour.
class Target {
public:
    Target(int w, int h, COLORREF fill = RGB(255, 255, 255)) : m_width(w), m_height(h)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        Fill(fill);
    }
    ~Target()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    void Fill(COLORREF c)
    {
        HBRUSH brush = CreateSolidBrush(c);
        RECT all{0, 0, m_width, m_height};
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
        GdiFlush();
    }
    HDC dc() const { return m_dc; }
    Bgr At(int x, int y) const
    {
        GdiFlush();
        const unsigned char* p = reinterpret_cast<const unsigned char*>(m_bits + y * m_width + x);
        return {p[0], p[1], p[2]};
    }
    bool SameAs(const Target& o) const
    {
        GdiFlush();
        return std::memcmp(m_bits, o.m_bits, 4u * m_width * m_height) == 0;
    }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits = nullptr;
};

TEST(FrameBuffer, ResizeKeepsPixelsOnlyAtTheSameSizeAndSurvivesFailure)
{
    CFrameBuffer f;
    EXPECT_FALSE(f.HasPicture());
    EXPECT_EQ(f.m_taken, 0);
    EXPECT_EQ(f.m_newPicture, 0);
    EXPECT_FLOAT_EQ(f.Aspect(), 1.0f);

    ASSERT_TRUE(f.Resize(3, 2));
    EXPECT_EQ(f.Stride(), 12);
    EXPECT_EQ(f.ImageSize(), 24u);
    EXPECT_FLOAT_EQ(f.Aspect(), 1.5f);
    EXPECT_EQ(f.Header().biHeight, 2);  // positive: bottom-up rows
    Put(f, 2, 0, kGreen);
    ASSERT_TRUE(f.Resize(3, 2));
    EXPECT_EQ(Get(f, 2, 0), kGreen);

    // Sizes that can't be made leave the picture as it was.
    for (const auto& size : {std::make_pair(0, 2), std::make_pair(3, -2), std::make_pair(100000, 100000)}) {
        EXPECT_FALSE(f.Resize(size.first, size.second));
        EXPECT_EQ(f.Width(), 3);
        EXPECT_EQ(Get(f, 2, 0), kGreen);
    }

    ASSERT_TRUE(f.Resize(4, 2));
    EXPECT_EQ(Get(f, 2, 0), kBlack);
    f.Release();
    EXPECT_FALSE(f.HasPicture());
    EXPECT_EQ(f.Width(), 0);
    EXPECT_EQ(f.ImageSize(), 0u);
}

TEST(FrameBuffer, CopyFromTakesSizeAndBytes)
{
    KVQFrameBuffer source, copy, empty;
    MakeQuadrants(source, 10, 6);
    ASSERT_TRUE(copy.Resize(10, 6));
    ASSERT_TRUE(copy.CopyFrom(source));
    ExpectQuadrants(copy, 0);
    KVQFrameBuffer other;
    ASSERT_TRUE(other.Resize(3, 3));
    ASSERT_TRUE(other.CopyFrom(source));
    EXPECT_EQ(other.Width(), 10);
    ExpectQuadrants(other, 0);
    EXPECT_FALSE(other.CopyFrom(empty));
}

TEST(FrameBuffer, SaveBmpFileWritesExactlyThePictureOverALongerFile)
{
    const std::wstring path = TempFile(L"frame_buffer_small.bmp");
    WriteBytes(path, std::vector<unsigned char>(1000, 0x77));
    KVQFrameBuffer f;
    ASSERT_TRUE(f.Resize(3, 2));
    ASSERT_TRUE(f.SaveBmpFile(path.c_str()));
    const std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 78u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(U32(&bytes[2]), 78u);
    EXPECT_EQ(U32(&bytes[10]), 54u);
    EXPECT_EQ(U32(&bytes[14]), 40u);
    EXPECT_EQ(U32(&bytes[14 + 20]), 24u);  // biSizeImage
    DeleteFileW(path.c_str());

    // The narrow-path variant, and the refusals.
    const std::string narrow(path.begin(), path.end());
    EXPECT_TRUE(f.SaveBmpFile(narrow.c_str()));
    EXPECT_EQ(ReadBytes(path).size(), 78u);
    EXPECT_FALSE(f.SaveBmpFile(TempFile(L"no such folder\\x.bmp").c_str()));
    KVQFrameBuffer empty;
    EXPECT_FALSE(empty.SaveBmpFile(path.c_str()));
    DeleteFileW(path.c_str());
}

TEST(FrameBuffer, BmpKeepsOrientationThroughSaveAndLoad)
{
    const std::wstring path = TempFile(L"frame_buffer_quadrants.bmp");
    KVQFrameBuffer f;
    MakeQuadrants(f, 8, 6);
    ASSERT_TRUE(f.SaveBmpFile(path.c_str()));

    // In the file the bottom row comes first (blue, then white).
    const std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 54u + 24 * 6);
    EXPECT_EQ((Bgr{bytes[54], bytes[55], bytes[56]}), kBlue);
    EXPECT_EQ((Bgr{bytes[54 + 21], bytes[55 + 21], bytes[56 + 21]}), kWhite);

    // Wine's own BMP reader sees red at the top left.
    HBITMAP loaded = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(loaded, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, loaded);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 7, 5), RGB(255, 255, 255));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(loaded);

    // And the picture loader gives back the same picture.
    KVQFrameBuffer back;
    ASSERT_TRUE(back.LoadFile(path.c_str()));
    ASSERT_EQ(back.Width(), 8);
    ASSERT_EQ(back.Height(), 6);
    ExpectQuadrants(back, 0);
    DeleteFileW(path.c_str());
}

// Fixtures: a 64 x 48 quadrant picture, written by libjpeg-turbo's cjpeg
// (quality 95) and ImageMagick's convert.
TEST(FrameBuffer, LoadsJpegAndGifUprightFromFilesAndMemory)
{
    for (const wchar_t* name : {L"quadrants.jpg", L"quadrants.gif"}) {
        const std::vector<unsigned char> bytes = ReadBytes(FixturePath(name));
        KVQFrameBuffer fromFile, fromMemory;
        ASSERT_TRUE(fromFile.LoadFile(FixturePath(name).c_str())) << name;
        ASSERT_TRUE(fromMemory.LoadPicture(bytes.data(), bytes.size())) << name;
        for (KVQFrameBuffer* f : {&fromFile, &fromMemory}) {
            EXPECT_EQ(f->Width(), 64);
            EXPECT_EQ(f->Height(), 48);
            ExpectQuadrants(*f, 8);
        }
    }
}

TEST(FrameBuffer, FailedLoadsLeaveThePictureAlone)
{
    KVQFrameBuffer f;
    MakeQuadrants(f, 8, 6);
    EXPECT_FALSE(f.LoadFile(TempFile(L"no_such_picture.jpg").c_str()));
    EXPECT_FALSE(f.LoadFile("Z:\\no\\such\\picture.bmp"));

    const std::wstring junk = TempFile(L"frame_buffer_junk.jpg");
    std::vector<unsigned char> bytes(4096);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7919 >> 3);
    bytes[0] = 0xFF, bytes[1] = 0xD8;  // looks like a JPEG, is not one
    WriteBytes(junk, bytes);
    EXPECT_FALSE(f.LoadFile(junk.c_str()));
    WriteBytes(junk, {});
    EXPECT_FALSE(f.LoadFile(junk.c_str()));
    DeleteFileW(junk.c_str());
    EXPECT_FALSE(f.LoadPicture(bytes.data(), bytes.size()));
    EXPECT_FALSE(f.LoadPicture(bytes.data(), 0));
    EXPECT_FALSE(f.LoadPicture(nullptr, bytes.size()));

    EXPECT_EQ(f.Width(), 8);
    ExpectQuadrants(f, 0);
}

TEST(FrameBuffer, LoadFromBitmapConvertsDepthAndOrientation)
{
    // A top-down 32-bit bitmap with red in its first (top) row.
    Target source(4, 2, RGB(0, 0, 255));
    RECT top{0, 0, 4, 1};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(source.dc(), &top, red);
    DeleteObject(red);
    HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(source.dc(), OBJ_BITMAP));
    // GetDIBits wants the bitmap out of any context.
    HBITMAP stock = CreateBitmap(1, 1, 1, 1, nullptr);
    SelectObject(source.dc(), stock);

    KVQFrameBuffer f;
    ASSERT_TRUE(f.LoadFromBitmap(bitmap));
    EXPECT_EQ(f.Width(), 4);
    EXPECT_EQ(f.Height(), 2);
    EXPECT_EQ(Get(f, 3, 0), kRed);
    EXPECT_EQ(Get(f, 0, 1), kBlue);
    EXPECT_FALSE(f.LoadFromBitmap(nullptr));
    SelectObject(source.dc(), bitmap);
    DeleteObject(stock);
}

TEST(FrameBuffer, PixelOperationsChangeWhatGdiDraws)
{
    KVQFrameBuffer f;
    MakeQuadrants(f, 8, 6);
    f.Rotate180();
    f.Negative();
    // Drawn through GDI: the half-turned top-left is the old bottom-right white, now black.
    EXPECT_EQ(GetPixel(f.MemoryDC(), 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(f.MemoryDC(), 7, 0), RGB(255, 255, 0));  // old blue, inverted
    f.Mirror(TRUE);
    EXPECT_EQ(GetPixel(f.MemoryDC(), 0, 5), RGB(0, 0, 0));
}

TEST(FrameBuffer, DrawAtAndStretchToPlaceThePicture)
{
    KVQFrameBuffer f;
    MakeQuadrants(f, 40, 30);

    Target t(100, 100);
    f.DrawAt(t.dc(), 5, 7);
    EXPECT_EQ(f.OutputRect().left, 5);
    EXPECT_EQ(f.OutputRect().bottom, 37);
    EXPECT_EQ(t.At(5, 7), kRed);
    EXPECT_EQ(t.At(44, 36), kWhite);

    // Keep-aspect into a square: full width, black bands above and below.
    t.Fill(RGB(128, 128, 128));
    const RECT square{0, 0, 100, 100};
    f.StretchTo(t.dc(), square, nullptr, TRUE, TRUE);
    const RECT& out = f.OutputRect();
    EXPECT_EQ(out.left, 0);
    EXPECT_EQ(out.top, 12);
    EXPECT_EQ(out.right, 100);
    EXPECT_EQ(out.bottom, 87);
    EXPECT_EQ(t.At(50, 5), kBlack);
    EXPECT_EQ(t.At(50, 95), kBlack);
    EXPECT_EQ(t.At(10, 20), kRed);
    EXPECT_EQ(t.At(90, 80), kWhite);

    // A zero-height destination draws nothing and keeps the output rectangle.
    t.Fill(RGB(128, 128, 128));
    f.StretchTo(t.dc(), RECT{0, 50, 100, 50}, nullptr, TRUE, TRUE);
    EXPECT_EQ(f.OutputRect().top, 12);
    EXPECT_EQ(t.At(50, 50), (Bgr{128, 128, 128}));

    // A source part stretched over the whole destination.
    const RECT greenPart{20, 0, 40, 15};
    f.StretchTo(t.dc(), square, &greenPart, FALSE, FALSE);
    EXPECT_EQ(t.At(1, 1), kGreen);
    EXPECT_EQ(t.At(98, 98), kGreen);

    // Angle 0 is exactly StretchTo.
    Target a(100, 100), b(100, 100);
    f.StretchTo(a.dc(), square, nullptr, TRUE, TRUE);
    f.DrawRotated(b.dc(), square, nullptr, TRUE, TRUE, 0.0f, RGB(9, 9, 9));
    EXPECT_TRUE(a.SameAs(b));
}

TEST(FrameBuffer, DrawRotatedTurnsAboutTheCentre)
{
    KVQFrameBuffer f;
    MakeQuadrants(f, 80, 60);
    Target t(80, 60, RGB(0, 0, 0));
    f.DrawRotated(t.dc(), RECT{0, 0, 80, 60}, nullptr, TRUE, TRUE, 180.0f, RGB(200, 100, 50));
    // Shrunk by 60/80 to 60 x 45 about the centre, upside down.
    EXPECT_EQ(t.At(2, 2), (Bgr{50, 100, 200}));
    EXPECT_EQ(t.At(15, 12), kWhite);
    EXPECT_EQ(t.At(65, 12), kBlue);
    EXPECT_EQ(t.At(65, 48), kRed);
    EXPECT_EQ(t.At(15, 48), kGreen);
    EXPECT_EQ(GetGraphicsMode(t.dc()), GM_COMPATIBLE);
}

TEST(FrameBuffer, StretchToRunsOnTwoThreadsAtOnce)
{
    // The UI thread draws while the capture thread scales the network picture:
    // each call must keep its geometry to itself.
    std::atomic<int> wrong{0};
    auto draw = [&wrong](int width, int height, int expectedTop) {
        KVQFrameBuffer f;
        if (!f.Resize(width, height)) return ++wrong, void();
        Target t(100, 100);
        for (int i = 0; i < 300; ++i) {
            f.StretchTo(t.dc(), RECT{0, 0, 100, 100}, nullptr, TRUE, TRUE);
            if (f.OutputRect().top != expectedTop) ++wrong;
        }
    };
    std::thread wide(draw, 400, 100, 37), tall(draw, 100, 400, 0);
    wide.join();
    tall.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ConvertYuy2Frame, FillsTheFrameUprightAndRefusesShortFrames)
{
    CFrameBuffer f;
    ASSERT_TRUE(f.Resize(6, 6));
    // White top row, black below.
    std::vector<unsigned char> frame(4 * 2 * 2, 0);
    for (int i = 0; i < 4 * 2 * 2; i += 2) frame[i] = 16, frame[i + 1] = 128;
    frame[0] = frame[2] = frame[4] = frame[6] = 235;
    EXPECT_EQ(ConvertYuy2Frame(f, frame.data(), 4, 2, 15), 0);
    EXPECT_EQ(f.Width(), 6) << "a refused frame must not resize the buffer";
    EXPECT_EQ(ConvertYuy2Frame(f, frame.data(), 3, 2, 16), 0);
    ASSERT_EQ(ConvertYuy2Frame(f, frame.data(), 4, 2, 16), 1);
    EXPECT_EQ(f.Width(), 4);
    EXPECT_EQ(GetPixel(f.MemoryDC(), 3, 0), RGB(254, 254, 254));
    EXPECT_EQ(GetPixel(f.MemoryDC(), 3, 1), RGB(0, 0, 0));
}

}  // namespace
