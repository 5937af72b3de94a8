#include "SourceApp.h"

#include "DocCamPanel.h"
#include "LanguageTable.h"
#include "LanguageText.h"
#include "ManagerNotice.h"
#include "SourceModule.h"
#include "kvqdoccam.h"
#include "kvqfeatures.h"

namespace {

CTwainSourceApp* g_app = nullptr;

constexpr long kFramesBeforeFreezeTrusted = 5;
constexpr long kFramesBeforeReady = 2;
// A camera that has not shown a picture within this time is not working.
constexpr DWORD kFirstPictureLimitMs = 10000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kDecodeEndLimitMs = 3000;

// "%windir%\twain_32\DovraOrbile", without the closing separator.
void SourceFolder(wchar_t (&folder)[MAX_PATH])
{
    wchar_t windows[199] = L"";
    GetWindowsDirectoryW(windows, 199);
    _snwprintf(folder, MAX_PATH - 1, L"%ls\\twain_32\\DovraOrbile", windows);
    folder[MAX_PATH - 1] = L'\0';
}

}  // namespace

CTwainSourceApp::CTwainSourceApp() { g_app = this; }

CTwainSourceApp::~CTwainSourceApp()
{
    ReleaseDevices();
    g_app = nullptr;
}

void CTwainSourceApp::SelectLanguage()
{
    wchar_t folder[MAX_PATH];
    SourceFolder(folder);
    SelectLanguageFileIn(kLanguageFiles, kLanguageFileRows, folder, GetModuleDirectory(nullptr));
}

// The wait box goes first: a message box must never hide behind it.
void CTwainSourceApp::Warn(const wchar_t* messageKey)
{
    m_waitBox.Close();
    IniMessageBox(nullptr, L"Messages", messageKey);
}

bool CTwainSourceApp::StartSourceUI(TW_HANDLE parent, bool showUI)
{
    SelectLanguage();
    {
        CResourceModuleScope templates(SourceModule());
        m_waitBox.Show(L"CMessageDialog", L"msgWait", L"CMessageDialog", L"msgDlgTitle");
    }
    wchar_t path[MAX_PATH];
    SourceFolder(path);
    wcsncat(path, L"\\orbileTWAINres.dll", MAX_PATH - wcslen(path) - 1);
    m_resources = LoadLibraryW(path);
    if (!m_resources) {
        Warn(L"warnNoResFile");
        return false;
    }
    if (!m_relay) {
        // Created on the application's thread, which runs what it relays.
        m_relay = std::make_unique<ThreadRelay>([this] {
            if (m_source) m_source->NotifyXferReady();
        });
        m_stillRelay.store(m_relay.get());
    }
    m_live.Reset();
    m_panel = std::make_unique<CDocCamPanel>(*this);
    const bool started = AttachDevices() && (!showUI || m_panel->Open(static_cast<HWND>(parent)));
    m_waitBox.Close();
    if (!started) ReleaseDevices();
    return started;
}

bool CTwainSourceApp::AttachDevices()
{
    ReleaseControllers();
    m_controllers.push_back(std::make_unique<KVQDocCamController>());
    KVQDocCamController& first = *m_controllers.front();
    const int devices = KVQDocCamController::m_devices;
    if (devices == 0) {
        Warn(L"warnNoDevice");
        return false;
    }
    first.AttachDevice(0, 1);
    first.GetAllConfig();
    const bool large = (first.GetDocCamModelFeature(1) & kFeatureLargeFrame) || (first.m_status.modelCode & 0x80);
    if (!first.SetResolution(large ? RES_1024x768 : RES_640x480)) Warn(L"warnInvalidVideoFormat");
    if (first.GetDocCamModelFeature(0) & kFeatureOwnBrightnessRange) {
        first.GetSensorResolutionHori();
        first.GetSensorResolutionVert();
        first.GetBrightnessRange();
    }
    if (!first.SetCallbackFunction(&CTwainSourceApp::OnDeviceFrame)) {
        Warn(L"warnNoVideoCallback");
        return false;
    }
    m_current = &first;
    if (!first.StartCapture()) {
        Warn(L"warnNoVideoCapture");
        return false;
    }
    for (int index = 1; index < devices; ++index) {
        m_controllers.push_back(std::make_unique<KVQDocCamController>());
        m_controllers.back()->AttachDevice(index, 0);
    }
    return true;
}

// The camera stops and its last frame ends before the controllers go.
void CTwainSourceApp::ReleaseControllers()
{
    if (m_current) m_current->Stop();
    m_live.WaitForDecodeEnd(kDecodeEndLimitMs);
    m_current = nullptr;
    m_controllers.clear();
}

// The window goes first, so that nothing draws or commands a controller that
// is about to go.
void CTwainSourceApp::ReleaseDevices()
{
    if (m_panel) m_panel->Close();
    m_live.SetWindow(nullptr);
    ReleaseControllers();
    m_panel.reset();
    if (m_resources) FreeLibrary(m_resources);
    m_resources = nullptr;
}

void CTwainSourceApp::CloseSourceUI() { ReleaseDevices(); }

bool CTwainSourceApp::WaitForLivePicture()
{
    int width = 0, height = 0;
    for (DWORD waited = 0; !(m_live.FrontSize(width, height) && m_live.FramesShown() > kFramesBeforeReady);
         waited += kPollMs) {
        if (waited >= kFirstPictureLimitMs) return false;
        GdiFlush();
        Sleep(kPollMs);
    }
    return true;
}

bool CTwainSourceApp::CopyLivePicture(std::vector<unsigned char>& pixels, BgrPlane& plane)
{
    return m_live.CopyFront(pixels, plane);
}

bool CTwainSourceApp::LivePictureSize(int& width, int& height) { return m_live.FrontSize(width, height); }

void CTwainSourceApp::NotifyApplication(TW_UINT16 message)
{
    if (!m_source) return;
    TW_IDENTITY source = m_source->Identity();
    TW_IDENTITY application = m_source->Application();
    SendManagerNotice(source, application, message);
}

// Models that take a high-resolution still signal when it arrives; others
// transfer the live picture at once.
void CTwainSourceApp::Capture()
{
    if (!m_current || !m_source) return;
    if (m_current->GetDocCamModelFeature(0) & kFeatureLargeStill)
        m_current->Set3MCapture();
    else
        m_source->NotifyXferReady();
}

void CTwainSourceApp::RequestClose()
{
    if (m_source) m_source->NotifyCloseRequest();
}

void CTwainSourceApp::OnDeviceFrame(unsigned char* data, int width, int height, int length)
{
    CTwainSourceApp* app = g_app;
    KVQDocCamController* camera = KVQDocCamController::GetCurrentController();
    if (!app || !camera) return;
    if (app->m_frameCounter.load() >= kFramesBeforeFreezeTrusted && camera->m_status.frozen == 1) return;
    ++app->m_frameCounter;
    app->m_lastStatusResult.store(camera->IncrementalUpdate());
    if (app->m_live.HandleFrame(*camera, data, width, height, length))
        if (ThreadRelay* relay = app->m_stillRelay.load()) relay->Post();
}
