#include "CreationHook.h"
#include "kvqframe/App.h"
#include "kvqframe/Dialog.h"
#include <commctrl.h>

namespace {
// Templates may hold common controls (track bars among them).
void RegisterCommonControls()
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
}
}  // namespace

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!control.m_hWnd) control.SubclassDlgItem(id, dx->m_pDlgWnd);
}

const DLGTEMPLATE* CDialog::FindTemplate(UINT id) const
{
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEW(id), reinterpret_cast<const wchar_t*>(RT_DIALOG));
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<const wchar_t*>(RT_DIALOG));
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    return loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
}

INT_PTR CDialog::DoModal()
{
    const DLGTEMPLATE* dialogTemplate = FindTemplate(m_templateId);
    if (!dialogTemplate) return -1;
    RegisterCommonControls();
    CWnd* parent = m_parent ? m_parent : AfxGetMainWnd();
    m_modal = true;
    INT_PTR result;
    {
        CreationHook hook(this);
        result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate,
                                           parent ? parent->m_hWnd : nullptr, DialogProc, 0);
    }
    m_modal = false;
    return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    m_templateId = templateId;
    m_parent = parent;
    const DLGTEMPLATE* dialogTemplate = FindTemplate(templateId);
    if (!dialogTemplate) return FALSE;
    m_modal = false;
    RegisterCommonControls();
    CreationHook hook(this);
    return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, parent ? parent->m_hWnd : nullptr,
                                        DialogProc, 0) != nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND wnd, UINT message, WPARAM, LPARAM)
{
    // Everything else reaches the object through the framework's procedure,
    // which runs before the dialog manager's.
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = static_cast<CDialog*>(FromHandlePermanent(wnd));
    return dialog ? dialog->OnInitDialog() : TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL save)
{
    CDataExchange dx(this, save);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::EndDialog(int result)
{
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        DestroyWindow();
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    if (HIWORD(wParam) != BN_CLICKED && lParam) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    // Tab, arrows, Enter and Escape of a modeless dialog.
    return !m_modal && m_hWnd && ::IsDialogMessageW(m_hWnd, msg);
}
