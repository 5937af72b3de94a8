#include "BasePanel.h"

#include <cstdlib>

namespace {
CPoint g_lastPosition;

// A DOCK_RIGHT panel with a negative offset sits left of the owner's edge
// by this much more: room for the panel itself.
const int kRightDockPanelWidth = 390;
}  // namespace

CPoint CBasePanel::LastPosition() { return g_lastPosition; }
void CBasePanel::SetLastPosition(CPoint point) { g_lastPosition = point; }

BOOL CBasePanel::PlacePanel(int mode)
{
    CRect rect;
    GetWindowRect(&rect);
    CPoint at = g_lastPosition;
    if (m_owner && mode != PLACE_LAST) {
        CRect owner;
        m_owner->GetWindowRect(&owner);
        at = rect.TopLeft();
        if (mode == PLACE_DOCKED && m_dockState == DOCK_RIGHT) {
            at = CPoint(owner.right + m_dockOffsetX, owner.top + m_dockOffsetY);
            if (m_dockOffsetX < 0) at.x -= kRightDockPanelWidth;
        } else if (mode == PLACE_DOCKED && m_dockState == DOCK_BELOW) {
            at = CPoint(owner.left, owner.bottom);
        } else if (mode == PLACE_OWNER_CORNER) {
            at = owner.TopLeft();
        }
        g_lastPosition = at;
    }
    return SetWindowPos(m_topmost ? HWND_TOPMOST : HWND_TOP, at.x, at.y, rect.Width(), rect.Height(),
                        SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

BOOL CBasePanel::HidePanel()
{
    if (!IsWindowVisible()) return FALSE;
    CRect rect;
    GetWindowRect(&rect);
    g_lastPosition = rect.TopLeft();
    return SetWindowPos(HWND_TOP, rect.left, rect.top, rect.Width(), rect.Height(), SWP_HIDEWINDOW | SWP_NOACTIVATE);
}

bool CBasePanel::OwnerIsFullscreen() const
{
    const auto* owner = dynamic_cast<const KVQWindow*>(m_owner);
    if (owner && owner->IsFullscreen()) return true;
    return m_pictureWindow && m_pictureWindow->m_hWnd && ::GetActiveWindow() == m_pictureWindow->m_hWnd &&
           m_pictureWindow->IsFullscreen();
}

BOOL CBasePanel::MyMouseMove(UINT, CPoint point)
{
    if (!m_owner || OwnerIsFullscreen()) return FALSE;
    CRect panel, owner;
    GetWindowRect(&panel);
    m_owner->GetWindowRect(&owner);
    const bool nearDragStart =
        std::abs(point.x - m_dragOrigin.x) <= kSnapReach && std::abs(point.y - m_dragOrigin.y) <= kSnapReach;
    const bool nearCorner =
        std::abs(panel.left - owner.left) <= kSnapReach && std::abs(panel.top - owner.bottom) <= kSnapReach;
    if (nearDragStart && nearCorner) {
        m_dockState = DOCK_BELOW;
        PlacePanel(PLACE_DOCKED);
        return TRUE;
    }
    m_dockState = DOCK_FREE;
    return FALSE;
}

void CBasePanel::OnKillFocus(HWND gaining)
{
    if (IsWindowVisible()) {
        const bool keeps = gaining && ((m_owner && gaining == m_owner->m_hWnd) ||
                                       (m_pictureWindow && gaining == m_pictureWindow->m_hWnd));
        if (!gaining || (::IsChild(gaining, m_hWnd) && !keeps)) HidePanel();
    }
    Default();
}
