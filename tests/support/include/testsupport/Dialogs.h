#pragma once
// Finding the dialog boxes a program under test shows, by their title.
#include <windows.h>

#include <cwchar>
#include <vector>

#include "WindowLists.h"

namespace testsupport {

// The visible dialog boxes (class "#32770") of a process with this title
// (null: any title), in the system's window order.
inline std::vector<HWND> VisibleDialogs(DWORD process, const wchar_t* title)
{
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows(process)) {
        wchar_t className[16] = L"", text[64] = L"";
        GetClassNameW(window, className, 16);
        GetWindowTextW(window, text, 64);
        if (IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 && (!title || wcscmp(text, title) == 0))
            found.push_back(window);
    }
    return found;
}

}  // namespace testsupport
