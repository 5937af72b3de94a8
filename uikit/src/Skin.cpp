#include "Skin.h"
#include "logic/SkinGeometry.h"
#include <vector>

namespace {
HINSTANCE g_library = nullptr;
AFX_EXTENSION_MODULE g_module{};

// Win32 handles behind the region file, closed at scope end.
class File {
public:
    File(const wchar_t* name, DWORD access)
        : m_handle(::CreateFileW(name, access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~File()
    {
        if (IsOpen()) ::CloseHandle(m_handle);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Reads the whole region file; false when it is unreadable, empty or was not
// read to the end.
bool ReadWholeFile(File& file, std::vector<BYTE>& data)
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Handle(), &size) || size.QuadPart <= 0 || size.QuadPart > (64 << 20)) return false;
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ::ReadFile(file.Handle(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) &&
           read == data.size();
}

void WriteRegionFile(const wchar_t* name, HRGN region)
{
    DWORD size = ::GetRegionData(region, 0, nullptr);
    if (!size) return;
    std::vector<BYTE> data(size);
    if (::GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())) != size) return;
    // The file is updated only when it exists already; it is never created.
    File file(name, GENERIC_WRITE);
    if (!file.IsOpen()) return;
    DWORD written = 0;
    ::WriteFile(file.Handle(), data.data(), size, &written, nullptr);
    ::SetEndOfFile(file.Handle());
}

HBITMAP CreateBlankBitmap(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    // A DIB section starts zero-filled: the blank face is black, not garbage.
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        // The host's resource searches include this library from now on.
        if (!AfxInitExtensionModule(g_module, instance)) return FALSE;
        g_library = instance;
    } else if (reason == DLL_PROCESS_DETACH) {
        AfxTermExtensionModule(g_module);
    }
    return TRUE;
}

namespace kvq {

HINSTANCE LibraryInstance() { return g_library; }

HBITMAP LoadLibraryBitmap(UINT id)
{
    CResourceModuleScope scope(g_library);
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEW(id), reinterpret_cast<const wchar_t*>(RT_BITMAP));
    return ::LoadBitmapW(module, MAKEINTRESOURCEW(id));
}

HRGN RegionFromFileData(const BYTE* data, size_t length)
{
    if (length < sizeof(RGNDATAHEADER)) return nullptr;
    RGNDATAHEADER header;
    memcpy(&header, data, sizeof(header));
    if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES ||
        header.nCount > (length - sizeof(RGNDATAHEADER)) / sizeof(RECT) ||
        sizeof(RGNDATAHEADER) + header.nCount * sizeof(RECT) != length)
        return nullptr;
    return ::ExtCreateRegion(nullptr, static_cast<DWORD>(length), reinterpret_cast<const RGNDATA*>(data));
}

void LoadSkinBitmap(CRgn* region, CRect* rect, CBitmap* bitmap, const wchar_t* regionFile, HBITMAP face, UINT defaultId,
                    COLORREF transparent, BOOL useRegion)
{
    if (face) {
        bitmap->Attach(face);
    } else if (!bitmap->Attach(LoadLibraryBitmap(defaultId))) {
        bitmap->Attach(CreateBlankBitmap(128, 64));
    }
    BITMAP info{};
    bitmap->GetBitmap(&info);
    *rect = CRect(0, 0, info.bmWidth, info.bmHeight);
    if (!useRegion) return;
    if (regionFile) {
        File file(regionFile, GENERIC_READ);
        if (file.IsOpen()) {
            std::vector<BYTE> data;
            if (ReadWholeFile(file, data))
                if (HRGN fromFile = RegionFromFileData(data.data(), data.size())) {
                    region->Attach(fromFile);
                    return;
                }
            kvqComputeRgnFromBitmap(region, *bitmap, transparent);
            return;
        }
    }
    kvqComputeRgnFromBitmap(region, *bitmap, transparent);
    if (regionFile && region->GetSafeHandle()) WriteRegionFile(regionFile, *region);
}

void HandRegionTo(CWnd& wnd, CRgn& region)
{
    if (region.GetSafeHandle() && wnd.SetWindowRgn(static_cast<HRGN>(region.GetSafeHandle()), TRUE)) region.Detach();
}

