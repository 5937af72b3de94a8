#include "AnnotationPanel.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <cwchar>
#include <vector>

#include "CommandIds.h"
#include "ImageRendering.h"
#include "InputCtrl.h"
#include "LanguageTable.h"
#include "LanguageText.h"
#include "PathRendering.h"
#include "SkinButton.h"

namespace {
const wchar_t kSection[] = L"CAnnotationPanel";
const int kPenWidths[CAnnotationPanel::kWidthCount] = {2, 4, 8, 16};
const int kRowX = 163;
const int kRowPitch = 64;
const int kWidthRowY = 7;
const int kLineRowY = 45;
const int kFillRowY = 83;
const int kColumnRightX = 419;
const int kColumnLeftX = 35;
const int kPageSize = 4;

// The page switches' images by page.
const UINT kLinePageImages[2] = {SKIN_LINE_PAGE_FORWARD_BUTTON, SKIN_LINE_PAGE_BACK_BUTTON};
const UINT kFillPageImages[2] = {SKIN_FILL_PAGE_FORWARD_BUTTON, SKIN_FILL_PAGE_BACK_BUTTON};
// The labelled buttons are drawn per language: English, German. A
// transparency button's third state follows its four images.
const CAnnotationPanel::LabelledImages kLabelledImages[] = {
    {SKIN_ERASE_ALL_BUTTON, SKIN_LINE_TRANSPARENCY_BUTTON, SKIN_FILL_TRANSPARENCY_BUTTON, SKIN_PEN_LABEL_BUTTON},
    {SKIN_ERASE_ALL_BUTTON_GERMAN, SKIN_LINE_TRANSPARENCY_BUTTON_GERMAN, SKIN_FILL_TRANSPARENCY_BUTTON_GERMAN,
     SKIN_PEN_LABEL_BUTTON_GERMAN}};
const LangIdValue kLabelledImageSet[] = {{0x0000, 0}, {0x0407, 1}, {0x0807, 1}, {0x0C07, 1}, {0x1007, 1}, {0x1407, 1}};

struct ToolRow {
    unsigned short id;
    UINT images;  // the bar's own images of the tool
    const wchar_t* tipKey;
    const wchar_t* tipText;
};
const ToolRow kTools[CAnnotationPanel::TOOL_COUNT] = {
    {ID_FREEHAND, 798, L"tipFreehand", L"Freehand drawing"},
    {ID_ELLIPSE, 810, L"tipEllipse", L"Ellipse"},
    {ID_TEXT, 814, L"tipText", L"Text typing"},
    {ID_LINE, 802, L"tipLine", L"Line"},
    {ID_RECTANGLE, 806, L"tipRectangle", L"Rectangle"},
    {ID_ERASER, 822, L"tipEraser", L"Eraser"},
};

struct TransparencyTips {
    const wchar_t* keys[3];
};
const TransparencyTips kLineTips = {
    {L"tipLineColorSolid", L"tipLineColorSemiTransparence", L"tipLineColorFullTransparence"}};
const TransparencyTips kFillTips = {
    {L"tipFillColorSolid", L"tipFillColorSemiTransparence", L"tipFillColorFullTransparence"}};

bool IsTool(unsigned short id) { return id >= ID_FREEHAND && id <= ID_ERASER; }

// GDI+ drawing straight into a layer's premultiplied pixels, which the layer
// keeps bottom-up: the top row is the last in memory.
class LayerGraphics {
public:
    explicit LayerGraphics(KVQAnnotator& layer)
    {
        const ArgbPlane plane = layer.Plane();
        if (!plane.pixels) return;
        auto* top = reinterpret_cast<BYTE*>(plane.pixels + static_cast<size_t>(plane.height - 1) * plane.width);
        if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(plane.width, plane.height, -4 * plane.width,
                                                           PixelFormat32bppPARGB, top, &m_bitmap) != Gdiplus::Ok) {
            m_bitmap = nullptr;
            return;
        }
        if (Gdiplus::DllExports::GdipGetImageGraphicsContext(m_bitmap, &m_graphics) != Gdiplus::Ok)
            m_graphics = nullptr;
        else
            Gdiplus::DllExports::GdipSetSmoothingMode(m_graphics, Gdiplus::SmoothingModeAntiAlias);
    }
    ~LayerGraphics()
    {
        if (m_graphics) Gdiplus::DllExports::GdipDeleteGraphics(m_graphics);
        if (m_bitmap) Gdiplus::DllExports::GdipDisposeImage(m_bitmap);
    }
    LayerGraphics(const LayerGraphics&) = delete;
    LayerGraphics& operator=(const LayerGraphics&) = delete;

    Gdiplus::GpGraphics* Get() const { return m_graphics; }

private:
    Gdiplus::GpBitmap* m_bitmap = nullptr;
    Gdiplus::GpGraphics* m_graphics = nullptr;
};

