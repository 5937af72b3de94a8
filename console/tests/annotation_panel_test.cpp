// The annotation panel in this process: its buttons choose tool, width,
// colour and transparency as a user presses them, and drags on a window's
// picture (the panel's mouse hooks, as the window calls them) leave exactly
// their drawing in that window's layer.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

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
    // Another console's picture, with the pointer where the drag ended.
    bool viewed = false;
    CPoint viewedPointer;

    bool GetDrawingSurface(CWnd* target, DrawingSurface& surface) override
    {
        if (target != &window) return false;
        surface = {&layer, true, {canvas, {0, 0, kWidth, kHeight}, 1.0f}, window.GetMousePos(), &input};
        if (viewed) {
            surface.viewed = true;
            surface.pointer = viewedPointer;
        }
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
        const ButtonImages images{649, 649, 649, 122, 0};
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

    std::uint32_t At(int x, int y)
    {
        const ArgbPlane plane = annotation.layer.Plane();
        return plane.pixels[static_cast<size_t>(plane.height - 1 - y) * plane.width + x];
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
    annotation.viewedPointer = {50, 30};
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

}  // namespace
