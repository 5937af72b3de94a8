#include "InputCtrl.h"

#include <algorithm>
#include <cwchar>

namespace {
const DWORD kStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN;
// What the skinned frame keeps of the parent beside and below the picture.
const int kFrameRight = 13;
const int kFrameBottom = 64;
// Room kept under the box's last line.
const int kBottomSlack = 10;
const wchar_t kRoomForNext[] = L"W";

const wchar_t* RichEditClass()
{
    static const bool loaded = ::LoadLibraryW(L"riched20.dll") != nullptr;
    return loaded ? RICHEDIT_CLASSW : nullptr;
}
}  // namespace

CInputCtrl::CInputCtrl() : m_text{}, m_fontDescription{}, m_charFormat{}
{
    m_fontDescription.lfHeight = -17;
    m_fontDescription.lfWeight = FW_NORMAL;
    m_fontDescription.lfOutPrecision = OUT_STROKE_PRECIS;
    m_fontDescription.lfClipPrecision = CLIP_STROKE_PRECIS;
    m_fontDescription.lfQuality = DRAFT_QUALITY;
    m_fontDescription.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    wcscpy(m_fontDescription.lfFaceName, L"Arial");
    m_charFormat.cbSize = sizeof(CHARFORMATW);
    m_charFormat.dwMask =
        CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET;
}

CInputCtrl::~CInputCtrl()
{
    if (m_measuringDC.GetSafeHdc()) m_measuringDC.SelectObject(::GetStockObject(SYSTEM_FONT));
    if (m_hWnd) DestroyWindow();
}

BOOL CInputCtrl::Create(CWnd* parent, UINT id)
{
    const wchar_t* richEdit = RichEditClass();
    if (!richEdit || !parent || !CWnd::Create(richEdit, L"", kStyle, CRect(0, 0, kMinWidth, kMinHeight), parent, id))
        return FALSE;
    HDC parentDC = ::GetDC(parent->m_hWnd);
    CDC model;
    if (parentDC) model.Attach(parentDC);
    m_measuringDC.CreateCompatibleDC(parentDC ? &model : nullptr);
    model.Detach();
    if (parentDC) ::ReleaseDC(parent->m_hWnd, parentDC);
    ApplyFont();
    PARAFORMAT2 paragraph{};
    paragraph.cbSize = sizeof(PARAFORMAT);
    paragraph.dwMask = PFM_LINESPACING;
    paragraph.dyLineSpacing = 28;
    paragraph.bLineSpacingRule = 0;
    SendMessage(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    return TRUE;
}

void CInputCtrl::Show(int x, int y)
{
    m_text[0] = L'\0';
    SetWindowText(L"");
    SetWindowPos(HWND_TOP, x, y, kMinWidth, kMinHeight, SWP_SHOWWINDOW);
    ::SetFocus(m_hWnd);
}

void CInputCtrl::Dismiss()
{
    ShowWindow(SW_HIDE);
    SetWindowText(L"");
}

int CInputCtrl::Points() const
{
    const int dpi = m_measuringDC.GetSafeHdc() ? ::GetDeviceCaps(m_measuringDC, LOGPIXELSY) : 96;
    return -::MulDiv(m_fontDescription.lfHeight, 72, dpi);
}

void CInputCtrl::ApplyFont()
{
    m_charFormat.yHeight = 20 * Points();
    m_charFormat.bCharSet = m_fontDescription.lfCharSet;
    m_charFormat.bPitchAndFamily = m_fontDescription.lfPitchAndFamily;
    wcsncpy(m_charFormat.szFaceName, m_fontDescription.lfFaceName, LF_FACESIZE);
    m_charFormat.dwEffects = CFE_AUTOCOLOR | (m_fontDescription.lfWeight >= FW_BOLD ? CFE_BOLD : 0) |
                             (m_fontDescription.lfItalic ? CFE_ITALIC : 0) |
                             (m_fontDescription.lfUnderline ? CFE_UNDERLINE : 0) |
                             (m_fontDescription.lfStrikeOut ? CFE_STRIKEOUT : 0);
    if (m_hWnd) SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&m_charFormat));
    if (m_measuringDC.GetSafeHdc()) m_measuringDC.SelectObject(::GetStockObject(SYSTEM_FONT));
    m_font.DeleteObject();
    m_font.CreateFontIndirect(&m_fontDescription);
    if (m_measuringDC.GetSafeHdc()) m_measuringDC.SelectObject(&m_font);
    if (m_hWnd && IsWindowVisible()) AutoSize(FALSE);
}

SIZE CInputCtrl::Extent(const wchar_t* text, int length) const
{
    SIZE size{0, 0};
    ::GetTextExtentPoint32W(m_measuringDC, text, length, &size);
    return size;
}

