// orbileap.exe as a user meets it, driven from outside under Wine: start-up
// at the saved place, the simulated camera's live picture on the screen, the
// no-camera state, the single instance, the missing skin library in two
// languages, the settings round trip, the 4:3 rule, device events, and the
// main window's commands and keys.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "PictureCheck.h"
#include "testsupport/SimCameraRegistration.h"
#include "SimPictures.h"
#include "jpegcodec.h"
#include "testsupport/Dialogs.h"
#include "testsupport/PollUntil.h"

namespace {

using testsupport::PollUntil;

const wchar_t kTitle[] = L"DovraOrbile 3";
const wchar_t kProfile[] = L"Software\\Korvane\\orbileap";
const int kMessageText = 0xFFFF;  // the text of a message box

std::wstring ProgramDir() { return BesideTest(L"..\\orbileap\\"); }

// The console's per-user profile.
struct Profile {
    static void Clear() { RegDeleteTreeW(HKEY_CURRENT_USER, kProfile); }
    static HKEY Open()
    {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kProfile) + L"\\Settings").c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return key;
    }
    static void Set(const wchar_t* name, DWORD value)
    {
        HKEY key = Open();
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    static void Set(const wchar_t* name, const wchar_t* value)
    {
        HKEY key = Open();
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    static DWORD Int(const wchar_t* name)
    {
        DWORD value = 0xDEADBEEF, size = sizeof value;
        RegGetValueW(HKEY_CURRENT_USER, (std::wstring(kProfile) + L"\\Settings").c_str(), name, RRF_RT_REG_DWORD,
                     nullptr, &value, &size);
        return value;
    }
    static std::wstring Text(const wchar_t* name)
    {
        wchar_t value[260] = L"<missing>";
        DWORD size = sizeof value;
        RegGetValueW(HKEY_CURRENT_USER, (std::wstring(kProfile) + L"\\Settings").c_str(), name, RRF_RT_REG_SZ, nullptr,
                     value, &size);
        return value;
    }
};

// One run of orbileap.exe; ended at the end of the scope if still running.
class Console {
public:
    // environment: "NAME=value" added to the program's environment, or null.
    explicit Console(const std::wstring& dir = ProgramDir(), const wchar_t* environment = nullptr)
    {
        const std::wstring setting = environment ? environment : L"";
        const size_t equals = setting.find(L'=');
        if (environment) SetEnvironmentVariableW(setting.substr(0, equals).c_str(), setting.c_str() + equals + 1);
        std::wstring command = L"\"" + dir + L"orbileap.exe\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        m_started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup,
                                   &m_process) != 0;
        if (environment) SetEnvironmentVariableW(setting.substr(0, equals).c_str(), nullptr);
    }
    ~Console()
    {
        if (!m_started) return;
        if (!WaitForExit(0)) {
            if (HWND window = MainWindow()) PostMessageW(window, WM_CLOSE, 0, 0);
            if (!WaitForExit(10000)) TerminateProcess(m_process.hProcess, 1);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool Started() const { return m_started; }
    DWORD ProcessId() const { return m_process.dwProcessId; }
    bool WaitForExit(DWORD ms) { return WaitForSingleObject(m_process.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode()
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

    // The first visible top-level window of this process with the class and
    // a child of that id, or titled kTitle when no class is given.
    HWND FindWindowOf(const wchar_t* className = nullptr, int childId = 0) const
    {
        for (HWND window : testsupport::TopLevelWindows(m_process.dwProcessId)) {
            wchar_t text[64] = L"";
            if (className)
                GetClassNameW(window, text, 64);
            else
                GetWindowTextW(window, text, 64);
            if (IsWindowVisible(window) && wcscmp(text, className ? className : kTitle) == 0 &&
                (!childId || GetDlgItem(window, childId)))
                return window;
        }
        return nullptr;
    }
    HWND MainWindow() const { return FindWindowOf(); }
    HWND WaitForMainWindow(DWORD ms = 20000) const
    {
        HWND window = nullptr;
        PollUntil(ms, [&] { return (window = MainWindow()) != nullptr; });
        return window;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

// The window's rectangle once it has stopped changing: the console is another
// process, whose window shows its new state before its new size arrives.
// A loaded machine can keep the size waiting for a good while, so the
// rectangle must hold for a time, not for a number of looks.
RECT SettledRect(HWND window)
{
    RECT last = WindowRect(window);
    auto since = std::chrono::steady_clock::now();
    PollUntil(5000, [&] {
        const RECT now = WindowRect(window);
        const auto sampled = std::chrono::steady_clock::now();
        if (!EqualRect(&now, &last)) since = sampled;
        last = now;
        return sampled - since >= std::chrono::milliseconds(300);
    });
    return last;
}

// Puts the display's pointer at a client point and posts the move there: the
// window also receives the pointer's own moves (when it grows under it, say),
// which then say the same. The pointer goes back where it was afterwards.
class PointerMoves {
public:
    PointerMoves() { GetCursorPos(&m_parked); }
    ~PointerMoves() { SetCursorPos(m_parked.x, m_parked.y); }
    void To(HWND window, int x, int y) const
    {
        POINT at{x, y};
        ClientToScreen(window, &at);
        SetCursorPos(at.x, at.y);
        PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }

private:
    POINT m_parked{};
};

void SeedPlace(DWORD x, DWORD y, DWORD width, DWORD height)
{
    Profile::Set(L"XPos", x);
    Profile::Set(L"YPos", y);
    Profile::Set(L"Width", width);
    Profile::Set(L"Height", height);
}

void ExpectPlace(HWND window, int x, int y, int width, int height)
{
    const RECT rect = WindowRect(window);
    EXPECT_EQ(x, rect.left);
    EXPECT_EQ(y, rect.top);
    EXPECT_EQ(width, rect.right - rect.left);
    EXPECT_EQ(height, rect.bottom - rect.top);
}

bool ShowsLivePicture(HWND window)
{
    return PollUntil(10000, [&] { return ShownPicture(window) >= 0; });
}

// The frame counter the picture shows moves on from first. The counter runs
// through eight pages: paints that come every eighth frame, as a slow
// machine's paced paints may, show one page for good; repaints asked for at
// uneven moments tell such a picture from one that stands still.
bool PictureMovesOn(HWND window, int first)
{
    auto movedOn = [&] {
        const int later = ShownPicture(window);
        return later >= 0 && later != first;
    };
    if (PollUntil(5000, movedOn)) return true;
    for (DWORD offset : {0, 23, 47, 71, 97}) {
        Sleep(offset);
        InvalidateRect(window, nullptr, FALSE);
        if (PollUntil(1000, movedOn)) return true;
    }
    return false;
}

bool ShowsNoCameraState(HWND window)
{
    return PollUntil(5000, [&] {
        const Screen shot = CapturePictureArea(window);
        return shot.TextPixels() > 100 && shot.MeanGrey() < 20.0;
    });
}

// A device interface event as the system broadcasts it.
void SendDeviceEvent(HWND window, WPARAM event, const wchar_t* name)
{
    std::vector<BYTE> record(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (wcslen(name) + 1) * 2);
    auto* device = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(record.data());
    device->dbcc_size = DWORD(record.size());
    device->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(device->dbcc_name, name, (wcslen(name) + 1) * 2);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(device), SMTO_NORMAL, 20000, &result);
}

const wchar_t kCameraInterface[] = L"\\\\?\\USB#VID_1234&PID_FF01#5&2a3b#{65e8773d-8f56-11d0-a3b9-00a0c9223196}";

// Each test starts from an empty profile, with or without the camera.
template <bool kWithCamera>
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(kWithCamera, m_camera.Registered());
        Profile::Clear();
    }
    void TearDown() override { Profile::Clear(); }
    SimCameraRegistration m_camera{kWithCamera};
};
using LiveCamera = ConsoleTest<true>;
using WithoutCamera = ConsoleTest<false>;

TEST_F(LiveCamera, OpensAtTheSavedPlaceAndShowsTheDocumentPictureAdvancing)
{
    SeedPlace(40, 30, 827, 690);  // a picture area of 800 x 600
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ExpectPlace(window, 40, 30, 827, 690);

    ASSERT_TRUE(ShowsLivePicture(window)) << "the picture area shows the simulated camera's page";
    const int first = ShownPicture(window);
    EXPECT_TRUE(PictureMovesOn(window, first)) << "the frame counter stays at " << first;
}

TEST_F(LiveCamera, OnlyTheCamerasOwnDeviceEventsTakeItAwayAndBringItBack)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));

    for (const wchar_t* other : {L"\\\\?\\USB#VID_1234&PID_FF06#5&2a3b", L"\\\\?\\USB#VID_1234&PID_Ff01#5&2a3b",
                                 L"\\\\?\\HID#VID_046D&PID_C077#7&2b1c"})
        SendDeviceEvent(window, DBT_DEVICEREMOVECOMPLETE, other);
    Sleep(500);
    EXPECT_TRUE(ShowsLivePicture(window)) << "events of other devices change nothing";

    SendDeviceEvent(window, DBT_DEVICEREMOVECOMPLETE, kCameraInterface);
    EXPECT_TRUE(ShowsNoCameraState(window)) << "the camera's removal shows the no-camera state";

    SendDeviceEvent(window, DBT_DEVICEARRIVAL, kCameraInterface);
    EXPECT_TRUE(ShowsLivePicture(window)) << "its arrival reopens the devices";
    EXPECT_FALSE(console.WaitForExit(0));
}

