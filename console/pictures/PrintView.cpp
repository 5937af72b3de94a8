#include "PrintView.h"

#include <kvqframe.h>
#include <winspool.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "FrameBuffer.h"
#include "PictureView.h"

namespace {

const UINT kAppTitleString = 57344;
// A capture printer some machines carry; when present it takes the job.
const wchar_t kCapturePrinter[] = L"SMART Notebook Print Capture hahaha";

// A global block locked for the life of the scope.
template <typename T>
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL block) : m_block(block), m_data(block ? static_cast<T*>(GlobalLock(block)) : nullptr)
    {
    }
    ~LockedBlock()
    {
        if (m_data) GlobalUnlock(m_block);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    T* Get() const { return m_data; }
    size_t Size() const { return m_data ? GlobalSize(m_block) : 0; }

private:
    HGLOBAL m_block;
    T* m_data;
};

// A name of a DEVNAMES block by its offset (in characters); empty when the
// offset or the name runs past the block.
std::wstring DevName(const LockedBlock<DEVNAMES>& names, WORD offset)
{
    const size_t room = names.Size() / sizeof(wchar_t);
    if (!names.Get() || offset >= room) return std::wstring();
    const auto* text = reinterpret_cast<const wchar_t*>(names.Get()) + offset;
    return std::wstring(text, wcsnlen(text, room - offset));
}

SIZE ScreenPixelsPerInch(CWnd* window)
{
    HWND handle = window ? window->m_hWnd : nullptr;
    HDC screen = GetDC(handle);
    const SIZE dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(handle, screen);
    return dpi;
}

}  // namespace

CPrinterTarget::CPrinterTarget(HGLOBAL devNames, HGLOBAL devMode)
{
    LockedBlock<DEVNAMES> names(devNames);
    if (!names.Get() || names.Size() < sizeof(DEVNAMES)) return;
    const std::wstring driver = DevName(names, names.Get()->wDriverOffset);
    const std::wstring device = DevName(names, names.Get()->wDeviceOffset);
    const std::wstring port = DevName(names, names.Get()->wOutputOffset);
    if (device.empty()) return;
    LockedBlock<DEVMODEW> mode(devMode);
    // Settings that claim more than their block holds are left to the driver's defaults.
    const bool modeWhole =
        mode.Get() && mode.Size() >= static_cast<size_t>(mode.Get()->dmSize) + mode.Get()->dmDriverExtra;
    m_dc = CreateDCW(driver.empty() ? nullptr : driver.c_str(), device.c_str(), port.empty() ? nullptr : port.c_str(),
                     modeWhole ? mode.Get() : nullptr);
}

CPrinterTarget::~CPrinterTarget()
{
    if (m_dc) DeleteDC(m_dc);
}

SIZE CPrinterTarget::PixelsPerInch() { return SIZE{GetDeviceCaps(m_dc, LOGPIXELSX), GetDeviceCaps(m_dc, LOGPIXELSY)}; }

SIZE CPrinterTarget::PrintableSize() { return SIZE{GetDeviceCaps(m_dc, HORZRES), GetDeviceCaps(m_dc, VERTRES)}; }

bool CPrinterTarget::StartDocument(const wchar_t* name, const wchar_t* output)
{
    DOCINFOW info{};
    info.cbSize = sizeof(info);
    info.lpszDocName = name;
    info.lpszOutput = output;
    return StartDocW(m_dc, &info) > 0;
}

bool CPrinterTarget::StartPage() { return ::StartPage(m_dc) > 0; }

bool CPrinterTarget::EndPage() { return ::EndPage(m_dc) > 0; }

bool CPrinterTarget::EndDocument() { return EndDoc(m_dc) > 0; }

void CPrinterTarget::AbortDocument() { AbortDoc(m_dc); }

bool PrintPicture(IPrintTarget& target, IPrintSource& source, SIZE screenDpi, const wchar_t* documentName,
                  const wchar_t* output)
{
    if (!target.StartDocument(documentName, output)) return false;
    HDC dc = target.Dc();
    SetMapMode(dc, MM_TEXT);
    if (!target.StartPage()) {
        target.AbortDocument();
        return false;
    }
    if (KVQFrameBuffer* picture = source.LockPicture()) {
        const int width = picture->Width(), height = picture->Height();
        const SIZE printerDpi = target.PixelsPerInch();
        const SIZE page = target.PrintableSize();
        const PixelSize printed = PrintedPictureSize(width, height, {screenDpi.cx, screenDpi.cy},
                                                     {printerDpi.cx, printerDpi.cy}, {page.cx, page.cy});
        if (picture->HasPicture() && printed.width > 0 && printed.height > 0) {
            const BgrPlane plane = picture->WritablePlane();
            StretchDIBits(dc, 0, 0, printed.width, printed.height, 0, 0, width, height, plane.pixels,
                          reinterpret_cast<const BITMAPINFO*>(&picture->Header()), DIB_RGB_COLORS, SRCCOPY);
        }
        source.UnlockPicture();
    }
    if (!target.EndPage()) {
        target.AbortDocument();
        return false;
    }
    return target.EndDocument();
}

