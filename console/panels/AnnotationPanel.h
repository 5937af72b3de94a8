#pragma once

#include <vector>

#include "AnnotationHost.h"
#include "BasePanel.h"
#include "PanelHost.h"

// The drawing tools under the main window: freehand, ellipse, text, line,
// rectangle and eraser, "Erase all", four pen widths, eight line and eight
// fill colours in two pages, and solid, semi-transparent or no line and
// fill. It turns left-button drags on a window's picture into drawing: a
// preview while the button is held, then composited into that picture's
// layer. It also draws the shapes that viewers send into the drawing plane.
class CAnnotationPanel : public CBasePanel2 {
public:
    enum Tool { FREEHAND, ELLIPSE, TEXT, LINE, RECTANGLE, ERASER, TOOL_COUNT };
    enum Transparency { SOLID, SEMI_TRANSPARENT, INVISIBLE };
    static constexpr int kWidthCount = 4;
    static constexpr int kColourCount = 8;
    static constexpr DWORD kPalette[kColourCount] = {0xFF040404, 0xFFFF0000, 0xFFFFFF00, 0xFF0000FF,
                                                     0xFFFFFFFF, 0xFFFF8040, 0xFF00FF00, 0xFFFF00FF};

    // The first images of the buttons that carry words, which are drawn for
    // each language.
    struct LabelledImages {
        UINT eraseAll, lineTransparency, fillTransparency, widthLabel;
    };
    static LabelledImages LabelledImagesFor(unsigned short langId);

    CAnnotationPanel(IPanelHost& host, IAnnotationHost& annotationHost);
    ~CAnnotationPanel() override;

    // Set by the main window before CreateControls.
    CAnnotator* m_drawingPlane = nullptr;

    void CreateControls(int) override;
    BOOL OnButtonEvent(unsigned short id) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnPictureEvent(CWnd* window, int context) override;
    void OnPictureMouse(CWnd* window, UINT flags, CPoint point, BOOL down) override;
    void OnPictureMouseMove(CWnd* window, UINT flags, CPoint point) override;

    // A viewer's shape, drawn into the drawing plane; false when refused.
    bool RenderReceivedShape(const Telvane::Graphic& shape);
    // Clears the drawing of the window (the main window's planes, or a
    // picture window's layer) and repaints it.
    void EraseAll(CWnd* window);
    // The text typed in the window's text input becomes a drawing.
    void RenderTextGraphic(CWnd* window);
    // Finishes the text pending in the window's input, if any.
    void FinishText(CWnd* window);

    Tool ChosenTool() const { return m_tool; }
    // A drag with the left button is under way on some window.
    bool IsDrawing() const { return m_dragStart.x != -1; }
    int PenWidth() const;
    int EraserHalfSize() const { return m_eraserHalfSize; }
    KVQAnnotator& Preview() { return m_scratch[PREVIEW]; }
    KVQButton& WidthButton(int i) { return m_widths[i]; }
    KVQButton& LineTransparencyButton() { return m_lineTransparency; }
    KVQButton& FillTransparencyButton() { return m_fillTransparency; }
    bool LineVisible() const { return m_lineVisible; }
    bool SemiTransparentLine() const { return m_semiLine; }
    bool SemiTransparentFill() const { return m_fillTransparency.GetCheckState() == SEMI_TRANSPARENT; }

private:
    enum Scratch { SEGMENT, PREVIEW, PEN, STAGING, SPARE, SCRATCH_COUNT };
    enum Tip { TIP_TOOLS = 0, TIP_ERASE_ALL = TOOL_COUNT, TIP_LINE, TIP_FILL, TIP_COUNT };

    void Dispatch(unsigned short id);
    void ChooseTool(Tool tool);
    void ChooseWidth(int index);
    void SetLineTransparency(int state);
    void SetFillTransparency(int state);
    void ShowColourPage(KVQButton* row, KVQButton (&switches)[2], int page);
    void EnableRows(bool width, bool line, bool fill);
    bool IsLineTool() const { return m_tool == FREEHAND || m_tool == LINE; }
    BYTE PreviewAlpha() const { return IsLineTool() && m_semiLine ? 128 : 255; }

    // Drawing steps, on the plane coordinates of the surface.
    void EraseStep(const DrawingSurface& surface, POINT at);
    void BoxStep(POINT from, POINT to, int border);
    void StrokeStep(POINT from, POINT to, const POINT* bezier, int width);
    void FinishStroke(const DrawingSurface& surface);
    // Viewing another console: the finished shape, or the eraser's square,
    // goes there instead of into a local layer.
    void SendShape(const DrawingSurface& surface);
    void SendEraser(const DrawingSurface& surface);
    Telvane::Color ShapeColour(DWORD argb, bool semiTransparent, bool visible) const;
    void PaintEraserOutline(HDC dc, const DrawingSurface& surface);
    // Drawing on a viewed picture is as wide as the viewed console will show
    // it: widened by its zoom.
    float DrawingScale(const DrawingSurface& surface) const;
    // The area a copy-tool drag selects: from its start to the pointer,
    // within the canvas.
    RECT CopySelection(const DrawingSurface& surface) const;
    bool MapToPlane(const DrawingSurface& surface, CPoint point, POINT& out) const;
    void SizeScratch(const KVQAnnotator& model, Scratch scratch);
    // Writes into a layer, under the display lock when it is the live plane.
    template <typename Write>
    void WriteLayer(const DrawingSurface& surface, Write write);

    IPanelHost& m_host;
    IAnnotationHost& m_annotationHost;
    KVQButton m_tools[TOOL_COUNT];
    KVQButton m_eraseAll;
    KVQButton m_widths[kWidthCount];
    KVQButton m_lineColours[kColourCount];
    KVQButton m_fillColours[kColourCount];
    KVQButton m_linePageSwitch[2];
    KVQButton m_fillPageSwitch[2];
    KVQButton m_widthLabel;
    KVQButton m_lineTransparency;
    KVQButton m_fillTransparency;
    KVQAnnotator m_scratch[SCRATCH_COUNT];
    CToolTipCtrl m_tips[TIP_COUNT];
    CPen m_dottedPen;
    CPen m_selectionPen;

    Tool m_tool = FREEHAND;
    int m_widthIndex = 0;
    int m_eraserHalfSize = 3;
    bool m_lineVisible = true;
    bool m_fillVisible = true;
    bool m_semiLine = false;
    DWORD m_textColour = 0xFF040404;
    CPoint m_dragStart{-1, 0};
    CPoint m_lastPointer;
    POINT m_previousMapped{0, 0};
    int m_strokeSteps = 0;
    // The stroke on the main window, in fractions of its canvas, as a
    // viewed console takes it.
    std::vector<Telvane::Point> m_strokePoints;
    bool m_pressed = false;
};