TEST_F(LiveCamera, ResizingKeepsThePictureAreaAt4To3)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    SetWindowPos(window, nullptr, 0, 0, 1000, 570, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rect{};
    EXPECT_TRUE(PollUntil(5000, [&] {
        rect = WindowRect(window);
        return rect.right - rect.left != 1000;
    }));
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    EXPECT_EQ(667, width);
    EXPECT_EQ(570, height);
    EXPECT_EQ((width - 27) * 3, (height - 90) * 4);
}

TEST_F(LiveCamera, FullScreenOffersItsExitButtonNearTheTopRightCorner)
{
    const WPARAM kFullScreen = 0xE14E, kLeaveFullScreen = 59656;
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    const RECT normal = SettledRect(window);
    HWND exitButton = GetDlgItem(window, int(kLeaveFullScreen));
    ASSERT_NE(nullptr, exitButton);
    EXPECT_FALSE(IsWindowVisible(exitButton));

    PostMessageW(window, WM_COMMAND, kFullScreen, 0);
    ASSERT_TRUE(PollUntil(5000, [&] { return IsZoomed(window) != 0; }));
    const RECT full = SettledRect(window);
    const PointerMoves pointer;
    pointer.To(window, full.right - full.left - 20, 40);
    EXPECT_TRUE(PollUntil(5000, [&] { return IsWindowVisible(exitButton) != 0; }));
    pointer.To(window, 200, 400);
    EXPECT_TRUE(PollUntil(5000, [&] { return !IsWindowVisible(exitButton); }));

    PostMessageW(window, WM_COMMAND, kLeaveFullScreen, 0);
    ASSERT_TRUE(PollUntil(5000, [&] { return !IsZoomed(window); }));
    // The style goes back before the size does.
    PollUntil(5000, [&] {
        const RECT now = WindowRect(window);
        return !EqualRect(&now, &full);
    });
    const RECT restored = SettledRect(window);
    EXPECT_EQ(normal.left, restored.left);
    EXPECT_EQ(normal.right - normal.left, restored.right - restored.left);
    EXPECT_EQ(normal.bottom - normal.top, restored.bottom - restored.top);
}

TEST_F(LiveCamera, AFrozenCameraIsAnnouncedAtTheBottomRight)
{
    Console live;
    HWND window = live.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    const Screen moving = CapturePictureArea(window);
    EXPECT_EQ(0, moving.TextPixels(moving.width - 140, moving.height - 30));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(live.WaitForExit(10000));

    Console frozen(ProgramDir(), L"SIMCAM_FROZEN=1");
    window = frozen.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window)) << "the frozen picture stays on the screen";
    EXPECT_TRUE(PollUntil(5000, [&] {
        const Screen shot = CapturePictureArea(window);
        return shot.TextPixels(shot.width - 140, shot.height - 30) > 50;
    })) << "\"Frozen\" is written over the picture";
}