HGLOBAL CopyGlobalHandle(HGLOBAL handle)
{
    if (!handle) return nullptr;
    LockedBlock<BYTE> source(handle);
    if (!source.Get()) return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, source.Size());
    LockedBlock<BYTE> target(copy);
    if (!target.Get()) {
        if (copy) GlobalFree(copy);
        return nullptr;
    }
    std::memcpy(target.Get(), source.Get(), source.Size());
    return copy;
}

BOOL GetPrinterDevice(const wchar_t* printerName, HGLOBAL* devNames, HGLOBAL* devMode)
{
    if (!printerName || !devNames || !devMode) return FALSE;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName), &printer, nullptr)) return FALSE;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    const bool fetched = needed >= sizeof(PRINTER_INFO_2W) && GetPrinterW(printer, 2, buffer.data(), needed, &needed);
    ClosePrinter(printer);
    if (!fetched) return FALSE;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    const DEVMODEW* settings = info->pDevMode;
    if (!settings || !info->pDriverName || !info->pPrinterName || !info->pPortName) return FALSE;

    // The settings with their driver-private tail, as long as the driver says.
    const size_t modeSize = static_cast<size_t>(settings->dmSize) + settings->dmDriverExtra;
    HGLOBAL mode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, modeSize);
    if (LockedBlock<BYTE> target(mode); target.Get()) std::memcpy(target.Get(), settings, modeSize);

    const std::wstring driver = info->pDriverName, device = info->pPrinterName, port = info->pPortName;
    const size_t characters = driver.size() + 1 + device.size() + 1 + port.size() + 1;
    HGLOBAL names = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, characters * sizeof(wchar_t) + sizeof(DEVNAMES));
    if (LockedBlock<DEVNAMES> target(names); target.Get()) {
        DEVNAMES* header = target.Get();
        auto* text = reinterpret_cast<wchar_t*>(header);
        header->wDriverOffset = sizeof(DEVNAMES) / sizeof(wchar_t);
        header->wDeviceOffset = static_cast<WORD>(header->wDriverOffset + driver.size() + 1);
        header->wOutputOffset = static_cast<WORD>(header->wDeviceOffset + device.size() + 1);
        header->wDefault = 0;
        wcscpy(text + header->wDriverOffset, driver.c_str());
        wcscpy(text + header->wDeviceOffset, device.c_str());
        wcscpy(text + header->wOutputOffset, port.c_str());
    }
    if (!mode || !names) {
        if (mode) GlobalFree(mode);
        if (names) GlobalFree(names);
        return FALSE;
    }
    *devMode = mode;
    *devNames = names;
    return TRUE;
}

void CEZPrintView::Print(BOOL withDialog, CWnd* parent, IPrintSource& source)
{
    if (m_dialogOpen) return;  // one dialog at a time
    CWinApp* app = AfxGetApp();
    CString documentName;
    if (!documentName.LoadString(kAppTitleString) && app) documentName = app->m_appName;

    CPrintDialog dialog(
        FALSE, PD_ALLPAGES | PD_USEDEVMODECOPIESANDCOLLATE | PD_PAGENUMS | PD_HIDEPRINTTOFILE | PD_NOSELECTION, parent);
    if (!GetPrinterDevice(kCapturePrinter, &dialog.m_pd.hDevNames, &dialog.m_pd.hDevMode)) {
        dialog.m_pd.hDevNames = nullptr;
        dialog.m_pd.hDevMode = nullptr;
        if (!app || !app->GetPrinterDeviceDefaults(&dialog.m_pd)) return;
    }
    if (LockedBlock<DEVMODEW> mode(dialog.m_pd.hDevMode); mode.Get()) {
        mode.Get()->dmFields |= DM_ORIENTATION;
        mode.Get()->dmOrientation = DMORIENT_LANDSCAPE;
    }
    dialog.m_pd.nFromPage = dialog.m_pd.nToPage = dialog.m_pd.nMinPage = dialog.m_pd.nMaxPage = 1;

    if (withDialog) {
        m_dialogOpen = true;
        const INT_PTR answer = dialog.DoModal();
        m_dialogOpen = false;
        if (answer != IDOK) return;
    }
    CPrinterTarget target(dialog.m_pd.hDevNames, dialog.m_pd.hDevMode);
    if (!target.IsOpen()) return;
    const CString port = dialog.GetPortName();
    PrintPicture(target, source, ScreenPixelsPerInch(parent), documentName,
                 port.IsEmpty() ? nullptr : port.GetString());
}
