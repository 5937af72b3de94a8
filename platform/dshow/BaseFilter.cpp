#include "BaseFilter.h"

#include "BasePin.h"
#include "Enumerators.h"

#include <evcode.h>
#include <vfwmsgs.h>

#include <vector>

namespace dshow {

BaseFilter::BaseFilter(IUnknown* outer, CRITICAL_SECTION* stateLock, const CLSID& clsid)
    : ComObject(outer), m_stateLock(stateLock), m_clsid(clsid)
{
}

BaseFilter::~BaseFilter()
{
    if (m_clock) m_clock->Release();
}

HRESULT STDMETHODCALLTYPE BaseFilter::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IBaseFilter || iid == IID_IMediaFilter || iid == IID_IPersist)
        return ReturnInterface(static_cast<IBaseFilter*>(this), out);
    return ComObject::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE BaseFilter::GetClassID(CLSID* clsid)
{
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::Stop()
{
    Locked guard(m_stateLock);
    HRESULT result = S_OK;
    if (m_state != State_Stopped) {
        // Pins in index order: a filter lists its input first, so streaming
        // into it ends before what it delivers to is torn down.
        for (int i = 0; i < GetPinCount(); ++i) {
            BasePin* pin = GetPin(i);
            HRESULT hr = pin && pin->IsConnected() ? pin->Inactive() : S_OK;
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    m_state = State_Stopped;
    return result;
}

HRESULT STDMETHODCALLTYPE BaseFilter::Pause()
{
    Locked guard(m_stateLock);
    if (m_state == State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            BasePin* pin = GetPin(i);
            HRESULT hr = pin && pin->IsConnected() ? pin->Active() : S_OK;
            if (FAILED(hr)) return hr;
        }
    }
    m_state = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::Run(REFERENCE_TIME start)
{
    Locked guard(m_stateLock);
    m_start = start;
    if (m_state == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::GetState(DWORD, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    *state = m_state;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::SetSyncSource(IReferenceClock* clock)
{
    Locked guard(m_stateLock);
    if (clock) clock->AddRef();
    if (m_clock) m_clock->Release();
    m_clock = clock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    Locked guard(m_stateLock);
    *clock = m_clock;
    if (m_clock) m_clock->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::EnumPins(IEnumPins** pins)
{
    if (!pins) return E_POINTER;
    std::vector<IPin*> all;
    for (int i = 0; i < GetPinCount(); ++i) {
        if (BasePin* pin = GetPin(i)) {
            pin->AddRef();
            all.push_back(pin);
        }
    }
    return PinEnumerator::Create(std::move(all), 0, pins);
}

HRESULT STDMETHODCALLTYPE BaseFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    for (int i = 0; i < GetPinCount(); ++i) {
        BasePin* candidate = GetPin(i);
        if (candidate && lstrcmpW(candidate->Name(), id) == 0) {
            *pin = candidate;
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE BaseFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    lstrcpynW(info->achName, m_name, MAX_FILTER_NAME);
    info->pGraph = m_graph;
    if (m_graph) m_graph->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    Locked guard(m_stateLock);
    m_graph = graph;
    m_eventSink = nullptr;
    if (graph) {
        IMediaEventSink* sink = nullptr;
        // Kept without a reference: the graph outlives its membership.
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
            m_eventSink = sink;
            sink->Release();
        }
    }
    lstrcpynW(m_name, graph && name ? name : L"", MAX_FILTER_NAME);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

HRESULT BaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    if (!m_eventSink) return E_NOTIMPL;
    if (code == EC_COMPLETE) param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return m_eventSink->Notify(code, param1, param2);
}

}  // namespace dshow