// A round-capped pen of the stroke's colour and width.
class StrokePen {
public:
    StrokePen(DWORD argb, float width)
    {
        if (Gdiplus::DllExports::GdipCreatePen1(argb, width, Gdiplus::UnitPixel, &m_pen) != Gdiplus::Ok) {
            m_pen = nullptr;
            return;
        }
        Gdiplus::DllExports::GdipSetPenStartCap(m_pen, Gdiplus::LineCapRound);
        Gdiplus::DllExports::GdipSetPenEndCap(m_pen, Gdiplus::LineCapRound);
        Gdiplus::DllExports::GdipSetPenDashCap197819(m_pen, Gdiplus::DashCapRound);
    }
    ~StrokePen()
    {
        if (m_pen) Gdiplus::DllExports::GdipDeletePen(m_pen);
    }
    StrokePen(const StrokePen&) = delete;
    StrokePen& operator=(const StrokePen&) = delete;

    Gdiplus::GpPen* Get() const { return m_pen; }

private:
    Gdiplus::GpPen* m_pen = nullptr;
};

// The encoded bytes of a picture saved as PNG; empty on any failure.
std::vector<unsigned char> EncodePng(Gdiplus::GpBitmap* bitmap)
{
    std::vector<unsigned char> bytes;
    CLSID png;
    if (FindEncoderClsid(L"image/png", &png) < 0) return bytes;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return bytes;
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (Gdiplus::DllExports::GdipSaveImageToStream(bitmap, stream, &png, nullptr) == Gdiplus::Ok &&
        SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
        if (const void* data = GlobalLock(memory)) {
            const auto* begin = static_cast<const unsigned char*>(data);
            bytes.assign(begin, begin + stat.cbSize.QuadPart);
            GlobalUnlock(memory);
        }
    }
    stream->Release();
    return bytes;
}

HDC ContextDC(int context) { return reinterpret_cast<HDC>(static_cast<INT_PTR>(context)); }
}  // namespace

CAnnotationPanel::CAnnotationPanel(IPanelHost& host, IAnnotationHost& annotationHost)
    : m_host(host), m_annotationHost(annotationHost)
{
}

CAnnotationPanel::~CAnnotationPanel() = default;

CAnnotationPanel::LabelledImages CAnnotationPanel::LabelledImagesFor(unsigned short langId)
{
    return kLabelledImages[ValueForLangId(kLabelledImageSet, static_cast<int>(std::size(kLabelledImageSet)), langId)];
}

int CAnnotationPanel::PenWidth() const { return kPenWidths[m_widthIndex]; }

void CAnnotationPanel::CreateControls(int)
{
    for (KVQAnnotator& layer : m_scratch) layer.SetLineColor(0xFFFF0000);
    const HMODULE skins = m_host.SkinLibrary();
    for (int i = 0; i < TOOL_COUNT; ++i) {
        // State holders: the bar shows the tools; their checks live here.
        CreateSkinButton(m_tools[i], skins, FourImages(kTools[i].images), BUTTON_STYLE_CHECK, 0, 0, this, this,
                         kTools[i].id);
        m_tools[i].ShowWindow(SW_HIDE);
    }
    m_tools[FREEHAND].SetCheck(1);
    const LabelledImages labelled = LabelledImagesFor(GetSystemDefaultLangID());
    CreateSkinButton(m_eraseAll, skins, FourImages(labelled.eraseAll), BUTTON_STYLE_PUSH, kColumnRightX, kWidthRowY,
                     this, this, ID_ERASE_ALL);
    for (int i = 0; i < kWidthCount; ++i)
        CreateSkinButton(m_widths[i], skins, FourImages(SKIN_FIRST_PEN_WIDTH_BUTTON + 4 * i), BUTTON_STYLE_CHECK,
                         kRowX + kRowPitch * i, kWidthRowY, this, this, ID_WIDTH_FIRST + i);
    m_widths[0].SetCheck(1);
    for (int i = 0; i < kColourCount; ++i) {
        const int x = kRowX + kRowPitch * (i % kPageSize);
        CreateSkinButton(m_lineColours[i], skins, FourImages(SKIN_FIRST_LINE_COLOUR_BUTTON + 4 * i), BUTTON_STYLE_CHECK,
                         x, kLineRowY, this, this, ID_LINE_COLOUR_FIRST + i);
        CreateSkinButton(m_fillColours[i], skins, FourImages(SKIN_FIRST_FILL_COLOUR_BUTTON + 4 * i), BUTTON_STYLE_CHECK,
                         x, kFillRowY, this, this, ID_FILL_COLOUR_FIRST + i);
    }
    m_lineColours[1].SetCheck(1);
    m_fillColours[0].SetCheck(1);
    for (int page = 0; page < 2; ++page) {
        CreateSkinButton(m_linePageSwitch[page], skins, FourImages(kLinePageImages[page]), BUTTON_STYLE_PUSH,
                         kColumnRightX, kLineRowY, this, this, ID_LINE_PAGE);
        CreateSkinButton(m_fillPageSwitch[page], skins, FourImages(kFillPageImages[page]), BUTTON_STYLE_PUSH,
                         kColumnRightX, kFillRowY, this, this, ID_FILL_PAGE);
    }
    ShowColourPage(m_lineColours, m_linePageSwitch, 0);
    ShowColourPage(m_fillColours, m_fillPageSwitch, 0);
    CreateSkinButton(m_lineTransparency, skins, FourImages(labelled.lineTransparency, labelled.lineTransparency + 4),
                     BUTTON_STYLE_CHECK, kColumnLeftX, kLineRowY, this, this, ID_LINE_TRANSPARENCY);
    CreateSkinButton(m_widthLabel, skins, FourImages(labelled.widthLabel), BUTTON_STYLE_CHECK, kColumnLeftX, kWidthRowY,
                     this, this, ID_WIDTH_LABEL);
    CreateSkinButton(m_fillTransparency, skins, FourImages(labelled.fillTransparency, labelled.fillTransparency + 4),
                     BUTTON_STYLE_CHECK, kColumnLeftX, kFillRowY, this, this, ID_FILL_TRANSPARENCY);

    for (int i = 0; i < TOOL_COUNT; ++i)
        AddControlTip(m_tips[TIP_TOOLS + i], this, &m_tools[i],
                      ReadIniString(kSection, kTools[i].tipKey, kTools[i].tipText));
    AddControlTip(m_tips[TIP_ERASE_ALL], this, &m_eraseAll, ReadIniString(kSection, L"tipEraseAll", L"Erase all"));
    AddControlTip(m_tips[TIP_LINE], this, &m_lineTransparency,
                  ReadIniString(kSection, kLineTips.keys[SOLID], kLineTips.keys[SOLID]));
    AddControlTip(m_tips[TIP_FILL], this, &m_fillTransparency,
                  ReadIniString(kSection, kFillTips.keys[SOLID], kFillTips.keys[SOLID]));

    m_dottedPen.Attach(::CreatePen(PS_DOT, 1, 0xFFFFFF));
    m_selectionPen.Attach(::CreatePen(PS_SOLID, 1, 0xFFFFFF));
    m_dragStart.x = -1;
    EnableRows(true, true, false);
    m_textColour = kPalette[0];
}

