#pragma once
// What the panel tests share: a stand-in for the main window as the panels'
// host, a viewed console that records what is sent to it, a parent window,
// the skin library beside the test, and a clock the buttons read.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PanelHost.h"
#include "kvqdoccam.h"
#include "telvane/Shapes.h"

namespace paneltest {

inline std::wstring BesideTest(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

inline HMODULE Skins()
{
    static HMODULE skins = LoadLibraryW(BesideTest(L"orbileres.dll").c_str());
    return skins;
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class RecordingRemote : public IRemoteCamera {
public:
    RemoteCameraState state;
    RemoteCapability capability;
    bool newConnection = false;
    std::vector<std::pair<char, unsigned char>> sent;
    // What of each drawing sent the tests look at.
    struct SentGraphic {
        std::string type;
        float x, y, width, height;  // boxes
        size_t points;              // paths
        float lineWidth;
        Telvane::Color first, second;
    };
    std::vector<SentGraphic> graphics;
    int erasedAll = 0;

    const RemoteCameraState& State() const override { return state; }
    const RemoteCapability& Capability() const override { return capability; }
    std::wstring ServerName() const override { return L"viewed"; }
    void SendCameraCommand(char code, unsigned char argument) override { sent.emplace_back(code, argument); }
    void SendGraphic(const Telvane::Graphic& shape) override
    {
        SentGraphic sent{shape.typeName(), 0, 0, 0, 0, 0, shape.lineWidth(), shape.firstColor(), shape.secondColor()};
        if (const auto* box = dynamic_cast<const Telvane::RectGraphic*>(&shape))
            sent = {sent.type, box->x(),       box->y(),   box->width(), box->height(),
                    0,         sent.lineWidth, sent.first, sent.second};
        if (const auto* path = dynamic_cast<const Telvane::Path*>(&shape)) sent.points = path->points().size();
        graphics.push_back(sent);
    }
    void SendEraseAll() override { ++erasedAll; }
    bool TakeNewConnectionMark() override { return std::exchange(newConnection, false); }
    bool RequestSnapshot(std::vector<uint8_t>&) override { return false; }
};

class FakeHost : public IPanelHost {
public:
    KVQDocCamController* controller = nullptr;
    IRemoteCamera* remote = nullptr;
    bool polled = true;
    bool pictureSource = false;
    bool adaptiveMotion = false;
    int osd = 0;
    int osdTicks = 0;
    int motionFlag = -1;
    std::vector<unsigned short> mainCommands;
    CaptureSettings settings;
    int settingsApplied = 0;

    KVQDocCamController* CurrentController() override { return controller; }
    bool IsStatusPolled() override { return polled; }
    HMODULE SkinLibrary() override { return Skins(); }
    void ShowOsd(int kind, int ticks) override
    {
        osd = kind;
        osdTicks = ticks;
    }
    int ShownOsd() override { return osd; }
    void RepaintPicture(bool) override {}
    IRemoteCamera* ShownRemoteCamera() override { return remote; }
    void SetMotionFlag(int on, bool) override { motionFlag = on; }
    BOOL OnMainCommand(unsigned short id) override
    {
        mainCommands.push_back(id);
        return TRUE;
    }
    bool HasPictureSource() override { return pictureSource; }
    CaptureSettings CurrentCaptureSettings() override { return settings; }
    void ApplyCaptureSettings(const CaptureSettings& applied) override
    {
        settings = applied;
        ++settingsApplied;
    }
    bool CanTakeLargeStills() override { return false; }
    bool IsAdaptiveMotion() override { return adaptiveMotion; }
};

// The buttons' millisecond clock, set by the test.
struct TestClock {
    static DWORD now;
    static DWORD Read() { return now; }
};

// Drives the next dialog of this process from a second thread, as a user
// would, while the test's thread runs its modal loop.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> steps)
        : m_thread([this, steps] {
              for (int waited = 0; waited < 10000 && !m_dialog; waited += 20) {
                  EnumThreadWindows(m_uiThread, &Find, reinterpret_cast<LPARAM>(this));
                  if (!m_dialog) Sleep(20);
              }
              if (m_dialog) steps(m_dialog);
              m_done = true;
          })
    {
    }
    ~DialogDriver() { m_thread.join(); }
    bool Found() const { return m_dialog != nullptr; }

private:
    static BOOL CALLBACK Find(HWND window, LPARAM self)
    {
        wchar_t name[16] = L"";
        GetClassNameW(window, name, 16);
        if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        reinterpret_cast<DialogDriver*>(self)->m_dialog = window;
        return FALSE;
    }

    DWORD m_uiThread = GetCurrentThreadId();
    std::atomic<HWND> m_dialog{nullptr};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

}  // namespace paneltest
