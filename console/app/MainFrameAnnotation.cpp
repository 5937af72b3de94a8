// The main window's drawing: its planes, the annotation panel and text box,
// the drawing laid over each camera frame, and the annotations that viewers
// send, carried over to the UI thread.
#include <kvqdoccam.h>

#include "MainFrame.h"
#include "OrbileApp.h"
#include "PictureWindow.h"
#include "CameraPictureRead.h"
#include "SkinButton.h"
#include "ZoomGeometry.h"

namespace {
const int kPlaneWidth = 1024;
const int kPlaneHeight = 768;
}  // namespace

bool CMainFrame::CreateAnnotation()
{
    m_drawing.Resize(kPlaneWidth, kPlaneHeight);
    m_drawing.m_turned.Resize(kPlaneHeight, kPlaneWidth);
    m_drawing.m_frameLayers[1].Resize(kPlaneWidth, kPlaneHeight);
    if (!m_textInput.Create(this, CInputCtrl::kControlId)) return false;
    m_textInput.ShowWindow(SW_HIDE);

    m_annotationPanel = std::make_unique<CAnnotationPanel>(*this, *this);
    m_annotationPanel->m_drawingPlane = &m_drawing;
    const ButtonImages images = PanelImages(SKIN_ANNOTATION_PANEL_FACE);
    if (!CreateSkinButton(*m_annotationPanel, SkinLibrary(), images, BUTTON_STYLE_MOUSE, 0, CControlPanel::kRowsHeight,
                          m_bar.get(), this, 0)) {
        m_annotationPanel.reset();
        return true;  // the console runs on without its drawing tools
    }
    m_annotationPanel->ShowWindow(SW_HIDE);
    m_annotationPanel->CreateControls(0);
    m_subPanels[ANNOTATION_PANEL] = m_annotationPanel.get();
    m_bar->m_annotationPanel = m_annotationPanel.get();
    return true;
}

void CMainFrame::OnMouse(UINT flags, CPoint pt, BOOL down)
{
    if (m_annotationPanel) m_annotationPanel->OnPictureMouse(this, flags, pt, down);
}

bool CMainFrame::GetDrawingSurface(CWnd* window, DrawingSurface& surface)
{
    if (auto* picture = dynamic_cast<CPictureWindow*>(window)) return picture->GetDrawingSurface(surface);
    if (window != this || (!IsLocalCameraShown() && !m_remoteCamera) || m_drawnPlacement.IsRectEmpty() ||
        !m_drawing.GetWidth())
        return false;
    KVQDocCamController* camera = CurrentController();
    PixelRect view;
    bool opticalZoom = false;
    OpticalZoomWindow zoomWindow{};
    {
        LiveFramePath::FrameAccess access(m_live);
        const CFrameBuffer* frame = access.Display();
        if (!frame || !frame->HasPicture()) return false;
        // The optically zoomed camera shows only part of the drawing plane;
        // a viewed console's picture is drawn on as it is.
        const CFrameBuffer* current = access.Current();
        if (camera && !m_remoteCamera && current)
            opticalZoom = ComputeOpticalZoomWindow(current->Width(), current->Height(), frame->Width(), frame->Height(),
                                                   ReadPictureState(*camera, ReadKnownFeatures(*camera)), zoomWindow);
        const RECT& r =
            ::IsRectEmpty(&frame->m_viewRect) ? RECT{0, 0, frame->Width(), frame->Height()} : frame->m_viewRect;
        // Frame pixels to plane pixels, each coordinate truncated.
        const long long plane = m_drawing.GetWidth();
        const long long width = frame->Width();
        view = {static_cast<int>(r.left * plane / width), static_cast<int>(r.top * plane / width),
                static_cast<int>(r.right * plane / width), static_cast<int>(r.bottom * plane / width)};
    }
    const float zoom = m_remoteCamera ? m_remoteCamera->State().zoom
                       : camera       ? static_cast<float>(camera->GetZoomSize(0)) * 0.01f
                                      : 1.0f;
    surface.layer = &m_drawing;
    surface.live = true;
    surface.viewed = m_remoteCamera != nullptr;
    surface.geometry = {{m_drawnPlacement.left, m_drawnPlacement.top, m_drawnPlacement.right, m_drawnPlacement.bottom},
                        view,
                        zoom > 0.0f ? zoom : 1.0f,
                        opticalZoom,
                        zoomWindow};
    surface.pointer = GetMousePos();
    surface.textInput = &m_textInput;
    return true;
}