BOOL CAnnotationPanel::PreTranslateMessage(MSG* msg)
{
    for (CToolTipCtrl& tip : m_tips)
        if (tip.m_hWnd) tip.RelayEvent(msg);
    return CBasePanel2::PreTranslateMessage(msg);
}

void CAnnotationPanel::ShowColourPage(KVQButton* row, KVQButton (&switches)[2], int page)
{
    for (int i = 0; i < kColourCount; ++i) row[i].ShowWindow(i / kPageSize == page ? SW_SHOW : SW_HIDE);
    switches[page].ShowWindow(SW_SHOW);
    switches[1 - page].ShowWindow(SW_HIDE);
}

void CAnnotationPanel::EnableRows(bool width, bool line, bool fill)
{
    auto enable = [](KVQButton& button, bool on) {
        if ((button.IsWindowEnabled() != FALSE) == on) return;
        button.EnableWindow(on);
        button.Invalidate(FALSE);
    };
    enable(m_widthLabel, width);
    for (KVQButton& button : m_widths) enable(button, width);
    enable(m_lineTransparency, line);
    for (KVQButton& button : m_linePageSwitch) enable(button, line);
    for (KVQButton& button : m_lineColours) enable(button, line);
    enable(m_fillTransparency, fill);
    for (KVQButton& button : m_fillPageSwitch) enable(button, fill);
    for (KVQButton& button : m_fillColours) enable(button, fill);
}

void CAnnotationPanel::FinishText(CWnd* window)
{
    DrawingSurface surface;
    if (!window || !m_annotationHost.GetDrawingSurface(window, surface) || !surface.textInput ||
        !surface.textInput->m_hWnd)
        return;
    surface.textInput->ApplyFont();
    if (surface.textInput->IsWindowVisible()) RenderTextGraphic(window);
}

BOOL CAnnotationPanel::OnButtonEvent(unsigned short id)
{
    if (m_tool == TEXT) {
        FinishText(m_annotationHost.LiveWindow());
        CWnd* other = m_annotationHost.LastActivePictureWindow();
        if (other != m_annotationHost.LiveWindow()) FinishText(other);
    }
    bool show;
    if (m_annotationHost.IsOtherSubPanelShown())
        show = id != ID_COPY_IMAGE && id != ID_TEXT;
    else
        show = !(id == ID_COPY_IMAGE || id == ID_TEXT || (IsTool(id) && id == kTools[m_tool].id && IsWindowVisible()));
    if (!show) {
        m_annotationHost.ShowAnnotationPanel(false);
        if (id == ID_COPY_IMAGE)
            for (KVQButton& tool : m_tools) tool.SetCheck(0);
        if (id == ID_TEXT) ChooseTool(TEXT);
        return TRUE;
    }
    m_annotationHost.ShowAnnotationPanel(true);
    Dispatch(id);
    return TRUE;
}

