#pragma once
#include "Wnd.h"
#include <commctrl.h>

// A tooltip control for tools that are windows. The owner passes the mouse
// messages of its tools on with RelayEvent; the control shows the text of the
// tool under the pointer after the usual delay.
class FX_API CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* owner, DWORD style = TTS_ALWAYSTIP);
    // The control keeps its own copy of the text.
    BOOL AddTool(CWnd* tool, const wchar_t* text);
    // Replaces the text of a tool added before; it shows from the next time
    // the tip appears (at once when it is showing).
    BOOL UpdateTipText(CWnd* tool, const wchar_t* text);
    void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, active); }
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }

private:
    BOOL SendToolMessage(UINT message, CWnd* tool, const wchar_t* text);
    HWND m_owner = nullptr;
};
