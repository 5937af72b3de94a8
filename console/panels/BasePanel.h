#pragma once

#include <kvquikit.h>

class KVQDocCamController;

// How the main window drives whichever panel it shows. Empty by default.
class PanelHooks {
public:
    virtual ~PanelHooks() = default;
    // Ranges, limits and enablement that depend on the camera's model.
    virtual void OnDeviceSetup(KVQDocCamController* controller) {}
    // Check states, enablement and tips from the camera's cached state.
    virtual void OnDeviceState(KVQDocCamController* controller) {}
    // Every 50 ms while the panel is visible and a controller exists.
    virtual void OnTimerTick(KVQDocCamController* controller) {}
    virtual void OnPictureEvent(CWnd* window, int context) {}
    virtual void OnPictureMouse(CWnd* window, UINT flags, CPoint point, BOOL down) {}
    virtual void OnPictureMouseMove(CWnd* window, UINT flags, CPoint point) {}
};

// A floating panel that docks to its owner: placed and hidden without
// activation, hidden when the focus leaves for a window it does not belong
// to, and snapped flush under the owner when dragged near its bottom-left
// corner.
class CBasePanel : public KVQPanel, public PanelHooks {
public:
    enum DockState { DOCK_FREE = 0, DOCK_RIGHT = 1, DOCK_BELOW = 3 };
    enum PlaceMode { PLACE_LAST = 0, PLACE_DOCKED = 1, PLACE_OWNER_CORNER = 2 };
    // How near (pixels) the drag and the corners must come for the snap.
    static constexpr int kSnapReach = 29;

    CWnd* m_owner = nullptr;
    int m_dockState = DOCK_FREE;
    int m_dockOffsetX = 0;  // DOCK_RIGHT: from the owner's right edge
    int m_dockOffsetY = 0;  // DOCK_RIGHT: from the owner's top edge
    BOOL m_topmost = FALSE;
    // A window that keeps the panel when it takes the focus (the owner's
    // embedded picture window), and is never snapped to in full screen.
    KVQWindow* m_pictureWindow = nullptr;

    BOOL PlacePanel(int mode);
    BOOL HidePanel();

    // The position shared by all docking panels: placing and hiding set it.
    static CPoint LastPosition();
    static void SetLastPosition(CPoint point);

    void OnMoveWindow(int x, int y) override {}
    BOOL MyMouseMove(UINT flags, CPoint point) override;

protected:
    void OnKillFocus(HWND newFocus) override;

private:
    bool OwnerIsFullscreen() const;
};

// A panel inside the control bar: a skinned child whose buttons report to it.
class CBasePanel2 : public KVQButton, public PanelHooks {
public:
    // Creates the panel's controls and tips once its window exists (hidden).
    virtual void CreateControls(int) = 0;
};
