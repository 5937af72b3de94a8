// The data source as imaging applications meet it: installed as the source
// manager's sane.ds in this test's own prefix, opened through Wine's real
// twain_32.dll, with the simulated camera behind it. Negotiation, the three
// transfers of the camera's page, refused sequences and records, and the
// source's own window with its capture and close buttons.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstring>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/SimCameraRegistration.h"
#include "Fix32.h"
#include "SimPictures.h"
#include "TwainProtocol.h"
#include "jpegcodec.h"
#include "testsupport/Dialogs.h"
#include "testsupport/PollUntil.h"

namespace {

using testsupport::PollUntil;

typedef TW_UINT16(WINAPI* DsmEntry)(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

const char kProductName[] = "DovraOrbile DocCam TWAIN";
constexpr int kGridW = 32, kGridH = 24;

// Mean luma of each of 32 x 24 cells of a 24-bit picture.
std::vector<double> GridOf(const unsigned char* pixels, int width, int height, int stride, bool bottomUp, bool rgb)
{
    std::vector<double> grid(kGridW * kGridH, 0.0);
    std::vector<int> counts(kGridW * kGridH, 0);
    for (int y = 0; y < height; y += 2) {
        const unsigned char* row = pixels + size_t(bottomUp ? height - 1 - y : y) * stride;
        for (int x = 0; x < width; x += 2) {
            const unsigned char* p = row + 3 * x;
            const double luma =
                rgb ? 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2] : 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
            const int cell = (y * kGridH / height) * kGridW + x * kGridW / width;
            grid[cell] += luma;
            ++counts[cell];
        }
    }
    for (int i = 0; i < kGridW * kGridH; ++i) grid[i] /= counts[i] ? counts[i] : 1;
    return grid;
}

// How far a picture is from the closest of the simulated camera's pages,
// leaving out the frame counter in the lower right corner.
double DistanceFromPage(const std::vector<double>& grid)
{
    static std::vector<std::vector<double>> pages;
    if (pages.empty()) {
        const int w = simcam::kTestPictureWidth, h = simcam::kTestPictureHeight;
        std::vector<unsigned char> pixels(size_t(w) * h * 3);
        for (const simcam::Picture& picture : simcam::kTestPictures) {
            JPEG_PROPERTIES props;
            jpegInit(&props);
            props.jpegBuffer = const_cast<unsigned char*>(picture.bytes);
            props.jpegBufferSize = int32_t(picture.size);
            props.bitmapPixels = pixels.data();
            props.bitmapWidth = w;
            props.bitmapHeight = h;
            props.bitmapChannels = 3;
            props.bitmapColor = JPEG_COLOR_BGR;
            jpegRead(&props, DecodeFromMemory);
            jpegFree(&props);
            pages.push_back(GridOf(pixels.data(), w, h, w * 3, false, false));
        }
    }
    double best = 1e9;
    for (const std::vector<double>& page : pages) {
        double sum = 0;
        int cells = 0;
        for (int y = 0; y < kGridH; ++y)
            for (int x = 0; x < kGridW; ++x) {
                if (x >= 22 && y >= 19) continue;  // the frame counter
                sum += std::fabs(page[y * kGridW + x] - grid[y * kGridW + x]);
                ++cells;
            }
        best = std::min(best, sum / cells);
    }
    return best;
}

// Close to the page: JPEG noise only. A black, gray or shifted picture is
// tens of levels away.
constexpr double kSamePage = 4.0;

// The application's side of TWAIN: the source manager, our source, and the
// window whose messages carry the source's notices.
class Application {
public:
    Application()
    {
        m_window = CreateWindowExW(0, L"STATIC", L"TWAIN test application", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                   nullptr, nullptr, nullptr, nullptr);
        m_manager = LoadLibraryW(L"twain_32.dll");
        if (m_manager)
            m_entry = reinterpret_cast<DsmEntry>(reinterpret_cast<void*>(GetProcAddress(m_manager, "DSM_Entry")));
        m_identity.Version.MajorNum = 1;
        m_identity.ProtocolMajor = 1;
        m_identity.ProtocolMinor = 9;
        m_identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
        std::strcpy(m_identity.Manufacturer, "Test");
        std::strcpy(m_identity.ProductFamily, "Test");
        std::strcpy(m_identity.ProductName, "TWAIN test application");
    }
    ~Application()
    {
        if (m_state >= 5) ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
        if (m_state >= 4) ToSource(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_source);
        if (m_state >= 3) Manager(DAT_PARENT, MSG_CLOSEDSM, &m_window);
        if (m_manager) FreeLibrary(m_manager);
        DestroyWindow(m_window);
    }

