// The annotation panel in this process: its buttons choose tool, width,
// colour and transparency as a user presses them, and drags on a window's
// picture (the panel's mouse hooks, as the window calls them) leave exactly
// their drawing in that window's layer.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "AnnotationPanel.h"
#include "CommandIds.h"
#include "InputCtrl.h"
#include "PanelTestSupport.h"
#include "SkinButton.h"

using paneltest::FakeHost;

namespace {

const int kWidth = 200;
const int kHeight = 150;

// The window drawn on: a skinned window whose picture fills a canvas that
// maps one to one onto its layer.
class FakeAnnotationHost : public IAnnotationHost {
public:
    KVQWindow window;
    KVQAnnotator layer;
    CInputCtrl input;
    orbile::CriticalSection lock;
    PixelRect canvas{0, 0, kWidth, kHeight};
    bool panelShown = false;
    int planeChanges = 0;
    // Another console's picture.
    bool viewed = false;
    // The window's last pointer position, when the test sets it.
    std::optional<CPoint> pointer;

    bool GetDrawingSurface(CWnd* target, DrawingSurface& surface) override
    {
        if (target != &window) return false;
        surface = {&layer, true, {canvas, {0, 0, kWidth, kHeight}, 1.0f}, window.GetMousePos(), &input};
        surface.viewed = viewed;
        if (pointer) surface.pointer = *pointer;
        return true;
    }
    orbile::CriticalSection& DisplayLock() override { return lock; }
    void DrawingPlaneChanged() override { ++planeChanges; }
    CWnd* LiveWindow() override { return &window; }
    CWnd* LastActivePictureWindow() override { return &window; }
    void ShowAnnotationPanel(bool show) override { panelShown = show; }
    bool IsOtherSubPanelShown() override { return false; }
    // The control bar's copy tool, and the selections it asked to copy.
    bool copyTool = false;
    std::vector<RECT> copies;
    bool IsCopyToolChosen() override { return copyTool; }
    void RequestCopy(const RECT& selection) override { copies.push_back(selection); }
};

class AnnotationPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&s_gdiplus, &input, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_gdiplus); }

    AnnotationPanelTest() : panel(host, annotation)
    {
        annotation.window.CreateView(L"picture", 0, 0, 667, 570, nullptr, 0);
        // Shown: the panel and the text box are visible only in a visible window.
        annotation.window.ShowWindow(SW_SHOWNOACTIVATE);
        annotation.layer.Resize(kWidth, kHeight);
        annotation.input.Create(&annotation.window, CInputCtrl::kControlId);
        annotation.input.ShowWindow(SW_HIDE);
        const ButtonImages images = PanelImages(SKIN_ANNOTATION_PANEL_FACE);
        CreateSkinButton(panel, host.SkinLibrary(), images, BUTTON_STYLE_MOUSE, 0, 0, &annotation.window, nullptr, 0);
        panel.CreateControls(0);
        panel.ShowWindow(SW_SHOW);
    }

    void Press(unsigned short id) { panel.OnButtonEvent(id); }
    // A three-state button as a click leaves it, then its command.
    void Click(KVQButton& button, unsigned short id, int state)
    {
        button.SetCheck(state);
        Press(id);
    }

    void Drag(std::vector<POINT> points)
    {
        panel.OnPictureMouse(&annotation.window, MK_LBUTTON, points.front(), TRUE);
        for (size_t i = 1; i < points.size(); ++i) panel.OnPictureMouseMove(&annotation.window, MK_LBUTTON, points[i]);
        panel.OnPictureMouse(&annotation.window, 0, points.back(), FALSE);
    }

    static std::uint32_t At(const ArgbPlane& plane, int x, int y)
    {
        return plane.pixels[static_cast<size_t>(plane.height - 1 - y) * plane.width + x];
    }
    std::uint32_t At(int x, int y) { return At(annotation.layer.Plane(), x, y); }
    // Types the text in a box opened by a click at (x, y), then finishes it
    // with a click elsewhere, as a user would.
    void TypeText(int x, int y, const std::wstring& text)
    {
        panel.OnPictureMouse(&annotation.window, MK_LBUTTON, CPoint(x, y), TRUE);
        panel.OnPictureMouse(&annotation.window, 0, CPoint(x, y), FALSE);
        for (wchar_t c : text) annotation.input.SendMessage(WM_CHAR, c, 1);
        panel.OnPictureMouse(&annotation.window, MK_LBUTTON, CPoint(150, 120), TRUE);
        panel.OnPictureMouse(&annotation.window, 0, CPoint(150, 120), FALSE);
    }
    int DrawnPixels()
    {
        const ArgbPlane plane = annotation.layer.Plane();
        int count = 0;
        for (int i = 0; i < plane.width * plane.height; ++i) count += plane.pixels[i] != 0;
        return count;
    }

    static ULONG_PTR s_gdiplus;
    FakeHost host;
    FakeAnnotationHost annotation;
    CAnnotationPanel panel;
};
ULONG_PTR AnnotationPanelTest::s_gdiplus = 0;