void CAnnotationPanel::Dispatch(unsigned short id)
{
    if (id >= ID_WIDTH_FIRST && id < ID_WIDTH_FIRST + kWidthCount) {
        ChooseWidth(id - ID_WIDTH_FIRST);
        return;
    }
    if (id >= ID_LINE_COLOUR_FIRST && id < ID_LINE_COLOUR_FIRST + kColourCount) {
        const int index = id - ID_LINE_COLOUR_FIRST;
        for (int i = 0; i < kColourCount; ++i) m_lineColours[i].SetCheck(i == index);
        if (m_drawingPlane) m_drawingPlane->SetLineColor(kPalette[index]);
        m_scratch[SEGMENT].SetLineColor(kPalette[index]);
        m_scratch[PREVIEW].SetLineColor(kPalette[index]);
        return;
    }
    if (id >= ID_FILL_COLOUR_FIRST && id < ID_FILL_COLOUR_FIRST + kColourCount) {
        const int index = id - ID_FILL_COLOUR_FIRST;
        for (int i = 0; i < kColourCount; ++i) m_fillColours[i].SetCheck(i == index);
        if (m_drawingPlane) m_drawingPlane->SetFillColor(kPalette[index]);
        m_scratch[SEGMENT].SetFillColor(kPalette[index]);
        m_scratch[PREVIEW].SetFillColor(kPalette[index]);
        return;
    }
    m_scratch[SEGMENT].Clear();
    m_scratch[PREVIEW].Clear();
    switch (id) {
    case ID_ERASE_ALL:
        // A viewing console keeps no drawing of its own: the viewed one clears.
        if (IRemoteCamera* remote = m_host.ShownRemoteCamera()) {
            if (remote->State().controllable) remote->SendEraseAll();
        } else {
            EraseAll(m_annotationHost.LastActivePictureWindow());
        }
        break;
    case ID_WIDTH_LABEL:
        m_widthLabel.SetCheck(0);
        break;
    case ID_LINE_TRANSPARENCY:
        SetLineTransparency(m_lineTransparency.GetCheckState());
        break;
    case ID_FILL_TRANSPARENCY:
        SetFillTransparency(m_fillTransparency.GetCheckState());
        break;
    case ID_LINE_PAGE:
        ShowColourPage(m_lineColours, m_linePageSwitch, m_lineColours[0].IsWindowVisible() ? 1 : 0);
        break;
    case ID_FILL_PAGE:
        ShowColourPage(m_fillColours, m_fillPageSwitch, m_fillColours[0].IsWindowVisible() ? 1 : 0);
        break;
    default:
        if (IsTool(id))
            ChooseTool(static_cast<Tool>(
                std::find_if(std::begin(kTools), std::end(kTools), [id](const ToolRow& row) { return row.id == id; }) -
                std::begin(kTools)));
        break;
    }
}

void CAnnotationPanel::ChooseWidth(int index)
{
    for (int i = 0; i < kWidthCount; ++i) m_widths[i].SetCheck(i == index);
    m_widthIndex = index;
    m_eraserHalfSize = 2 * PenWidth();
    Invalidate(FALSE);
}

void CAnnotationPanel::ChooseTool(Tool tool)
{
    m_tool = tool;
    for (int i = 0; i < TOOL_COUNT; ++i) m_tools[i].SetCheck(i == tool);
    const IRemoteCamera* remote = m_host.ShownRemoteCamera();
    if (!remote || remote->State().controllable) {
        switch (tool) {
        case FREEHAND:
        case LINE:
            EnableRows(true, true, false);
            break;
        case ELLIPSE:
        case RECTANGLE:
            EnableRows(true, true, true);
            break;
        case TEXT:
            EnableRows(false, false, false);
            break;
        case ERASER:
            EnableRows(true, false, false);
            break;
        default:
            break;
        }
    }
    // A stroke without a line would draw nothing.
    if (IsLineTool() && m_lineTransparency.GetCheckState() == INVISIBLE) SetLineTransparency(SOLID);
    Invalidate(FALSE);
}

void CAnnotationPanel::SetLineTransparency(int state)
{
    if (state == INVISIBLE && (!m_fillVisible || IsLineTool())) state = SOLID;
    m_lineTransparency.SetCheck(state);
    m_lineVisible = state != INVISIBLE;
    m_semiLine = state == SEMI_TRANSPARENT;
    m_tips[TIP_LINE].UpdateTipText(&m_lineTransparency,
                                   ReadIniString(kSection, kLineTips.keys[state], kLineTips.keys[state]));
}

void CAnnotationPanel::SetFillTransparency(int state)
{
    if (state == INVISIBLE && !m_lineVisible) state = SOLID;
    m_fillTransparency.SetCheck(state);
    m_fillVisible = state != INVISIBLE;
    m_tips[TIP_FILL].UpdateTipText(&m_fillTransparency,
                                   ReadIniString(kSection, kFillTips.keys[state], kFillTips.keys[state]));
}

void CAnnotationPanel::EraseAll(CWnd* window)
{
    DrawingSurface surface;
    if (!window || !m_annotationHost.GetDrawingSurface(window, surface) || !surface.layer) return;
    WriteLayer(surface, [&] {
        surface.layer->Clear();
        if (surface.live && m_drawingPlane)
            for (KVQAnnotator& plane : m_drawingPlane->m_frameLayers) plane.Clear();
    });
    window->Invalidate(FALSE);
}

