// The main window's side of sharing and viewing: the network panel, the
// picture the live path pushes, the stills viewers ask for and the viewed
// console's pictures.
#include "MainFrame.h"

#include <kvqdoccam.h>

#include "FrameCodecs.h"
#include "OrbileApp.h"
#include "SkinButton.h"
#include "telvane/Multicast.h"

namespace {
const wchar_t kNameSection[] = L"Settings";
const wchar_t kNameKey[] = L"ServerName";
const wchar_t kControlSection[] = L"NetworkPanel";
const wchar_t kControlKey[] = L"RemoteControl";
const DWORD kStillPollMs = 10;
}  // namespace

void CMainFrame::CreateNetworkPanel()
{
    m_networkPanel = std::make_unique<CNetWorkPanel>(*this, *this);
    const ButtonImages images = PanelImages(SKIN_PANEL_BACKGROUND);
    if (!CreateSkinButton(*m_networkPanel, SkinLibrary(), images, BUTTON_STYLE_MOUSE, 0, CControlPanel::kRowsHeight,
                          m_bar.get(), this, 0)) {
        m_networkPanel.reset();
        return;
    }
    m_networkPanel->ShowWindow(SW_HIDE);
    m_networkPanel->CreateControls(0);
    CWinApp& app = *AfxGetApp();
    m_networkPanel->SetServiceName(app.GetProfileString(kNameSection, kNameKey, L""));
    m_networkPanel->SetControllable(app.GetProfileInt(kControlSection, kControlKey, 0) != 0);
    m_subPanels[NETWORK_PANEL] = m_networkPanel.get();
}

void CMainFrame::CloseNetworkPanel()
{
    if (!m_networkPanel) return;
    CWinApp& app = *AfxGetApp();
    app.WriteProfileString(kNameSection, kNameKey, m_networkPanel->ServiceName().c_str());
    app.WriteProfileInt(kControlSection, kControlKey, m_networkPanel->Controllable() ? 1 : 0);
    m_networkPanel->Shutdown();
}

Telvane::MulticastImageProvider* CMainFrame::ImageProvider() { return m_imageProvider.get(); }

int CMainFrame::SharingQuality() { return m_networkPanel ? m_networkPanel->PictureQuality() : 50; }

void CMainFrame::FillCameraStateHeader(unsigned char header[64])
{
    if (m_networkPanel) m_networkPanel->FillCameraStateHeader(header);
}

void CMainFrame::SetImageProvider(std::unique_ptr<Telvane::MulticastImageProvider> provider)
{
    {
        orbile::Locked guard(m_live.NetworkLock());
        m_imageProvider.swap(provider);
    }
    // The old one goes outside the lock.
}

bool CMainFrame::EncodeCurrentFrame(std::vector<uint8_t>& jpeg, int quality)
{
    LiveFramePath::FrameAccess access(m_live);
    CFrameBuffer* frame = access.Current();
    int size = static_cast<int>(jpeg.size());
    if (!frame || !frame->HasPicture() || !EncodeJpegToMemory(jpeg.data(), size, *frame, quality)) return false;
    jpeg.resize(static_cast<size_t>(size));
    return true;
}

bool CMainFrame::RequestLargeStill()
{
    KVQDocCamController* camera = CurrentController();
    if (!camera) return false;
    {
        std::lock_guard<std::mutex> guard(m_largeStillLock);
        m_largeStillReady = false;
    }
    m_live.m_waitForLargeFrame = 1;
    if (camera->Set3MCapture()) return true;
    m_live.m_waitForLargeFrame = 0;
    return false;
}

void CMainFrame::HandLargeFrameToWaiter(const CFrameBuffer& frame)
{
    std::lock_guard<std::mutex> guard(m_largeStillLock);
    m_largeStill.resize(CNetWorkPanel::kLargeStillBytes);
    int size = static_cast<int>(m_largeStill.size());
    m_largeStillReady = EncodeJpegToMemory(m_largeStill.data(), size, const_cast<CFrameBuffer&>(frame), 100) != 0;
    m_largeStill.resize(m_largeStillReady ? static_cast<size_t>(size) : 0);
}

bool CMainFrame::TakeLargeStill(std::vector<uint8_t>& jpeg, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    bool taken = false;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_largeStillLock);
            if (m_largeStillReady) {
                taken = m_largeStill.size() <= jpeg.size();
                if (taken) jpeg.assign(m_largeStill.begin(), m_largeStill.end());
                m_largeStillReady = false;
                break;
            }
        }
        if (GetTickCount() - start >= timeoutMs) break;
        Sleep(kStillPollMs);
    }
    // The capture thread waits for this before it takes frames again.
    m_live.m_waitForLargeFrame = 0;
    m_live.m_largeCapturePending = 0;
    return taken;
}

IRemoteCamera* CMainFrame::ShownRemoteCamera()
{
    return m_networkPanel && m_networkPanel->CarriesOutViewerCommand() ? nullptr : m_remoteCamera;
}

void CMainFrame::ShowRemoteCamera(IRemoteCamera* remote)
{
    m_remoteCamera = remote;
    if (!remote) {
        CFrameBuffer* current;
        {
            LiveFramePath::FrameAccess access(m_live);
            current = access.Current();
        }
        m_live.SetDisplayFrame(current);
    }
    if (m_bar) m_bar->RefreshBarButtons();
    if (m_cameraPanel) m_cameraPanel->OnDeviceSetup(CurrentController());
    Invalidate(FALSE);
}

void CMainFrame::ShowRemotePicture(CFrameBuffer& picture, DWORD intervalMs)
{
    m_live.SetDisplayFrame(&picture);
    if (intervalMs) m_live.ShiftInFrameInterval(intervalMs);
    {
        // The local camera's frames are not recorded meanwhile: the recording
        // is of the pictures shown.
        orbile::Locked guard(m_live.NetworkLock());
        if (m_videoPanel && m_videoPanel->IsRecording()) m_videoPanel->RecordFrame(picture);
    }
    RequestRepaint();
}

void CMainFrame::PressCameraButton(unsigned short id)
{
    if (m_cameraPanel) m_cameraPanel->OnButtonEvent(id);
}