    TW_UINT16 Manager(TW_UINT16 dat, TW_UINT16 message, void* data)
    {
        return m_entry(&m_identity, nullptr, DG_CONTROL, dat, message, data);
    }
    TW_UINT16 ToSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, void* data)
    {
        return m_entry(&m_identity, &m_source, group, dat, message, data);
    }
    TW_UINT16 SourceStatus()
    {
        TW_STATUS status{0xEEEE, 0};
        ToSource(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return status.ConditionCode;
    }

    // Opens the manager, finds our source among those it lists and opens it.
    bool Open()
    {
        if (!m_entry) return false;
        if (m_state < 3 && Manager(DAT_PARENT, MSG_OPENDSM, &m_window) != TWRC_SUCCESS) return false;
        m_state = 3;
        TW_IDENTITY found{};
        for (TW_UINT16 rc = Manager(DAT_IDENTITY, MSG_GETFIRST, &found); rc == TWRC_SUCCESS;
             rc = Manager(DAT_IDENTITY, MSG_GETNEXT, &found)) {
            if (std::strcmp(found.ProductName, kProductName) != 0) continue;
            m_source = found;
            if (Manager(DAT_IDENTITY, MSG_OPENDS, &m_source) != TWRC_SUCCESS) return false;
            m_state = 4;
            return true;
        }
        return false;
    }
    TW_UINT16 Enable(bool showUI)
    {
        m_ui = TW_USERINTERFACE{TW_BOOL(showUI), 0, m_window};
        const TW_UINT16 rc = ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui);
        if (rc == TWRC_SUCCESS) m_state = 5;
        return rc;
    }
    TW_UINT16 Disable()
    {
        const TW_UINT16 rc = ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
        if (rc == TWRC_SUCCESS) m_state = 4;
        return rc;
    }
    TW_UINT16 CloseSource()
    {
        const TW_UINT16 rc = ToSource(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_source);
        if (rc == TWRC_SUCCESS) m_state = 3;
        return rc;
    }
    TW_UINT16 EndTransfer()
    {
        TW_PENDINGXFERS pending{0xEE, 0};
        const TW_UINT16 rc = ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        EXPECT_EQ(0, pending.Count);
        return rc;
    }

    // Pumps the application's messages through the source manager until the
    // source's notice arrives; false after `ms`.
    bool WaitForNotice(TW_UINT16 notice, DWORD ms = 15000)
    {
        const DWORD start = GetTickCount();
        auto inTime = [&] { return GetTickCount() - start < ms; };
        while (inTime()) {
            MSG msg;
            // The live picture is invalidated with every frame: on a slow
            // machine a paint is always pending, so the queue never runs dry.
            while (inTime() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TW_EVENT event{&msg, MSG_NULL};
                if (ToSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT &&
                    event.TWMessage == notice)
                    return true;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(10);
        }
        return false;
    }

    // A capability as a one-value container of our own.
    TW_UINT16 SetOne(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item)
    {
        HGLOBAL handle = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(handle));
        one->ItemType = type;
        one->Item = item;
        GlobalUnlock(handle);
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, handle};
        const TW_UINT16 rc = ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        GlobalFree(handle);
        return rc;
    }

    HWND Window() const { return m_window; }

private:
    HWND m_window = nullptr;
    HMODULE m_manager = nullptr;
    DsmEntry m_entry = nullptr;
    TW_IDENTITY m_identity{};
    TW_IDENTITY m_source{};
    TW_USERINTERFACE m_ui{};
    int m_state = 0;
};

