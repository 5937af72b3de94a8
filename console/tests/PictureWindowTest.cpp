// Picture windows in this process: saving (format by extension, history,
// failures that keep the old file and the unsaved mark), opening files made
// by ImageMagick, the history selection, the clipboard, and printing to a
// PostScript printer of the test's prefix. The files it writes are checked
// afterwards by the picture_windows_test script (djpeg, ImageMagick, gs).
#include <windows.h>
#include <winspool.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "AnnotationPanel.h"
#include "CommandIds.h"
#include "FrameCodecs.h"
#include "FramePictures.h"
#include "LanguageText.h"
#include "PictureFiles.h"
#include "PictureTestSupport.h"
#include "PictureWindow.h"
#include "ClipboardCopy.h"
#include "PrintView.h"
#include "SimPictures.h"
#include "SkinButton.h"

namespace {

using picturetest::Answers;
using picturetest::Contains;
using picturetest::DialogUser;

const wchar_t kCanNotWrite[] = L"The file can't be written.";
const wchar_t kCanNotLoad[] = L"The file can't be opened.";

// The folder the script checks, given as a Windows path.
std::wstring OutPath(const wchar_t* name)
{
    const wchar_t* folder = _wgetenv(L"ORBILE_PICTURE_TEST_OUT");
    return std::wstring(folder ? folder : L".") + L"\\" + name;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class PictureWindowTest : public ::testing::Test {
protected:
    PictureWindowTest() : window(&host)
    {
        SelectLanguageFile(kLanguageFiles, kLanguageFileRows);
        window.CreateView(L"2026-Dec-11_Fri_09-00-00", 0, 0, 667, 570, nullptr, 255);
    }

    // The simulated camera's page, as a snapshot gives it to the window.
    void TakePage()
    {
        KVQFrameBuffer page;
        const simcam::Picture& picture = simcam::kTestPictures[0];
        ASSERT_TRUE(DecodeCameraJpeg(page, picture.bytes, static_cast<int>(picture.size)));
        ASSERT_TRUE(window.TakeFrame(page));
        ASSERT_TRUE(window.IsUnsaved());
    }

    BOOL SaveAnswering(const std::wstring& path, std::vector<std::wstring>* messages = nullptr)
    {
        DialogUser user(Answers{path, true, true});
        const BOOL saved = window.SaveAs();
        if (messages) *messages = user.Messages();
        return saved;
    }

    picturetest::FakePictureHost host;
    CPictureWindow window;
};

TEST_F(PictureWindowTest, SavesJpegForJpgAndJpegInAnyCaseAndBmpOtherwise)
{
    TakePage();
    struct Case {
        const wchar_t* name;
        const char* magic;
    };
    const Case cases[] = {{L"saved.JPG", "\xFF\xD8\xFF"}, {L"saved.jpeg", "\xFF\xD8\xFF"}, {L"saved.bmp", "BM"}};
    for (const Case& c : cases) {
        window.Picture().m_taken = 1;
        ASSERT_TRUE(SaveAnswering(OutPath(c.name))) << c.name;
        EXPECT_FALSE(window.IsUnsaved()) << c.name;
        const std::vector<unsigned char> bytes = frametest::ReadBytes(OutPath(c.name));
        const std::string magic(c.magic);
        ASSERT_GE(bytes.size(), magic.size()) << c.name;
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<long>(magic.size())), magic) << c.name;
    }
    // What the window shows, for the script to compare the files with.
    ASSERT_TRUE(window.ComposedPicture().SaveBmpFile(OutPath(L"shown.bmp").c_str()));
}

TEST_F(PictureWindowTest, SavingOnePathTwiceAddsOneHistoryEntry)
{
    TakePage();
    const std::wstring path = OutPath(L"twice.jpg");
    DeleteFileW(path.c_str());
    const int before = TheFileHistory().Count();
    ASSERT_TRUE(SaveAnswering(path));
    window.Picture().m_taken = 1;
    std::vector<std::wstring> messages;
    ASSERT_TRUE(SaveAnswering(path, &messages));  // over the file, confirmed
    EXPECT_EQ(TheFileHistory().Count(), before + 1);
    EXPECT_EQ(TheFileHistory().At(before)->path, path);
    EXPECT_EQ(TheFileHistory().At(TheFileHistory().Count()), nullptr);
    EXPECT_EQ(TheFileHistory().At(-1), nullptr);
}

