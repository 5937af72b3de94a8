#include <gtest/gtest.h>

#include "MainKeys.h"

namespace {

TEST(MainKeys, TableOfKeysCtrlAndKeyUp)
{
    using A = MainKeyAction;
    struct Case {
        unsigned key;
        bool down, ctrl;
        A action;
    };
    const Case cases[] = {
        {0x09, true, true, A::NextCamera},                                      // Ctrl+Tab
        {0x09, true, false, A::Nothing},                                        // Tab alone is still ours
        {0x09, false, true, A::NotHandled},                                     // key up
        {0x1B, true, false, A::LeaveFullScreen},                                // Esc
        {0x25, true, false, A::PanLeft},         {0x26, true, true, A::PanUp},  // arrows with or without Ctrl
        {0x27, true, false, A::PanRight},        {0x28, true, false, A::PanDown},
        {'1', true, true, A::CameraPanel},       {'D', true, true, A::CameraPanel},
        {'D', true, false, A::Nothing},          {'2', true, true, A::AnnotationPanel},
        {'A', true, true, A::AnnotationPanel},   {'3', true, true, A::VideoPanel},
        {'V', true, true, A::VideoPanel},        {'4', true, true, A::OpenFile},
        {'O', true, true, A::OpenFile},          {'5', true, true, A::Snapshot},
        {'S', true, true, A::Snapshot},          {'S', true, false, A::Nothing},
        {'X', true, true, A::ClearDrawing},      {0x6B, true, false, A::ZoomIn},  // numeric-pad +
        {0x6D, true, false, A::ZoomOut},                                          // numeric-pad -
        {0xBB, true, false, A::NotHandled},                                       // the main keyboard's + is not
        {0x70, true, false, A::About},                                            // F1
        {0x74, true, false, A::ReopenDevices},                                    // F5, the last code that counts
        {0x75, true, false, A::NotHandled},                                       // F6
        {0x08, true, true, A::NotHandled},                                        // Backspace, below the range
        {'6', true, true, A::NotHandled},        {'B', true, true, A::NotHandled},
        {0x20, true, false, A::NotHandled},  // space
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int>(MainKeyFor(c.key, c.down, c.ctrl)), static_cast<int>(c.action))
            << "key 0x" << std::hex << c.key << " down " << c.down << " ctrl " << c.ctrl;
}

}  // namespace