// The dialog boxes this thread creates and destroys, in order: "+caption"
// and "-caption", with the caption the box was created with.
class DialogLog {
public:
    DialogLog() : m_hook(SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId())) { s_log = this; }
    ~DialogLog()
    {
        UnhookWindowsHookEx(m_hook);
        s_log = nullptr;
    }
    std::vector<std::wstring> events;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = L"";
        if (s_log && (code == HCBT_CREATEWND || code == HCBT_DESTROYWND) && GetClassNameW(window, className, 16) &&
            wcscmp(className, L"#32770") == 0) {
            if (code == HCBT_CREATEWND) {
                const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszName;
                s_log->m_captions[window] = name && !IS_INTRESOURCE(name) ? name : L"";
                s_log->events.push_back(L"+" + s_log->m_captions[window]);
            } else {
                s_log->events.push_back(L"-" + s_log->m_captions[window]);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline DialogLog* s_log = nullptr;
    HHOOK m_hook;
    std::map<HWND, std::wstring> m_captions;
};

class TwainSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_camera.Registered());
        ASSERT_TRUE(m_app.Open()) << "the source manager lists and opens the source";
    }
    // Enabled without the source's window: the camera starts and the
    // application hears that a picture is ready.
    void EnableForTransfer()
    {
        ASSERT_EQ(TWRC_SUCCESS, m_app.Enable(false)) << m_app.SourceStatus();
        ASSERT_TRUE(m_app.WaitForNotice(MSG_XFERREADY));
    }

    SimCameraRegistration m_camera;
    Application m_app;
};

TEST_F(TwainSourceTest, NegotiatesAndSendsTheCameraPageAsANativeDib)
{
    TW_CAPABILITY supported{CAP_SUPPORTEDCAPS, 0, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, m_app.ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &supported));
    EXPECT_EQ(TWON_ARRAY, supported.ConType);
    auto* list = static_cast<TW_ARRAY*>(GlobalLock(supported.hContainer));
    EXPECT_EQ(40u, TW_UINT32(list->NumItems));
    GlobalUnlock(supported.hContainer);
    GlobalFree(supported.hContainer);
    EXPECT_EQ(TWRC_SUCCESS, m_app.SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE));
    EXPECT_EQ(TWRC_SUCCESS, m_app.SetOne(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Bits(FloatToFix32(100))));
    EXPECT_EQ(TWRC_FAILURE, m_app.SetOne(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Bits(FloatToFix32(200))));
    EXPECT_EQ(TWCC_BADVALUE, m_app.SourceStatus());

    EnableForTransfer();
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, m_app.ToSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(1024, TW_INT32(info.ImageWidth));
    EXPECT_EQ(768, TW_INT32(info.ImageLength));
    EXPECT_EQ(24, TW_INT16(info.BitsPerPixel));

    TW_HANDLE dib = nullptr;
    ASSERT_EQ(TWRC_XFERDONE, m_app.ToSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    ASSERT_NE(nullptr, dib);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    EXPECT_EQ(1024, header->biWidth);
    EXPECT_EQ(768, header->biHeight);
    EXPECT_EQ(24, header->biBitCount);
    const auto* pixels = reinterpret_cast<const unsigned char*>(header + 1);
    EXPECT_LT(DistanceFromPage(GridOf(pixels, 1024, 768, 3072, true, false)), kSamePage);
    GlobalUnlock(dib);
    GlobalFree(dib);
    EXPECT_EQ(TWRC_SUCCESS, m_app.EndTransfer());
    EXPECT_EQ(TWRC_SUCCESS, m_app.Disable());
}

TEST_F(TwainSourceTest, SendsTheCameraPageInMemoryStrips)
{
    EXPECT_EQ(TWRC_SUCCESS, m_app.SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
    EnableForTransfer();
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(TWRC_SUCCESS, m_app.ToSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup));
    std::vector<unsigned char> buffer(setup.Preferred), picture;
    TW_UINT16 rc = TWRC_SUCCESS;
    int strips = 0;
    while (rc == TWRC_SUCCESS && strips++ < 20) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, TW_UINT32(buffer.size()), buffer.data()};
        rc = m_app.ToSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        picture.insert(picture.end(), buffer.begin(), buffer.begin() + TW_UINT32(xfer.BytesWritten));
    }
    EXPECT_EQ(TWRC_XFERDONE, rc);
    EXPECT_EQ(10, strips);
    ASSERT_EQ(3072u * 768, picture.size());
    EXPECT_LT(DistanceFromPage(GridOf(picture.data(), 1024, 768, 3072, false, true)), kSamePage);
    EXPECT_EQ(TWRC_SUCCESS, m_app.EndTransfer());
}

