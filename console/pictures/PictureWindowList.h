#pragma once

class CPictureWindow;

// The further picture windows, each with its last placement, under one lock.

// A new shown picture window at that place, titled with the time; null
// when it can't be made. Windows removed earlier are deleted first.
CPictureWindow* CreatePictureWindow(int x, int y, int width, int height);
// Takes the window out of the list; it is deleted later (next creation or
// DeletePictureWindows).
void RemovePictureWindow(CPictureWindow* window);
// With the main window minimised and restored.
void HideAllPictureWindows();
void ShowAllPictureWindows();
void RecordPictureWindowPlacements();
// Every window of the list, in order of creation (for the history lists).
template <typename Visit>
void ForEachPictureWindow(Visit visit);
// At the program's end: every further window goes.
void DeletePictureWindows();

namespace picturelist_detail {
void Visit(void (*visit)(CPictureWindow&, void*), void* context);
}

template <typename Visit>
void ForEachPictureWindow(Visit visit)
{
    picturelist_detail::Visit([](CPictureWindow& window, void* context) { (*static_cast<Visit*>(context))(window); },
                              &visit);
}