BOOL CreateSkinnedChild(CWnd& wnd, CBitmap& face, CRgn& region, const FaceSource& source, int x, int y, CWnd* parent,
                        UINT id)
{
    CRect rect;
    LoadSkinBitmap(&region, &rect, &face, source.regionFile, source.face, source.defaultId, source.transparent,
                   source.useRegion);
    rect.OffsetRect(x, y);
    if (!wnd.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, parent, id)) return FALSE;
    if (source.useRegion) HandRegionTo(wnd, region);
    return TRUE;
}

ImageSource::ImageSource(HBITMAP given, UINT defaultId)
    : m_bitmap(given ? given : LoadLibraryBitmap(defaultId)), m_owned(!given)
{
}

ImageSource::~ImageSource()
{
    if (m_owned && m_bitmap) ::DeleteObject(m_bitmap);
}

}  // namespace kvq

BOOL SkinImage::FromBitmap(HBITMAP bitmap, HDC screen)
{
    Free();
    if (!bitmap) return FALSE;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (!::GetDIBits(screen, bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS)) return FALSE;
    m_header = BITMAPINFOHEADER{};
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biWidth = info.bmiHeader.biWidth;
    m_header.biHeight = info.bmiHeader.biHeight;
    m_header.biPlanes = 1;
    m_header.biBitCount = 24;
    m_header.biCompression = BI_RGB;
    m_header.biXPelsPerMeter = 120;
    m_header.biYPelsPerMeter = 120;
    const int rows = m_header.biHeight < 0 ? -m_header.biHeight : m_header.biHeight;
    const size_t stride = (static_cast<size_t>(m_header.biWidth) * 3 + 3) & ~size_t(3);
    m_bits.assign(stride * rows, 0);
    BITMAPINFOHEADER request = m_header;
    if (::GetDIBits(screen, bitmap, 0, rows, m_bits.data(), reinterpret_cast<BITMAPINFO*>(&request), DIB_RGB_COLORS) !=
        rows) {
        Free();
        return FALSE;
    }
    return TRUE;
}

void SkinImage::Draw(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY) const
{
    if (IsEmpty() || width <= 0 || height <= 0) return;
    // A bottom-up image counts its source origin from the bottom row.
    const int rows = Height();
    const int dibY = m_header.biHeight > 0 ? rows - sourceY - height : sourceY;
    ::SetDIBitsToDevice(dc, x, y, width, height, sourceX, dibY, 0, rows, m_bits.data(),
                        reinterpret_cast<const BITMAPINFO*>(&m_header), DIB_RGB_COLORS);
}

void SkinImage::Free()
{
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_header = BITMAPINFOHEADER{};
}

void kvqComputeRgnFromBitmap(CRgn* region, HBITMAP bitmap, COLORREF transparent)
{
    // One rectangle per run of opaque pixels, handed to ExtCreateRegion in one
    // call: proportional to the rows and runs, not to the transparent pixels.
    BITMAP info{};
    if (!region || !::GetObjectW(bitmap, sizeof(info), &info)) return;
    const int width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = width;
    request.bmiHeader.biHeight = -height;  // top-down rows
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    kvq::ScreenDC screen;
    if (!screen || ::GetDIBits(screen.Handle(), bitmap, 0, height, pixels.data(), &request, DIB_RGB_COLORS) != height)
        return;
    for (uint32_t& p : pixels) p &= 0x00FFFFFF;
    // A 32-bit DIB pixel is 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
    const uint32_t key = (GetRValue(transparent) << 16) | (GetGValue(transparent) << 8) | GetBValue(transparent);
    std::vector<kvq::Run> runs;
    kvq::CollectOpaqueRuns(pixels.data(), width, height, key, runs);

    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(runs.size());
    header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    header->rcBound = RECT{0, 0, width, height};
    auto* rects = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
    for (size_t i = 0; i < runs.size(); ++i) rects[i] = RECT{runs[i].left, runs[i].y, runs[i].right, runs[i].y + 1};
    region->DeleteObject();
    region->Attach(
        ::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data())));
}
