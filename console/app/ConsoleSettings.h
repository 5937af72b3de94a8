#pragma once

#include <kvqframe.h>

// The per-user values of the console in the application profile, section
// "Settings": where the main window was, where and how pictures are saved,
// and the capture series. Read at start, written back when the main window
// goes.
struct WindowPlace {
    int x = 10;
    int y = 10;
    int width = 667;
    int height = 570;

    static WindowPlace Read(CWinApp& app);
    // A window's normal place, in coordinates of the work area starting at
    // workOrigin on its monitor, in screen coordinates.
    static WindowPlace FromWorkspace(const RECT& normal, POINT workOrigin);
    void Write(CWinApp& app) const;
};

struct CaptureSettings {
    CString savingPath{L"C:\\"};
    CString savingName{L"pic"};
    int captureMode = 0;  // 0 single shot, 1 continuous series
    int totalTimeIndex = 0;
    int intervalIndex = 0;
    bool showHints = true;

    static CaptureSettings Read(CWinApp& app);
    void Write(CWinApp& app) const;
};
