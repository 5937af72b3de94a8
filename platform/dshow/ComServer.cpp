#include "ComServer.h"

#include <uuids.h>

#include <new>

namespace dshow {

namespace {

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(const ClassEntry& entry) : m_entry(entry) { module::ObjectCreated(); }
    virtual ~ClassFactory() { module::ObjectDestroyed(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refCount); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG count = InterlockedDecrement(&m_refCount);
        if (count == 0) delete this;
        return count;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        // An aggregated object hands its aggregator the inner IUnknown only.
        if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
        HRESULT hr = S_OK;
        ComObject* object = m_entry.create(outer, &hr);
        if (!object) return FAILED(hr) ? hr : E_OUTOFMEMORY;
        if (FAILED(hr)) {
            delete object;
            return hr;
        }
        object->NonDelegatingAddRef();
        hr = object->NonDelegatingQueryInterface(iid, out);
        object->NonDelegatingRelease();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        module::Lock(lock != FALSE);
        return S_OK;
    }

private:
    const ClassEntry& m_entry;
    LONG m_refCount = 1;
};

// HKCR\CLSID\{clsid}
void ClassKeyPath(const CLSID& clsid, WCHAR (&path)[64])
{
    WCHAR text[40];
    StringFromGUID2(clsid, text, ARRAYSIZE(text));
    wsprintfW(path, L"CLSID\\%s", text);
}

LONG SetDefaultValue(HKEY key, LPCWSTR subkey, LPCWSTR value)
{
    return RegSetKeyValueW(key, subkey, nullptr, REG_SZ, value, (lstrlenW(value) + 1) * sizeof(WCHAR));
}

HRESULT WriteClassKey(const ClassEntry& entry, LPCWSTR modulePath)
{
    WCHAR path[64];
    ClassKeyPath(*entry.clsid, path);
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) status = SetDefaultValue(key, nullptr, entry.name);
    if (status == ERROR_SUCCESS) status = SetDefaultValue(key, L"InprocServer32", modulePath);
    if (status == ERROR_SUCCESS) {
        static const WCHAR both[] = L"Both";
        status = RegSetKeyValueW(key, L"InprocServer32", L"ThreadingModel", REG_SZ, both, sizeof both);
    }
    if (key) RegCloseKey(key);
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteClassKey(const ClassEntry& entry)
{
    WCHAR path[64];
    ClassKeyPath(*entry.clsid, path);
    LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
    return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT UpdateMapper(const ClassEntry& entry, bool install)
{
    IFilterMapper2* mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  reinterpret_cast<void**>(&mapper));
    if (FAILED(hr)) return hr;
    if (install) {
        REGFILTER2 record{};
        record.dwVersion = 1;
        record.dwMerit = entry.filter->merit;
        record.cPins = entry.filter->pinCount;
        record.rgPins = entry.filter->pins;
        hr = mapper->RegisterFilter(*entry.clsid, entry.name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr, &record);
    } else {
        hr = mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *entry.clsid);
        // Already gone counts as removed.
        if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) hr = S_OK;
    }
    mapper->Release();
    return hr;
}

// COM for the duration of a registration call, when the caller has not
// initialised it on this thread.
class ComScope {
public:
    ComScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }

private:
    HRESULT m_hr;
};

}  // namespace

HRESULT GetClassObject(const ClassEntry* table, size_t count, REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    for (size_t i = 0; i < count; ++i) {
        if (*table[i].clsid != clsid) continue;
        auto* factory = new (std::nothrow) ClassFactory(table[i]);
        if (!factory) return E_OUTOFMEMORY;
        *out = static_cast<IClassFactory*>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return module::CanUnload() ? S_OK : S_FALSE; }

HRESULT RegisterServer(const ClassEntry* table, size_t count, bool install)
{
    WCHAR modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameW(module::Instance(), modulePath, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return E_FAIL;

    ComScope com;
    HRESULT result = S_OK;
    for (size_t i = 0; i < count; ++i) {
        const ClassEntry& entry = table[i];
        // Class keys first on the way in, last on the way out: the mapper
        // entry is useless without them.
        HRESULT hr = install ? WriteClassKey(entry, modulePath) : S_OK;
        if (SUCCEEDED(hr) && entry.filter) hr = UpdateMapper(entry, install);
        if (!install) {
            HRESULT deleted = DeleteClassKey(entry);
            if (SUCCEEDED(hr)) hr = deleted;
        }
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

}  // namespace dshow