// A press of a panel's button as the button reports it: WM_COMMAND with its
// id to the panel it sits on.
bool PressPanelButton(const Console& console, int id)
{
    HWND button = testsupport::FindControl(console.ProcessId(), id);
    return button && PostMessageW(GetParent(button), WM_COMMAND, id, 0);
}

// The display's own pointer and left button, as a user moves and presses
// them, at the pace of a hand so that the events stay apart. Points are
// in the window's picture area.
void SendPointer(HWND window, POINT at, DWORD flags)
{
    const RECT rect = WindowRect(window);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ((rect.left + 13 + at.x) * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = ((rect.top + 26 + at.y) * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    SendInput(1, &input, sizeof input);
    Sleep(15);
}

void ClickOnPicture(HWND window, POINT at)
{
    SendPointer(window, at, 0);
    SendPointer(window, at, MOUSEEVENTF_LEFTDOWN);
    SendPointer(window, at, MOUSEEVENTF_LEFTUP);
}

// The console's windows hold the pointer from the press to the release: a
// drag has ended, stroke and all, once the window's thread lets it go.
bool PointerHeld(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndCapture != nullptr;
}

void DragOverPicture(HWND window, POINT from, POINT to)
{
    const int steps = std::max(std::abs(to.x - from.x), std::abs(to.y - from.y)) / 10 + 1;
    SendPointer(window, from, 0);
    SendPointer(window, from, MOUSEEVENTF_LEFTDOWN);
    PollUntil(5000, [&] { return PointerHeld(window); });
    for (int i = 1; i <= steps; ++i)
        SendPointer(window, {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps}, 0);
    SendPointer(window, to, MOUSEEVENTF_LEFTUP);
    PollUntil(5000, [&] { return !PointerHeld(window); });
}

// Drawn with the pointer over the live picture (800 x 600 of a 1024 x 768
// camera picture), the freehand line is laid over the camera's frames; a
// turn of the camera turns the drawing with the picture, and "Erase all"
// clears it.
TEST_F(LiveCamera, ALineDrawnOverThePictureTurnsWithTheCameraUntilErased)
{
    SeedPlace(40, 30, 827, 690);
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    ASSERT_TRUE(PressPanelButton(console, 59843));  // the 16-pixel pen
    SetForegroundWindow(window);

    DragOverPicture(window, {100, 150}, {400, 150});
    auto redAlong = [&](int left, int top, int right, int bottom) {
        return CapturePictureArea(window).RedPixels(left, top, right, bottom);
    };
    // The pen is 16 plane pixels wide: about 12 on the screen, 300 long.
    EXPECT_TRUE(PollUntil(5000, [&] { return redAlong(110, 140, 390, 160) > 2000; }))
        << "the line shows over the picture: " << redAlong(110, 140, 390, 160);
    EXPECT_LT(redAlong(110, 440, 390, 460), 50);

    // The camera turns a quarter; the drawing turns with it into a portrait
    // fitted upright in the middle three quarters: plane row 192, columns 128
    // to 512, become plane column 655, rows 96 to 384.
    ASSERT_TRUE(PressPanelButton(console, 59685));
    EXPECT_TRUE(PollUntil(5000, [&] { return redAlong(500, 85, 525, 290) > 1500; }))
        << "the turned line: " << redAlong(500, 85, 525, 290);
    EXPECT_LT(redAlong(110, 140, 390, 160), 50);

    ASSERT_TRUE(PressPanelButton(console, 59702));
    EXPECT_TRUE(PollUntil(5000, [&] { return redAlong(0, 100, 800, 500) < 50; })) << "erased";
}

// With the text tool a click opens the text box there; what is typed in it
// becomes a drawing over the live picture where the box stood once the next
// click finishes it.
TEST_F(LiveCamera, TypedTextAppearsWhereClicked)
{
    SeedPlace(40, 30, 827, 690);
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    // Blank paper under the page's table, left of the frame counter.
    const RECT blank{100, 515, 400, 580};
    auto ink = [&] { return CapturePictureArea(window).InkPixels(blank.left, blank.top, blank.right, blank.bottom); };
    ASSERT_EQ(0, ink());
    ASSERT_TRUE(PressPanelButton(console, 59698));  // the text tool
    SetForegroundWindow(window);
    ClickOnPicture(window, {120, 520});
    HWND box = nullptr;
    ASSERT_TRUE(PollUntil(5000, [&] {
        box = GetDlgItem(window, 9528);
        return box && IsWindowVisible(box);
    }));
    // The characters as the keyboard's keys give them to the focused box.
    for (wchar_t c : std::wstring(L"HELLO")) PostMessageW(box, WM_CHAR, c, 1);
    ASSERT_TRUE(PollUntil(5000, [&] { return ink() > 20; })) << "the box shows what is typed";
    ClickOnPicture(window, {600, 300});
    ASSERT_TRUE(PollUntil(5000, [&] { return !IsWindowVisible(box); }));
    // "HELLO" in 17-pixel Arial, about 10 pixels high on the screen, from the
    // click on and nowhere else on the blank paper. Drawings show while the
    // main window is active, which a busy machine may hand over for a moment:
    // the text must come, and where it comes is checked on that picture.
    Screen shot;
    EXPECT_TRUE(PollUntil(5000,
                          [&] {
                              shot = CapturePictureArea(window);
                              return shot.InkPixels(118, 518, 175, 540) > 80;
                          }))
        << "the text starts where the click was; ink on the blank paper: " << ink();
    EXPECT_EQ(0, shot.InkPixels(100, 515, 118, 580) + shot.InkPixels(190, 515, 400, 580) +
                     shot.InkPixels(118, 545, 190, 580));
}

TEST_F(LiveCamera, ClosingWritesTheSeededSettingsAndTheNewPlaceBack)
{
    SeedPlace(40, 30, 827, 690);
    Profile::Set(L"SavingPathName", L"D:\\Lessons");
    Profile::Set(L"SavingName", L"board");
    Profile::Set(L"Capture", 1);
    Profile::Set(L"TotalTime", 4);
    Profile::Set(L"IntervalTime", 2);
    Profile::Set(L"ShowHint", DWORD(0));
    // VGA wins over QVGA; any nonzero value is a checked option.
    Profile::Set(L"bDownToVGA", 1);
    Profile::Set(L"bDownToQVGA", 1);
    Profile::Set(L"bAnnotated", 5);
    Profile::Set(L"bAudio", 9);
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    SetWindowPos(window, nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PollUntil(2000, [&] { return WindowRect(window).left == 120; });

    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(console.WaitForExit(10000)) << "closing while frames flow ends";
    EXPECT_EQ(0u, console.ExitCode());
    EXPECT_EQ(120u, Profile::Int(L"XPos"));
    EXPECT_EQ(90u, Profile::Int(L"YPos"));
    EXPECT_EQ(827u, Profile::Int(L"Width"));
    EXPECT_EQ(690u, Profile::Int(L"Height"));
    EXPECT_EQ(L"D:\\Lessons", Profile::Text(L"SavingPathName"));
    EXPECT_EQ(L"board", Profile::Text(L"SavingName"));
    EXPECT_EQ(1u, Profile::Int(L"Capture"));
    EXPECT_EQ(4u, Profile::Int(L"TotalTime"));
    EXPECT_EQ(2u, Profile::Int(L"IntervalTime"));
    EXPECT_EQ(0u, Profile::Int(L"ShowHint"));
    // The recording options as the video panel read them.
    EXPECT_EQ(1u, Profile::Int(L"bDownToVGA"));
    EXPECT_EQ(0u, Profile::Int(L"bDownToSVGA"));
    EXPECT_EQ(0u, Profile::Int(L"bDownToQVGA"));
    EXPECT_EQ(1u, Profile::Int(L"bAnnotated"));
    EXPECT_EQ(1u, Profile::Int(L"bAudio"));
}

TEST_F(WithoutCamera, OpensAtTheDefaultPlaceShowingUsbUnconnectedAndReopeningNeverEndsIt)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ExpectPlace(window, 10, 10, 667, 570);  // the defaults
    EXPECT_TRUE(ShowsNoCameraState(window));

    // Both are sent, so that they have been handled when the wait starts;
    // closing takes about two seconds here.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_KEYDOWN, VK_F5, 0, SMTO_NORMAL, 20000, &result);
    EXPECT_FALSE(console.WaitForExit(5000)) << "F5 without a camera";
    SendDeviceEvent(window, DBT_DEVICEARRIVAL, kCameraInterface);
    EXPECT_FALSE(console.WaitForExit(5000)) << "an arrival that brings no usable camera";
    ASSERT_EQ(window, console.MainWindow());
    EXPECT_TRUE(ShowsNoCameraState(window));
}

// Visible dialogs of the console titled title.
int DialogsTitled(const Console& console, const wchar_t* title)
{
    DWORD process = 0;
    GetWindowThreadProcessId(console.MainWindow(), &process);
    return static_cast<int>(testsupport::VisibleDialogs(process, title).size());
}

TEST_F(WithoutCamera, F1TwiceOpensOneAboutBox)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    PostMessageW(window, WM_KEYDOWN, VK_F1, 1);
    ASSERT_TRUE(PollUntil(10000, [&] { return DialogsTitled(console, L"About...") > 0; }));
    PostMessageW(window, WM_KEYDOWN, VK_F1, 1);
    // The second press has been handled once the window answers again.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    PollUntil(1000, [&] { return DialogsTitled(console, L"About...") > 1; });
    EXPECT_EQ(DialogsTitled(console, L"About..."), 1);
    HWND about = FindWindowW(L"#32770", L"About...");
    ASSERT_NE(nullptr, about);
    wchar_t ok[32] = L"";
    GetDlgItemTextW(about, IDOK, ok, 32);
    EXPECT_STREQ(ok, L"OK");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PollUntil(10000, [&] { return DialogsTitled(console, L"About...") == 0; }));
    // Closed, it opens again.
    PostMessageW(window, WM_KEYDOWN, VK_F1, 1);
    EXPECT_TRUE(PollUntil(10000, [&] { return DialogsTitled(console, L"About...") == 1; }));
    if (HWND again = FindWindowW(L"#32770", L"About...")) PostMessageW(again, WM_COMMAND, IDOK, 0);
}

