// The main window's commands, keys and timer: sub-panels, snapshots and
// capture series, pan and zoom, the next camera and reopening the devices.
#include "MainFrame.h"

#include <kvqdoccam.h>

#include "CaptureSeries.h"
#include "CommandIds.h"
#include "ConsoleText.h"
#include "LanguageText.h"
#include "MainKeys.h"
#include "OpenedFile.h"
#include "OrbileApp.h"

namespace {

// A frame still in progress on the camera being left delays a switch at most this long.
const DWORD kFrameEndWaitMs = 3000;

}  // namespace

BOOL CMainFrame::OnButtonEvent(unsigned short id)
{
    // A typed annotation still being edited is finished before the panel
    // and file commands.
    if (m_annotationPanel &&
        (id == ID_CAMERA_PANEL || id == ID_ANNOTATION_PANEL || id == ID_NETWORK_PANEL || id == ID_OPEN_FILE))
        m_annotationPanel->FinishText(this);
    switch (id) {
    case ID_CAMERA_PANEL:
        ShowSubPanel(CAMERA_PANEL);
        return TRUE;
    case ID_ANNOTATION_PANEL:
        ShowSubPanel(ANNOTATION_PANEL);
        return TRUE;
    case ID_NETWORK_PANEL:
        ShowSubPanel(NETWORK_PANEL);
        return TRUE;
    case ID_OPEN_FILE:
        OpenFile();
        return TRUE;
    case ID_LEAVE_FULLSCREEN:
        LeaveFullscreen();
        return TRUE;
    case ID_SNAPSHOT:
        Snapshot();
        return TRUE;
    case ID_PRINT:
        PrintPicture();
        return FALSE;
    case ID_PAN_UP:
    case ID_PAN_DOWN:
    case ID_PAN_LEFT:
    case ID_PAN_RIGHT:
        PanCommand(id);
        return TRUE;
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
        if (IRemoteCamera* remote = ShownRemoteCamera())
            remote->SendCameraCommand(id == ID_ZOOM_IN ? '+' : '-', 0);
        else if (m_cameraPanel)
            m_cameraPanel->OnButtonEvent(id);
        return TRUE;
    default:
        return FALSE;
    }
}

