#pragma once

#include <windows.h>

class CWnd;
class CControlPanel;
class CPictureWindow;
class KVQFrameBuffer;
class PanelHooks;

// What picture windows use of the main window: the program's CMainFrame, a
// stand-in in the tests. Every pointer it hands out may be null.
class IPictureHost {
public:
    virtual ~IPictureHost() = default;
    virtual HMODULE SkinLibrary() = 0;
    // Parent of the questions a picture window asks while it goes.
    virtual CWnd* MainWindow() = 0;
    virtual CControlPanel* ControlBar() = 0;
    // The drawing-tools panel, which takes the picture's mouse input and
    // draws its preview over the window.
    virtual PanelHooks* AnnotationPanel() = 0;
    virtual bool IsAnnotationInProgress() = 0;
    // The font of the on-screen texts; null for the system font.
    virtual HFONT OsdFont() = 0;
    // The window the user worked in last (the print command's parent).
    virtual void SetLastActiveWindow(CWnd* window) = 0;
    // The window goes: the host keeps no pointer to it.
    virtual void ForgetWindow(CWnd* window) = 0;

    // A selection of the picture to go to the clipboard: true (once per
    // request) with the selection in window coordinates.
    virtual bool TakeCopyRequest(RECT* selection) = 0;
    // The copy notice after each copy, and the user's choice to stop it.
    virtual bool ShowsCopyNotice() = 0;
    virtual void SetShowsCopyNotice(bool show) = 0;
};

// Draws a played film into a picture window in place of its still picture.
class IPictureVideoSource {
public:
    virtual ~IPictureVideoSource() = default;
    virtual void DrawFrame(HDC dc, const RECT& area) = 0;
    // The window closes (it is only hidden): a playing film stops.
    virtual void StopFilm() = 0;
};
