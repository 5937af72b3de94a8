#pragma once
#include "kvqframe/Wnd.h"

// While a window is created through the framework, a per-thread CBT hook binds
// the first window created to its object and routes it through the framework's
// window procedure, so the object sees WM_CREATE (and WM_INITDIALOG).
class CreationHook {
public:
    explicit CreationHook(CWnd* wnd);
    ~CreationHook();
    CreationHook(const CreationHook&) = delete;
    CreationHook& operator=(const CreationHook&) = delete;

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
    CWnd* m_outerPending;
};

// The framework DLL's own module handle (window classes are registered with it).
HINSTANCE FrameworkInstance();
