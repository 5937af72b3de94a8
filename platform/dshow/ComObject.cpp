#include "ComObject.h"

namespace dshow {

namespace {
LONG g_objects = 0;
LONG g_locks = 0;
}  // namespace

ComObject::ComObject(IUnknown* outer)
    : m_owner(outer ? outer : reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)))
{
    module::ObjectCreated();
}

ComObject::~ComObject() { module::ObjectDestroyed(); }

HRESULT STDMETHODCALLTYPE ComObject::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown) {
        // The inner IUnknown: the aggregator's only way to our own count.
        *out = static_cast<INonDelegatingUnknown*>(this);
        NonDelegatingAddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ComObject::NonDelegatingAddRef() { return InterlockedIncrement(&m_refCount); }

ULONG STDMETHODCALLTYPE ComObject::NonDelegatingRelease()
{
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) {
        // Guard against a release inside the destructor re-entering here.
        m_refCount = 1;
        delete this;
    }
    return count > 0 ? count : 0;
}

HRESULT ComObject::ReturnInterface(IUnknown* itf, void** out)
{
    if (!out) return E_POINTER;
    *out = itf;
    itf->AddRef();
    return S_OK;
}

namespace module {
void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }
void Lock(bool lock) { lock ? InterlockedIncrement(&g_locks) : InterlockedDecrement(&g_locks); }
bool CanUnload()
{
    return InterlockedCompareExchange(&g_objects, 0, 0) == 0 && InterlockedCompareExchange(&g_locks, 0, 0) == 0;
}

HINSTANCE Instance()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Instance), &self);
    return self;
}
}  // namespace module

}  // namespace dshow
