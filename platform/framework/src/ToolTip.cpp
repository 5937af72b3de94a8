#include "kvqframe/ToolTip.h"

BOOL CToolTipCtrl::Create(CWnd* owner, DWORD style)
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    m_owner = owner ? owner->m_hWnd : nullptr;
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, m_owner, nullptr);
}

BOOL CToolTipCtrl::SendToolMessage(UINT message, CWnd* tool, const wchar_t* text)
{
    if (!m_hWnd || !tool || !tool->m_hWnd) return FALSE;
    TTTOOLINFOW info{};
    // The size every common-controls version accepts (no manifest asks for v6).
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = m_owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool->m_hWnd);
    info.lpszText = const_cast<wchar_t*>(text);
    return static_cast<BOOL>(SendMessage(message, 0, reinterpret_cast<LPARAM>(&info)));
}

BOOL CToolTipCtrl::AddTool(CWnd* tool, const wchar_t* text) { return SendToolMessage(TTM_ADDTOOLW, tool, text); }

BOOL CToolTipCtrl::UpdateTipText(CWnd* tool, const wchar_t* text)
{
    if (!m_hWnd || !tool || !tool->m_hWnd) return FALSE;
    SendToolMessage(TTM_UPDATETIPTEXTW, tool, text);  // answers nothing
    SendMessage(TTM_UPDATE);
    return TRUE;
}
