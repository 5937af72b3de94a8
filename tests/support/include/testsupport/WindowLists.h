#pragma once
// The windows of a program under test, listed for the tests to look through.
#include <windows.h>

#include <vector>

namespace testsupport {

namespace detail {

struct WindowList {
    DWORD process;  // 0: every process
    std::vector<HWND> windows;
};

// Plain functions: on 32-bit Windows a lambda does not convert to the
// stdcall callback the enumerations take.
inline BOOL CALLBACK AddWindow(HWND window, LPARAM data)
{
    auto* list = reinterpret_cast<WindowList*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (!list->process || owner == list->process) list->windows.push_back(window);
    return TRUE;
}

}  // namespace detail

// The process a window belongs to.
inline DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// The top-level windows of a process (0: of every process), in the system's
// window order.
inline std::vector<HWND> TopLevelWindows(DWORD process)
{
    detail::WindowList list{process, {}};
    EnumWindows(detail::AddWindow, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

// The first window below `top`, at any depth, with this control id; or null.
inline HWND FindControlIn(HWND top, int id)
{
    detail::WindowList list{0, {}};
    EnumChildWindows(top, detail::AddWindow, reinterpret_cast<LPARAM>(&list));
    for (HWND child : list.windows)
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

// The first control of this id in a top-level window of the process (0: of
// any process); or null.
inline HWND FindControl(DWORD process, int id)
{
    for (HWND top : TopLevelWindows(process))
        if (HWND control = FindControlIn(top, id)) return control;
    return nullptr;
}

}  // namespace testsupport