template <typename Write>
void CAnnotationPanel::WriteLayer(const DrawingSurface& surface, Write write)
{
    if (!surface.live) {
        write();
        return;
    }
    {
        orbile::Locked guard(m_annotationHost.DisplayLock());
        write();
    }
    m_annotationHost.DrawingPlaneChanged();
}

void CAnnotationPanel::SizeScratch(const KVQAnnotator& model, Scratch scratch)
{
    KVQAnnotator& layer = m_scratch[scratch];
    if (layer.GetWidth() != model.GetWidth() || layer.GetHeight() != model.GetHeight())
        layer.Resize(model.GetWidth(), model.GetHeight());
}

namespace {

// A window point as fractions of the canvas: how shapes travel.
Telvane::Point CanvasFraction(const DrawingSurface& surface, CPoint point)
{
    const PixelRect& c = surface.geometry.canvas;
    return {static_cast<float>(point.x - c.left) / static_cast<float>(c.right - c.left),
            static_cast<float>(point.y - c.top) / static_cast<float>(c.bottom - c.top)};
}

}  // namespace

float CAnnotationPanel::DrawingScale(const DrawingSurface& surface) const
{
    const IRemoteCamera* remote = surface.viewed ? m_host.ShownRemoteCamera() : nullptr;
    return remote ? RemoteZoomScale(remote->State()) : 1.0f;
}

bool CAnnotationPanel::MapToPlane(const DrawingSurface& surface, CPoint point, POINT& out) const
{
    int x, y;
    if (!MapCanvasPoint(point.x, point.y, surface.geometry, x, y)) return false;
    out = {x, y};
    return true;
}

void CAnnotationPanel::OnPictureMouse(CWnd* window, UINT flags, CPoint point, BOOL down)
{
    if (!down && !m_pressed) {
        m_dragStart.x = -1;
        return;
    }
    m_pressed = down != FALSE;
    // A viewed console takes drawing only while it lets viewers steer it.
    const IRemoteCamera* remote = m_host.ShownRemoteCamera();
    DrawingSurface surface;
    if ((remote && !remote->State().controllable) || !m_annotationHost.GetDrawingSurface(window, surface) ||
        !surface.layer) {
        m_dragStart.x = -1;
        return;
    }
    if (down) {
        m_strokeSteps = 0;
        m_dragStart = m_lastPointer = point;
        if (surface.live) m_strokePoints.assign(2, CanvasFraction(surface, point));
        if (m_tool == TEXT && !m_annotationHost.IsCopyToolChosen()) {
            CInputCtrl* input = surface.textInput;
            if (!input || !input->m_hWnd) return;
            input->ApplyFont();
            if (input->IsWindowVisible()) {
                RenderTextGraphic(window);
            } else {
                const auto* skinned = dynamic_cast<const KVQWindow*>(window);
                const int border = skinned ? skinned->m_border : 0;
                input->Show(point.x - border, point.y - border);
            }
            input->ApplyColour(KVQAnnotator::ARGBToColorRef(m_textColour));
            return;
        }
        if (m_tool == FREEHAND || m_tool == ERASER) OnPictureMouseMove(window, flags, point);
        return;
    }
    if (m_dragStart.x != -1 && m_annotationHost.IsCopyToolChosen()) {
        m_annotationHost.RequestCopy(CopySelection(surface));
        window->Invalidate(FALSE);
    } else if (m_tool != TEXT && m_tool != ERASER && m_dragStart.x != -1) {
        if (surface.viewed)
            SendShape(surface);
        else
            FinishStroke(surface);
    }
    m_strokeSteps = 0;
    m_dragStart.x = -1;
}

RECT CAnnotationPanel::CopySelection(const DrawingSurface& surface) const
{
    const PixelRect& canvas = surface.geometry.canvas;
    const CPoint& to = surface.pointer;
    return {std::max<LONG>(std::min(m_dragStart.x, to.x), canvas.left),
            std::max<LONG>(std::min(m_dragStart.y, to.y), canvas.top),
            std::min<LONG>(std::max(m_dragStart.x, to.x), canvas.right),
            std::min<LONG>(std::max(m_dragStart.y, to.y), canvas.bottom - 1)};
}

void CAnnotationPanel::FinishStroke(const DrawingSurface& surface)
{
    KVQAnnotator& preview = m_scratch[PREVIEW];
    if (preview.IsDirty()) {
        const BYTE alpha = PreviewAlpha();
        WriteLayer(surface, [&] {
            AnnotationOps::CompositeFrom(surface.layer->Plane(), preview.Plane(), alpha);
            surface.layer->SetDirty(1);
        });
    }
    preview.Clear();
}

Telvane::Color CAnnotationPanel::ShapeColour(DWORD argb, bool semiTransparent, bool visible) const
{
    const float opacity = !visible ? 0.0f : semiTransparent ? 0.5019608f : 0.999f;
    return {static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
            static_cast<float>(argb & 0xFF) / 255.0f, opacity};
}

