#pragma once

// What a key pressed in the main window does. Keys of the table are handled
// even when their condition (Ctrl, full screen) does not hold: they then do
// nothing, and no other window gets them.
enum class MainKeyAction {
    NotHandled,
    Nothing,
    NextCamera,
    LeaveFullScreen,  // only in full screen
    PanUp,
    PanDown,
    PanLeft,
    PanRight,
    CameraPanel,
    AnnotationPanel,
    VideoPanel,
    OpenFile,
    Snapshot,
    ClearDrawing,
    ZoomIn,
    ZoomOut,
    About,
    ReopenDevices,
};

// Only key-down events of virtual-key codes 9 (Tab) to 116 (F5) count.
MainKeyAction MainKeyFor(unsigned virtualKey, bool down, bool ctrl);