TEST_F(AnnotationPanelTest, WidthButtonsSetPenAndEraser)
{
    const struct {
        unsigned short id;
        int pen;
        int eraserHalf;
    } cases[] = {{ID_WIDTH_FIRST + 3, 16, 32}, {ID_WIDTH_FIRST + 1, 4, 8}, {ID_WIDTH_FIRST, 2, 4}};
    for (const auto& c : cases) {
        Press(c.id);
        EXPECT_EQ(panel.PenWidth(), c.pen);
        EXPECT_EQ(panel.EraserHalfSize(), c.eraserHalf);
        for (int i = 0; i < CAnnotationPanel::kWidthCount; ++i)
            EXPECT_EQ(panel.WidthButton(i).GetCheckState(), ID_WIDTH_FIRST + i == c.id) << c.id;
    }
}

TEST_F(AnnotationPanelTest, PressingTheChosenToolAgainClosesThePanel)
{
    Press(ID_RECTANGLE);
    EXPECT_TRUE(annotation.panelShown);
    EXPECT_EQ(panel.ChosenTool(), CAnnotationPanel::RECTANGLE);
    Press(ID_RECTANGLE);
    EXPECT_FALSE(annotation.panelShown);
    EXPECT_EQ(panel.ChosenTool(), CAnnotationPanel::RECTANGLE);
}

// The transparency buttons advance their own state on each click; the panel
// then keeps a line wherever nothing else would be drawn.
TEST_F(AnnotationPanelTest, LineStaysWhereNothingElseWouldShow)
{
    struct Step {
        CAnnotationPanel::Tool tool;
        unsigned short toolId;
        int fillState;
        int clickedLineState;
        int lineState;
        bool visible;
        bool semi;
    } steps[] = {
        {CAnnotationPanel::RECTANGLE, ID_RECTANGLE, 0, 1, 1, true, true},
        {CAnnotationPanel::RECTANGLE, ID_RECTANGLE, 0, 2, 2, false, false},
        {CAnnotationPanel::ELLIPSE, ID_ELLIPSE, 2, 2, 0, true, false},    // no fill either: the line stays
        {CAnnotationPanel::FREEHAND, ID_FREEHAND, 0, 2, 0, true, false},  // a stroke is only its line
        {CAnnotationPanel::LINE, ID_LINE, 0, 2, 0, true, false},
    };
    for (const Step& s : steps) {
        Click(panel.LineTransparencyButton(), ID_LINE_TRANSPARENCY, 0);
        Click(panel.FillTransparencyButton(), ID_FILL_TRANSPARENCY, s.fillState);
        if (panel.ChosenTool() != s.tool) Press(s.toolId);
        Click(panel.LineTransparencyButton(), ID_LINE_TRANSPARENCY, s.clickedLineState);
        EXPECT_EQ(panel.LineTransparencyButton().GetCheckState(), s.lineState) << s.toolId;
        EXPECT_EQ(panel.LineVisible(), s.visible) << s.toolId;
        EXPECT_EQ(panel.SemiTransparentLine(), s.semi) << s.toolId;
    }
    // A fully transparent line gives way once a stroke tool is chosen.
    Press(ID_RECTANGLE);
    Click(panel.FillTransparencyButton(), ID_FILL_TRANSPARENCY, 0);
    Click(panel.LineTransparencyButton(), ID_LINE_TRANSPARENCY, 2);
    ASSERT_FALSE(panel.LineVisible());
    Press(ID_FREEHAND);
    EXPECT_TRUE(panel.LineVisible());
    EXPECT_EQ(panel.LineTransparencyButton().GetCheckState(), 0);
}