// The files are left for ImageMagick, which the test's script runs on them.
TEST_F(TwainSourceTest, WritesTheCameraPageToBmpAndTiffFiles)
{
    const std::wstring folder = BesideTest(L"transfers\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    for (TW_UINT16 format : {TWFF_BMP, TWFF_TIFF}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(TWRC_SUCCESS, m_app.SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE));
        EnableForTransfer();
        TW_SETUPFILEXFER setup{};
        const std::wstring name = folder + (format == TWFF_BMP ? L"page.bmp" : L"page.tif");
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, setup.FileName, sizeof setup.FileName, nullptr, nullptr);
        setup.Format = format;
        ASSERT_EQ(TWRC_SUCCESS, m_app.ToSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup));
        TW_SETUPFILEXFER back{};
        m_app.ToSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &back);
        EXPECT_STREQ(setup.FileName, back.FileName);
        EXPECT_EQ(TWRC_XFERDONE, m_app.ToSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
        EXPECT_EQ(TWRC_SUCCESS, m_app.EndTransfer());
        EXPECT_EQ(TWRC_SUCCESS, m_app.Disable());
    }
}

TEST_F(TwainSourceTest, RefusesTransfersBeforeEnablingAndClosesWhileEnabled)
{
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    EXPECT_EQ(TWCC_SEQERROR, m_app.SourceStatus());
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_SEQERROR, m_app.SourceStatus());
    EnableForTransfer();
    TW_IDENTITY any{};
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &any));
    // Closing an enabled source (the destructor's order reversed) disables it first.
    EXPECT_EQ(TWRC_SUCCESS, m_app.CloseSource());
    EXPECT_TRUE(m_app.Open()) << "the source opens again after closing";
}

TEST_F(TwainSourceTest, RefusesHostileRecordsWithoutCrashing)
{
    unsigned char stack[64] = {};
    TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_ONEVALUE, stack};  // not a global handle
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability));
    EXPECT_EQ(TWCC_BADVALUE, m_app.SourceStatus());
    HGLOBAL small = GlobalAlloc(GHND, 2);  // an item type and no item
    capability.hContainer = small;
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability));
    EXPECT_EQ(TWCC_BADVALUE, m_app.SourceStatus());
    GlobalFree(small);
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr));
    EnableForTransfer();
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, 1 << 24, stack};
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(TWCC_BADVALUE, m_app.SourceStatus());
    EXPECT_EQ(TWRC_FAILURE, m_app.ToSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, nullptr));
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(TWRC_XFERDONE, m_app.ToSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    GlobalFree(dib);
}

BOOL CALLBACK MatchSourceWindow(HWND window, LPARAM data)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || wcscmp(title, L"DovraOrbile DocCam TWAIN"))
        return TRUE;
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