TEST_F(PictureWindowTest, AFailedSaveKeepsTheOldFileAndThePictureUnsaved)
{
    const std::vector<unsigned char> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
    struct Case {
        const wchar_t* name;
        bool withPicture;
        bool held;  // open elsewhere without sharing
    };
    const Case cases[] = {
        {L"held.bmp", true, true},
        {L"nopicture.bmp", false, false},  // nothing to write: the writer fails part way
        {L"nopicture.jpg", false, false},
        {L"missing\\folder.jpg", true, false},
    };
    for (const Case& c : cases) {
        CPictureWindow target(&host);
        ASSERT_TRUE(target.CreateView(L"target", 0, 0, 667, 570, nullptr, 255));
        if (c.withPicture) frametest::MakeQuadrants(target.Picture(), 64, 48);
        target.Picture().m_taken = 1;
        const std::wstring path = OutPath(c.name);
        const bool hasOld = !wcschr(c.name, L'\\');
        if (hasOld) frametest::WriteBytes(path, old);
        HANDLE held = c.held ? CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        {
            DialogUser user(Answers{path, true, true});
            EXPECT_FALSE(target.SaveAs()) << c.name;
            EXPECT_TRUE(Contains(user.Messages(), kCanNotWrite)) << c.name;
        }
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_TRUE(target.IsUnsaved()) << c.name;
        if (hasOld) {
            EXPECT_EQ(frametest::ReadBytes(path), old) << c.name;
        }
    }
}

TEST_F(PictureWindowTest, OpensGifBmpAndJpegAndRefusesOtherFilesClearly)
{
    for (const wchar_t* name : {L"in.gif", L"in.bmp", L"in.jpg"}) {
        DialogUser user(Answers{});
        ASSERT_EQ(LoadPictureFile(window, OutPath(name).c_str()), &window) << name;
        EXPECT_TRUE(user.Messages().empty()) << name;
        EXPECT_EQ(window.Picture().Width(), 64) << name;
        EXPECT_EQ(window.Picture().Height(), 48) << name;
        EXPECT_EQ(CRect(window.Picture().m_viewRect), CRect(0, 0, 64, 48)) << name;
        frametest::ExpectQuadrants(window.Picture(), 40);
        EXPECT_FALSE(window.IsUnsaved()) << name;
    }
    for (const wchar_t* name : {L"broken.jpg", L"unsupported.tif", L"absent.jpg"}) {
        DialogUser user(Answers{});
        EXPECT_EQ(LoadPictureFile(window, OutPath(name).c_str()), nullptr) << name;
        EXPECT_TRUE(Contains(user.Messages(), kCanNotLoad)) << name;
        EXPECT_EQ(window.Picture().Width(), 64) << name << ": the last picture stays";
    }
}