TEST_F(AnnotationPanelTest, RectangleDraggedLeavesItsFrameAndFill)
{
    Press(ID_RECTANGLE);
    Press(ID_LINE_COLOUR_FIRST + 3);  // blue line
    Press(ID_FILL_COLOUR_FIRST + 2);  // yellow fill
    // Right to left and upwards: the same rectangle.
    Drag({{60, 50}, {40, 40}, {20, 20}});
    EXPECT_EQ(At(20, 30), 0xFF0000FFu);  // left edge, 2 pixels
    EXPECT_EQ(At(21, 30), 0xFF0000FFu);
    EXPECT_EQ(At(40, 50), 0xFF0000FFu);  // bottom edge: the drag's end row
    EXPECT_EQ(At(40, 35), 0xFFFFFF00u);  // inside
    EXPECT_EQ(At(62, 35), 0u);
    EXPECT_EQ(At(40, 18), 0u);
    EXPECT_EQ(panel.Preview().IsDirty(), 0);
    EXPECT_GT(annotation.planeChanges, 0);
}

// With the copy tool chosen a drag, whatever drawing tool is chosen too,
// selects an area for the clipboard: from its start to the pointer in either
// direction, within the canvas (its last row left out). It draws nothing.
TEST_F(AnnotationPanelTest, ACopyToolDragSelectsAnAreaWithinTheCanvasAndDrawsNothing)
{
    annotation.copyTool = true;
    const struct {
        unsigned short tool;
        POINT from, to;
        RECT selection;
    } cases[] = {
        {ID_FREEHAND, {20, 30}, {80, 70}, {20, 30, 80, 70}},
        {ID_RECTANGLE, {80, 70}, {20, 30}, {20, 30, 80, 70}},
        {ID_TEXT, {150, 100}, {260, 190}, {150, 100, kWidth, kHeight - 1}},
        {ID_ERASER, {30, -8}, {-5, 10}, {0, 0, 30, 10}},
    };
    for (const auto& c : cases) {
        Press(c.tool);
        annotation.copies.clear();
        panel.OnPictureMouse(&annotation.window, MK_LBUTTON, c.from, TRUE);
        EXPECT_TRUE(panel.IsDrawing());
        panel.OnPictureMouseMove(&annotation.window, MK_LBUTTON, c.to);
        annotation.window.GetMousePos() = c.to;
        panel.OnPictureMouse(&annotation.window, 0, c.to, FALSE);
        EXPECT_FALSE(panel.IsDrawing());
        ASSERT_EQ(annotation.copies.size(), 1u) << c.tool;
        const RECT& got = annotation.copies.front();
        EXPECT_TRUE(EqualRect(&got, &c.selection))
            << c.tool << ": " << got.left << "," << got.top << " - " << got.right << "," << got.bottom;
        EXPECT_EQ(DrawnPixels(), 0) << c.tool;
        EXPECT_FALSE(annotation.input.IsWindowVisible()) << c.tool;
    }
    // The tool put away, a drag draws again and copies nothing.
    annotation.copyTool = false;
    annotation.copies.clear();
    Press(ID_FREEHAND);
    Drag({{20, 30}, {80, 70}});
    EXPECT_TRUE(annotation.copies.empty());
    EXPECT_GT(DrawnPixels(), 0);
}

// Viewing another console, drawing travels there in fractions of the canvas
// and leaves nothing here.
TEST_F(AnnotationPanelTest, DrawingOnAViewedConsoleIsSentNotDrawn)
{
    paneltest::RecordingRemote remote;
    remote.state.controllable = 1;
    remote.state.zoom = 2.0f;
    host.remote = &remote;
    annotation.viewed = true;
    Press(ID_WIDTH_FIRST + 1);  // 4 pixels

    Press(ID_RECTANGLE);
    annotation.pointer = CPoint(50, 30);
    Drag({{150, 120}, {100, 60}, {50, 30}});  // right to left and upwards
    Press(ID_FREEHAND);
    Drag({{10, 10}, {20, 15}, {30, 20}});
    Drag({{40, 40}});  // a click: a path of the press alone, twice

    ASSERT_EQ(remote.graphics.size(), 3u);
    const auto& box = remote.graphics[0];
    EXPECT_EQ(box.type, "Telvane::QxRectGraphic");
    EXPECT_FLOAT_EQ(box.x, 0.75f);
    EXPECT_FLOAT_EQ(box.y, 0.8f);
    EXPECT_FLOAT_EQ(box.width, -0.5f);
    EXPECT_FLOAT_EQ(box.height, -0.6f);
    EXPECT_FLOAT_EQ(box.lineWidth, 4 * 2.0f / kWidth);
    EXPECT_FLOAT_EQ(box.first.c0, 1.0f);  // red line, solid
    EXPECT_FLOAT_EQ(box.first.c3, 0.999f);
    EXPECT_EQ(remote.graphics[1].type, "Telvane::QxPath");
    // The press twice, then its own step and each later one.
    EXPECT_EQ(remote.graphics[1].points, 5u);
    EXPECT_EQ(remote.graphics[2].points, 3u);
    EXPECT_EQ(DrawnPixels(), 0);
    EXPECT_EQ(panel.Preview().IsDirty(), 0);

    // A viewed console that does not let viewers steer it takes nothing.
    remote.state.controllable = 0;
    Drag({{10, 10}, {30, 20}});
    EXPECT_EQ(remote.graphics.size(), 3u);
}

