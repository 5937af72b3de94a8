#pragma once
#include <windows.h>

#include <functional>

// Runs work on the thread that created the relay: any thread may Post, the
// work runs when that thread next dispatches its messages. The data source
// uses it to move the camera thread's still-picture signal onto the
// application's thread, where the TWAIN state lives.
class ThreadRelay {
public:
    explicit ThreadRelay(std::function<void()> work);
    ~ThreadRelay();
    ThreadRelay(const ThreadRelay&) = delete;
    ThreadRelay& operator=(const ThreadRelay&) = delete;

    bool Created() const { return m_window != nullptr; }
    void Post();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void()> m_work;
    HWND m_window = nullptr;
};
