// Drives and reads the network panel of the console running in this Wine
// prefix, one step per run, for the sharing test that holds two consoles
// in two prefixes. Every wait is bounded; the exit code says whether the
// step came about (0), did not (1), or could not be tried (2).
//   network_probe register-camera DLL | share NAME | unshare | wait-name TEXT |
//                 wait-listed TEXT | wait-unlisted TEXT | choose TEXT | selected |
//                 press ID | wait-picture | wait-snapshot | wait-no-camera | status |
//                 allow-control | draw-line | red-line | erase-all | record PATH MS
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "PictureCheck.h"
#include <testsupport/Dialogs.h>
#include <testsupport/PollUntil.h>

namespace {

using testsupport::PollUntil;

const wchar_t kTitle[] = L"DovraOrbile 3";
const int kServiceName = 1179, kServerList = 1180, kStatus = 1182, kSharing = 59910, kControlOn = 59911,
          kEraseAll = 59702;
const DWORD kWaitMs = 30000;
// The sound input's error comes at once when it comes.
const DWORD kSoundErrorWaitMs = 5000;

HWND MainWindow() { return FindWindowW(nullptr, kTitle); }

// The panel that holds the control of this id (the console's ids are unique).
HWND PanelOf(int id)
{
    HWND control = nullptr;
    PollUntil(kWaitMs, [&] { return (control = testsupport::FindControl(0, id)) != nullptr; });
    return control ? GetParent(control) : nullptr;
}

// The network panel, found by its server list.
HWND Panel() { return PanelOf(kServerList); }

std::wstring Text(HWND window)
{
    wchar_t text[1000] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1000, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &copied);
    return text;
}

std::wstring Wide(const char* text)
{
    wchar_t wide[1000] = L"";
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 1000);
    return wide;
}

void Print(const std::wstring& text)
{
    char utf8[3000] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
    printf("%s\n", utf8);
}

LRESULT FindItem(HWND list, const std::wstring& text)
{
    return SendMessageW(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
}

int Result(bool ok) { return ok ? 0 : 1; }

int RegisterCamera(const wchar_t* dll)
{
    CoInitialize(nullptr);
    HMODULE module = LoadLibraryW(dll);
    typedef HRESULT(STDAPICALLTYPE * ServerEntry)();
    auto entry =
        module ? reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")))
               : nullptr;
    return entry && SUCCEEDED(entry()) ? 0 : 2;
}

// Whether a visible top-level window of the console other than its main
// window (the embedded picture window) shows the camera's page.
bool PictureWindowShowsPicture(HWND main)
{
    for (HWND window : testsupport::TopLevelWindows(testsupport::ProcessOf(main)))
        if (window != main && IsWindowVisible(window) && ShownPicture(window) >= 0) return true;
    return false;
}

// A visible dialog box of the console's, once there is one.
HWND WaitForDialog(HWND main)
{
    std::vector<HWND> dialogs;
    PollUntil(kWaitMs,
              [&] { return !(dialogs = testsupport::VisibleDialogs(testsupport::ProcessOf(main), nullptr)).empty(); });
    return dialogs.empty() ? nullptr : dialogs.front();
}

// Answers a dialog with a button, and waits until it went and the console
// has carried out what followed.
bool Answer(HWND main, HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, button, 0);
    if (!PollUntil(kWaitMs, [&] { return !IsWindow(dialog); })) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &result) != 0;
}

// Records through the control bar's buttons: the file named in the save
// dialog, for the given time, then stopped with the confirmation answered.
bool Record(HWND main, HWND bar, const std::wstring& path, DWORD ms)
{
    const int kStartRecording = 59659, kStopRecording = 59660;
    const int kNameFields[] = {0x47C, 0x480};  // the name box of either dialog style
    PostMessageW(bar, WM_COMMAND, kStartRecording, 0);
    HWND save = WaitForDialog(main);
    int field = 0;
    for (int id : kNameFields)
        if (save && GetDlgItem(save, id)) field = id;
    if (!field) return false;
    SetDlgItemTextW(save, field, path.c_str());
    if (!Answer(main, save, IDOK)) return false;
    // Without a sound input the console says so, then records without sound.
    std::vector<HWND> soundError;
    PollUntil(kSoundErrorWaitMs, [&] {
        return !(soundError = testsupport::VisibleDialogs(testsupport::ProcessOf(main), L"Device Error")).empty();
    });
    if (!soundError.empty() && !Answer(main, soundError.front(), IDOK)) return false;
    Sleep(ms);
    PostMessageW(bar, WM_COMMAND, kStopRecording, 0);
    // The stop question's Yes is its OK button.
    HWND confirm = WaitForDialog(main);
    return confirm && Answer(main, confirm, IDOK);
}

void ToggleSharing(HWND panel)
{
    SendMessageW(panel, WM_COMMAND, MAKEWPARAM(kSharing, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(panel, kSharing)));
}

