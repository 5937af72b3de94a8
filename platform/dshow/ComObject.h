#pragma once
// COM object plumbing: the non-delegating IUnknown that lets an object be
// aggregated, and the module-wide object and lock counts behind
// DllCanUnloadNow.
#include <windows.h>
#include <unknwn.h>

namespace dshow {

// The object's own identity and reference count. An aggregating outer object
// holds this; the object's public IUnknown forwards to the controlling
// unknown (the outer one, or this one when not aggregated). The layout is
// that of IUnknown, so it can be handed out as the inner IUnknown.
struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

class ComObject : public INonDelegatingUnknown {
public:
    explicit ComObject(IUnknown* outer);
    virtual ~ComObject();
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // The controlling unknown that the public IUnknown methods forward to.
    IUnknown* Owner() const { return m_owner; }

protected:
    // Stores an interface pointer of this object with a reference taken
    // through the controlling unknown.
    static HRESULT ReturnInterface(IUnknown* itf, void** out);

private:
    IUnknown* m_owner;
    LONG m_refCount = 0;
};

// Live objects and IClassFactory::LockServer locks of this module.
namespace module {
void ObjectCreated();
void ObjectDestroyed();
void Lock(bool lock);
bool CanUnload();
// The module (DLL or EXE) that this layer is linked into: its dialogs,
// strings and file path.
HINSTANCE Instance();
}  // namespace module

}  // namespace dshow

// The public IUnknown of a class derived from ComObject.
#define DSHOW_DELEGATING_UNKNOWN                                              \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override \
    {                                                                         \
        return Owner()->QueryInterface(iid, out);                             \
    }                                                                         \
    ULONG STDMETHODCALLTYPE AddRef() override { return Owner()->AddRef(); }   \
    ULONG STDMETHODCALLTYPE Release() override { return Owner()->Release(); }