// The console's top-level window that holds a control of that id.
HWND WindowWithControl(const Console& console, int id)
{
    for (HWND window : testsupport::TopLevelWindows(testsupport::ProcessOf(console.MainWindow())))
        if (GetDlgItem(window, id)) return window;
    return nullptr;
}

// Ctrl+key typed on the display's keyboard into the window, brought to the
// front with the keyboard focus first. The four key events go in one call,
// so nothing comes between them in the window's input: the window reads Ctrl
// as it was when the key came, whenever it gets round to the key.
bool TypeWithCtrl(HWND window, WORD key)
{
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    SetForegroundWindow(window);
    if (!PollUntil(5000, [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetForegroundWindow() == window && GetGUIThreadInfo(thread, &info) && info.hwndFocus == window;
        }))
        return false;
    const WORD keys[4] = {VK_CONTROL, key, key, VK_CONTROL};
    INPUT inputs[4] = {};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    return SendInput(4, inputs, sizeof(INPUT)) == 4;
}

TEST_F(LiveCamera, CtrlTabWithOneCameraLeavesItsPictureRunning)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    ASSERT_TRUE(TypeWithCtrl(window, VK_TAB));
    const int first = ShownPicture(window);
    EXPECT_TRUE(PictureMovesOn(window, first)) << "the camera still streams; the picture stays at " << first;
    EXPECT_EQ(window, console.MainWindow());
}

TEST_F(LiveCamera, TheCameraPanelCommandOpensTheBarAndASecondOneClosesIt)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    HWND bar = WindowWithControl(console, 59892);  // the bar holds the settings button
    ASSERT_NE(nullptr, bar);
    struct Step {
        int width, height;
    } steps[] = {{700, 500}, {700, 97}, {700, 500}};
    for (const Step& step : steps) {
        PostMessageW(window, WM_COMMAND, 59652, 0);
        RECT rect{};
        EXPECT_TRUE(PollUntil(5000,
                              [&] {
                                  rect = WindowRect(bar);
                                  return rect.bottom - rect.top == step.height;
                              }))
            << "bar " << rect.right - rect.left << " x " << rect.bottom - rect.top << ", expected height "
            << step.height;
        EXPECT_EQ(rect.right - rect.left, step.width);
    }
}