// Typed text and "Erase all" go to the viewed console as well; nothing of
// them reaches the local layer.
TEST_F(AnnotationPanelTest, ViewedConsoleTakesTypedTextAndEraseAll)
{
    Press(ID_RECTANGLE);
    Drag({{20, 20}, {120, 100}});
    const int drawn = DrawnPixels();
    ASSERT_GT(drawn, 0);

    paneltest::RecordingRemote remote;
    remote.state.controllable = 1;
    remote.state.zoom = 2.0f;
    host.remote = &remote;
    annotation.viewed = true;
    Press(ID_ERASE_ALL);
    EXPECT_EQ(remote.erasedAll, 1);

    Press(ID_TEXT);
    const int border = annotation.window.m_border;
    TypeText(40 + border, 30 + border, L"HELLO");
    remote.state.zoom = 1.0f;
    TypeText(40 + border, 30 + border, L"HELLO");
    ASSERT_EQ(remote.graphics.size(), 2u);
    const auto& zoomed = remote.graphics[0];
    EXPECT_EQ(zoomed.type, "Telvane::QxImageGraphic");
    EXPECT_FLOAT_EQ(zoomed.x, (40.0f + border) / kWidth);
    EXPECT_FLOAT_EQ(zoomed.y, (30.0f + border) / kHeight);
    // The box as wide and high again at twice the zoom.
    ASSERT_GT(remote.graphics[1].width, 0.0f);
    EXPECT_FLOAT_EQ(zoomed.width, 2.0f * remote.graphics[1].width);
    EXPECT_FLOAT_EQ(zoomed.height, 2.0f * remote.graphics[1].height);
    EXPECT_EQ(DrawnPixels(), drawn);
    EXPECT_FALSE(annotation.input.IsWindowVisible());

    // A viewed console that does not let viewers steer it takes neither.
    remote.state.controllable = 0;
    Press(ID_ERASE_ALL);
    EXPECT_EQ(remote.erasedAll, 1);
    TypeText(40 + border, 30 + border, L"HELLO");
    EXPECT_EQ(remote.graphics.size(), 2u);
    EXPECT_EQ(DrawnPixels(), drawn);
}

