#include "OrbileApp.h"

#include <kvqdoccam.h>
#include <kvqfeatures.h>

#include "AboutDialog.h"
#include "ConsoleSettings.h"
#include "LanguageText.h"
#include "PictureWindowList.h"

namespace {

const wchar_t kWindowTitle[] = L"DovraOrbile 3";
const wchar_t kInstanceMutex[] = L"DovraOrbile-088FA840-B10D-11D3-BC36-006067709674";
const int kTitleButtons = 0xFF;
const DWORD kIdleRefreshMs = 501;

// Raises the running console's window when one exists; false when this is the
// only console.
bool HandOverToRunningInstance()
{
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kInstanceMutex);
    const DWORD error = ::GetLastError();
    // The handle stays open for the life of the process; only the ownership goes.
    if (mutex) ::ReleaseMutex(mutex);
    if (error != ERROR_ALREADY_EXISTS) return false;
    if (HWND running = ::FindWindowW(nullptr, kWindowTitle)) {
        ::ShowWindow(running, SW_RESTORE);
        ::SetForegroundWindow(running);
    }
    return true;
}

bool AcceptedModel(unsigned char modelByte)
{
    const int model = modelByte & 0x7F;
    return model >= 0x60 || model == 0x31 || model == 0x32;
}

}  // namespace

COrbileApp::COrbileApp() = default;
COrbileApp::~COrbileApp() = default;

BOOL COrbileApp::InitInstance()
{
    SetRegistryKey(L"Korvane");
    if (HandOverToRunningInstance()) return FALSE;
    SelectLanguageFile(kLanguageFiles, kLanguageFileRows);
    m_waitBox.Show(L"CMessageDialog", L"msgWait", L"CMessageDialog", L"msgDlgTitle");

    m_skinLibrary = ::LoadLibraryW(L"orbileres.dll");
    if (!m_skinLibrary) {
        Warn(L"warnNoResFile");
        return FALSE;
    }

    StartDevices();

    const WindowPlace place = WindowPlace::Read(*this);
    m_pMainWnd = &m_mainFrame;
    if (!m_mainFrame.CreateView(kWindowTitle, place.x, place.y, place.width, place.height, nullptr, kTitleButtons)) {
        m_waitBox.Close();
        return FALSE;
    }
    m_waitBox.Close();
    m_mainFrame.SetUpToolTips();
    m_mainFrame.ShowWindow(SW_SHOW);
    m_mainFrame.UpdateWindow();

    ShowCameraState();
    m_mainFrame.SetCaptureSettings(CaptureSettings::Read(*this));
    return TRUE;
}

bool COrbileApp::HasUsableCamera() const
{
    return m_currentController && AcceptedModel(m_currentController->m_status.modelCode);
}

KVQDocCamController* COrbileApp::ControllerAfterCurrent() const
{
    const size_t count = m_controllers.size();
    if (count < 2) return nullptr;
    for (size_t i = 0; i < count; ++i)
        if (m_controllers[i]->IsCurrentDevice()) return m_controllers[(i + 1) % count].get();
    return nullptr;
}

void COrbileApp::SetCurrentController(KVQDocCamController* controller)
{
    controller->MakeCurrent();
    m_currentController = controller;
}

void COrbileApp::ShowCameraState()
{
    const bool present = HasUsableCamera();
    m_mainFrame.ShowCameraPresence(present);
    if (present && (m_currentController->GetDocCamModelFeature(0) & kFeatureLargeFrame))
        m_mainFrame.Live().m_restartStatistics = 1;
}

KVQDocCamController* COrbileApp::AddController()
{
    // Owned by the list from the start, so that no way out of StartDevices
    // leaves a controller holding its camera.
    m_controllers.push_back(std::make_unique<KVQDocCamController>());
    return m_controllers.back().get();
}

