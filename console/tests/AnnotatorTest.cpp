#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "Annotator.h"
#include "ImageRendering.h"
#include "PathRendering.h"

namespace {

// Every premultiplied source against a few destinations, each pair one pixel.
struct PixelPairs {
    std::vector<std::uint32_t> sources, destinations;
    PixelPairs()
    {
        const std::uint32_t backgrounds[] = {0x00000000, 0xFF0000FF, 0x80402010, 0xFFFFFFFF, 0x10101010};
        for (unsigned a : {0u, 1u, 64u, 127u, 128u, 200u, 254u, 255u})
            for (unsigned c : {0u, a / 3, a / 2, a})
                for (std::uint32_t d : backgrounds) {
                    sources.push_back(Argb::Make(c, a - c / 2, a / 2, a));
                    destinations.push_back(d);
                }
    }
};

void Fill(KVQAnnotator& layer, const std::vector<std::uint32_t>& words)
{
    const ArgbPlane plane = layer.Plane();
    std::copy(words.begin(), words.end(), plane.pixels);
}

TEST(AnnotatorComposite, EqualsThePlatformsAlphaBlend)
{
    const PixelPairs pairs;
    const int n = static_cast<int>(pairs.sources.size());
    KVQAnnotator source;
    ASSERT_TRUE(source.Resize(n, 1));
    Fill(source, pairs.sources);
    for (BYTE constantAlpha : {BYTE(255), BYTE(128), BYTE(1)}) {
        KVQAnnotator platform, ours;
        ASSERT_TRUE(platform.Resize(n, 1));
        ASSERT_TRUE(ours.Resize(n, 1));
        Fill(platform, pairs.destinations);
        Fill(ours, pairs.destinations);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha, AC_SRC_ALPHA};
        ASSERT_TRUE(AlphaBlend(platform.GetDC(), 0, 0, n, 1, source.GetDC(), 0, 0, n, 1, blend));
        AnnotationOps::CompositeFrom(ours.Plane(), source.Plane(), constantAlpha);
        const ArgbPlane expected = platform.Plane(), actual = ours.Plane();
        int mismatches = 0;
        for (int i = 0; i < n; ++i)
            if (expected.pixels[i] != actual.pixels[i] && ++mismatches < 5)
                ADD_FAILURE() << std::hex << "source " << pairs.sources[i] << " over " << pairs.destinations[i]
                              << " at " << unsigned(constantAlpha) << ": platform " << expected.pixels[i] << ", ours "
                              << actual.pixels[i];
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(AnnotatorComposite, DrawIsTheAlphaBlendOfTheLayer)
{
    KVQAnnotator layer, window;
    ASSERT_TRUE(layer.Resize(4, 4));
    ASSERT_TRUE(window.Resize(4, 4));
    Fill(window, std::vector<std::uint32_t>(16, 0xFF0000FF));
    layer.SetLineColor(0x80FF0000);
    layer.DrawLine({0, 0}, {3, 0});
    EXPECT_TRUE(layer.IsDirty());
    ASSERT_TRUE(layer.Draw(window.GetDC()));
    const ArgbPlane shown = window.Plane();
    EXPECT_EQ(shown.pixels[3 * 4 + 1], Argb::CompositeOver(0xFF0000FF, 0x80800000, 255));  // top row
    EXPECT_EQ(shown.pixels[0], 0xFF0000FFu);
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::vector<unsigned char> ReadFileBytes(const std::wstring& path)
{
    std::vector<unsigned char> bytes;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        int c;
        while ((c = fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
        fclose(f);
    }
    return bytes;
}

TEST(AnnotatorBmp, SaveReplacesALongerFileWhole)
{
    const std::wstring path = TempPath(L"annotator_save_test.bmp");
    {
        FILE* f = _wfopen(path.c_str(), L"wb");
        ASSERT_TRUE(f);
        std::vector<unsigned char> old(1000, 0xEE);
        fwrite(old.data(), 1, old.size(), f);
        fclose(f);
    }
    KVQAnnotator layer;
    ASSERT_TRUE(layer.Resize(2, 2));
    layer.SetLineColor(0xFF112233);
    layer.DrawLine({0, 0}, {0, 0});  // top-left: the last row in the file
    ASSERT_TRUE(layer.SaveBmp(path.c_str()));
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 70u);
    unsigned char headers[kBmpHeadersBytes];
    AnnotationOps::WriteBmpHeaders(headers, 2, 2);
    EXPECT_TRUE(std::equal(headers, headers + kBmpHeadersBytes, bytes.begin()));
    const std::vector<unsigned char> pixels(bytes.begin() + 54, bytes.end());
    EXPECT_EQ(pixels, (std::vector<unsigned char>{0, 0, 0, 0, 0, 0, 0, 0, 0x33, 0x22, 0x11, 0xFF, 0, 0, 0, 0}));
    DeleteFileW(path.c_str());

    KVQAnnotator empty;
    EXPECT_FALSE(empty.SaveBmp(path.c_str()));
    EXPECT_FALSE(layer.SaveBmp(L"Z:\\no such folder\\layer.bmp"));
}

TEST(AnnotatorLayer, ResizeToTheSameSizeClearsInPlace)
{
    KVQAnnotator layer;
    ASSERT_TRUE(layer.Resize(8, 6));
    const HGDIOBJ bitmap = GetCurrentObject(layer.GetDC(), OBJ_BITMAP);
    layer.DrawLine({1, 1}, {6, 1});
    EXPECT_TRUE(layer.Resize(8, 6));
    EXPECT_EQ(GetCurrentObject(layer.GetDC(), OBJ_BITMAP), bitmap);
    EXPECT_FALSE(layer.IsDirty());
    EXPECT_EQ(layer.Plane().pixels[4 * 8 + 3], 0u);
    EXPECT_FALSE(layer.Resize(0, 6));
    EXPECT_EQ(layer.GetWidth(), 8);
}

struct TurnLayer {
    CAnnotator layer;
    TurnLayer()
    {
        layer.Resize(1024, 768);
        layer.m_turned.Resize(768, 1024);
        layer.SetLineColor(0xFFFF0000);
        for (int y = 300; y < 400; ++y) layer.DrawLine({400, y}, {600, y});
    }
};

TEST(AnnotatorTurn, HalfTurnsRestoreEveryPixel)
{
    TurnLayer t;
    const ArgbPlane plane = t.layer.Plane();
    const std::vector<std::uint32_t> before(plane.pixels, plane.pixels + 1024 * 768);
    EXPECT_FALSE(t.layer.Rotate(0));
    EXPECT_TRUE(t.layer.Rotate(2));
    EXPECT_NE(std::vector<std::uint32_t>(plane.pixels, plane.pixels + 1024 * 768), before);
    EXPECT_TRUE(t.layer.Rotate(0));
    EXPECT_EQ(std::vector<std::uint32_t>(plane.pixels, plane.pixels + 1024 * 768), before);
}

TEST(AnnotatorTurn, QuarterTurnFitsThePortraitDrawingBetweenBands)
{
    TurnLayer t;
    ASSERT_TRUE(t.layer.Rotate(1));
    EXPECT_EQ(t.layer.GetRotation(), 1);
    EXPECT_TRUE(t.layer.IsDirty());
    const ArgbPlane plane = t.layer.Plane();
    int inBands = 0, inMiddle = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const std::uint32_t p = plane.pixels[static_cast<size_t>(y) * 1024 + x];
            if (!p) continue;
            (x < 224 || x >= 800 ? inBands : inMiddle)++;
        }
    EXPECT_EQ(inBands, 0);
    EXPECT_GT(inMiddle, 0);
}

TEST(AnnotatorTurn, FollowsTheCameraOnlyWhenDrawnOn)
{
    CAnnotator layer;
    ASSERT_TRUE(layer.Resize(8, 6));
    EXPECT_FALSE(layer.FollowCamera(1, 1));  // clean: only recorded
    EXPECT_EQ(layer.GetRotation(), 1);
    EXPECT_EQ(layer.m_appliedMirror, 1);

    layer.SetLineColor(0xFFFFFFFF);
    layer.DrawLine({0, 0}, {0, 0});
    EXPECT_TRUE(layer.FollowCamera(1, 0));  // mirror off under a quarter turn: top and bottom swap
    EXPECT_EQ(layer.Plane().pixels[0], 0xFFFFFFFFu);
    EXPECT_FALSE(layer.FollowCamera(1, 0));
    layer.Resize(8, 6);
    layer.DrawLine({0, 0}, {0, 0});
    EXPECT_TRUE(layer.FollowCamera(3, 1));  // a half turn, then the mirror: top and bottom swap under rotation 3
    EXPECT_EQ(layer.GetRotation(), 3);
    // Top left, turned to bottom right, mirrored to top right.
    EXPECT_EQ(layer.Plane().pixels[47], 0xFFFFFFFFu);
    EXPECT_EQ(layer.m_appliedMirror, 1);
}

}  // namespace

namespace {

struct PathFixture {
    KVQAnnotator drawing, pen, staging;
    PathFixture() { drawing.Resize(100, 100); }
    bool Render(const Telvane::Path& path, float zoom = 1.0f)
    {
        return PathRenderer({{0, 0, 100, 100}, {0, 0, 100, 100}, zoom}, drawing, pen, staging).Render(path);
    }
    std::uint32_t At(int x, int y) { return drawing.Plane().pixels[(99 - y) * 100 + x]; }
    std::vector<std::uint32_t> Drawn()
    {
        const ArgbPlane plane = drawing.Plane();
        std::vector<std::uint32_t> drawn;
        for (int i = 0; i < 100 * 100; ++i)
            if (plane.pixels[i]) drawn.push_back(plane.pixels[i]);
        return drawn;
    }
};

Telvane::Path Stroke(std::vector<Telvane::Point> points, Telvane::Color colour, float width = 0.03f)
{
    Telvane::Path path(points);
    path.setFirstColor(colour);
    path.setLineWidth(width);
    return path;
}

TEST(PathRender, BlackStrokeIsDrawnNearBlack)
{
    PathFixture f;
    ASSERT_TRUE(f.Render(Stroke({{0.1f, 0.5f}, {0.9f, 0.5f}}, {0.0f, 0.0f, 0.0f, 0.999f})));
    EXPECT_TRUE(f.drawing.IsDirty());
    EXPECT_EQ(f.At(50, 50), 0xFF040404u);
    EXPECT_EQ(f.At(50, 20), 0u);
    for (std::uint32_t p : f.Drawn()) EXPECT_EQ(p, 0xFF040404u);
}

TEST(PathRender, TwoPointsAreOneSegmentWithADotAtItsEnd)
{
    PathFixture f;
    // Fractions exact in binary: 0.9f x 100 would truncate to 89.
    ASSERT_TRUE(f.Render(Stroke({{0.25f, 0.5f}, {0.75f, 0.5f}}, {1.0f, 0.0f, 0.0f, 1.0f}, 0.0f)));
    // A one-pixel pen: the segment stops short of its end point, which the
    // dot fills.
    for (int x = 25; x <= 75; ++x) EXPECT_EQ(f.At(x, 50), 0xFFFF0000u) << x;
    EXPECT_EQ(f.Drawn().size(), 51u);
}

TEST(PathRender, SelfCrossingTranslucentStrokeHasOneAlpha)
{
    PathFixture f;
    // Across, then back up and down through the middle: the stroke crosses
    // itself at (50, 50).
    ASSERT_TRUE(f.Render(
        Stroke({{0.1f, 0.5f}, {0.9f, 0.5f}, {0.5f, 0.1f}, {0.5f, 0.9f}}, {0.0f, 0.0f, 1.0f, 128.0f / 255.0f})));
    EXPECT_NE(f.At(50, 50), 0u);
    EXPECT_NE(f.At(50, 80), 0u);
    const std::uint32_t expected = Argb::CompositeOver(0, 0xFF0000FF, 128);
    const std::vector<std::uint32_t> drawn = f.Drawn();
    EXPECT_GT(drawn.size(), 100u);
    for (std::uint32_t p : drawn) EXPECT_EQ(p, expected);
}

TEST(PathRender, HostilePathsRefused)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PathFixture f;
    EXPECT_FALSE(f.Render(Stroke({{0.1f, 0.5f}, {nan, 0.5f}}, {1, 1, 1, 1})));
    EXPECT_FALSE(f.Render(Stroke({{0.1f, 0.5f}, {0.2f, 0.5f}}, {1, 1, 1, 1}, nan)));
    EXPECT_FALSE(f.Render(Stroke({{0.1f, 0.5f}, {0.2f, 0.5f}}, {1, 1, 1, 1}), 0.0f));
    EXPECT_TRUE(f.Drawn().empty());
    // Huge widths are held to the plane; far points are clipped.
    EXPECT_TRUE(f.Render(Stroke({{-60.0f, 0.5f}, {60.0f, 0.5f}, {0.5f, -60.0f}}, {1, 1, 1, 1}, 3e38f)));
}

}  // namespace