// The top-level window of this process titled as the source.
HWND FindSourceWindow()
{
    HWND found = nullptr;
    EnumWindows(&MatchSourceWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The window as the screen shows it: 24-bit rows, bottom-up.
struct WindowShot {
    int width = 0, height = 0, stride = 0;
    std::vector<unsigned char> bits;
    const unsigned char* At(int x, int y) const { return &bits[size_t(height - 1 - y) * stride + 3 * x]; }
};

WindowShot ShotOf(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    WindowShot shot;
    shot.width = rect.right - rect.left, shot.height = rect.bottom - rect.top;
    shot.stride = ((shot.width * 3) + 3) & ~3;
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), shot.width, shot.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const unsigned char*>(bits);
    shot.bits.assign(first, first + size_t(shot.stride) * shot.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

void SaveShot(const WindowShot& shot, const wchar_t* path)
{
    BITMAPFILEHEADER file{0x4D42, DWORD(54 + shot.bits.size()), 0, 0, 54};
    BITMAPINFOHEADER header{sizeof header, shot.width, shot.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, &file, sizeof file, &written, nullptr);
    WriteFile(out, &header, sizeof header, &written, nullptr);
    WriteFile(out, shot.bits.data(), DWORD(shot.bits.size()), &written, nullptr);
    CloseHandle(out);
}

// The picture area of the source's window (640 x 480 at (10, 32)) as a grid;
// empty when the window is smaller than the panel.
std::vector<double> ShownPicture(const WindowShot& shot)
{
    if (shot.width < 650 || shot.height < 512) return {};
    return GridOf(shot.At(10, 32 + 479), 640, 480, shot.stride, true, false);
}

// Bright red in the picture's lower right corner: the panel's on-screen text.
bool RedInCorner(const WindowShot& shot)
{
    if (shot.width < 650 || shot.height < 512) return false;
    for (int y = 470; y < 512; ++y)
        for (int x = 500; x < 650; ++x) {
            const unsigned char* p = shot.At(x, y);
            if (p[2] > 200 && p[1] < 80 && p[0] < 80) return true;
        }
    return false;
}

void Click(HWND button, int x = 5, int y = 5)
{
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// A visible dialog box of this process with this title, other than `other`;
// null after 10 seconds.
HWND WaitForDialog(const wchar_t* title, HWND other = nullptr)
{
    HWND found = nullptr;
    PollUntil(10000, [&] {
        for (HWND dialog : testsupport::VisibleDialogs(GetCurrentProcessId(), title)) {
            if (dialog == other) continue;
            found = dialog;
            break;
        }
        return found != nullptr;
    });
    return found;
}

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

// Pixels of a window that are clearly blue: a link's text.
bool ShowsBlue(HWND window)
{
    const WindowShot shot = ShotOf(window);
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const unsigned char* p = shot.At(x, y);
            if (p[0] > 200 && p[1] < 80 && p[2] < 80) return true;
        }
    return false;
}

TEST_F(TwainSourceTest, ItsWindowShowsTheLivePageAndItsCaptureButtonDeliversATransfer)
{
    ASSERT_EQ(TWRC_SUCCESS, m_app.Enable(true)) << m_app.SourceStatus();
    HWND panel = nullptr;
    ASSERT_TRUE(PollUntil(10000, [&] { return (panel = FindSourceWindow()) != nullptr; }));
    bool showsPage = false;
    PollUntil(15000, [&] {
        m_app.WaitForNotice(0xFFFF, 100);  // keeps the windows painting
        const std::vector<double> grid = ShownPicture(ShotOf(panel));
        return showsPage = !grid.empty() && DistanceFromPage(grid) < kSamePage * 2;
    });
    SaveShot(ShotOf(panel), BesideTest(L"twain-panel.bmp").c_str());
    EXPECT_TRUE(showsPage) << "the panel's picture area shows the simulated camera's page";

    // Freezing shows the frozen text in red in the picture's lower right
    // corner; a second press takes it away.
    auto redInCorner = [&] {
        m_app.WaitForNotice(0xFFFF, 100);
        return RedInCorner(ShotOf(panel));
    };
    EXPECT_FALSE(redInCorner());
    Click(GetDlgItem(panel, 0xE924));
    EXPECT_TRUE(PollUntil(5000, redInCorner)) << "the frozen text";
    SaveShot(ShotOf(panel), BesideTest(L"twain-panel-frozen.bmp").c_str());
    Click(GetDlgItem(panel, 0xE924));
    EXPECT_TRUE(PollUntil(5000, [&] { return !redInCorner(); }));

    HWND capture = GetDlgItem(panel, 0xEA00);
    ASSERT_NE(nullptr, capture);
    HWND tips = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
    while (tips && GetWindow(tips, GW_OWNER) != panel) tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr);
    ASSERT_NE(nullptr, tips) << "the panel's tooltips";
    EXPECT_EQ(14, int(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0)));
    wchar_t tipText[80] = L"";
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = panel;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(panel, 0xE924));
    tool.lpszText = tipText;
    SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(L"Freeze", tipText);
    Click(capture);
    ASSERT_TRUE(m_app.WaitForNotice(MSG_XFERREADY));
    TW_HANDLE dib = nullptr;
    ASSERT_EQ(TWRC_XFERDONE, m_app.ToSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    EXPECT_LT(DistanceFromPage(GridOf(reinterpret_cast<unsigned char*>(header + 1), 1024, 768, 3072, true, false)),
              kSamePage);
    GlobalUnlock(dib);
    GlobalFree(dib);
    EXPECT_EQ(TWRC_SUCCESS, m_app.EndTransfer());

    Click(GetDlgItem(panel, 0xEA01));
    ASSERT_TRUE(m_app.WaitForNotice(MSG_CLOSEDSREQ));
    EXPECT_EQ(TWRC_SUCCESS, m_app.Disable());
    EXPECT_FALSE(IsWindow(panel));
    // Its place is kept in the source's profile.
    EXPECT_EQ(50u, GetPrivateProfileIntW(L"Settings", L"XPos", 0, L"orbileds.ini"));
    EXPECT_EQ(560u, GetPrivateProfileIntW(L"Settings", L"Height", 0, L"orbileds.ini"));
    // And the camera's sound mode for the model's other programs.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORBILE", 0, KEY_READ, &key));
    wchar_t name[96];
    DWORD length = 96, value = 7, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS,
              RegEnumValueW(key, 0, name, &length, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size));
    RegCloseKey(key);
    EXPECT_EQ(0, std::wcsncmp(name, L"bAudioSilence", 13)) << name;
    EXPECT_EQ(0u, value);
}

