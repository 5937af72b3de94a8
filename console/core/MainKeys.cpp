#include "MainKeys.h"

namespace {

// Virtual-key codes of the keys below.
enum : unsigned {
    kTab = 0x09,
    kEscape = 0x1B,
    kLeft = 0x25,
    kUp = 0x26,
    kRight = 0x27,
    kDown = 0x28,
    kAdd = 0x6B,
    kSubtract = 0x6D,
    kF1 = 0x70,
    kF5 = 0x74,
};

struct KeyRow {
    unsigned key;
    bool needsCtrl;
    MainKeyAction action;
};

const KeyRow kKeys[] = {
    {kTab, true, MainKeyAction::NextCamera},     {kEscape, false, MainKeyAction::LeaveFullScreen},
    {kLeft, false, MainKeyAction::PanLeft},      {kUp, false, MainKeyAction::PanUp},
    {kRight, false, MainKeyAction::PanRight},    {kDown, false, MainKeyAction::PanDown},
    {'1', true, MainKeyAction::CameraPanel},     {'D', true, MainKeyAction::CameraPanel},
    {'2', true, MainKeyAction::AnnotationPanel}, {'A', true, MainKeyAction::AnnotationPanel},
    {'3', true, MainKeyAction::VideoPanel},      {'V', true, MainKeyAction::VideoPanel},
    {'4', true, MainKeyAction::OpenFile},        {'O', true, MainKeyAction::OpenFile},
    {'5', true, MainKeyAction::Snapshot},        {'S', true, MainKeyAction::Snapshot},
    {'X', true, MainKeyAction::ClearDrawing},    {kAdd, false, MainKeyAction::ZoomIn},
    {kSubtract, false, MainKeyAction::ZoomOut},  {kF1, false, MainKeyAction::About},
    {kF5, false, MainKeyAction::ReopenDevices},
};

}  // namespace

MainKeyAction MainKeyFor(unsigned virtualKey, bool down, bool ctrl)
{
    if (!down || virtualKey < kTab || virtualKey > kF5) return MainKeyAction::NotHandled;
    for (const KeyRow& row : kKeys)
        if (row.key == virtualKey) return row.needsCtrl && !ctrl ? MainKeyAction::Nothing : row.action;
    return MainKeyAction::NotHandled;
}
