#pragma once

#include <kvqframe.h>

#include <memory>
#include <vector>

#include "MainFrame.h"
#include "MessageDialog.h"

class KVQDocCamController;

// The console program: one instance runs; it chooses the language file, loads
// the skin library, opens the cameras and shows the main window at its saved
// place. While idle it keeps the shown camera state current.
class COrbileApp : public CWinApp {
public:
    COrbileApp();
    ~COrbileApp() override;

    BOOL InitInstance() override;
    BOOL OnIdle(LONG count) override;
    int ExitInstance() override;
    // The title bar's About button.
    BOOL OnCmdMsg(UINT id, int code) override;

    // The About box, modal; a request while it is open does nothing.
    void ShowAbout();
    int MotionFlag() const { return m_motionFlag; }
    void SetMotionFlag(int on) { m_motionFlag = on; }

    // Opens the cameras again from scratch: the first one found is attached,
    // configured and capturing, the others only attached. 1 when a camera
    // captures. Start-up and F5 run it; it shows its own warnings.
    int StartDevices();

    KVQDocCamController* CurrentController() const { return m_currentController; }
    // The camera after the current one in the order found, the first after
    // the last; null with fewer than two.
    KVQDocCamController* ControllerAfterCurrent() const;
    // Makes one of the controllers the current one, here and in the library.
    void SetCurrentController(KVQDocCamController* controller);
    // The current camera is one of the models the console drives.
    bool HasUsableCamera() const;
    CMainFrame& MainFrame() { return m_mainFrame; }
    HMODULE SkinLibrary() const { return m_skinLibrary; }
    CMessageDialog& WaitBox() { return m_waitBox; }
    CEZPrintView& PrintView() { return m_printView; }

private:
    KVQDocCamController* AddController();
    // Attaches and configures the first camera and starts its frames; false
    // (after a warning) when the camera can't be used.
    bool StartFirstCamera(KVQDocCamController& controller);
    void Warn(const wchar_t* messageKey);
    void ShowCameraState();

    CMainFrame m_mainFrame;
    CEZPrintView m_printView;
    CMessageDialog m_waitBox;
    HMODULE m_skinLibrary = nullptr;
    KVQDocCamController* m_currentController = nullptr;
    std::vector<std::unique_ptr<KVQDocCamController>> m_controllers;
    DWORD m_lastIdleRefresh = 0;
    bool m_aboutShown = false;
    int m_motionFlag = 0;
};

// The program's one application object.
COrbileApp& TheApp();