void CMainFrame::RequestCopy(const RECT& selection) { m_copySelection = selection; }

bool CMainFrame::TakeCopyRequest(RECT* selection)
{
    if (!m_copySelection) return false;
    *selection = *m_copySelection;
    m_copySelection.reset();
    return true;
}

void CMainFrame::ForgetWindow(CWnd* window)
{
    if (m_lastActiveWindow == window) m_lastActiveWindow = nullptr;
}

void CMainFrame::DrawingPlaneChanged()
{
    KVQDocCamController* camera = CurrentController();
    if (!camera) return;
    orbile::Locked guard(m_live.DisplayLock());
    m_drawing.FollowCamera(camera->m_status.rotate, camera->m_status.mirror);
}

void CMainFrame::ShowAnnotationPanel(bool show)
{
    if (show && m_visibleSubPanel != ANNOTATION_PANEL)
        ShowSubPanel(ANNOTATION_PANEL);
    else if (!show && m_visibleSubPanel != NO_SUB_PANEL)
        ShowSubPanel(m_visibleSubPanel);  // a second showing closes it
}

bool CMainFrame::IsOtherSubPanelShown()
{
    return m_visibleSubPanel != NO_SUB_PANEL && m_visibleSubPanel != ANNOTATION_PANEL;
}

void CMainFrame::ComposeOverlay(CFrameBuffer& frame, const CameraPictureState& state, int displayWidth,
                                int displayHeight)
{
    KVQAnnotator& zoomed = m_drawing.m_frameLayers[0];
    KVQAnnotator& composition = m_drawing.m_frameLayers[1];
    const int width = frame.Width();
    const int height = frame.Height();
    if (composition.GetWidth() != width || composition.GetHeight() != height) composition.Resize(width, height);
    if (!m_drawing.IsDirty() || !composition.GetWidth() || !m_drawing.GetWidth()) return;
    SetStretchBltMode(composition.GetDC(), STRETCH_ORSCANS);
    if (!IsCameraZoomed(state)) {
        StretchBlt(composition.GetDC(), 0, 0, width, height, m_drawing.GetDC(), 0, 0, m_drawing.GetWidth(),
                   m_drawing.GetHeight(), SRCCOPY);
    } else {
        const PixelRect cut =
            ComputeAnnotationCutout(m_drawing.GetWidth(), m_drawing.GetHeight(), displayWidth, displayHeight, state);
        const int cutWidth = cut.right - cut.left;
        const int cutHeight = cut.bottom - cut.top;
        if (zoomed.GetWidth() != cutWidth || zoomed.GetHeight() != cutHeight) zoomed.Resize(cutWidth, cutHeight);
        BitBlt(zoomed.GetDC(), 0, 0, cutWidth, cutHeight, m_drawing.GetDC(), cut.left, cut.top, SRCCOPY);
        StretchBlt(composition.GetDC(), 0, 0, width, height, zoomed.GetDC(), 0, 0, cutWidth, cutHeight, SRCCOPY);
    }
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(frame.MemoryDC(), 0, 0, width, height, composition.GetDC(), 0, 0, width, height, blend);
}

void CMainFrame::DrawRemoteGraphic(const Telvane::Graphic& graphic)
{
    if (m_annotationPanel) m_annotationPanel->RenderReceivedShape(graphic);
}

void CMainFrame::EraseAllAnnotations()
{
    if (m_annotationPanel) m_annotationPanel->EraseAll(this);
}
