// orbileap.exe as a user meets it, driven from outside under Wine: start-up
// at the saved place, the simulated camera's live picture on the screen, the
// no-camera state, the single instance, the missing skin library in two
// languages, the settings round trip, the 4:3 rule and device events.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

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
        RegGetValueW(HKEY_CURRENT_USER, (std::wstring(kProfile) + L"\\Settings").c_str(), name, RRF_RT_REG_SZ,
                     nullptr, value, &size);
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
        WindowSearch search{m_process.dwProcessId, className, childId, nullptr};
        EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND MainWindow() const { return FindWindowOf(); }
    HWND WaitForMainWindow(DWORD ms = 20000) const
    {
        HWND window = nullptr;
        PollUntil(ms, [&] { return (window = MainWindow()) != nullptr; });
        return window;
    }

private:
    struct WindowSearch {
        DWORD process;
        const wchar_t* className;
        int childId;
        HWND found;
    };
    static BOOL CALLBACK MatchWindow(HWND window, LPARAM data)
    {
        auto* search = reinterpret_cast<WindowSearch*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t text[64] = L"";
        if (search->className)
            GetClassNameW(window, text, 64);
        else
            GetWindowTextW(window, text, 64);
        if (process != search->process || !IsWindowVisible(window) ||
            wcscmp(text, search->className ? search->className : kTitle) != 0 ||
            (search->childId && !GetDlgItem(window, search->childId)))
            return TRUE;
        search->found = window;
        return FALSE;
    }

    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// The window's rectangle once it has stopped changing: the console is another
// process, whose window shows its new state before its new size arrives.
RECT SettledRect(HWND window)
{
    RECT last = WindowRect(window);
    int unchanged = 0;
    PollUntil(5000, [&] {
        const RECT now = WindowRect(window);
        unchanged = EqualRect(&now, &last) ? unchanged + 1 : 0;
        last = now;
        return unchanged >= 6;
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

// Grey levels of the screen inside a window's picture area (13 in from the
// sides, 26 below the top, 64 above the bottom), averaged over a grid of
// cells so that the comparison does not depend on how the picture was
// scaled.
const int kGridW = 64, kGridH = 48;

std::vector<double> GridOf(const std::vector<uint8_t>& bgr, int width, int height, int stride)
{
    std::vector<double> grid(kGridW * kGridH, 0.0);
    std::vector<int> counts(grid.size(), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
            const int cell = (y * kGridH / height) * kGridW + x * kGridW / width;
            grid[cell] += (p[0] + p[1] + p[2]) / 3.0;
            ++counts[cell];
        }
    for (size_t i = 0; i < grid.size(); ++i) grid[i] /= counts[i] ? counts[i] : 1;
    return grid;
}

struct Screen {
    std::vector<uint8_t> bgr;  // top-down rows
    int width = 0, height = 0, stride = 0;
    // Pixels of the colour the console writes its texts in (red), in the
    // part from (left, top) on.
    int TextPixels(int left = 0, int top = 0) const
    {
        int count = 0;
        for (int y = top; y < height; ++y)
            for (int x = left; x < width; ++x) {
                const uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
                count += p[2] > 200 && p[1] < 90 && p[0] < 60;
            }
        return count;
    }
    double MeanGrey() const
    {
        double sum = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
                sum += (p[0] + p[1] + p[2]) / 3.0;
            }
        return sum / (double(width) * height);
    }
};

Screen CapturePictureArea(HWND window)
{
    const RECT rect = WindowRect(window);
    Screen shot;
    shot.width = rect.right - rect.left - 26;
    shot.height = rect.bottom - rect.top - 90;
    shot.stride = (shot.width * 3 + 3) & ~3;
    shot.bgr.resize(size_t(shot.stride) * shot.height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, rect.left + 13, rect.top + 26, SRCCOPY);
    GdiFlush();
    std::memcpy(shot.bgr.data(), bits, shot.bgr.size());
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

// The simulated camera's pictures as grids, decoded here with the codec.
const std::vector<std::vector<double>>& ReferenceGrids()
{
    static std::vector<std::vector<double>> grids;
    if (!grids.empty()) return grids;
    const int w = simcam::kTestPictureWidth, h = simcam::kTestPictureHeight;
    std::vector<uint8_t> pixels(size_t(w) * h * 3);
    for (const simcam::Picture& picture : simcam::kTestPictures) {
        JPEG_PROPERTIES props;
        jpegInit(&props);
        props.jpegBuffer = const_cast<uint8_t*>(picture.bytes);
        props.jpegBufferSize = int32_t(picture.size);
        props.bitmapPixels = pixels.data();
        props.bitmapWidth = w;
        props.bitmapHeight = h;  // rows top-down
        props.bitmapChannels = 3;
        props.bitmapColor = JPEG_COLOR_BGR;
        const JPEG_STATUS status = jpegRead(&props, DecodeFromMemory);
        jpegFree(&props);
        EXPECT_EQ(0, int(status));
        grids.push_back(GridOf(pixels, w, h, w * 3));
    }
    return grids;
}

double MeanDifference(const std::vector<double>& a, const std::vector<double>& b, int fromX, int fromY)
{
    double sum = 0;
    int cells = 0;
    for (int y = fromY; y < kGridH; ++y)
        for (int x = fromX; x < kGridW; ++x, ++cells) sum += std::fabs(a[y * kGridW + x] - b[y * kGridW + x]);
    return sum / cells;
}

// Which test picture the window shows (its frame counter, "No. n" at the
// bottom right), or -1 when the picture area does not show the document.
int ShownPicture(HWND window)
{
    const Screen shot = CapturePictureArea(window);
    const std::vector<double> grid = GridOf(shot.bgr, shot.width, shot.height, shot.stride);
    const auto& references = ReferenceGrids();
    int best = -1;
    double bestCounter = 1e9;
    for (int i = 0; i < int(references.size()); ++i) {
        if (MeanDifference(grid, references[i], 0, 0) > 12.0) continue;
        const double counter = MeanDifference(grid, references[i], 46, 41);
        if (counter < bestCounter) {
            bestCounter = counter;
            best = i;
        }
    }
    return best;
}

bool ShowsLivePicture(HWND window)
{
    return PollUntil(10000, [&] { return ShownPicture(window) >= 0; });
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
    int later = first;
    EXPECT_TRUE(PollUntil(5000, [&] {
        later = ShownPicture(window);
        return later >= 0 && later != first;
    })) << "the frame counter stays at " << first;
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

TEST_F(LiveCamera, ClosingWritesTheSeededSettingsAndTheNewPlaceBack)
{
    SeedPlace(40, 30, 827, 690);
    Profile::Set(L"SavingPathName", L"D:\\Lessons");
    Profile::Set(L"SavingName", L"board");
    Profile::Set(L"Capture", 1);
    Profile::Set(L"TotalTime", 4);
    Profile::Set(L"IntervalTime", 2);
    Profile::Set(L"ShowHint", DWORD(0));
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
struct ControlSearch {
    DWORD process;
    int id;
    HWND found;
};

BOOL CALLBACK MatchControlOwner(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<ControlSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !GetDlgItem(window, search->id)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND WindowWithControl(const Console& console, int id)
{
    ControlSearch search{0, id, nullptr};
    GetWindowThreadProcessId(console.MainWindow(), &search.process);
    EnumWindows(&MatchControlOwner, reinterpret_cast<LPARAM>(&search));
    return search.found;
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
        EXPECT_EQ(Profile::Text(L"SavingName"), choice.saved) << "after " << choice.button;
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