int COrbileApp::StartDevices()
{
    m_currentController = nullptr;
    m_controllers.clear();
    KVQDocCamController* first = AddController();
    m_currentController = first;

    const int devices = KVQDocCamController::m_devices;
    if (devices == 0) {
        m_waitBox.Close();
        return 0;
    }
    first->AttachDevice(0, 1);
    first->GetAllConfig();
    if (!StartFirstCamera(*first)) return 0;

    KVQDocCamController* last = first;
    for (int index = 1; index < devices; ++index) {
        last = AddController();
        last->AttachDevice(index, 0);
    }
    if (m_mainFrame.m_hWnd) m_mainFrame.RefreshDeviceState(last);
    if (first->GetDocCamModelFeature(1) & kFeatureLargeFrame) {
        m_mainFrame.SetMotionFlag(1, false);
        m_mainFrame.Live().m_largeCapturePending = 0;
    }
    return 1;
}

bool COrbileApp::StartFirstCamera(KVQDocCamController& controller)
{
    if (!AcceptedModel(controller.m_status.modelCode)) {
        Warn(L"warnNoDevice");
        return false;
    }
    const unsigned long features = controller.GetDocCamModelFeature(1);
    if (features & kFeatureLargeFrame) {
        if (!controller.SetResolution(static_cast<ResolutionType>(6))) controller.SetResolution(RES_1024x768);
    } else {
        controller.SetResolution((controller.m_status.modelCode & 0x80) ? RES_1024x768 : RES_640x480);
    }
    if (controller.GetDocCamModelFeature(0) & kFeaturePanOffsets) {
        controller.GetSensorResolutionHori();
        controller.GetSensorResolutionVert();
        controller.GetBrightnessRange();
        if (controller.m_status.motionMode) m_motionFlag = 1;
    }
    if (!controller.SetCallbackFunction(OnDeviceFrame)) {
        Warn(L"warnNoVideoCallback");
        return false;
    }
    if (!controller.GetDocCamModel() || !controller.StartCapture()) {
        Warn(L"warnNoVideoCapture");
        return false;
    }
    return true;
}

void COrbileApp::Warn(const wchar_t* messageKey)
{
    m_waitBox.Close();
    IniMessageBox(nullptr, L"Messages", messageKey);
}

BOOL COrbileApp::OnIdle(LONG count)
{
    if (!m_mainFrame.m_hWnd || !m_currentController || m_mainFrame.IsIconic()) return CWinApp::OnIdle(count);
    const DWORD now = ::GetTickCount();
    if (now - m_lastIdleRefresh < kIdleRefreshMs) {
        CWinApp::OnIdle(count);
        return FALSE;
    }
    if (m_mainFrame.Live().IncrementalUpdateResult() == 0) {
        // The camera does not push its state with the frames: ask for it.
        m_currentController->GetImageProcessConfig();
        m_currentController->GetBrightnessConfig();
        m_currentController->GetContrastConfig();
        m_currentController->GetWhiteBalanceConfig();
        m_currentController->GetManualExposureConfig();
        m_currentController->GetZoomDigitalConfig();
        m_currentController->GetZoomOpticalConfig();
    }
    m_mainFrame.RefreshControls(m_currentController);
    m_lastIdleRefresh = now;
    return FALSE;
}

BOOL COrbileApp::OnCmdMsg(UINT id, int code)
{
    if (id != ID_APP_ABOUT) return CWinApp::OnCmdMsg(id, code);
    ShowAbout();
    return TRUE;
}

void COrbileApp::ShowAbout()
{
    if (m_aboutShown) return;
    m_aboutShown = true;
    CAboutDlg about;
    about.DoModal();
    m_aboutShown = false;
}

int COrbileApp::ExitInstance()
{
    m_currentController = nullptr;
    if (!m_mainFrame.FramesStopped()) {
        // A frame callback still runs on them: leaving them is the lesser harm.
        for (auto& controller : m_controllers) controller.release();
    }
    m_controllers.clear();
    DeletePictureWindows();
    if (m_skinLibrary) ::FreeLibrary(m_skinLibrary);
    m_skinLibrary = nullptr;
    return CWinApp::ExitInstance();
}