// The simulated camera (feature word 0xFFF) has auto focus, brightness,
// rotation and mirror: every control of the panel shows.
TEST_F(TwainSourceTest, ItsWindowHasTheCamerasControlsAndTheirOnScreenTexts)
{
    {
        DialogLog dialogs;
        ASSERT_EQ(TWRC_SUCCESS, m_app.Enable(true)) << m_app.SourceStatus();
        const std::vector<std::wstring> waitBox{L"+Initializing", L"-Initializing"};
        EXPECT_EQ(waitBox, dialogs.events) << "the wait box while the camera starts";
    }
    HWND panel = nullptr;
    ASSERT_TRUE(PollUntil(10000, [&] { return (panel = FindSourceWindow()) != nullptr; }));
    auto pump = [&] { m_app.WaitForNotice(0xFFFF, 100); };
    auto redInCorner = [&] {
        pump();
        return RedInCorner(ShotOf(panel));
    };
    ASSERT_TRUE(PollUntil(15000, [&] {
        pump();
        return !ShownPicture(ShotOf(panel)).empty() && !redInCorner();
    }));
    const struct {
        int id;
        const char* control;
    } controls[] = {{0xE92A, "brightness wheel"}, {0xE92B, "zoom slider"}, {0xE920, "auto focus"},
                    {0xE925, "rotate"},           {0xE926, "mirror"},      {0xEA03, "full screen"}};
    for (const auto& control : controls) EXPECT_TRUE(IsWindowVisible(GetDlgItem(panel, control.id))) << control.control;
    HWND wheel = GetDlgItem(panel, 0xE92A), zoom = GetDlgItem(panel, 0xE92B), zoomIn = GetDlgItem(panel, 0xE921);
    ASSERT_TRUE(wheel && zoom && zoomIn);

    // Turning the wheel (its ring's top) sets the brightness and shows it in
    // the corner for two seconds.
    Click(wheel, 70, 16);
    EXPECT_TRUE(PollUntil(5000, redInCorner)) << "the brightness text";
    SaveShot(ShotOf(panel), BesideTest(L"twain-panel-brightness.bmp").c_str());
    EXPECT_TRUE(PollUntil(8000, [&] { return !redInCorner(); }));

    // While frozen the camera's controls rest; freeze itself stays usable.
    Click(GetDlgItem(panel, 0xE924));
    EXPECT_TRUE(PollUntil(5000, [&] {
        pump();
        return !IsWindowEnabled(zoomIn) && !IsWindowEnabled(wheel) && !IsWindowEnabled(zoom);
    }));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, 0xE924)));
    Click(GetDlgItem(panel, 0xE924));
    EXPECT_TRUE(PollUntil(5000, [&] {
        pump();
        return IsWindowEnabled(zoomIn) && IsWindowEnabled(wheel) && IsWindowEnabled(zoom);
    }));

    Click(GetDlgItem(panel, 0xEA03));
    EXPECT_TRUE(PollUntil(5000, [&] {
        pump();
        return IsZoomed(panel) != FALSE;
    })) << "full screen";
    ShowWindow(panel, SW_RESTORE);
    EXPECT_EQ(TWRC_SUCCESS, m_app.Disable());
}

