// The main window's embedded picture window: snapshots go into it, opened
// picture files are shown in it, and it is what the print command prints
// unless the live picture is paused.
#include "MainFrame.h"

#include <cwchar>

#include "ConsoleText.h"
#include "OrbileApp.h"
#include "PictureFiles.h"

namespace {

// The name an opened file's window is titled with.
const wchar_t* FileNameOf(const wchar_t* path)
{
    const wchar_t* separator = std::wcsrchr(path, L'\\');
    return separator ? separator + 1 : path;
}

}  // namespace

bool CMainFrame::OfferToSaveEmbeddedPicture()
{
    return !m_pictureWindow.m_hWnd || !m_pictureWindow.IsWindowVisible() || m_pictureWindow.OfferToSave(this);
}

void CMainFrame::ShowSnapshot()
{
    if (!m_pictureWindow.m_hWnd || !OfferToSaveEmbeddedPicture()) return;
    m_pictureWindow.SetTitle(TimestampString());
    m_pictureWindow.SetOnScreenText(nullptr);
    m_pictureWindow.SetVideoSource(nullptr);
    m_pictureWindow.ShowWindow(SW_SHOW);
    if (m_remoteCamera)
        TakeRemoteSnapshot(*m_remoteCamera);
    else
        TakeLocalSnapshot();
    m_pictureWindow.Invalidate(FALSE);
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
    m_pictureWindow.SetTitle(FileNameOf(path));
    m_pictureWindow.SetOnScreenText(FileNameOf(path));
    m_pictureWindow.SetVideoSource(nullptr);
    m_pictureWindow.ShowWindow(SW_SHOW);
    m_pictureWindow.Invalidate(FALSE);
    ::SetActiveWindow(m_pictureWindow.m_hWnd);
}

void CMainFrame::OpenVideoFile(const wchar_t* path)
{
    if (!m_videoPanel || !m_pictureWindow.m_hWnd || IsAviWriterOpen()) return;
    m_pictureWindow.Layer().Clear();
    if (!m_videoPanel->OpenAndPlay(path)) return;
    m_pictureWindow.SetTitle(FileNameOf(path));
    m_pictureWindow.SetOnScreenText(FileNameOf(path));
    ::SetActiveWindow(m_pictureWindow.m_hWnd);
}

void CMainFrame::ShowFilm(bool shown)
{
    if (!m_pictureWindow.m_hWnd) return;
    if (shown) {
        // Video mode: the window draws the film and shows the video panel.
        m_pictureWindow.SetVideoSource(this);
        m_pictureWindow.ShowWindow(SW_SHOW);
    }
    m_pictureWindow.Invalidate(FALSE);
}

// From the playback worker as well as the UI thread.
void CMainFrame::RepaintFilm()
{
    if (m_pictureWindow.m_hWnd) ::InvalidateRect(m_pictureWindow.m_hWnd, nullptr, FALSE);
}

void CMainFrame::DrawFrame(HDC dc, const RECT& area)
{
    ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    if (m_videoPanel) m_videoPanel->Picture().DrawFrame(dc, area);
}

void CMainFrame::StopFilm()
{
    if (m_videoPanel) m_videoPanel->StopPlaying();
}

void CMainFrame::PrintPicture() { TheApp().PrintView().Print(TRUE, LastActivePictureWindow(), *this); }

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
