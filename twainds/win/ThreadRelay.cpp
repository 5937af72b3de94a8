#include "ThreadRelay.h"

namespace {

const wchar_t kClassName[] = L"OrbileTwainRelay";
constexpr UINT kRun = WM_APP + 1;

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

ThreadRelay::ThreadRelay(std::function<void()> work) : m_work(std::move(work))
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &ThreadRelay::WindowProc;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    m_window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), this);
}

// The class goes with the window: a later load of the library may sit at
// another address.
ThreadRelay::~ThreadRelay()
{
    if (m_window) DestroyWindow(m_window);
    UnregisterClassW(kClassName, ThisModule());
}

void ThreadRelay::Post()
{
    if (m_window) PostMessageW(m_window, kRun, 0, 0);
}

LRESULT CALLBACK ThreadRelay::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == kRun) {
        if (auto* relay = reinterpret_cast<ThreadRelay*>(GetWindowLongPtrW(window, GWLP_USERDATA))) relay->m_work();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