void CAnnotationPanel::SendShape(const DrawingSurface& surface)
{
    KVQAnnotator& preview = m_scratch[PREVIEW];
    preview.Clear();
    IRemoteCamera* remote = m_host.ShownRemoteCamera();
    if (!remote || !surface.layer->GetWidth()) return;
    std::unique_ptr<Telvane::Graphic> shape;
    bool boxVisible = true;
    if (m_tool == RECTANGLE || m_tool == ELLIPSE) {
        const Telvane::Point from = CanvasFraction(surface, m_dragStart);
        const Telvane::Point to = CanvasFraction(surface, surface.pointer);
        if (m_tool == RECTANGLE)
            shape = std::make_unique<Telvane::RectGraphic>(from.x, from.y, to.x - from.x, to.y - from.y);
        else
            shape = std::make_unique<Telvane::Ellipse>(from.x, from.y, to.x - from.x, to.y - from.y);
    } else if (m_strokePoints.size() >= 2) {
        shape = std::make_unique<Telvane::Path>(m_strokePoints);
        boxVisible = false;
    } else {
        return;
    }
    shape->setLineWidth(static_cast<float>(PenWidth()) * RemoteZoomScale(remote->State()) /
                        static_cast<float>(surface.layer->GetWidth()));
    // Only boxes leave out an invisible line or fill; a path is always drawn.
    shape->setFirstColor(ShapeColour(preview.GetLineColor(), m_semiLine, !boxVisible || m_lineVisible));
    shape->setSecondColor(ShapeColour(preview.GetFillColor(), SemiTransparentFill(), !boxVisible || m_fillVisible));
    remote->SendGraphic(*shape);
}

void CAnnotationPanel::SendEraser(const DrawingSurface& surface)
{
    IRemoteCamera* remote = m_host.ShownRemoteCamera();
    const PixelRect& view = surface.geometry.view;
    const float vw = static_cast<float>(view.right - view.left);
    const float vh = static_cast<float>(view.bottom - view.top);
    if (!remote || vw <= 0.0f || vh <= 0.0f) return;
    const float e = static_cast<float>(m_eraserHalfSize) * RemoteZoomScale(remote->State());
    const Telvane::Point at = CanvasFraction(surface, surface.pointer);
    remote->SendGraphic(Telvane::RectEraser(at.x - e / vw, at.y - e / vh, 2.0f * e / vw, 2.0f * e / vh));
}

void CAnnotationPanel::OnPictureMouseMove(CWnd* window, UINT, CPoint point)
{
    if (m_dragStart.x == -1) return;
    if (m_annotationHost.IsCopyToolChosen()) {
        window->Invalidate(FALSE);  // the selection's frame follows the pointer
        return;
    }
    if (m_tool == TEXT) return;
    DrawingSurface surface;
    if (!m_annotationHost.GetDrawingSurface(window, surface) || !surface.layer) return;
    SizeScratch(*surface.layer, SEGMENT);
    SizeScratch(*surface.layer, PREVIEW);
    POINT start, at;
    if (!MapToPlane(surface, m_dragStart, start) || !MapToPlane(surface, point, at)) return;
    // The viewed console shows the finished drawing at its zoom: so does the preview.
    const int strokeWidth = static_cast<int>(static_cast<float>(PenWidth()) * DrawingScale(surface));
    switch (m_tool) {
    case ERASER:
        if (surface.viewed)
            SendEraser(surface);
        else
            EraseStep(surface, at);
        break;
    case RECTANGLE:
    case ELLIPSE:
        BoxStep(start, at, m_lineVisible ? strokeWidth : 0);
        break;
    case LINE:
        if (m_lineVisible) {
            m_scratch[PREVIEW].Clear();
            StrokeStep(at, start, nullptr, strokeWidth);
            if (surface.live && !m_strokePoints.empty()) m_strokePoints.back() = CanvasFraction(surface, point);
        }
        break;
    case FREEHAND:
        if (m_lineVisible) {
            POINT last;
            if (!MapToPlane(surface, m_lastPointer, last)) return;
            if (m_strokeSteps < 3) {
                StrokeStep(last, at, nullptr, strokeWidth);
            } else {
                const POINT& q = m_previousMapped;
                const POINT bezier[4] = {last,
                                         {last.x + (at.x - q.x) / 4, last.y + (at.y - q.y) / 4},
                                         {at.x - (at.x - last.x) / 4, at.y - (at.y - last.y) / 4},
                                         at};
                StrokeStep(last, at, bezier, strokeWidth);
            }
            m_previousMapped = last;
            m_lastPointer = point;
            if (surface.live) m_strokePoints.push_back(CanvasFraction(surface, point));
            ++m_strokeSteps;
        }
        break;
    default:
        break;
    }
    window->Invalidate(FALSE);
}

void CAnnotationPanel::EraseStep(const DrawingSurface& surface, POINT at)
{
    const int h = m_eraserHalfSize;
    KVQAnnotator& layer = *surface.layer;
    const RECT rect{std::max<LONG>(at.x - h, 0), std::max<LONG>(at.y - h, 0),
                    std::min<LONG>(at.x + h + 1, layer.GetWidth()), std::min<LONG>(at.y + h + 1, layer.GetHeight())};
    WriteLayer(surface, [&] { layer.EraseRect(rect); });
}

