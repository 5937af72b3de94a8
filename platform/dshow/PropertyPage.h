#pragma once
// IPropertyPage over a dialog resource of this module: the page site, the
// dialog's creation and placement, the dirty flag and Apply. A derived page
// handles its dialog's messages and connects to its object.
#include "ComObject.h"

#include <ocidl.h>

namespace dshow {

class PropertyPage : public ComObject, public IPropertyPage {
public:
    PropertyPage(IUnknown* outer, int dialogId, int titleId);
    ~PropertyPage() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT STDMETHODCALLTYPE Show(UINT command) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override;
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDir) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;

protected:
    virtual HRESULT OnConnect(IUnknown* object);
    virtual HRESULT OnDisconnect();
    virtual HRESULT OnActivate();
    virtual HRESULT OnDeactivate();
    virtual HRESULT OnApplyChanges();
    // The dialog procedure's work; the base keeps the page tabbable inside
    // the frame and otherwise leaves messages to the dialog manager.
    virtual INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Marks the page changed and tells the frame, which enables Apply.
    void SetDirty();
    HWND Window() const { return m_window; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    SIZE DialogSize() const;

    const int m_dialogId;
    const int m_titleId;
    IPropertyPageSite* m_site = nullptr;
    HWND m_window = nullptr;
    bool m_dirty = false;
    bool m_objectSet = false;
};

}  // namespace dshow
