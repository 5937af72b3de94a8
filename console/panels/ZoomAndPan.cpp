#include "ZoomAndPan.h"

#include "CommandIds.h"
#include "LanguageText.h"
#include "SkinButton.h"

namespace {
struct ArrowRow {
    unsigned short command;
    ButtonImages images;
    int dx, dy;  // from the strip's top-left
    const wchar_t* tipKey;
    const wchar_t* tipText;
};
// By slot, from UP on; the centre last.
const ArrowRow kArrows[] = {
    {ID_PAN_UP, FourImages(SKIN_PAN_UP_BUTTON), 32, 0, L"tipPanUp", L"Pan up"},
    {ID_PAN_DOWN, FourImages(SKIN_PAN_DOWN_BUTTON), 32, 47, L"tipPanDown", L"Pan down"},
    {ID_PAN_LEFT, FourImages(SKIN_PAN_LEFT_BUTTON), 10, 22, L"tipPanLeft", L"Pan left"},
    {ID_PAN_RIGHT, FourImages(SKIN_PAN_RIGHT_BUTTON), 57, 22, L"tipPanRight", L"Pan right"},
    {0, OneFace(SKIN_PAN_CENTRE_DISABLED, SKIN_PAN_CENTRE), 32, 22, nullptr, nullptr},
};
const ArrowRow& RowOf(int slot) { return kArrows[slot - CZoomAndPan::UP]; }
const int kStripLeft = 13, kStripSize = 90, kStripAboveBottom = 64;
}  // namespace

CZoomAndPan::CZoomAndPan() = default;
CZoomAndPan::~CZoomAndPan() = default;

void CZoomAndPan::GetStripRect(RECT* out, const RECT& window)
{
    const int height = window.bottom - window.top;
    *out =
        CRect(kStripLeft, height - kStripAboveBottom - kStripSize, kStripLeft + kStripSize, height - kStripAboveBottom);
}

CPoint CZoomAndPan::Place(Slot slot, const RECT& strip) const
{
    // Children sit in client coordinates, the strip in window coordinates.
    const int border = m_owner->m_border;
    return CPoint(strip.left + RowOf(slot).dx - border, strip.top + RowOf(slot).dy - border);
}

int CZoomAndPan::Create(KVQWindow* owner, HMODULE skins)
{
    m_owner = owner;
    for (int slot = UP; slot < SLOTS; ++slot) {
        const ArrowRow& row = RowOf(slot);
        // The centre answers no press.
        CWnd* notify = row.command ? owner : nullptr;
        if (CreateSkinButton(m_buttons[slot], skins, row.images, BUTTON_STYLE_PRESS, 0, 0, owner, notify, row.command))
            m_buttons[slot].ShowWindow(SW_HIDE);
    }
    for (int slot = UP; slot < CENTRE; ++slot)
        AddControlTip(m_tips[slot], owner, &m_buttons[slot],
                      ReadIniString(L"CZoomAndPan", RowOf(slot).tipKey, RowOf(slot).tipText));
    Layout();
    return 1;
}

void CZoomAndPan::Layout()
{
    if (!m_owner || !m_owner->m_hWnd) return;
    CRect window, strip;
    m_owner->GetWindowRect(&window);
    GetStripRect(&strip, window);
    for (int slot = UP; slot < SLOTS; ++slot) {
        const CPoint at = Place(Slot(slot), strip);
        if (m_buttons[slot].m_hWnd)
            m_buttons[slot].SetWindowPos(nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CZoomAndPan::SetVisible(int show)
{
    m_visible = show;
    for (int slot = UP; slot < SLOTS; ++slot)
        if (m_buttons[slot].m_hWnd) m_buttons[slot].ShowWindow(show ? SW_SHOW : SW_HIDE);
    if (show) EnableArrows();
}

void CZoomAndPan::EnableArrows()
{
    for (int slot = UP; slot < CENTRE; ++slot) {
        KVQButton& arrow = m_buttons[slot];
        if (arrow.m_hWnd && !arrow.IsWindowEnabled()) {
            arrow.EnableWindow(TRUE);
            arrow.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
    }
}

void CZoomAndPan::RelayToolTips(MSG* msg)
{
    for (int slot = UP; slot < CENTRE; ++slot)
        if (m_tips[slot].m_hWnd) m_tips[slot].RelayEvent(msg);
}

void CZoomAndPan::Tick()
{
    if (!m_owner) return;
    for (int slot = UP; slot < CENTRE; ++slot)
        if (m_buttons[slot].GetHoldState()) m_owner->OnButtonEvent(RowOf(slot).command);
    if (!m_visible || m_owner != AfxGetMainWnd()) return;
    EnableArrows();
    RedrawPanButtons();
}

void CZoomAndPan::RedrawPanButtons()
{
    for (int slot = UP; slot < SLOTS; ++slot)
        if (m_buttons[slot].m_hWnd) m_buttons[slot].RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