// The console's visible top-level window titled like a picture taken at one
// of the seconds from `from` to `to`.
HWND WindowTitledWithTimeBetween(const Console& console, time_t from, time_t to)
{
    std::vector<std::wstring> titles;
    for (time_t t = from; t <= to; ++t) {
        wchar_t title[128];
        wcsftime(title, 128, L"%Y-%b-%d_%a_%H-%M-%S", localtime(&t));
        titles.push_back(title);
    }
    for (HWND window : testsupport::TopLevelWindows(testsupport::ProcessOf(console.MainWindow()))) {
        wchar_t title[128] = L"";
        GetWindowTextW(window, title, 128);
        if (IsWindowVisible(window) && std::find(titles.begin(), titles.end(), title) != titles.end()) return window;
    }
    return nullptr;
}

// Closes the console, which first offers its unsaved snapshot: true when it
// asked and waits for the answer. The answer is No, so the console ends.
bool CloseDecliningToSave(Console& console, HWND window)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
    HWND question = nullptr;
    const bool asked =
        PollUntil(10000, [&] { return (question = console.FindWindowOf(L"#32770", kMessageText)) != nullptr; }) &&
        !console.WaitForExit(0);
    if (question) PostMessageW(question, WM_COMMAND, IDNO, 0);
    return asked;
}

// The snapshot key shows the live page in the embedded picture window,
// titled with the time. Closing the console then offers the unsaved picture
// before it goes.
TEST_F(LiveCamera, TheSnapshotKeyShowsTheLivePageInAPictureWindowTitledWithTheTime)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    const time_t pressed = time(nullptr);
    ASSERT_TRUE(TypeWithCtrl(window, 'S'));
    HWND picture = nullptr;
    ASSERT_TRUE(PollUntil(10000, [&] {
        return (picture = WindowTitledWithTimeBetween(console, pressed, time(nullptr))) != nullptr;
    })) << "a picture window titled with the time of the press";
    EXPECT_NE(picture, window);
    EXPECT_TRUE(PollUntil(10000, [&] { return ShownPicture(picture) >= 0; })) << "it shows the camera's page";

    EXPECT_TRUE(CloseDecliningToSave(console, window)) << "the unsaved snapshot is offered";
    EXPECT_TRUE(console.WaitForExit(10000));
}

// The clipboard's device-independent bitmap as top-down rows of BGR; empty
// when it offers none.
Screen ClipboardPicture()
{
    Screen picture{};
    if (!OpenClipboard(nullptr)) return picture;
    HANDLE data = GetClipboardData(CF_DIB);
    const auto* header = data ? static_cast<const BITMAPINFOHEADER*>(GlobalLock(data)) : nullptr;
    if (header && header->biBitCount == 24 && header->biCompression == BI_RGB && header->biHeight > 0) {
        picture.width = header->biWidth;
        picture.height = header->biHeight;
        picture.stride = (picture.width * 3 + 3) & ~3;
        const auto* rows = reinterpret_cast<const uint8_t*>(header) + header->biSize;
        picture.bgr.resize(size_t(picture.stride) * picture.height);
        for (int y = 0; y < picture.height; ++y)  // bottom-up in the bitmap
            std::memcpy(&picture.bgr[size_t(y) * picture.stride],
                        rows + size_t(picture.height - 1 - y) * picture.stride, size_t(picture.stride));
    }
    if (header) GlobalUnlock(data);
    CloseClipboard();
    return picture;
}

// Pixels of the part that differ from the screen's area at (left, top) by
// more than a little in some channel.
int PixelsApart(const Screen& part, const Screen& screen, int left, int top)
{
    int apart = 0;
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int a = part.bgr[size_t(y) * part.stride + size_t(x) * 3 + c];
                const int b = screen.bgr[size_t(top + y) * screen.stride + size_t(left + x) * 3 + c];
                if (std::abs(a - b) > 24) {
                    ++apart;
                    break;
                }
            }
    return apart;
}

// The drawing tools act on the window worked in last: in the snapshot's
// picture window a drag with the bar's copy tool puts that area of its
// picture on the clipboard, a line drawn there shows there, and "Erase all"
// clears it there.
TEST_F(LiveCamera, TheToolsWorkOnThePictureWindowActivatedLast)
{
    SeedPlace(40, 30, 827, 690);
    Profile::Set(L"ShowHint", DWORD(0));  // no copy notice
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    const time_t pressed = time(nullptr);
    PostMessageW(window, WM_COMMAND, 59658, 0);  // snapshot
    HWND picture = nullptr;
    ASSERT_TRUE(PollUntil(
        10000, [&] { return (picture = WindowTitledWithTimeBetween(console, pressed, time(nullptr))) != nullptr; }));
    ASSERT_TRUE(PollUntil(10000, [&] { return ShownPicture(picture) >= 0; }));
    SetForegroundWindow(picture);
    ASSERT_TRUE(PollUntil(5000, [&] { return GetForegroundWindow() == picture; }));
    const Screen before = CapturePictureArea(picture);
    ASSERT_TRUE(OpenClipboard(nullptr));  // nothing from before is offered
    EmptyClipboard();
    CloseClipboard();
    const DWORD emptied = GetClipboardSequenceNumber();

    ASSERT_TRUE(PressPanelButton(console, 59891));  // the copy tool
    DragOverPicture(picture, {100, 100}, {300, 250});
    // Opened here while the console copies, the clipboard would refuse the
    // console: it is read only once the console has changed it.
    Screen copied;
    EXPECT_TRUE(PollUntil(5000, [&] { return GetClipboardSequenceNumber() != emptied; }) &&
                PollUntil(5000, [&] { return (copied = ClipboardPicture()).width > 0; }))
        << "nothing copied";
    EXPECT_EQ(copied.width, 200);
    EXPECT_EQ(copied.height, 150);
    if (copied.width == 200 && copied.height == 150) {
        EXPECT_LT(PixelsApart(copied, before, 100, 100), 300) << "the copy is that area of the picture";
        EXPECT_GT(copied.InkPixels(0, 0, 200, 150), 100) << "of the page, not a blank";
    }

    // The bar's freehand tool puts the copy tool away.
    HWND bar = WindowWithControl(console, 59892);
    ASSERT_NE(nullptr, bar);
    PostMessageW(bar, WM_COMMAND, 59696, 0);
    ASSERT_TRUE(PressPanelButton(console, 59843));  // the 16-pixel pen
    auto redInPicture = [&] { return CapturePictureArea(picture).RedPixels(110, 290, 390, 310); };
    ASSERT_LT(redInPicture(), 50);
    DragOverPicture(picture, {100, 300}, {400, 300});
    EXPECT_TRUE(PollUntil(5000, [&] { return redInPicture() > 1000; })) << "the line: " << redInPicture();
    ASSERT_TRUE(PressPanelButton(console, 59702));  // erase all
    EXPECT_TRUE(PollUntil(5000, [&] { return redInPicture() < 50; })) << "left: " << redInPicture();
    EXPECT_TRUE(CloseDecliningToSave(console, window));
    EXPECT_TRUE(console.WaitForExit(10000));
}

