#pragma once
#include "Wnd.h"

class CDialog;

// Binds dialog controls to objects when the dialog initialises.
class FX_API CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Subclasses control id of the dialog with the object (once).
FX_API void DDX_Control(CDataExchange* dx, int id, CWnd& control);

// A dialog box from a dialog template in the resource-module chain, modal
// (DoModal) or modeless (Create).
class FX_API CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

    virtual INT_PTR DoModal();
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx) {}
    BOOL UpdateData(BOOL save = TRUE);
    virtual void OnOK();
    virtual void OnCancel();

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    const DLGTEMPLATE* FindTemplate(UINT id) const;

    UINT m_templateId;
    CWnd* m_parent;
    bool m_modal = false;
};
