#pragma once
// The filter side of the filter-and-pin model: state machine (stopped,
// paused, running), reference clock, graph membership and pin enumeration.
// A derived filter supplies its pins.
#include "ComObject.h"
#include "orbile/CriticalSection.h"

#include <strmif.h>

namespace dshow {

using orbile::Locked;

class BasePin;

class BaseFilter : public ComObject, public IBaseFilter {
public:
    // `stateLock` guards the state and is shared with the pins.
    BaseFilter(IUnknown* outer, CRITICAL_SECTION* stateLock, const CLSID& clsid);
    ~BaseFilter() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

    virtual int GetPinCount() = 0;
    // Null for an index out of range.
    virtual BasePin* GetPin(int index) = 0;

    bool IsStopped() const { return m_state == State_Stopped; }
    FILTER_STATE State() const { return m_state; }
    // Tells the graph's event sink (EC_COMPLETE and the like).
    HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

protected:
    CRITICAL_SECTION* const m_stateLock;
    volatile FILTER_STATE m_state = State_Stopped;
    REFERENCE_TIME m_start = 0;

private:
    CLSID m_clsid;
    IReferenceClock* m_clock = nullptr;
    // The graph owns the filter, so neither holds a reference back.
    IFilterGraph* m_graph = nullptr;
    IMediaEventSink* m_eventSink = nullptr;
    WCHAR m_name[MAX_FILTER_NAME] = {};
};

}  // namespace dshow