// While the button is held on a viewed picture, the preview is as wide as
// the viewed console will show the finished shape: widened by its zoom.
TEST_F(AnnotationPanelTest, PreviewOnAViewedPictureIsWidenedByItsZoom)
{
    paneltest::RecordingRemote remote;
    remote.state.controllable = 1;
    const struct {
        bool viewed;
        float zoom;
        int width;
    } cases[] = {{false, 2.5f, 4}, {true, 2.5f, 10}, {true, 1.0f, 4}, {true, std::nanf(""), 4}};
    Press(ID_WIDTH_FIRST + 1);  // 4 pixels
    for (const auto& c : cases) {
        host.remote = c.viewed ? &remote : nullptr;
        annotation.viewed = c.viewed;
        remote.state.zoom = c.zoom;
        Press(ID_RECTANGLE);
        panel.OnPictureMouse(&annotation.window, MK_LBUTTON, CPoint(20, 20), TRUE);
        panel.OnPictureMouseMove(&annotation.window, MK_LBUTTON, CPoint(120, 100));
        const ArgbPlane box = panel.Preview().Plane();
        // The left edge in the line colour, then the fill.
        for (int x = 20; x < 20 + c.width; ++x) EXPECT_EQ(At(box, x, 60), 0xFFFF0000u) << c.zoom << " x " << x;
        EXPECT_NE(At(box, 20 + c.width, 60), 0xFFFF0000u) << c.zoom;
        EXPECT_NE(At(box, 20 + c.width, 60), 0u) << c.zoom;
        panel.OnPictureMouse(&annotation.window, 0, CPoint(120, 100), FALSE);

        Press(ID_LINE);
        panel.OnPictureMouse(&annotation.window, MK_LBUTTON, CPoint(20, 75), TRUE);
        panel.OnPictureMouseMove(&annotation.window, MK_LBUTTON, CPoint(180, 75));
        const ArgbPlane stroke = panel.Preview().Plane();
        int covered = 0;  // the stroke's pixels across it, the smoothed rims included
        for (int y = 0; y < kHeight; ++y) covered += At(stroke, 100, y) != 0;
        EXPECT_GE(covered, c.width) << c.zoom;
        EXPECT_LE(covered, c.width + 2) << c.zoom;
        panel.OnPictureMouse(&annotation.window, 0, CPoint(180, 75), FALSE);
        annotation.layer.Clear();
    }
}

// The eraser's outline on a viewed picture is as large as the square the
// viewed console will erase.
TEST_F(AnnotationPanelTest, EraserOutlineOnAViewedPictureIsWidenedByItsZoom)
{
    paneltest::RecordingRemote remote;
    remote.state.controllable = 1;
    remote.state.zoom = 2.5f;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(target && bits);
    HGDIOBJ old = SelectObject(dc, target);
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    // The columns left of the pointer that the outline touches.
    auto leftmostDrawn = [&] {
        for (int x = 0; x < kWidth; ++x)
            for (int y = 0; y < kHeight; ++y)
                if (pixels[y * kWidth + x] & 0xFFFFFF) return x;
        return -1;
    };
    Press(ID_ERASER);
    Press(ID_WIDTH_FIRST);  // half size 4
    annotation.pointer = CPoint(100, 75);
    const struct {
        bool viewed;
        int half;
    } cases[] = {{false, 4}, {true, 10}};
    for (const auto& c : cases) {
        host.remote = c.viewed ? &remote : nullptr;
        annotation.viewed = c.viewed;
        std::fill_n(static_cast<std::uint32_t*>(bits), kWidth * kHeight, 0u);
        panel.OnPictureEvent(&annotation.window, static_cast<int>(reinterpret_cast<INT_PTR>(dc)));
        GdiFlush();
        EXPECT_EQ(leftmostDrawn(), 100 - c.half) << c.viewed;
    }
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
}

