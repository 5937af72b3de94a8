// Regions from the transparent colour, region files, image copies, text.
#include "Skin.h"
#include "TestSupport.h"
#include <cstdio>
#include <random>
#include <string>

namespace {

const COLORREF kKey = KVQ_TRANSPARENT;

// A 24-bit bitmap whose pixel (x, y) is transparent where the mask says so.
struct MaskBitmap {
    MaskBitmap(int width, int height, const std::vector<bool>& transparent) : width(width), height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        handle = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const int stride = (width * 3 + 3) & ~3;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                BYTE* p = static_cast<BYTE*>(bits) + y * stride + x * 3;
                const bool key = transparent[y * width + x];
                p[0] = key ? 0xFF : 0x30;  // blue
                p[1] = key ? 0x00 : 0x80;  // green
                p[2] = key ? 0xFF : 0xFE;  // red: one off the key, must stay opaque
            }
    }
    ~MaskBitmap() { ::DeleteObject(handle); }
    int width, height;
    HBITMAP handle;
};

void ExpectRegionMatchesMask(const CRgn& region, int width, int height, const std::vector<bool>& transparent)
{
    ASSERT_NE(region.GetSafeHandle(), nullptr);
    int wrong = 0;
    for (int y = -1; y <= height; ++y)
        for (int x = -1; x <= width; ++x) {
            const bool inside = x >= 0 && y >= 0 && x < width && y < height && !transparent[y * width + x];
            wrong += (region.PtInRegion(x, y) != 0) != inside;
        }
    EXPECT_EQ(wrong, 0);
}

std::vector<bool> RandomMask(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<bool> mask(width * height);
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = random() % 3 == 0;
    return mask;
}

}  // namespace

TEST(Region, FollowsTheTransparentColourPixelByPixel)
{
    struct Case {
        const char* name;
        int width, height;
        std::vector<bool> mask;
    } cases[] = {
        {"full", 13, 7, std::vector<bool>(13 * 7, false)},
        {"empty", 13, 7, std::vector<bool>(13 * 7, true)},
        {"mixed", 13, 7, RandomMask(13, 7, 1)},
        {"mixed wide", 61, 17, RandomMask(61, 17, 2)},
        {"single pixel", 1, 1, {false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MaskBitmap bitmap(c.width, c.height, c.mask);
        CRgn region;
        kvqComputeRgnFromBitmap(&region, bitmap.handle, kKey);
        ExpectRegionMatchesMask(region, c.width, c.height, c.mask);
    }
}

TEST(Region, ReplacesTheRegionsPreviousHandle)
{
    MaskBitmap bitmap(4, 4, std::vector<bool>(16, false));
    CRgn region;
    region.CreateRectRgn(100, 100, 200, 200);
    kvqComputeRgnFromBitmap(&region, bitmap.handle, kKey);
    EXPECT_FALSE(region.PtInRegion(150, 150));
    EXPECT_TRUE(region.PtInRegion(3, 3));
}

namespace {
// A region file for a button: written as given, removed at the end.
struct RegionFile {
    explicit RegionFile(const std::vector<BYTE>& bytes)
    {
        wchar_t dir[MAX_PATH];
        ::GetTempPathW(MAX_PATH, dir);
        ::GetTempFileNameW(dir, L"rgn", 0, path);
        HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (!bytes.empty()) ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    ~RegionFile() { ::DeleteFileW(path); }
    wchar_t path[MAX_PATH];
};

std::vector<BYTE> RegionBytes(HRGN region)
{
    std::vector<BYTE> bytes(::GetRegionData(region, 0, nullptr));
    ::GetRegionData(region, static_cast<DWORD>(bytes.size()), reinterpret_cast<RGNDATA*>(bytes.data()));
    return bytes;
}

// The window region a default-skinned button gets from a region file.
bool ButtonRegionHas(const wchar_t* file, int x, int y)
{
    static test::Host host;
    KVQButton button;
    EXPECT_TRUE(button.CreateButton(0, 0, 0, &host, &host, 1, const_cast<wchar_t*>(file), nullptr, nullptr, nullptr,
                                    nullptr, 1, kKey, TRUE));
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ::GetWindowRgn(button.m_hWnd, region);
    const bool has = ::PtInRegion(region, x, y) != 0;
    ::DeleteObject(region);
    return has;
}
}  // namespace

TEST(Region, FileIsUsedOnlyWhenWholeAndConsistent)
{
    // The default button face (37 x 17) has keyed-out round corners; a file
    // holding a 2 x 2 square in its corner is told apart from the computed
    // shape by the corner pixel and the middle.
    HRGN square = ::CreateRectRgn(0, 0, 2, 2);
    const std::vector<BYTE> whole = RegionBytes(square);
    ::DeleteObject(square);
    {
        RegionFile file(whole);
        EXPECT_TRUE(ButtonRegionHas(file.path, 0, 0));
        EXPECT_FALSE(ButtonRegionHas(file.path, 18, 8));
    }
    std::vector<BYTE> truncated(whole.begin(), whole.end() - 4);
    std::vector<BYTE> padded = whole;
    padded.push_back(0);
    std::vector<BYTE> overcounted = whole;
    reinterpret_cast<RGNDATAHEADER*>(overcounted.data())->nCount = 1000;
    std::vector<BYTE> badHeader = whole;
    reinterpret_cast<RGNDATAHEADER*>(badHeader.data())->dwSize = 12;
    const std::vector<BYTE> bad[] = {{}, truncated, padded, overcounted, badHeader, std::vector<BYTE>(7, 0)};
    for (const auto& bytes : bad) {
        RegionFile file(bytes);
        EXPECT_FALSE(ButtonRegionHas(file.path, 0, 0)) << bytes.size() << " bytes";
        EXPECT_TRUE(ButtonRegionHas(file.path, 18, 8)) << bytes.size() << " bytes";
    }
    EXPECT_TRUE(ButtonRegionHas(L"Z:\\no\\such\\dir\\face.rgn", 18, 8));
}

TEST(SkinImage, PadsRowsToFourBytes)
{
    MaskBitmap bitmap(13, 5, std::vector<bool>(65, false));
    SkinImage image;
    HDC screen = ::GetDC(nullptr);
    ASSERT_TRUE(image.FromBitmap(bitmap.handle, screen));
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(image.Header().biBitCount, 24);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 120);
    EXPECT_EQ(image.Width(), 13);
    EXPECT_EQ(image.Height(), 5);
    // Row 0 of a top-down copy: 13 pixels of 3 bytes, then one byte of padding.
    const BYTE* row1 = image.Bits() + (image.Header().biHeight < 0 ? 40 : 3 * 40);
    EXPECT_EQ(row1[0], 0x30);
    EXPECT_EQ(row1[2], 0xFE);
}

TEST(SkinBitmap, MissingDefaultGivesAClearedBlankFace)
{
    CRgn region;
    CRect rect;
    CBitmap bitmap;
    kvq::LoadSkinBitmap(&region, &rect, &bitmap, nullptr, nullptr, 999, kKey, TRUE);
    EXPECT_EQ(rect, CRect(0, 0, 128, 64));
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    int nonBlack = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) nonBlack += ::GetPixel(dc, x, y) != 0;
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(nonBlack, 0);
    EXPECT_TRUE(region.PtInRegion(127, 63));
}

TEST(SkinBitmap, DefaultSkinsHaveTheirSizes)
{
    struct Case {
        UINT id;
        int width, height;
    } cases[] = {{1000, 351, 200}, {1001, 67, 26},   {1003, 67, 64}, {1007, 299, 64}, {1008, 300, 64},
                 {1009, 12, 12},   {1017, 39, 14},   {1032, 37, 17}, {1033, 173, 10}, {1036, 10, 10},
                 {1043, 10, 173},  {1049, 137, 137}, {1051, 16, 16}};
    for (const Case& c : cases) {
        CRgn region;
        CRect rect;
        CBitmap bitmap;
        kvq::LoadSkinBitmap(&region, &rect, &bitmap, nullptr, nullptr, c.id, kKey, FALSE);
        EXPECT_EQ(rect, CRect(0, 0, c.width, c.height)) << c.id;
    }
}

namespace {
// A white memory canvas for text; counts pixels of a colour.
struct Canvas {
    Canvas()
    {
        HDC screen = ::GetDC(nullptr);
        dc.Attach(::CreateCompatibleDC(screen));
        bitmap.Attach(::CreateCompatibleBitmap(screen, 120, 40));
        ::ReleaseDC(nullptr, screen);
        old = dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, 120, 40, RGB(255, 255, 255));
    }
    ~Canvas()
    {
        dc.SelectObject(old);
        ::DeleteDC(dc.Detach());
    }
    int Count(COLORREF colour)
    {
        int n = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 120; ++x) n += dc.GetPixel(x, y) == colour;
        return n;
    }
    CDC dc;
    CBitmap bitmap;
    HGDIOBJ old;
};
}  // namespace