TEST_F(PictureWindowTest, AHistorySelectionWhoseSaveWasCancelledKeepsThePicture)
{
    {
        DialogUser user(Answers{});
        ASSERT_NE(LoadPictureFile(window, OutPath(L"in.bmp").c_str()), nullptr);
    }
    const int entry = TheFileHistory().Count() - 1;
    TakePage();
    auto select = [this, entry] {
        HWND list = window.GetDlgItem(CPictureWindow::ID_HISTORY_LIST);
        SendMessageW(list, CB_SETCURSEL, entry, 0);
        window.SendMessage(WM_COMMAND, MAKEWPARAM(CPictureWindow::ID_HISTORY_LIST, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(list));
    };
    {
        // Yes to saving, then Cancel in the save dialog.
        DialogUser user(Answers{L"", true, true});
        select();
        EXPECT_EQ(user.FileDialogs(), 1);
    }
    EXPECT_EQ(window.Picture().Width(), simcam::kTestPictureWidth);
    EXPECT_TRUE(window.IsUnsaved());
    {
        DialogUser user(Answers{L"", true, false});  // No: the entry replaces it
        select();
    }
    EXPECT_EQ(window.Picture().Width(), 64);
    EXPECT_FALSE(window.IsUnsaved());
}

// The drawing tools over a picture window: its mouse hooks reach the panel,
// which draws into the window's own layer.
class AnnotatedPictureHost : public picturetest::FakePictureHost, public IAnnotationHost {
public:
    explicit AnnotatedPictureHost(CPictureWindow& window) : window(window), panel(panelHost, *this) {}

    PanelHooks* AnnotationPanel() override { return &panel; }
    bool GetDrawingSurface(CWnd* target, DrawingSurface& surface) override
    {
        return target == &window && window.GetDrawingSurface(surface);
    }
    orbile::CriticalSection& DisplayLock() override { return lock; }
    void DrawingPlaneChanged() override {}
    CWnd* LiveWindow() override { return &window; }
    CWnd* LastActivePictureWindow() override { return &window; }
    void ShowAnnotationPanel(bool) override {}
    bool IsOtherSubPanelShown() override { return false; }
    bool IsCopyToolChosen() override { return false; }
    void RequestCopy(const RECT&) override {}

    CPictureWindow& window;
    paneltest::FakeHost panelHost;
    CAnnotationPanel panel;
    orbile::CriticalSection lock;
};

// A stroke drawn over the snapshot is saved with it: the script finds it in
// the JPEG that djpeg decodes.
TEST(AnnotatedPicture, TheDrawingIsSavedWithThePicture)
{
    SelectLanguageFile(kLanguageFiles, kLanguageFileRows);
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartupInput startup;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus, &startup, nullptr), Gdiplus::Ok);
    {
        CPictureWindow window(nullptr);
        AnnotatedPictureHost host(window);
        SetPictureHost(&host);
        ASSERT_TRUE(window.CreateView(L"2026-Dec-11_Fri_09-30-00", 0, 0, 667, 570, nullptr, 255));
        const ButtonImages images = PanelImages(SKIN_ANNOTATION_PANEL_FACE);
        ASSERT_TRUE(CreateSkinButton(host.panel, host.panelHost.SkinLibrary(), images, BUTTON_STYLE_MOUSE, 0, 0,
                                     &window, nullptr, 0));
        host.panel.CreateControls(0);
        host.panel.OnButtonEvent(ID_WIDTH_FIRST + 3);  // a 16-pixel red pen

        KVQFrameBuffer page;
        const simcam::Picture& picture = simcam::kTestPictures[0];
        ASSERT_TRUE(DecodeCameraJpeg(page, picture.bytes, static_cast<int>(picture.size)));
        ASSERT_TRUE(window.TakeFrame(page));
        window.ShowWindow(SW_SHOWNOACTIVATE);
        window.UpdateWindow();
        const RECT at = window.PicturePlacement();
        ASSERT_FALSE(IsRectEmpty(&at));
        // Across the middle of the picture, a fifth in from either side.
        const int y = (at.top + at.bottom) / 2;
        const int width = at.right - at.left;
        window.OnMouse(MK_LBUTTON, CPoint(at.left + width / 5, y), TRUE);
        for (int i = 1; i <= 6; ++i) window.OnMoveMouse(MK_LBUTTON, CPoint(at.left + width / 5 + i * width / 10, y));
        window.OnMouse(0, CPoint(at.left + 4 * width / 5, y), FALSE);
        EXPECT_TRUE(window.IsUnsaved());
        window.Invalidate(FALSE);
        window.UpdateWindow();

        DialogUser user(Answers{OutPath(L"annotated.jpg"), true, true});
        EXPECT_TRUE(window.SaveAs());
        SetPictureHost(nullptr);
    }
    Gdiplus::GdiplusShutdown(gdiplus);
}