int CInputCtrl::MeasureText(RECT* out)
{
    ::GetWindowTextW(m_hWnd, m_text, 1024);
    CRect box;
    GetWindowRect(&box);
    CPoint topLeft = box.TopLeft();
    ::ScreenToClient(GetParentHwnd(), &topLeft);
    *out = CRect(topLeft.x, topLeft.y, topLeft.x, topLeft.y);
    const int length = static_cast<int>(wcslen(m_text));
    if (!length || !m_measuringDC.GetSafeHdc()) return 0;
    int widest = 0;
    for (const wchar_t* line = m_text; *line;) {
        const wchar_t* end = wcschr(line, L'\n');
        const wchar_t* next = end ? end + 1 : line + wcslen(line);
        int visible = static_cast<int>((end ? end : next) - line);
        if (visible && line[visible - 1] == L'\r') --visible;
        const SIZE size = Extent(line, visible ? visible : 1);
        widest = std::max<int>(widest, visible ? size.cx : 0);
        out->bottom += size.cy;
        line = next;
    }
    out->right = out->left + widest;
    return length;
}

void CInputCtrl::Limits(int& right, int& bottom) const
{
    CRect parent;
    ::GetClientRect(GetParentHwnd(), &parent);
    const auto* skinned = dynamic_cast<const KVQWindow*>(GetParent());
    const bool fullscreen = skinned && skinned->IsFullscreen();
    right = fullscreen ? parent.right : parent.right - kFrameRight;
    bottom = fullscreen ? parent.bottom : parent.bottom - kFrameBottom;
}

void CInputCtrl::AutoSize(BOOL newLine)
{
    CRect box;
    GetWindowRect(&box);
    CPoint topLeft = box.TopLeft();
    ::ScreenToClient(GetParentHwnd(), &topLeft);
    const int startHeight = box.Height();
    CRect text;
    const int length = MeasureText(&text);
    m_widthLimitReached = m_heightLimitReached = 0;
    int rightLimit, bottomLimit;
    Limits(rightLimit, bottomLimit);

    int width, height;
    if (!length) {
        const SIZE letter = Extent(kRoomForNext, 1);
        width = std::max<int>(letter.cx, kMinWidth);
        height = letter.cy < kMinHeight + 1 ? kMinHeight : letter.cy;
    } else {
        if (newLine) text.bottom += Points() * 3 / 2;
        if (SendMessage(EM_GETLINECOUNT) < 2) {
            wchar_t line[256 + 2];
            wcsncpy(line, m_text, 255);
            line[255] = L'\0';
            wcscat(line, kRoomForNext);
            width = std::max<int>(Extent(line, static_cast<int>(wcslen(line))).cx, kMinWidth);
        } else {
            wchar_t line[256 + 2] = {};
            const LRESULT caretLine = SendMessage(EM_LINEFROMCHAR, static_cast<WPARAM>(-1));
            *reinterpret_cast<WORD*>(line) = 255;
            const LRESULT copied = SendMessage(EM_GETLINE, caretLine, reinterpret_cast<LPARAM>(line));
            line[std::min<LRESULT>(std::max<LRESULT>(copied, 0), 255)] = L'\0';
            for (wchar_t* end = line + wcslen(line); end > line && (end[-1] == L'\r' || end[-1] == L'\n');) *--end = 0;
            wcscat(line, kRoomForNext);
            const int lineWidth = Extent(line, static_cast<int>(wcslen(line))).cx;
            width = std::max({text.Width() >= kMinWidth ? static_cast<int>(text.Width()) : kMinWidth,
                              static_cast<int>(box.Width()), lineWidth});
        }
        if (topLeft.x + width > rightLimit) {
            m_widthLimitReached = 1;
            width = rightLimit - topLeft.x - 1;
        }
        height = std::max<int>(startHeight, text.Height());
        if (height < kMinHeight + 1) height = kMinHeight;
        if (topLeft.y + height + kBottomSlack > bottomLimit) {
            height = bottomLimit - topLeft.y;
            m_heightLimitReached = 1;
        }
    }
    SetWindowPos(HWND_TOP, topLeft.x, topLeft.y, width, height, SWP_SHOWWINDOW);
    Invalidate(TRUE);
}

void CInputCtrl::ApplyColour(COLORREF colour)
{
    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    format.dwMask = CFM_SIZE | CFM_COLOR;
    format.dwEffects = CFE_BOLD;
    format.crTextColor = colour;
    SendMessage(EM_SETCHARFORMAT, SCF_SELECTION | SCF_WORD, reinterpret_cast<LPARAM>(&format));
}

LRESULT CInputCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN: {
        if (wParam == VK_ESCAPE) {
            Dismiss();
            return 0;
        }
        if (wParam == VK_RETURN && m_heightLimitReached) return 0;
        const LRESULT result = CWnd::WindowProc(message, wParam, lParam);
        switch (wParam) {
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_BACK:
        case VK_TAB:
            break;
        default:
            AutoSize(wParam == VK_RETURN);
        }
        return result;
    }
    case WM_CHAR:
        if (wParam == L'\t' || (wParam == L'\r' && m_heightLimitReached) || (wParam != L'\r' && m_widthLimitReached))
            return 0;
        return CWnd::WindowProc(message, wParam, lParam);
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}
