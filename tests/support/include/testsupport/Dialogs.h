#pragma once
// Finding the dialog boxes a program under test shows, by their title.
#include <windows.h>

#include <cwchar>
#include <vector>

namespace testsupport {

namespace detail {

struct DialogSearch {
    DWORD process;
    const wchar_t* title;
    std::vector<HWND> found;
};

// A plain function: on 32-bit Windows a lambda does not convert to the
// stdcall callback EnumWindows takes.
inline BOOL CALLBACK CollectDialog(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = L"", text[64] = L"";
    GetClassNameW(window, className, 16);
    GetWindowTextW(window, text, 64);
    if (owner == search->process && IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 &&
        wcscmp(text, search->title) == 0)
        search->found.push_back(window);
    return TRUE;
}

}  // namespace detail

// The visible dialog boxes (class "#32770") of a process with this title,
// in the system's window order.
inline std::vector<HWND> VisibleDialogs(DWORD process, const wchar_t* title)
{
    detail::DialogSearch search{process, title, {}};
    EnumWindows(detail::CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace testsupport
