#include "PictureWindowList.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "ConsoleText.h"
#include "PictureWindow.h"

namespace {

struct PlacedWindow {
    CPictureWindow* window;
    WINDOWPLACEMENT placement;
};

// All on the UI thread; the lock keeps the lists whole against a nested
// message loop (a dialog) that runs while one of them is walked.
struct WindowLists {
    std::recursive_mutex lock;
    std::vector<PlacedWindow> windows;
    std::vector<CPictureWindow*> pendingDeletion;
};

WindowLists& Lists()
{
    static WindowLists lists;
    return lists;
}

WINDOWPLACEMENT PlacementOf(CPictureWindow& window)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(window.m_hWnd, &placement);
    return placement;
}

void DeletePending(WindowLists& lists)
{
    for (CPictureWindow* window : lists.pendingDeletion) delete window;
    lists.pendingDeletion.clear();
}

void Record(bool hide)
{
    WindowLists& lists = Lists();
    std::lock_guard<std::recursive_mutex> hold(lists.lock);
    for (PlacedWindow& placed : lists.windows) {
        placed.placement = PlacementOf(*placed.window);
        if (!hide) continue;
        if (placed.placement.showCmd == SW_SHOWMAXIMIZED) placed.placement.showCmd = SW_SHOWNORMAL;
        placed.window->ShowWindow(SW_HIDE);
    }
}

}  // namespace

CPictureWindow* CreatePictureWindow(int x, int y, int width, int height)
{
    WindowLists& lists = Lists();
    {
        std::lock_guard<std::recursive_mutex> hold(lists.lock);
        DeletePending(lists);
    }
    auto* window = new CPictureWindow();
    if (!window->CreateView(TimestampString(), x, y, width, height, nullptr, 255)) {
        delete window;
        return nullptr;
    }
    window->SetUpToolTips();
    window->ShowWindow(SW_SHOW);
    window->UpdateWindow();
    std::lock_guard<std::recursive_mutex> hold(lists.lock);
    lists.windows.push_back({window, PlacementOf(*window)});
    return window;
}

void RemovePictureWindow(CPictureWindow* window)
{
    WindowLists& lists = Lists();
    std::lock_guard<std::recursive_mutex> hold(lists.lock);
    const auto placed = std::find_if(lists.windows.begin(), lists.windows.end(),
                                     [window](const PlacedWindow& entry) { return entry.window == window; });
    if (placed == lists.windows.end()) return;
    lists.windows.erase(placed);
    lists.pendingDeletion.push_back(window);
}

void HideAllPictureWindows() { Record(true); }

void RecordPictureWindowPlacements() { Record(false); }

void ShowAllPictureWindows()
{
    WindowLists& lists = Lists();
    std::lock_guard<std::recursive_mutex> hold(lists.lock);
    for (PlacedWindow& placed : lists.windows) ::SetWindowPlacement(placed.window->m_hWnd, &placed.placement);
}

void DeletePictureWindows()
{
    WindowLists& lists = Lists();
    std::vector<CPictureWindow*> windows;
    {
        std::lock_guard<std::recursive_mutex> hold(lists.lock);
        DeletePending(lists);
        for (const PlacedWindow& placed : lists.windows) windows.push_back(placed.window);
        lists.windows.clear();
    }
    for (CPictureWindow* window : windows) delete window;
}

namespace picturelist_detail {
void Visit(void (*visit)(CPictureWindow&, void*), void* context)
{
    WindowLists& lists = Lists();
    std::lock_guard<std::recursive_mutex> hold(lists.lock);
    for (PlacedWindow& placed : lists.windows) visit(*placed.window, context);
}
}  // namespace picturelist_detail