TEST_F(PictureWindowTest, KeepsTheShapeOfItsPictureAndItsLeastSize)
{
    struct Case {
        int width, height;
        CSize expected;
    };
    const Case cases[] = {{1000, 800, CSize(973, 800)}, {1000, 570, CSize(667, 570)}, {600, 400, CSize(667, 570)}};
    for (const Case& c : cases) {
        window.SetWindowPos(nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        paneltest::Pump();
        CRect placed;
        window.GetWindowRect(&placed);
        EXPECT_EQ(placed.Width(), c.expected.cx) << c.width << "x" << c.height;
        EXPECT_EQ(placed.Height(), c.expected.cy) << c.width << "x" << c.height;
    }
}

TEST_F(PictureWindowTest, ClosingAsksAboutAnUnsavedPictureAndGoingAwayDoesNot)
{
    TakePage();
    window.ShowWindow(SW_SHOW);
    {
        DialogUser user(Answers{L"", true, true});  // Yes, then Cancel in the save dialog
        window.SendMessage(WM_CLOSE);
        EXPECT_EQ(user.Messages().size(), 1u);
    }
    EXPECT_FALSE(window.IsWindowVisible()) << "a save cancelled in its dialog still closes";
    EXPECT_TRUE(window.IsUnsaved());
    window.ShowWindow(SW_SHOW);
    {
        DialogUser user(Answers{L"", true, false});  // No
        window.SendMessage(WM_CLOSE);
    }
    EXPECT_FALSE(window.IsWindowVisible());
    EXPECT_EQ(window.Picture().Width(), simcam::kTestPictureWidth) << "hidden, not emptied";

    window.ShowWindow(SW_SHOW);
    DialogUser user(Answers{});
    window.DestroyWindow();
    EXPECT_TRUE(user.Messages().empty()) << "no question from a window being destroyed";
}

// A bitmap of the clipboard's CF_DIB offer: width, height, first pixel.
struct OfferedDib {
    bool offered;
    LONG width, height;
    COLORREF firstPixel;
};

OfferedDib ClipboardDib()
{
    OfferedDib dib{false, 0, 0, 0};
    if (!OpenClipboard(nullptr)) return dib;
    if (HGLOBAL block = GetClipboardData(CF_DIB)) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(block));
        const auto* pixels = reinterpret_cast<const BYTE*>(header + 1);
        dib = {true, header->biWidth, header->biHeight, RGB(pixels[2], pixels[1], pixels[0])};
        GlobalUnlock(block);
    }
    CloseClipboard();
    return dib;
}

TEST(ClipboardCopy, OffersTheAreaAndNothingWhenThereIsNothingToCopy)
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 80);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, 100, 80};
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    FillRect(memory, &all, green);
    DeleteObject(green);

    EXPECT_TRUE(CopyAreaToClipboard(owner, memory, RECT{10, 10, 50, 30}));
    const OfferedDib copied = ClipboardDib();
    EXPECT_TRUE(copied.offered);
    EXPECT_EQ(copied.width, 40);
    EXPECT_EQ(copied.height, 20);
    EXPECT_EQ(copied.firstPixel, RGB(0, 200, 0));

    EXPECT_FALSE(CopyAreaToClipboard(owner, memory, RECT{10, 10, 10, 30}));
    EXPECT_FALSE(ClipboardDib().offered) << "the earlier copy is no longer offered";

    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DestroyWindow(owner);
}

// A PostScript printer of this prefix (Wine's driver with Ghostscript's
// PPD) whose port is a file, made the default printer for its life.
class FilePrinter {
public:
    static constexpr const wchar_t* kDriver = L"Orbile Test PostScript";
    static constexpr const wchar_t* kName = L"Orbile Test Printer";