// Chooses a file in the console's open dialog (its first dialog), once it is
// there; false when no dialog came. The command has run its course when the window answers.
bool ChooseInOpenDialog(const Console& console, HWND window, const std::wstring& path)
{
    HWND dialog = nullptr;
    const int kNameFields[] = {0x47C, 0x480};  // the name box of either dialog style
    int field = 0;
    if (!PollUntil(10000, [&] {
            dialog = console.FindWindowOf(L"#32770");
            for (int id : kNameFields)
                if (dialog && GetDlgItem(dialog, id)) field = id;
            return field != 0;
        }))
        return false;
    SetDlgItemTextW(dialog, field, path.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    if (!PollUntil(10000, [&] { return !IsWindow(dialog); })) return false;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    return true;
}

int VisibleWindows(const Console& console)
{
    const std::vector<HWND> windows = testsupport::TopLevelWindows(testsupport::ProcessOf(console.MainWindow()));
    return static_cast<int>(std::count_if(windows.begin(), windows.end(), IsWindowVisible));
}

// The screen's colour at a fraction of the window's picture area, as "r,g,b"
// rounded to the nearest of 0 and 255 per channel.
std::string ColourAt(HWND window, double fx, double fy)
{
    const Screen shot = CapturePictureArea(window);
    const uint8_t* p = &shot.bgr[size_t(fy * shot.height) * shot.stride + size_t(fx * shot.width) * 3];
    auto level = [](uint8_t v) { return v > 127 ? "255" : "0"; };
    return std::string(level(p[2])) + "," + level(p[1]) + "," + level(p[0]);
}

TEST_F(WithoutCamera, TheOpenCommandShowsAChosenPictureTitledWithItsNameAndLeavesOtherFiles)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    // A picture file of another kind, by its name.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring other = std::wstring(temp) + L"quadrants.png";
    ASSERT_TRUE(CopyFileW(BesideTest(L"fixtures\\quadrants.gif").c_str(), other.c_str(), FALSE));
    const int windowsBefore = VisibleWindows(console);
    PostMessageW(window, WM_COMMAND, 59655, 0);
    ASSERT_TRUE(ChooseInOpenDialog(console, window, other));
    EXPECT_EQ(VisibleWindows(console), windowsBefore) << "nothing opens a .png";
    DeleteFileW(other.c_str());

    PostMessageW(window, WM_COMMAND, 59655, 0);
    ASSERT_TRUE(ChooseInOpenDialog(console, window, BesideTest(L"fixtures\\quadrants.GIF")));
    HWND picture = nullptr;
    ASSERT_TRUE(PollUntil(10000, [&] { return (picture = FindWindowW(nullptr, L"quadrants.GIF")) != nullptr; }));
    EXPECT_TRUE(IsWindowVisible(picture));
    // Red, green, blue and white quadrants, where the file has them.
    EXPECT_TRUE(PollUntil(5000, [&] { return ColourAt(picture, 0.25, 0.25) == "255,0,0"; }))
        << ColourAt(picture, 0.25, 0.25);
    EXPECT_EQ(ColourAt(picture, 0.75, 0.25), "0,255,0");
    EXPECT_EQ(ColourAt(picture, 0.25, 0.75), "0,0,255");
    EXPECT_EQ(ColourAt(picture, 0.75, 0.75), "255,255,255");
}

// The panel holding a button of this id within a window, or null.
HWND PanelWithButtonIn(HWND window, int id)
{
    HWND button = testsupport::FindControlIn(window, id);
    return button ? GetParent(button) : nullptr;
}