// The About box with its texts, a link drawn as a link, and an update button
// that says updates are not offered.
TEST_F(TwainSourceTest, ItsAboutBoxLinksToTheMakerAndRefusesUpdates)
{
    ASSERT_EQ(TWRC_SUCCESS, m_app.Enable(true)) << m_app.SourceStatus();
    HWND panel = nullptr;
    ASSERT_TRUE(PollUntil(10000, [&] { return (panel = FindSourceWindow()) != nullptr; }));
    constexpr int kNotice = 1001, kLink = 1002, kUpdate = 1003;
    std::wstring notice, link, ok, update, answer;
    bool linkIsBlue = false;
    HWND about = nullptr;
    std::atomic<bool> done{false};
    std::thread user([&] {
        about = WaitForDialog(L"About...");
        if (about) {
            notice = ItemText(about, kNotice), link = ItemText(about, kLink);
            ok = ItemText(about, IDOK), update = ItemText(about, kUpdate);
            PollUntil(3000, [&] { return linkIsBlue = ShowsBlue(GetDlgItem(about, kLink)); });
            SaveShot(ShotOf(about), BesideTest(L"twain-about.bmp").c_str());
            PostMessageW(about, WM_COMMAND, MAKEWPARAM(kUpdate, BN_CLICKED), LPARAM(GetDlgItem(about, kUpdate)));
            if (HWND box = WaitForDialog(L"About...", about)) {
                answer = ItemText(box, 0xFFFF);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                PollUntil(5000, [&] { return !IsWindow(box); });
            }
            PostMessageW(about, WM_COMMAND, IDOK, 0);
        }
        done = true;
    });
    Click(GetDlgItem(panel, 0xEA02));
    PollUntil(30000, [&] {
        m_app.WaitForNotice(0xFFFF, 100);
        return done.load();
    });
    user.join();
    ASSERT_NE(nullptr, about) << "the About box";
    EXPECT_FALSE(IsWindow(about));
    EXPECT_NE(std::wstring::npos, notice.find(L"Copyright")) << notice;
    EXPECT_EQ(0u, link.find(L"https://")) << link;
    EXPECT_TRUE(linkIsBlue) << "the link is drawn as a link";
    EXPECT_EQ(L"OK", ok);
    EXPECT_EQ(L"Update", update);
    EXPECT_EQ(L"Not supported yet!!", answer);
    EXPECT_EQ(TWRC_SUCCESS, m_app.Disable());
}

BOOL CALLBACK MatchMessageBox(HWND window, LPARAM data)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    if (process != GetCurrentProcessId() || wcscmp(className, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

// Waits, at most 20 seconds, on another thread for a message box of this
// process, keeps its text and answers it.
class MessageBoxAnswer {
public:
    MessageBoxAnswer()
        : m_thread([this] {
              HWND box = nullptr;
              wchar_t text[256] = L"";
              // The box shows once its text is in place.
              PollUntil(20000, [&] {
                  box = nullptr;
                  EnumWindows(&MatchMessageBox, reinterpret_cast<LPARAM>(&box));
                  return box && GetDlgItemTextW(box, 0xFFFF, text, 256) > 0;
              });
              m_text = text;
              if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
          })
    {
    }
    ~MessageBoxAnswer() { Join(); }
    const std::wstring& Text()
    {
        Join();
        return m_text;
    }

private:
    void Join()
    {
        if (m_thread.joinable()) m_thread.join();
    }
    std::wstring m_text;
    std::thread m_thread;
};

TEST(TwainSourceWithoutCamera, EnablingTellsTheUserAndFails)
{
    SimCameraRegistration noCamera(false);
    Application app;
    ASSERT_TRUE(app.Open());
    MessageBoxAnswer answer;
    DialogLog dialogs;
    EXPECT_EQ(TWRC_FAILURE, app.Enable(false));
    // The wait box goes before the message box shows.
    ASSERT_LE(3u, dialogs.events.size());
    EXPECT_EQ(L"+Initializing", dialogs.events[0]);
    EXPECT_EQ(L"-Initializing", dialogs.events[1]);
    EXPECT_EQ(L'+', dialogs.events[2][0]);
    EXPECT_EQ(TWCC_OPERATIONERROR, app.SourceStatus());
    EXPECT_EQ(L"The connected camera is not supported by this program.", answer.Text());
    // The application may try again; the source is still open.
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, app.ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
}

}  // namespace