void CAnnotationPanel::BoxStep(POINT from, POINT to, int border)
{
    KVQAnnotator& preview = m_scratch[PREVIEW];
    preview.SetLineColor(Argb::WithAlpha(preview.GetLineColor(), m_semiLine ? 0x80 : 0xFF));
    preview.SetFillColor(Argb::WithAlpha(preview.GetFillColor(), SemiTransparentFill() ? 0x80 : 0xFF));
    RECT rect{std::max<LONG>(std::min(from.x, to.x), 0), std::max<LONG>(std::min(from.y, to.y), 0),
              std::max<LONG>(std::max(from.x, to.x) + 1, 1), std::max<LONG>(std::max(from.y, to.y) + 1, 1)};
    preview.Clear();
    if (m_tool == ELLIPSE)
        preview.DrawEllipse(rect, m_fillVisible, border);
    else
        preview.DrawRect(rect, m_fillVisible, border);
}

void CAnnotationPanel::StrokeStep(POINT from, POINT to, const POINT* bezier, int width)
{
    KVQAnnotator& segment = m_scratch[SEGMENT];
    {
        const LayerGraphics graphics(segment);
        const StrokePen pen(segment.GetLineColor(), static_cast<float>(width));
        if (!graphics.Get() || !pen.Get()) return;
        if (bezier) {
            Gdiplus::DllExports::GdipDrawBezierI(graphics.Get(), pen.Get(), bezier[0].x, bezier[0].y, bezier[1].x,
                                                 bezier[1].y, bezier[2].x, bezier[2].y, bezier[3].x, bezier[3].y);
        } else {
            Gdiplus::DllExports::GdipDrawLineI(graphics.Get(), pen.Get(), to.x, to.y, to.x + 1, to.y);
            Gdiplus::DllExports::GdipDrawLineI(graphics.Get(), pen.Get(), from.x, from.y, to.x, to.y);
        }
    }
    KVQAnnotator& preview = m_scratch[PREVIEW];
    AnnotationOps::CompositeFrom(preview.Plane(), segment.Plane(), 255);
    preview.SetDirty(1);
    segment.Clear();
}

void CAnnotationPanel::OnPictureEvent(CWnd* window, int context)
{
    HDC dc = ContextDC(context);
    DrawingSurface surface;
    if (!dc || !m_annotationHost.GetDrawingSurface(window, surface)) return;
    const PixelRect& canvas = surface.geometry.canvas;
    if (surface.pointer.x < canvas.left || surface.pointer.x >= canvas.right || surface.pointer.y < canvas.top ||
        surface.pointer.y >= canvas.bottom)
        return;
    if (IsDrawing() && m_annotationHost.IsCopyToolChosen()) {
        const RECT selection = CopySelection(surface);
        HGDIOBJ oldPen = SelectObject(dc, m_selectionPen.GetSafeHandle());
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
        Rectangle(dc, selection.left, selection.top, selection.right, selection.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        return;
    }
    if (m_tool == TEXT) return;
    if (m_tool == ERASER) {
        PaintEraserOutline(dc, surface);
        return;
    }
    KVQAnnotator& preview = m_scratch[PREVIEW];
    if (!preview.IsDirty()) return;
    const PixelRect source = PlaneViewSource(surface.geometry, preview.GetWidth(), preview.GetHeight());
    if (source.right <= source.left || source.bottom <= source.top) return;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, PreviewAlpha(), AC_SRC_ALPHA};
    SetStretchBltMode(preview.GetDC(), STRETCH_ORSCANS);
    AlphaBlend(dc, canvas.left, canvas.top, canvas.right - canvas.left, canvas.bottom - canvas.top, preview.GetDC(),
               source.left, source.top, source.right - source.left, source.bottom - source.top, blend);
}

void CAnnotationPanel::PaintEraserOutline(HDC dc, const DrawingSurface& surface)
{
    const PixelRect& canvas = surface.geometry.canvas;
    const PixelRect& view = surface.geometry.view;
    if (view.right <= view.left) return;
    const int half = static_cast<int>(static_cast<float>(m_eraserHalfSize * (canvas.right - canvas.left)) /
                                      static_cast<float>(view.right - view.left) * DrawingScale(surface));
    const CPoint p = surface.pointer;
    const int left = std::max<int>(p.x - half, canvas.left);
    const int top = std::max<int>(p.y - half, canvas.top);
    const int right = std::min<int>(p.x + half, canvas.right);
    const int bottom = std::min<int>(p.y + half, canvas.bottom - 1);
    HGDIOBJ oldPen = SelectObject(dc, m_dottedPen.GetSafeHandle());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const POINT outline[5] = {{left, bottom}, {left, top}, {right, top}, {right, bottom}, {left, bottom}};
    Polyline(dc, outline, 5);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldPen);
}