// An opened film plays in the embedded picture window, titled with the
// file's name, with the video panel at its bottom: the pointer over the
// video bar's zone brings the panel, elsewhere in the window it goes. The
// bar's video command (59654) opens nothing. With the film open the console
// closes cleanly.
TEST_F(WithoutCamera, AnOpenedFilmPlaysInThePictureWindowWithTheVideoPanel)
{
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    HWND bar = WindowWithControl(console, 59892);
    ASSERT_NE(nullptr, bar);
    DWORD_PTR result = 1;
    SendMessageTimeoutW(window, WM_COMMAND, 59654, 0, SMTO_NORMAL, 10000, &result);
    EXPECT_EQ(97, WindowRect(bar).bottom - WindowRect(bar).top) << "the video command opens no panel in the bar";

    PointerMoves pointer;
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    PostMessageW(window, WM_COMMAND, 59655, 0);
    ASSERT_TRUE(ChooseInOpenDialog(console, window, BesideTest(L"fixtures\\films\\video25.avi")));
    HWND picture = nullptr;
    ASSERT_TRUE(PollUntil(10000, [&] { return (picture = FindWindowW(nullptr, L"video25.avi")) != nullptr; }));
    EXPECT_TRUE(IsWindowVisible(picture));
    EXPECT_NE(picture, window);
    // The film's frames: blue over green.
    EXPECT_TRUE(PollUntil(5000, [&] { return ColourAt(picture, 0.5, 0.25) == "0,0,255"; }))
        << ColourAt(picture, 0.5, 0.25);
    EXPECT_EQ(ColourAt(picture, 0.5, 0.6), "0,255,0");
    EXPECT_GT(CaptureWindowPart(picture, 25, 5, 275, 27).TextPixels(), 30) << "the file's name at the top left";

    HWND panel = PanelWithButtonIn(picture, 59660);  // the panel's stop button
    ASSERT_NE(nullptr, panel);
    EXPECT_TRUE(IsWindowVisible(panel));
    const int height = WindowRect(picture).bottom - WindowRect(picture).top;
    pointer.To(picture, 100, 100);
    EXPECT_TRUE(PollUntil(5000, [&] { return !IsWindowVisible(panel); })) << "away from the bar the panel goes";
    pointer.To(picture, 300, height - 55);
    EXPECT_TRUE(PollUntil(5000, [&] { return IsWindowVisible(panel) != FALSE; })) << "over the bar it comes back";

    // Full screen, the bar spans the bottom edge; back in the window it has
    // its own place again, right of the window's left end.
    const WPARAM kFullScreen = 0xE14E, kLeaveFullScreen = 59656;
    PostMessageW(picture, WM_COMMAND, kFullScreen, 0);
    ASSERT_TRUE(PollUntil(5000, [&] { return IsZoomed(picture) != 0; }));
    const RECT full = SettledRect(picture);
    pointer.To(picture, 100, 100);
    EXPECT_TRUE(PollUntil(5000, [&] { return !IsWindowVisible(panel); }));
    pointer.To(picture, 20, full.bottom - full.top - 10);
    EXPECT_TRUE(PollUntil(5000, [&] { return IsWindowVisible(panel) != FALSE; })) << "the bar's left end";
    PostMessageW(picture, WM_COMMAND, kLeaveFullScreen, 0);
    ASSERT_TRUE(PollUntil(5000, [&] { return !IsZoomed(picture); }));
    const RECT restored = SettledRect(picture);
    pointer.To(picture, 100, 100);
    EXPECT_TRUE(PollUntil(5000, [&] { return !IsWindowVisible(panel); }));
    pointer.To(picture, 20, restored.bottom - restored.top - 55);
    EXPECT_FALSE(PollUntil(1000, [&] { return IsWindowVisible(panel) != FALSE; })) << "left of the bar";

    // The panel goes with the window it sits in, after the main window
    // closed the film.
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(console.WaitForExit(10000));
    EXPECT_EQ(0u, console.ExitCode());
}

// A size in bytes of the file, 0 when it is not there.
ULONGLONG FileBytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Recording with the control bar's record button, then closing the console
// while it records: confirmed, the console ends and leaves a whole file.
// Run by video_panel_test, which names the folder in
// ORBILE_RECORDING_FOLDER and reads the file with ffprobe and ffmpeg.
TEST_F(LiveCamera, ClosingWhileRecordingEndsTheFileWithTheFramesSoFar)
{
    const wchar_t* folder = _wgetenv(L"ORBILE_RECORDING_FOLDER");
    if (!folder) GTEST_SKIP() << "video_panel_test runs this with a folder for the film";
    const std::wstring path = std::wstring(folder) + L"\\closed.avi";
    DeleteFileW(path.c_str());
    // 320 x 240 without sound: the disk keeps pace with the camera.
    Profile::Set(L"bDownToQVGA", DWORD(1));
    Profile::Set(L"bAudio", DWORD(0));
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    // At the top right: "Rec", blinking, and the recording clock beside it.
    auto recTextPixels = [&] {
        const Screen shot = CapturePictureArea(window);
        return shot.RedPixels(shot.width - 250, 0, shot.width - 110, 40);
    };
    auto clockPixels = [&] {
        const Screen shot = CapturePictureArea(window);
        return shot.RedPixels(shot.width - 100, 0, shot.width, 25);
    };
    EXPECT_LT(recTextPixels(), 10);
    EXPECT_LT(clockPixels(), 10);
    ASSERT_TRUE(PressPanelButton(console, 59659));
    ASSERT_TRUE(ChooseInOpenDialog(console, window, path)) << "the record command asks where to";
    // Some 40 frames of 230,400 bytes written.
    const ULONGLONG enough = 40ull * 320 * 240 * 3;
    ASSERT_TRUE(PollUntil(30000, [&] { return FileBytes(path) > enough; })) << FileBytes(path) << " bytes";
    EXPECT_TRUE(PollUntil(5000, [&] { return recTextPixels() > 30; })) << "\"Rec\" shows while recording";
    EXPECT_TRUE(PollUntil(5000, [&] { return recTextPixels() < 10; })) << "\"Rec\" blinks";
    EXPECT_GT(clockPixels(), 30) << "the clock stays while \"Rec\" is off";

    // No keeps the console recording; Yes ends both.
    for (int answer : {IDNO, IDYES}) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        HWND question = nullptr;
        ASSERT_TRUE(PollUntil(10000, [&] { return (question = console.FindWindowOf(L"#32770", IDYES)) != nullptr; }))
            << "closing asks whether to stop the recording";
        const ULONGLONG asked = FileBytes(path);
        PostMessageW(question, WM_COMMAND, answer, 0);
        if (answer == IDYES) break;
        ASSERT_TRUE(PollUntil(10000, [&] { return FileBytes(path) > asked + 10 * 320 * 240 * 3; }))
            << "the recording goes on";
        EXPECT_FALSE(console.WaitForExit(0));
    }
    ASSERT_TRUE(console.WaitForExit(20000));
    EXPECT_EQ(0u, console.ExitCode());
}

// The file names in a folder matching the pattern.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

