// The main window's embedded picture window: snapshots go into it, opened
// picture files are shown in it, and it is what the print command prints
// unless the live picture is paused.
#include "MainFrame.h"

#include <cwchar>

#include "ConsoleText.h"
#include "OrbileApp.h"
#include "PictureFiles.h"

bool CMainFrame::OfferToSaveEmbeddedPicture()
{
    return !m_pictureWindow.m_hWnd || !m_pictureWindow.IsWindowVisible() || m_pictureWindow.OfferToSave(this);
}

void CMainFrame::ShowSnapshot()
{
    if (!m_pictureWindow.m_hWnd || !OfferToSaveEmbeddedPicture()) return;
    m_pictureWindow.SetTitle(TimestampString());
    HideVideoPanel();
    m_pictureWindow.ShowWindow(SW_SHOW);
    if (m_remoteCamera)
        TakeRemoteSnapshot(*m_remoteCamera);
    else
        TakeLocalSnapshot();
    m_pictureWindow.Invalidate(FALSE);
}

void CMainFrame::HideVideoPanel()
{
    if (m_visibleSubPanel == VIDEO_PANEL) ShowSubPanel(VIDEO_PANEL);  // a second showing closes it
}

void CMainFrame::TakeLocalSnapshot()
{
    LiveFramePath::FrameAccess access(m_live);
    CFrameBuffer* frame = access.Display();
    if (!frame || !frame->HasPicture()) return;
    frame->m_newPicture = 1;
    m_pictureWindow.TakeFrame(*frame);
    frame->m_newPicture = 0;
}

void CMainFrame::TakeRemoteSnapshot(IRemoteCamera& remote)
{
    // No reply or bytes that are no picture leave the window as it was.
    std::vector<uint8_t> reply;
    CFrameBuffer snapshot;
    if (remote.RequestSnapshot(reply) && snapshot.LoadPicture(reply.data(), reply.size()))
        m_pictureWindow.TakeFrame(snapshot);
}

void CMainFrame::SaveDisplayedPictureAs()
{
    // A copy: the camera must not wait for the dialog.
    CFrameBuffer picture;
    {
        LiveFramePath::FrameAccess access(m_live);
        CFrameBuffer* frame = access.Display();
        if (!frame || !frame->HasPicture() || !picture.CopyFrom(*frame)) return;
    }
    SavePictureAs(picture, TimestampString(), this);
}

void CMainFrame::OpenPictureFile(const wchar_t* path)
{
    if (!m_pictureWindow.m_hWnd || !LoadPictureFile(m_pictureWindow, path)) return;
    const wchar_t* name = std::wcsrchr(path, L'\\');
    m_pictureWindow.SetTitle(name ? name + 1 : path);
    m_pictureWindow.SetVideoSource(nullptr);
    HideVideoPanel();
    m_pictureWindow.ShowWindow(SW_SHOW);
    m_pictureWindow.Invalidate(FALSE);
    ::SetActiveWindow(m_pictureWindow.m_hWnd);
}

void CMainFrame::PrintPicture()
{
    CWnd* parent = m_lastActiveWindow ? m_lastActiveWindow : this;
    TheApp().PrintView().Print(TRUE, parent, *this);
}

KVQFrameBuffer* CMainFrame::LockPicture()
{
    m_live.FrameLock().Enter();
    CFrameBuffer* picture =
        m_live.m_pause ? LiveFramePath::FrameAccess(m_live).Current() : &m_pictureWindow.ComposedPicture();
    if (picture && picture->HasPicture()) return picture;
    m_live.FrameLock().Leave();
    return nullptr;
}

void CMainFrame::UnlockPicture() { m_live.FrameLock().Leave(); }