void CMainFrame::ShowSubPanel(SubPanel chosen)
{
    CBasePanel2* panel = m_subPanels[chosen];
    if (!panel) return;
    if (m_visibleSubPanel == chosen) {
        // A second press closes it, and the bar shrinks to its rows.
        panel->ShowWindow(SW_HIDE);
        m_visibleSubPanel = NO_SUB_PANEL;
        m_bar->SetWindowPos(nullptr, 0, 0, CControlPanel::kWidth, CControlPanel::kRowsHeight,
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    if (m_visibleSubPanel != NO_SUB_PANEL) m_subPanels[m_visibleSubPanel]->ShowWindow(SW_HIDE);
    m_visibleSubPanel = chosen;
    KVQDocCamController* controller = CurrentController();
    if (chosen == CAMERA_PANEL || chosen == ANNOTATION_PANEL) {
        panel->OnDeviceSetup(controller);
        if (chosen != CAMERA_PANEL || IsLocalCameraShown()) panel->OnDeviceState(controller);
    }
    panel->ShowWindow(SW_SHOW);
    if (chosen == CAMERA_PANEL || chosen == NETWORK_PANEL) m_bar->ApplyLayout(CControlPanel::LAYOUT_FULL);
    m_bar->SetWindowPos(nullptr, 0, 0, CControlPanel::kWidth, CControlPanel::kOpenHeight,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainFrame::PanCommand(unsigned short id)
{
    // Up, down, left, right: the command order, the camera's directions.
    static const char kRemoteCodes[4] = {'^', 'v', '<', '>'};
    const int direction = id - ID_PAN_UP;
    if (IRemoteCamera* remote = ShownRemoteCamera()) {
        remote->SendCameraCommand(kRemoteCodes[direction], 0);
        return;
    }
    KVQDocCamController* camera = CurrentController();
    if (!camera) return;
    camera->SetZoomMove(direction);
    if (!IsStatusPolled()) return;
    if (id == ID_PAN_UP || id == ID_PAN_DOWN)
        camera->GetZoomDigitalMoveVert();
    else
        camera->GetZoomDigitalMoveHori();
}

BOOL CMainFrame::OnKeyboard(UINT vk, UINT, UINT, BOOL down)
{
    // Ctrl as it was when this key was pressed: a busy window reads the key
    // late, when a quick hand may already have let go of Ctrl.
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    switch (MainKeyFor(vk, down != FALSE, ctrl)) {
    case MainKeyAction::NotHandled:
        return FALSE;
    case MainKeyAction::Nothing:
        break;
    case MainKeyAction::NextCamera:
        SwitchToNextCamera();
        break;
    case MainKeyAction::LeaveFullScreen:
        if (m_fullscreen) LeaveFullscreen();
        break;
    case MainKeyAction::PanUp:
        KeyPan(0);
        break;
    case MainKeyAction::PanDown:
        KeyPan(1);
        break;
    case MainKeyAction::PanLeft:
        KeyPan(2);
        break;
    case MainKeyAction::PanRight:
        KeyPan(3);
        break;
    case MainKeyAction::CameraPanel:
        OnButtonEvent(ID_CAMERA_PANEL);
        break;
    case MainKeyAction::AnnotationPanel:
        OnButtonEvent(ID_ANNOTATION_PANEL);
        break;
    case MainKeyAction::VideoPanel:
        OnButtonEvent(ID_VIDEO_PANEL);
        break;
    case MainKeyAction::OpenFile:
        OnButtonEvent(ID_OPEN_FILE);
        break;
    case MainKeyAction::Snapshot:
        OnButtonEvent(ID_SNAPSHOT);
        break;
    case MainKeyAction::ClearDrawing:
        EraseAllAnnotations();
        Invalidate(FALSE);
        break;
    case MainKeyAction::ZoomIn:
    case MainKeyAction::ZoomOut:
        if (m_cameraPanel) m_cameraPanel->OnButtonEvent(vk == VK_ADD ? ID_ZOOM_IN : ID_ZOOM_OUT);
        break;
    case MainKeyAction::About:
        TheApp().ShowAbout();
        break;
    case MainKeyAction::ReopenDevices:
        ReopenDevices();
        break;
    }
    return TRUE;
}

// The arrows move the local camera's zoom window whatever picture is shown.
void CMainFrame::KeyPan(int direction)
{
    KVQDocCamController* camera = CurrentController();
    if (!camera) return;
    camera->SetZoomMove(direction);
    if (direction >= 2)
        camera->GetZoomDigitalMoveHori();
    else
        camera->GetZoomDigitalMoveVert();
    Invalidate(FALSE);
}

void CMainFrame::OnTimerEvent(UINT id)
{
    if (id != kTimerId) return;
    if (m_series.IsRunning()) NoteSeriesOutcome(m_series.Tick(LargeStillCamera()));
    if (m_osdCountdown > 0 && --m_osdCountdown == 0) ShowOsd(OSD_NONE, 0);
    KVQDocCamController* controller = CurrentController();
    if (controller && m_visibleSubPanel != NO_SUB_PANEL) m_subPanels[m_visibleSubPanel]->OnTimerTick(controller);
    m_strip.Tick();
}

KVQDocCamController* CMainFrame::LargeStillCamera() { return CanTakeLargeStills() ? CurrentController() : nullptr; }

void CMainFrame::Snapshot()
{
    const bool continuous = m_live.m_captureMode == LiveFramePath::kContinuous;
    // A series asks for its own stills, one per shot.
    if (!continuous && CanTakeLargeStills() && !m_live.m_largeCapturePending) {
        // The still arrives with a later frame, which runs this command again.
        CurrentController()->Set3MCapture();
        return;
    }
    m_live.m_largeCapturePending = 0;
    if (continuous) {
        ToggleSeries();
        return;
    }
    if (m_fullscreen)
        SaveDisplayedPictureAs();
    else
        ShowSnapshot();
}

void CMainFrame::ToggleSeries()
{
    if (m_series.IsRunning()) {
        m_series.Stop();
    } else if (!m_series.Start(m_capture.savingPath.GetString(), m_capture.savingName.GetString(), TimestampString(),
                               SeriesIntervalSeconds(m_capture.intervalIndex),
                               ShotsPerSeries(m_capture.totalTimeIndex, m_capture.intervalIndex))) {
        // The names would not fit a path; cut short they would go elsewhere.
        IniMessageBox(nullptr, L"Messages", L"warnCanNotWriteFile");
    }
    ShowSeriesState();
}

void CMainFrame::ShowSeriesState()
{
    if (!m_bar) return;
    KVQButton& button = m_bar->Button(CControlPanel::SNAPSHOT);
    button.SetCheck(m_series.IsRunning() ? 1 : 0);
    button.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    m_bar->RefreshBarButtons();
}

void CMainFrame::NoteSeriesOutcome(const CaptureSeries::Outcome& outcome)
{
    if (outcome.ended) ShowSeriesState();
    // Once per series: the following shots are likely to fail alike, and the
    // timer goes on while the message is open.
    if (outcome.reportFailure) IniMessageBox(nullptr, L"Messages", L"warnCanNotWriteFile");
}

void CMainFrame::OnLargeFrame(bool continuousMode)
{
    if (continuousMode)
        NoteSeriesOutcome(m_series.TakeLargeStill());
    else if (m_live.m_largeCapturePending)
        Snapshot();
    m_live.ReleaseLargeFrame();
}

void CMainFrame::OpenFile()
{
    if (!OfferToSaveEmbeddedPicture()) return;
    CFileDialog dialog(TRUE, L"jpg", nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       L"Image and Video Files (*.jpg;*.bmp;*.gif;*.avi)|*.jpg;*.bmp;*.gif;*.avi|"
                       L"JPEG Files (*.jpg)|*.jpg|Bitmap Files (*.bmp)|*.bmp|GIF Files (*.gif)|*.gif|"
                       L"Video Files (*.avi)|*.avi||",
                       this);
    if (dialog.DoModal() != IDOK) return;
    const CString path = dialog.GetPathName();
    switch (KindOfOpenedFile(path)) {
    case OpenedFileKind::Picture:
        // A playing film keeps the picture area.
        if (!m_videoPanel || !m_videoPanel->IsPlaying()) OpenPictureFile(path);
        break;
    case OpenedFileKind::Video:
        OpenVideoFile(path);
        break;
    case OpenedFileKind::Other:
        break;
    }
}

void CMainFrame::SwitchToNextCamera()
{
    COrbileApp& app = TheApp();
    KVQDocCamController* current = app.CurrentController();
    KVQDocCamController* next = app.ControllerAfterCurrent();
    if (!current || !next || IsAviWriterOpen()) return;
    current->Stop();
    app.WaitBox().Show(L"CMessageDialog", L"msgWait");
    // The frame callback reads the current controller: it must have left
    // the old one first.
    if (!m_live.WaitForFrameEnd(kFrameEndWaitMs)) {
        current->StartCapture();
        app.WaitBox().Close();
        return;
    }
    app.SetCurrentController(next);
    next->GetAllConfig();
    const bool xga = (next->m_status.modelCode & 0x80) != 0;
    if (!next->SetResolution(xga ? RES_1024x768 : RES_640x480)) {
        app.WaitBox().Close();
        IniMessageBox(nullptr, L"Messages", L"warnInvalidVideoFormat");
    }
    const wchar_t* failure = !next->SetCallbackFunction(OnDeviceFrame) ? L"warnNoVideoCallback"
                             : !next->StartCapture()                   ? L"warnNoVideoCapture"
                                                                       : nullptr;
    if (failure) {
        app.WaitBox().Close();
        IniMessageBox(nullptr, L"Messages", failure);
        return;
    }
    RefreshDeviceState(next);
    app.WaitBox().Close();
    m_live.ClearIncrementalUpdateResult();
}

void CMainFrame::ReopenDevices()
{
    // The recorder is fed from the camera being closed.
    if (IsAviWriterOpen()) return;
    COrbileApp& app = TheApp();
    app.WaitBox().Show(L"CMessageDialog", L"msgWait");
    KVQDocCamController* current = app.CurrentController();
    if (current && current->m_status.modelCode) {
        current->Stop();
        if (!m_live.WaitForFrameEnd()) {
            // A frame still runs on the old controllers: they must stay.
            app.WaitBox().Close();
            return;
        }
    }
    // Without a usable camera the window stays open in the no-camera state:
    // the camera may still be plugged in, and files can be viewed meanwhile.
    app.StartDevices();
    ShowCameraPresence(app.HasUsableCamera());
    m_live.m_restartStatistics = 1;
    app.WaitBox().Close();
}