bool IsSharing(HWND panel) { return SendMessageW(GetDlgItem(panel, kSharing), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The drawn line: across the middle of the picture area, from 30% to 70%
// of its width, in picture-area pixels.
struct LineBand {
    int left, right, y;
};

LineBand DrawnLine(const Screen& area) { return {area.width * 3 / 10, area.width * 7 / 10, area.height / 2}; }

// A drag along the line with the left button, as the mouse reports it.
void DragLine(HWND main)
{
    const Screen area = CapturePictureArea(main);
    const LineBand line = DrawnLine(area);
    const RECT window = WindowRect(main);
    auto at = [&](int x) {
        POINT p{window.left + 13 + x, window.top + 26 + line.y};
        ScreenToClient(main, &p);
        return MAKELPARAM(p.x, p.y);
    };
    const int steps = 10;
    SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, at(line.left));
    for (int i = 1; i <= steps; ++i)
        SendMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, at(line.left + (line.right - line.left) * i / steps));
    SendMessageW(main, WM_LBUTTONUP, 0, at(line.right));
}

// Red pixels near the drawn line (as drawing in the default colour leaves)
// and the line's length.
void PrintRedNearLine(HWND main)
{
    const Screen area = CapturePictureArea(main);
    const LineBand line = DrawnLine(area);
    printf("%d %d\n", area.RedPixels(line.left, line.y - area.height / 10, line.right, line.y + area.height / 10),
           line.right - line.left);
}

// Red pixels of the texts over the picture, the fewest and the most seen in
// a second and a half (long enough for a blinking text to be on and off):
// the sharing notice at the bottom left of the picture, the viewed
// console's name at the left of the title bar.
void PrintOverlayTexts(HWND main)
{
    struct Range {
        int least = INT_MAX, most = 0;
        void Add(int count) { least = std::min(least, count), most = std::max(most, count); }
    } sharing, name;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < end) {
        const Screen area = CapturePictureArea(main);
        sharing.Add(area.RedPixels(20, area.height - 30, 300, area.height));
        name.Add(CaptureWindowPart(main, 10, 5, 300, 27).TextPixels());
        Sleep(50);
    }
    printf("%d %d %d %d\n", sharing.least, sharing.most, name.least, name.most);
}

int Run(const std::string& step, const char* argument, const char* second)
{
    if (step == "register-camera") return RegisterCamera(Wide(argument).c_str());
    HWND panel = Panel();
    HWND main = MainWindow();
    if (!panel || !main) return 2;
    HWND list = GetDlgItem(panel, kServerList);
    const std::wstring text = argument ? Wide(argument) : L"";

    if (step == "share") {
        SendMessageW(GetDlgItem(panel, kServiceName), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (!IsSharing(panel)) ToggleSharing(panel);
        return Result(IsSharing(panel));
    }
    if (step == "unshare") {
        if (IsSharing(panel)) ToggleSharing(panel);
        return Result(!IsSharing(panel));
    }
    if (step == "wait-name")
        return Result(PollUntil(kWaitMs, [&] { return Text(GetDlgItem(panel, kServiceName)) == text; }));
    if (step == "wait-listed") return Result(PollUntil(kWaitMs, [&] { return FindItem(list, text) != LB_ERR; }));
    if (step == "wait-unlisted") return Result(PollUntil(kWaitMs, [&] { return FindItem(list, text) == LB_ERR; }));
    if (step == "choose") {
        const LRESULT index = FindItem(list, text);
        if (index == LB_ERR) return 1;
        SendMessageW(list, LB_SETCURSEL, WPARAM(index), 0);
        // As a click on the item reports it; the connect runs within.
        SendMessageW(panel, WM_COMMAND, MAKEWPARAM(kServerList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        return 0;
    }
    if (step == "selected") {
        const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
        wchar_t item[1000] = L"";
        if (index != LB_ERR) SendMessageW(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(item));
        Print(item);
        return 0;
    }
    if (step == "items") {
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t item[1000] = L"";
            SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item));
            Print(item);
        }
        return 0;
    }
    if (step == "status") {
        Print(Text(GetDlgItem(panel, kStatus)));
        return 0;
    }
    if (step == "press") {
        SendMessageW(main, WM_COMMAND, WPARAM(atoi(argument)), 0);
        return 0;
    }
    if (step == "allow-control") {
        SendMessageW(panel, WM_COMMAND, MAKEWPARAM(kControlOn, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(panel, kControlOn)));
        return 0;
    }
    if (step == "draw-line") {
        DragLine(main);
        return 0;
    }
    if (step == "erase-all") {
        // As the annotation panel's button reports its click.
        HWND annotation = PanelOf(kEraseAll);
        if (!annotation) return 2;
        SendMessageW(annotation, WM_COMMAND, MAKEWPARAM(kEraseAll, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(annotation, kEraseAll)));
        return 0;
    }
    if (step == "overlay-texts") {
        PrintOverlayTexts(main);
        return 0;
    }
    if (step == "red-line") {
        PrintRedNearLine(main);
        return 0;
    }
    if (step == "record") return Result(second && Record(main, GetParent(panel), text, DWORD(atoi(second))));
    if (step == "wait-picture") return Result(PollUntil(kWaitMs, [&] { return ShownPicture(main) >= 0; }));
    if (step == "wait-snapshot") return Result(PollUntil(kWaitMs, [&] { return PictureWindowShowsPicture(main); }));
    if (step == "wait-no-camera")
        return Result(PollUntil(kWaitMs, [&] {
            const Screen shot = CapturePictureArea(main);
            return shot.TextPixels() > 100 && shot.MeanGrey() < 20.0;
        }));
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const int result = Run(argv[1], argc > 2 ? argv[2] : nullptr, argc > 3 ? argv[3] : nullptr);
    fflush(stdout);
    return result;
}
