#include "BasePin.h"

#include "Enumerators.h"
#include "MediaType.h"

#include <vfwmsgs.h>

#include <vector>

namespace dshow {

namespace {
// A type is complete when nothing is left open for the pins to choose.
bool IsCompleteType(const AM_MEDIA_TYPE* mt)
{
    return mt && mt->majortype != GUID_NULL && mt->subtype != GUID_NULL && mt->formattype != GUID_NULL;
}
}  // namespace

BasePin::BasePin(BaseFilter* filter, CRITICAL_SECTION* lock, LPCWSTR name, PIN_DIRECTION direction)
    : ComObject(nullptr), m_filter(filter), m_lock(lock), m_direction(direction)
{
    lstrcpynW(m_name, name, MAX_PIN_NAME);
}

BasePin::~BasePin() { ClearConnection(); }

HRESULT STDMETHODCALLTYPE BasePin::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IPin) return ReturnInterface(static_cast<IPin*>(this), out);
    if (iid == IID_IQualityControl) return ReturnInterface(static_cast<IQualityControl*>(this), out);
    return ComObject::NonDelegatingQueryInterface(iid, out);
}

ULONG STDMETHODCALLTYPE BasePin::NonDelegatingAddRef() { return m_filter->AddRef(); }
ULONG STDMETHODCALLTYPE BasePin::NonDelegatingRelease() { return m_filter->Release(); }

HRESULT STDMETHODCALLTYPE BasePin::Connect(IPin* receiver, const AM_MEDIA_TYPE* mt)
{
    if (!receiver) return E_POINTER;
    Locked guard(m_lock);
    if (m_connected) return VFW_E_ALREADY_CONNECTED;
    if (!m_filter->IsStopped()) return VFW_E_NOT_STOPPED;
    return AgreeMediaType(receiver, mt);
}

HRESULT BasePin::AgreeMediaType(IPin* receiver, const AM_MEDIA_TYPE* partial)
{
    if (IsCompleteType(partial)) return AttemptConnection(receiver, *partial);
    // The receiver's preferences first, then ours.
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    IEnumMediaTypes* types = nullptr;
    if (SUCCEEDED(receiver->EnumMediaTypes(&types)) && types) {
        last = TryTypes(receiver, types, partial);
        types->Release();
        if (SUCCEEDED(last)) return last;
    }
    if (SUCCEEDED(EnumMediaTypes(&types)) && types) {
        HRESULT hr = TryTypes(receiver, types, partial);
        types->Release();
        if (SUCCEEDED(hr)) return hr;
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES) last = hr;
    }
    return last;
}

HRESULT BasePin::TryTypes(IPin* receiver, IEnumMediaTypes* types, const AM_MEDIA_TYPE* partial)
{
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    AM_MEDIA_TYPE* mt = nullptr;
    while (types->Next(1, &mt, nullptr) == S_OK && mt) {
        if (!partial || MatchesPartialType(*mt, *partial)) {
            HRESULT hr = AttemptConnection(receiver, *mt);
            if (SUCCEEDED(hr)) {
                DeleteMediaType(mt);
                return hr;
            }
            last = hr;
        }
        DeleteMediaType(mt);
    }
    return last;
}

HRESULT BasePin::AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE& mt)
{
    HRESULT hr = CheckConnect(receiver);
    if (SUCCEEDED(hr)) hr = CheckMediaType(mt) == S_OK ? SetMediaType(mt) : VFW_E_TYPE_NOT_ACCEPTED;
    if (SUCCEEDED(hr)) {
        m_connected = receiver;
        m_connected->AddRef();
        hr = receiver->ReceiveConnection(this, &mt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receiver);
            if (FAILED(hr)) receiver->Disconnect();
        }
    }
    if (FAILED(hr)) {
        BreakConnect();
        ClearConnection();
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt)
{
    if (!connector || !mt) return E_POINTER;
    Locked guard(m_lock);
    if (m_connected) return VFW_E_ALREADY_CONNECTED;
    if (!m_filter->IsStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (SUCCEEDED(hr)) hr = CheckMediaType(*mt) == S_OK ? SetMediaType(*mt) : VFW_E_TYPE_NOT_ACCEPTED;
    if (SUCCEEDED(hr)) {
        m_connected = connector;
        m_connected->AddRef();
        hr = CompleteConnect(connector);
    }
    if (FAILED(hr)) {
        BreakConnect();
        ClearConnection();
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE BasePin::Disconnect()
{
    Locked guard(m_lock);
    if (!m_filter->IsStopped()) return VFW_E_NOT_STOPPED;
    if (!m_connected) return S_FALSE;
    HRESULT hr = BreakConnect();
    ClearConnection();
    return hr;
}

void BasePin::ClearConnection()
{
    if (m_connected) m_connected->Release();
    m_connected = nullptr;
    FreeMediaType(m_mt);
}

HRESULT STDMETHODCALLTYPE BasePin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    Locked guard(m_lock);
    *pin = m_connected;
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    m_connected->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt)
{
    if (!mt) return E_POINTER;
    Locked guard(m_lock);
    if (!m_connected) {
        *mt = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(*mt, m_mt);
}

HRESULT STDMETHODCALLTYPE BasePin::QueryPinInfo(PIN_INFO* info)
{
    if (!info) return E_POINTER;
    info->pFilter = m_filter;
    m_filter->AddRef();
    info->dir = m_direction;
    lstrcpynW(info->achName, m_name, MAX_PIN_NAME);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BasePin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = m_direction;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BasePin::QueryId(LPWSTR* id)
{
    if (!id) return E_POINTER;
    size_t bytes = (lstrlenW(m_name) + 1) * sizeof(WCHAR);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    CopyMemory(*id, m_name, bytes);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BasePin::QueryAccept(const AM_MEDIA_TYPE* mt)
{
    if (!mt) return E_POINTER;
    return CheckMediaType(*mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE BasePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types) return E_POINTER;
    std::vector<AM_MEDIA_TYPE> preferred;
    for (int position = 0;; ++position) {
        AM_MEDIA_TYPE mt{};
        if (GetMediaType(position, mt) != S_OK) break;
        preferred.push_back(mt);
    }
    return MediaTypeEnumerator::Create(std::move(preferred), 0, types);
}

HRESULT STDMETHODCALLTYPE BasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE BasePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

HRESULT STDMETHODCALLTYPE BasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE BasePin::SetSink(IQualityControl* sink)
{
    // Not reference-counted: the sink is the filter graph's, which outlives us.
    m_qualitySink = sink;
    return S_OK;
}

HRESULT BasePin::GetMediaType(int, AM_MEDIA_TYPE&) { return VFW_S_NO_MORE_ITEMS; }

HRESULT BasePin::SetMediaType(const AM_MEDIA_TYPE& mt)
{
    FreeMediaType(m_mt);
    return CopyMediaType(m_mt, mt);
}

HRESULT BasePin::CheckConnect(IPin* peer)
{
    PIN_DIRECTION peerDirection;
    HRESULT hr = peer->QueryDirection(&peerDirection);
    if (FAILED(hr)) return hr;
    return peerDirection == m_direction ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT BasePin::CompleteConnect(IPin*) { return S_OK; }
HRESULT BasePin::BreakConnect() { return S_OK; }
HRESULT BasePin::Active() { return S_OK; }
HRESULT BasePin::Inactive() { return S_OK; }

}  // namespace dshow