TEST_F(AnnotationPanelTest, FreehandClickLeavesADot)
{
    Press(ID_FREEHAND);
    Press(ID_WIDTH_FIRST + 2);  // 8 pixels
    Drag({{100, 80}});
    EXPECT_EQ(At(100, 80) >> 24, 0xFFu);
    EXPECT_EQ(At(100, 80) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(At(100, 90), 0u);
    EXPECT_EQ(At(110, 80), 0u);
}

// A semi-transparent stroke that crosses itself is composited as a whole: the
// same alpha at the crossing as along the stroke.
TEST_F(AnnotationPanelTest, SemiTransparentStrokeHasOneAlphaWhereItCrosses)
{
    Press(ID_FREEHAND);
    Press(ID_WIDTH_FIRST + 2);
    panel.LineTransparencyButton().SetCheck(1);
    Press(ID_LINE_TRANSPARENCY);
    Drag({{20, 75}, {100, 75}, {180, 75}, {180, 30}, {100, 30}, {100, 75}, {100, 120}});
    const std::uint32_t along = At(60, 75);
    EXPECT_EQ(along >> 24, 128u);
    EXPECT_EQ(At(100, 75), along);  // the crossing
    EXPECT_EQ(At(100, 100), along);
}

TEST_F(AnnotationPanelTest, EraserAndEraseAllClear)
{
    Press(ID_RECTANGLE);
    Drag({{20, 20}, {120, 100}});
    ASSERT_NE(At(70, 60), 0u);  // filled
    Press(ID_ERASER);
    Drag({{70, 60}});
    // Half size 3 around the point: a 7 x 7 square.
    EXPECT_EQ(At(67, 57), 0u);
    EXPECT_EQ(At(73, 63), 0u);
    EXPECT_NE(At(66, 60), 0u);
    EXPECT_NE(At(74, 60), 0u);
    Press(ID_ERASE_ALL);
    EXPECT_EQ(DrawnPixels(), 0);
}

// A click with the text tool opens the box there; the next click finishes
// the typed text into the layer where the box stood.
TEST_F(AnnotationPanelTest, TypedTextLandsWhereClicked)
{
    Press(ID_TEXT);
    ASSERT_EQ(panel.ChosenTool(), CAnnotationPanel::TEXT);
    const int border = annotation.window.m_border;
    panel.OnPictureMouse(&annotation.window, MK_LBUTTON, CPoint(40 + border, 30 + border), TRUE);
    panel.OnPictureMouse(&annotation.window, 0, CPoint(40 + border, 30 + border), FALSE);
    ASSERT_TRUE(annotation.input.IsWindowVisible());
    for (wchar_t c : std::wstring(L"HELLO")) annotation.input.SendMessage(WM_CHAR, c, 1);
    panel.OnPictureMouse(&annotation.window, MK_LBUTTON, CPoint(150, 120), TRUE);
    EXPECT_FALSE(annotation.input.IsWindowVisible());
    const ArgbPlane plane = annotation.layer.Plane();
    int inBox = 0, outside = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (!plane.pixels[static_cast<size_t>(kHeight - 1 - y) * kWidth + x]) continue;
            (x >= 40 + border && y >= 30 + border && x < 140 && y < 60 ? inBox : outside)++;
        }
    EXPECT_GT(inBox, 40);
    EXPECT_EQ(outside, 0);
}

// A bitmap of the skin library as its size and pixels; empty when missing.
struct SkinBitmap {
    int width = 0, height = 0;
    std::vector<BYTE> bits;
};

SkinBitmap LoadSkin(UINT id)
{
    SkinBitmap skin;
    HANDLE bitmap = LoadImageW(paneltest::Skins(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    BITMAP info{};
    if (bitmap && GetObjectW(bitmap, sizeof info, &info) && info.bmBits) {
        skin.width = info.bmWidth;
        skin.height = info.bmHeight;
        const auto* bits = static_cast<const BYTE*>(info.bmBits);
        skin.bits.assign(bits, bits + static_cast<size_t>(info.bmWidthBytes) * info.bmHeight);
    }
    if (bitmap) DeleteObject(bitmap);
    return skin;
}

// The buttons that carry words have their own images in German: each as large
// as the English one, with other pixels. Every other language takes English.
TEST(AnnotationPanelImages, GermanPicksTheGermanSet)
{
    using Images = CAnnotationPanel::LabelledImages;
    const Images english = CAnnotationPanel::LabelledImagesFor(0x0409);
    auto firsts = [](const Images& images) {
        return std::vector<UINT>{images.eraseAll, images.lineTransparency, images.fillTransparency, images.widthLabel};
    };
    const int imageCounts[] = {4, 5, 5, 4};  // the transparency buttons' third state follows
    for (unsigned short german : {0x0407, 0x0807, 0x0C07, 0x1007, 0x1407}) {
        const std::vector<UINT> ids = firsts(CAnnotationPanel::LabelledImagesFor(german));
        const std::vector<UINT> englishIds = firsts(english);
        for (size_t button = 0; button < ids.size(); ++button)
            for (int image = 0; image < imageCounts[button]; ++image) {
                const SkinBitmap ours = LoadSkin(ids[button] + image);
                const SkinBitmap theirs = LoadSkin(englishIds[button] + image);
                ASSERT_FALSE(ours.bits.empty()) << german << " image " << ids[button] + image;
                ASSERT_FALSE(theirs.bits.empty()) << englishIds[button] + image;
                EXPECT_EQ(ours.width, theirs.width) << ids[button] + image;
                EXPECT_EQ(ours.height, theirs.height) << ids[button] + image;
                EXPECT_NE(ours.bits, theirs.bits) << ids[button] + image;
            }
    }
    for (unsigned short other : {0x0000, 0x0411, 0x040C, 0x0809})
        EXPECT_EQ(firsts(CAnnotationPanel::LabelledImagesFor(other)), firsts(english)) << other;
}

}  // namespace