    explicit FilePrinter(const std::wstring& port) : m_port(port)
    {
        std::wstring ppd = _wgetenv(L"ORBILE_TEST_PPD") ? _wgetenv(L"ORBILE_TEST_PPD") : L"";
        DRIVER_INFO_3W driver{};
        driver.cVersion = 3;
        driver.pName = const_cast<wchar_t*>(kDriver);
        driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
        driver.pDataFile = ppd.data();
        driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
        driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
        m_ready = AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                                      APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
        PRINTER_INFO_2W info{};
        info.pPrinterName = const_cast<wchar_t*>(kName);
        info.pPortName = m_port.data();
        info.pDriverName = const_cast<wchar_t*>(kDriver);
        info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE printer = m_ready ? AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)) : nullptr;
        m_ready = printer != nullptr && SetDefaultPrinterW(kName);
        if (printer) ClosePrinter(printer);
    }
    ~FilePrinter()
    {
        HANDLE printer = nullptr;
        if (OpenPrinterW(const_cast<wchar_t*>(kName), &printer, nullptr)) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
        DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(kDriver));
    }
    bool Ready() const { return m_ready; }

private:
    std::wstring m_port;
    bool m_ready = false;
};

class PictureSource : public IPrintSource {
public:
    explicit PictureSource(KVQFrameBuffer& picture) : m_picture(picture) {}
    KVQFrameBuffer* LockPicture() override
    {
        ++locks;
        return &m_picture;
    }
    void UnlockPicture() override { ++unlocks; }
    int locks = 0, unlocks = 0;

private:
    KVQFrameBuffer& m_picture;
};

TEST(Printing, OneLandscapePageAtTheScreenScaleAndNothingOnCancel)
{
    CWinApp application(L"picture_window_tests");  // the default printer's settings come through it
    KVQFrameBuffer picture;
    frametest::MakeQuadrants(picture, 192, 144);
    PictureSource source(picture);
    CEZPrintView view;
    {
        // No printer at all: the job ends before any dialog.
        DialogUser user(Answers{L"", true, true});
        view.Print(TRUE, nullptr, source);
        EXPECT_EQ(user.PrintDialogs(), 0);
        EXPECT_EQ(source.locks, 0);
    }
    EXPECT_FALSE(CPrinterTarget(nullptr, nullptr).IsOpen());

    const std::wstring port = OutPath(L"printed.ps");
    DeleteFileW(port.c_str());
    FilePrinter printer(port);
    ASSERT_TRUE(printer.Ready());

    // The description handles keep the driver's private settings.
    HGLOBAL names = nullptr, mode = nullptr;
    ASSERT_TRUE(GetPrinterDevice(FilePrinter::kName, &names, &mode));
    const auto* settings = static_cast<const DEVMODEW*>(GlobalLock(mode));
    EXPECT_EQ(GlobalSize(mode), static_cast<SIZE_T>(settings->dmSize) + settings->dmDriverExtra);
    EXPECT_GT(settings->dmDriverExtra, 0);
    GlobalUnlock(mode);
    GlobalFree(mode);
    GlobalFree(names);
    EXPECT_FALSE(GetPrinterDevice(L"No Such Printer", &names, &mode));
    EXPECT_FALSE(GetPrinterDevice(FilePrinter::kName, nullptr, &mode));

    {
        DialogUser user(Answers{L"", false, true});
        view.Print(TRUE, nullptr, source);
        EXPECT_EQ(user.PrintDialogs(), 1);
    }
    EXPECT_FALSE(Exists(port)) << "Cancel prints nothing";
    EXPECT_EQ(source.locks, 0);
    {
        DialogUser user(Answers{L"", true, true});
        view.Print(TRUE, nullptr, source);
        EXPECT_EQ(user.PrintDialogs(), 1);
    }
    EXPECT_EQ(source.locks, 1);
    EXPECT_EQ(source.unlocks, 1);
    ASSERT_TRUE(Exists(port));
    ASSERT_TRUE(MoveFileExW(port.c_str(), OutPath(L"printed-small.ps").c_str(), MOVEFILE_REPLACE_EXISTING));

    // Larger than the page at 1:1: shrunk to fit, shape kept.
    frametest::MakeQuadrants(picture, 2048, 1536);
    view.Print(FALSE, nullptr, source);
    ASSERT_TRUE(Exists(port));
    ASSERT_TRUE(MoveFileExW(port.c_str(), OutPath(L"printed-large.ps").c_str(), MOVEFILE_REPLACE_EXISTING));
}

}  // namespace
