// COrbileApp::StartDevices in this process against the simulated camera:
// a camera the console refuses must not stay claimed by a controller that
// nobody owns, or no later reopening could ever take it.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "testsupport/SimCameraRegistration.h"
#include "OrbileApp.h"
#include "SimCaptureFilter.h"
#include "kvqdoccam.h"

COrbileApp& TheApp()
{
    static COrbileApp app;
    return app;
}

namespace {

// Answers every message box of this process with OK, counting them.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer()
        : m_thread([this] {
              while (!m_stop) {
                  EnumWindows(&AnswerOne, reinterpret_cast<LPARAM>(this));
                  Sleep(50);
              }
          })
    {
    }
    ~MessageBoxAnswerer()
    {
        m_stop = true;
        m_thread.join();
    }
    int Answered() const { return m_answered; }

private:
    static BOOL CALLBACK AnswerOne(HWND window, LPARAM self)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = L"";
        GetClassNameW(window, className, 16);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && wcscmp(className, L"#32770") == 0) {
            PostMessageW(window, WM_COMMAND, IDOK, 0);
            ++reinterpret_cast<MessageBoxAnswerer*>(self)->m_answered;
            // Not counted twice while it closes.
            while (IsWindow(window) && IsWindowVisible(window)) Sleep(10);
        }
        return TRUE;
    }

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_answered{0};
    std::thread m_thread;
};

TEST(StartDevices, ARefusedCameraIsReleasedSoThatReopeningTakesItAgain)
{
    SimCameraRegistration camera;
    ASSERT_TRUE(camera.Registered());
    auto controlBlock = reinterpret_cast<SimCaptureControl* (*)()>(
        reinterpret_cast<void*>(GetProcAddress(camera.Module(), "SimCaptureControlBlock")));
    ASSERT_NE(nullptr, controlBlock);
    SimCaptureControl& control = *controlBlock();
    COrbileApp& app = TheApp();
    MessageBoxAnswerer answerer;
    {
        std::lock_guard<std::mutex> guard(control.lock);
        control.camera.modelCode = 0x10;  // a model the console does not drive
    }
    EXPECT_EQ(0, app.StartDevices());
    EXPECT_EQ(1, answerer.Answered()) << "warned once";
    EXPECT_FALSE(app.HasUsableCamera());
    ASSERT_EQ(1, KVQDocCamController::GetDevices());
    EXPECT_EQ(app.CurrentController(), KVQDocCamController::GetDevice(0)->owner)
        << "the camera is held by a controller the application owns";

    {
        std::lock_guard<std::mutex> guard(control.lock);
        control.camera.modelCode = 0xE0;
    }
    EXPECT_EQ(1, app.StartDevices()) << "the camera, now of a driven model, is taken again and captures";
    EXPECT_EQ(1, answerer.Answered()) << "without a warning";
    EXPECT_TRUE(app.HasUsableCamera());
    app.CurrentController()->Stop();
    app.ExitInstance();
    EXPECT_EQ(0, KVQDocCamController::GetInstances()) << "no controller outlives the application";
}

}  // namespace