bool CAnnotationPanel::RenderReceivedShape(const Telvane::Graphic& shape)
{
    DrawingSurface surface;
    if (!m_drawingPlane || !m_annotationHost.GetDrawingSurface(m_annotationHost.LiveWindow(), surface) ||
        !surface.layer)
        return false;
    KVQAnnotator& plane = *surface.layer;
    SizeScratch(plane, STAGING);
    SizeScratch(plane, PEN);
    bool drawn = false;
    WriteLayer(surface, [&] {
        ShapeRenderer boxes(surface.geometry, plane.Plane(), m_scratch[STAGING].Plane());
        if (const auto* ellipse = dynamic_cast<const Telvane::Ellipse*>(&shape))
            drawn = boxes.RenderEllipse(*ellipse);
        else if (const auto* eraser = dynamic_cast<const Telvane::RectEraser*>(&shape))
            drawn = boxes.RenderEraser(*eraser);
        else if (const auto* image = dynamic_cast<const Telvane::ImageGraphic*>(&shape))
            drawn = ImageRenderer(surface.geometry, plane).Render(*image);
        else if (const auto* rect = dynamic_cast<const Telvane::RectGraphic*>(&shape))
            drawn = boxes.RenderRect(*rect);
        else if (const auto* path = dynamic_cast<const Telvane::Path*>(&shape))
            drawn = PathRenderer(surface.geometry, plane, m_scratch[PEN], m_scratch[STAGING]).Render(*path);
        if (drawn) plane.SetDirty(1);
    });
    m_annotationHost.LiveWindow()->Invalidate(FALSE);
    return drawn;
}

void CAnnotationPanel::RenderTextGraphic(CWnd* window)
{
    DrawingSurface surface;
    if (!m_annotationHost.GetDrawingSurface(window, surface) || !surface.layer || !surface.textInput) return;
    CInputCtrl& input = *surface.textInput;
    input.ShowWindow(SW_HIDE);
    RECT measured;
    if (!input.MeasureText(&measured)) return;
    CRect box;
    input.GetWindowRect(&box);
    CPoint topLeft = box.TopLeft();
    window->ScreenToClient(&topLeft);
    const auto* skinned = dynamic_cast<const KVQWindow*>(window);
    topLeft.Offset(skinned ? skinned->m_border : 0, skinned ? skinned->m_border : 0);

    const int width = static_cast<int>((box.Width() + 8) * 1.3);
    const int height = static_cast<int>(box.Height() * 1.03);
    std::vector<unsigned char> png;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap) ==
        Gdiplus::Ok) {
        Gdiplus::GpGraphics* graphics = nullptr;
        Gdiplus::GpFont* font = nullptr;
        Gdiplus::GpSolidFill* brush = nullptr;
        Gdiplus::GpStringFormat* format = nullptr;
        HDC fontDC = m_scratch[SEGMENT].GetDC();
        HGDIOBJ oldFont = SelectObject(fontDC, input.Font());
        const Gdiplus::RectF layout(0.0f, 0.0f, static_cast<float>(surface.layer->GetWidth()),
                                    static_cast<float>(surface.layer->GetHeight()));
        if (Gdiplus::DllExports::GdipGetImageGraphicsContext(bitmap, &graphics) == Gdiplus::Ok &&
            Gdiplus::DllExports::GdipCreateFontFromDC(fontDC, &font) == Gdiplus::Ok &&
            Gdiplus::DllExports::GdipCreateSolidFill(m_textColour | 0xFF000000, &brush) == Gdiplus::Ok &&
            Gdiplus::DllExports::GdipStringFormatGetGenericDefault(&format) == Gdiplus::Ok) {
            Gdiplus::DllExports::GdipDrawString(graphics, input.Text(), -1, font, &layout, format, brush);
            Gdiplus::DllExports::GdipFlush(graphics, Gdiplus::FlushIntentionSync);
            png = EncodePng(bitmap);
        }
        SelectObject(fontDC, oldFont);
        if (format) Gdiplus::DllExports::GdipDeleteStringFormat(format);
        if (brush) Gdiplus::DllExports::GdipDeleteBrush(brush);
        if (font) Gdiplus::DllExports::GdipDeleteFont(font);
        if (graphics) Gdiplus::DllExports::GdipDeleteGraphics(graphics);
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
    }
    input.SetWindowText(L"");
    if (png.empty()) return;

    const PixelRect& canvas = surface.geometry.canvas;
    const float cw = static_cast<float>(canvas.right - canvas.left);
    const float ch = static_cast<float>(canvas.bottom - canvas.top);
    if (cw <= 0.0f || ch <= 0.0f) return;
    // Text typed on a viewed picture is sized for the viewed console's zoom.
    const float z = DrawingScale(surface);
    const Telvane::ImageGraphic shape(png.data(), static_cast<uint32_t>(png.size()), (topLeft.x - canvas.left) / cw,
                                      (topLeft.y - canvas.top) / ch, box.Width() * z * 1.11f / cw,
                                      box.Height() * z * 0.99f / ch);
    if (surface.viewed) {
        IRemoteCamera* remote = m_host.ShownRemoteCamera();
        if (remote && remote->State().controllable) remote->SendGraphic(shape);
        return;
    }
    WriteLayer(surface, [&] { ImageRenderer(surface.geometry, *surface.layer).Render(shape); });
    window->Invalidate(FALSE);
}