namespace {

// GDI+ for the whole test program, as the console starts it.
class GdiplusSession : public ::testing::Environment {
public:
    void SetUp() override
    {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};
::testing::Environment* const gdiplusSession = ::testing::AddGlobalTestEnvironment(new GdiplusSession);

// A w x h picture of one opaque colour, PNG-encoded by GDI+.
std::vector<unsigned char> SolidPng(int w, int h, Gdiplus::ARGB colour)
{
    std::vector<unsigned char> png;
    CLSID encoder;
    if (FindEncoderClsid(L"image/png", &encoder) < 0) return png;
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(colour));
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (bitmap.Save(stream, &encoder, nullptr) == Gdiplus::Ok) {
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        png.resize(static_cast<size_t>(stat.cbSize.QuadPart));
        const LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ULONG read = 0;
        stream->Read(png.data(), static_cast<ULONG>(png.size()), &read);
    }
    stream->Release();
    return png;
}

TEST(ImageRender, PictureDrawnIntoItsRectangle)
{
    const std::vector<unsigned char> png = SolidPng(8, 8, 0xFF00FF00);
    ASSERT_FALSE(png.empty());
    KVQAnnotator layer;
    ASSERT_TRUE(layer.Resize(100, 100));
    const Telvane::ImageGraphic shape(png.data(), static_cast<uint32_t>(png.size()), 0.25f, 0.25f, 0.5f, 0.5f);
    ASSERT_TRUE(ImageRenderer({{0, 0, 100, 100}, {0, 0, 100, 100}, 1.0f}, layer).Render(shape));
    EXPECT_TRUE(layer.IsDirty());
    const ArgbPlane plane = layer.Plane();
    auto at = [&](int x, int y) { return plane.pixels[(99 - y) * 100 + x]; };
    EXPECT_EQ(at(50, 50), 0xFF00FF00u);
    EXPECT_EQ(at(30, 30), 0xFF00FF00u);
    EXPECT_EQ(at(10, 10), 0u);
    EXPECT_EQ(at(90, 50), 0u);
}

TEST(ImageRender, BytesThatDoNotDecodeDrawNothing)
{
    KVQAnnotator layer;
    ASSERT_TRUE(layer.Resize(20, 20));
    const unsigned char junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    const ShapeTarget target{{0, 0, 20, 20}, {0, 0, 20, 20}, 1.0f};
    EXPECT_FALSE(ImageRenderer(target, layer).Render(Telvane::ImageGraphic(junk, sizeof junk, 0, 0, 1, 1)));
    EXPECT_FALSE(ImageRenderer(target, layer).Render(Telvane::ImageGraphic(nullptr, 0, 0, 0, 1, 1)));
    const std::vector<unsigned char> png = SolidPng(2, 2, 0xFFFFFFFF);
    EXPECT_FALSE(ImageRenderer(target, layer)
                     .Render(Telvane::ImageGraphic(png.data(), static_cast<uint32_t>(png.size()),
                                                   std::numeric_limits<float>::quiet_NaN(), 0, 1, 1)));
    EXPECT_FALSE(layer.IsDirty());
}

TEST(ImageRender, EncoderMimeTypeMatchesExactly)
{
    CLSID clsid;
    EXPECT_GE(FindEncoderClsid(L"image/png", &clsid), 0);
    EXPECT_EQ(FindEncoderClsid(L"image/PNG", &clsid), -1);
}

}  // namespace
