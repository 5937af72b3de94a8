#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Annotator.h"

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

}  // namespace