TEST(Text, DrawsByModeWithEmbossedShadow)
{
    const COLORREF normal = RGB(0, 0, 0x20), mode1 = RGB(0, 0, 0xFF), other = RGB(0x80, 0x80, 0x80), shadow = 0;
    kvqSetWindowTextFormat(nullptr, normal, mode1, shadow, other);
    struct Case {
        int mode;
        BOOL emboss;
        COLORREF present, absent;
    } cases[] = {
        {0, TRUE, normal, RGB(1, 2, 3)},  // both shadow and text
        {0, FALSE, normal, shadow},
        {1, TRUE, mode1, shadow},
        {7, TRUE, other, shadow},
    };
    for (const Case& c : cases) {
        kvqSetEmbossedTextEffect(0, 0, 1, 1, c.emboss);
        Canvas canvas;
        HGDIOBJ fontBefore = ::GetCurrentObject(canvas.dc, OBJ_FONT);
        kvqTextOut(&canvas.dc, 4, 4, L"WMW", c.mode);
        EXPECT_GT(canvas.Count(c.present), 0) << "mode " << c.mode;
        EXPECT_EQ(canvas.Count(c.absent), 0) << "mode " << c.mode;
        EXPECT_EQ(::GetCurrentObject(canvas.dc, OBJ_FONT), fontBefore);
        if (c.mode == 0 && c.emboss) {
            EXPECT_GT(canvas.Count(shadow), 0);
        }
    }
    kvqSetEmbossedTextEffect(0, 0, 1, 1, TRUE);
}

TEST(Text, EmptyOrNullTextDrawsNothing)
{
    for (const wchar_t* text : {static_cast<const wchar_t*>(L""), static_cast<const wchar_t*>(nullptr)}) {
        Canvas canvas;
        kvqTextOut(&canvas.dc, 4, 4, text, 0);
        EXPECT_EQ(canvas.Count(RGB(255, 255, 255)), 120 * 40);
    }
}
