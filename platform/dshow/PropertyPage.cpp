#include "PropertyPage.h"

#include <olectl.h>

namespace dshow {

namespace {
INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
}  // namespace

PropertyPage::PropertyPage(IUnknown* outer, int dialogId, int titleId)
    : ComObject(outer), m_dialogId(dialogId), m_titleId(titleId)
{
}

PropertyPage::~PropertyPage()
{
    if (m_window) DestroyWindow(m_window);
    if (m_site) m_site->Release();
}

HRESULT STDMETHODCALLTYPE PropertyPage::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IPropertyPage) return ReturnInterface(static_cast<IPropertyPage*>(this), out);
    return ComObject::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE PropertyPage::SetPageSite(IPropertyPageSite* site)
{
    if (site) {
        if (m_site) return E_UNEXPECTED;
        m_site = site;
        m_site->AddRef();
    } else {
        if (!m_site) return E_UNEXPECTED;
        m_site->Release();
        m_site = nullptr;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPage::Activate(HWND parent, LPCRECT rect, BOOL)
{
    if (!rect) return E_POINTER;
    if (m_window) return E_UNEXPECTED;
    if (!CreateDialogParamW(module::Instance(), MAKEINTRESOURCEW(m_dialogId), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this)))
        return E_OUTOFMEMORY;
    OnActivate();
    Move(rect);
    return Show(SW_SHOWNORMAL);
}

HRESULT STDMETHODCALLTYPE PropertyPage::Deactivate()
{
    if (!m_window) return E_UNEXPECTED;
    OnDeactivate();
    DestroyWindow(m_window);
    m_window = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPage::GetPageInfo(PROPPAGEINFO* info)
{
    if (!info) return E_POINTER;
    WCHAR title[128] = {};
    LoadStringW(module::Instance(), m_titleId, title, ARRAYSIZE(title));
    size_t bytes = (lstrlenW(title) + 1) * sizeof(WCHAR);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!copy) return E_OUTOFMEMORY;
    CopyMemory(copy, title, bytes);
    info->cb = sizeof *info;
    info->pszTitle = copy;
    info->size = DialogSize();
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

SIZE PropertyPage::DialogSize() const
{
    // The template is in dialog units; a hidden instance measures it in
    // pixels for the frame's font.
    SIZE size = {0, 0};
    HWND probe =
        CreateDialogParamW(module::Instance(), MAKEINTRESOURCEW(m_dialogId), GetDesktopWindow(), IgnoreMessages, 0);
    if (probe) {
        RECT rect;
        GetWindowRect(probe, &rect);
        size.cx = rect.right - rect.left;
        size.cy = rect.bottom - rect.top;
        DestroyWindow(probe);
    }
    return size;
}

HRESULT STDMETHODCALLTYPE PropertyPage::SetObjects(ULONG count, IUnknown** objects)
{
    if (count == 1) {
        if (!objects || !objects[0]) return E_POINTER;
        m_objectSet = true;
        return OnConnect(objects[0]);
    }
    if (count == 0) {
        m_objectSet = false;
        return OnDisconnect();
    }
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE PropertyPage::Show(UINT command)
{
    if (!m_window) return E_UNEXPECTED;
    ShowWindow(m_window, command);
    InvalidateRect(m_window, nullptr, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPage::Move(LPCRECT rect)
{
    if (!rect) return E_POINTER;
    if (!m_window) return E_UNEXPECTED;
    MoveWindow(m_window, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPage::IsPageDirty() { return m_dirty ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE PropertyPage::Apply()
{
    if (!m_objectSet || !m_site) return E_UNEXPECTED;
    if (!m_dirty) return S_OK;
    HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr)) m_dirty = false;
    return hr;
}

HRESULT STDMETHODCALLTYPE PropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE PropertyPage::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

HRESULT PropertyPage::OnConnect(IUnknown*) { return S_OK; }
HRESULT PropertyPage::OnDisconnect() { return S_OK; }
HRESULT PropertyPage::OnActivate() { return S_OK; }
HRESULT PropertyPage::OnDeactivate() { return S_OK; }
HRESULT PropertyPage::OnApplyChanges() { return S_OK; }

INT_PTR PropertyPage::OnReceiveMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The frame strips WS_EX_CONTROLPARENT from its pages, which would take
    // the tab key out of the page's controls.
    if (message == WM_STYLECHANGING && wParam == static_cast<WPARAM>(GWL_EXSTYLE)) {
        reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew |= WS_EX_CONTROLPARENT;
    }
    return FALSE;
}

void PropertyPage::SetDirty()
{
    m_dirty = true;
    if (m_site) m_site->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

INT_PTR CALLBACK PropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<PropertyPage*>(lParam)->m_window = window;
    }
    auto* page = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    return page ? page->OnReceiveMessage(window, message, wParam, lParam) : FALSE;
}

}  // namespace dshow