TEST_F(LiveCamera, TheSnapshotKeyInSeriesModeStartsNumberedShotsAndAgainStopsThem)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"orbileap-series";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& old : FilesIn(folder, L"*.jpg")) DeleteFileW((folder + L"\\" + old).c_str());
    Profile::Set(L"Capture", 1);
    Profile::Set(L"SavingPathName", folder.c_str());
    Profile::Set(L"SavingName", L"lesson");
    Console console;
    HWND window = console.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ShowsLivePicture(window));
    auto capturingShown = [&] {
        const Screen shot = CapturePictureArea(window);
        return shot.TextPixels(shot.width - 200, 0, 40) > 30;
    };
    EXPECT_FALSE(capturingShown());

    const time_t pressed = time(nullptr);
    ASSERT_TRUE(TypeWithCtrl(window, 'S'));
    std::vector<std::wstring> shots;
    ASSERT_TRUE(PollUntil(10000, [&] { return !(shots = FilesIn(folder, L"*.jpg")).empty(); }))
        << "the first shot at the series' first tick";
    const std::wstring& first = shots.front();
    bool stamped = false;
    for (time_t t = pressed; t <= time(nullptr); ++t) {
        wchar_t name[128];
        wcsftime(name, 128, L"lesson%Y-%b-%d_%a_%H-%M-%S_00000.jpg", localtime(&t));
        stamped |= first == name;
    }
    EXPECT_TRUE(stamped) << std::string(first.begin(), first.end());
    EXPECT_TRUE(PollUntil(5000, capturingShown)) << "\"Capturing\" blinks at the top right";

    ASSERT_TRUE(TypeWithCtrl(window, 'S'));
    // The text blinks, 600 ms of each second: stopped, it stays away longer.
    auto lastShown = std::chrono::steady_clock::now();
    EXPECT_TRUE(PollUntil(10000, [&] {
        const auto sampled = std::chrono::steady_clock::now();
        if (capturingShown()) lastShown = sampled;
        return sampled - lastShown >= std::chrono::milliseconds(1500);
    })) << "the second press stops the series";
    EXPECT_EQ(FilesIn(folder, L"*_00002.jpg").size(), 0u);
    for (const std::wstring& shot : FilesIn(folder, L"*.jpg")) DeleteFileW((folder + L"\\" + shot).c_str());

    // Unplugging the camera ends a series: the shot due 5 s on never comes.
    ASSERT_TRUE(TypeWithCtrl(window, 'S'));
    ASSERT_TRUE(PollUntil(10000, [&] { return !FilesIn(folder, L"*.jpg").empty(); }));
    SendDeviceEvent(window, DBT_DEVICEREMOVECOMPLETE, kCameraInterface);
    EXPECT_FALSE(PollUntil(8000, [&] { return !FilesIn(folder, L"*_00001.jpg").empty(); }))
        << "the series went on without the camera";
    for (const std::wstring& shot : FilesIn(folder, L"*.jpg")) DeleteFileW((folder + L"\\" + shot).c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(WithoutCamera, SettingsDialogWritesTheProfileOnOkOnly)
{
    Console console;
    ASSERT_NE(nullptr, console.WaitForMainWindow());
    const int kSettingsButton = 59892, kNameField = 1049;
    HWND bar = WindowWithControl(console, kSettingsButton);
    ASSERT_NE(nullptr, bar) << "the control bar";
    struct Choice {
        const wchar_t* name;
        int button;
        const wchar_t* saved;
    } choices[] = {{L"lesson", IDOK, L"lesson"}, {L"other", IDCANCEL, L"lesson"}};
    for (const Choice& choice : choices) {
        PostMessageW(bar, WM_COMMAND, kSettingsButton, 0);
        HWND dialog = nullptr;
        ASSERT_TRUE(PollUntil(10000, [&] { return (dialog = FindWindowW(L"#32770", L"Settings")) != nullptr; }));
        SetDlgItemTextW(dialog, kNameField, choice.name);
        PostMessageW(dialog, WM_COMMAND, choice.button, 0);
        ASSERT_TRUE(PollUntil(10000, [&] { return !IsWindow(dialog); }));
        // The settings are written once the dialog has returned, a moment
        // after its window went.
        std::wstring saved;
        EXPECT_TRUE(PollUntil(5000, [&] { return (saved = Profile::Text(L"SavingName")) == choice.saved; }))
            << "after " << choice.button << ": " << std::string(saved.begin(), saved.end());
    }
}

TEST_F(WithoutCamera, ASecondStartRaisesTheFirstWindowAndEnds)
{
    Console first;
    HWND window = first.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(PollUntil(5000, [&] { return IsIconic(window) != 0; }));

    Console second;
    ASSERT_TRUE(second.Started());
    ASSERT_TRUE(second.WaitForExit(20000));
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_TRUE(PollUntil(5000, [&] { return !IsIconic(window); })) << "the first window is restored";
    EXPECT_FALSE(first.WaitForExit(0));
}

// The program's folder without its skin library.
std::wstring FolderWithoutSkinLibrary()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"orbileap-noskin\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"Language").c_str(), nullptr);
    const std::wstring source = ProgramDir();
    for (const wchar_t* pattern : {L"*.exe", L"*.dll", L"*.ax", L"Language\\*.ini"}) {
        const std::wstring sub = std::wstring(pattern).find(L'\\') != std::wstring::npos ? L"Language\\" : L"";
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((source + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            if (_wcsicmp(found.cFileName, L"orbileres.dll") != 0)
                CopyFileW((source + sub + found.cFileName).c_str(), (folder + sub + found.cFileName).c_str(), FALSE);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    DeleteFileW((folder + L"orbileres.dll").c_str());
    return folder;
}

std::wstring LanguageText(const wchar_t* file, const wchar_t* key)
{
    wchar_t text[512];
    GetPrivateProfileStringW(L"Messages", key, L"", text, 512, (ProgramDir() + L"Language\\" + file).c_str());
    return text;
}

// The language file the system's language selects is named by the test's
// caller, which runs this test once per language.
TEST(MissingSkinLibrary, WarnsInTheSystemsLanguageAndEnds)
{
    Profile::Clear();
    const wchar_t* file = _wgetenv(L"ORBILE_LANGUAGE_FILE");
    const std::wstring expected = LanguageText(file ? file : L"DCstring_en.ini", L"warnNoResFile");
    ASSERT_FALSE(expected.empty());
    Console console(FolderWithoutSkinLibrary());
    HWND box = nullptr;
    ASSERT_TRUE(PollUntil(20000, [&] { return (box = console.FindWindowOf(L"#32770", kMessageText)) != nullptr; }));
    wchar_t text[512] = L"";
    GetDlgItemTextW(box, kMessageText, text, 512);
    EXPECT_EQ(expected, text);
    EXPECT_EQ(nullptr, console.MainWindow());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(console.WaitForExit(10000));
    EXPECT_EQ(nullptr, console.MainWindow());
}

}  // namespace
