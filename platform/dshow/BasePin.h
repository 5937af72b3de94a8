#pragma once
// The pin side of the model: connection by media-type agreement, the
// connection's type, pin identity and the stream control calls. A pin lives
// and dies with its filter, so its references are the filter's.
#include "BaseFilter.h"

#include <strmif.h>

namespace dshow {

class BasePin : public ComObject, public IPin, public IQualityControl {
public:
    BasePin(BaseFilter* filter, CRITICAL_SECTION* lock, LPCWSTR name, PIN_DIRECTION direction);
    ~BasePin() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IQualityControl
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

    // What a derived pin decides.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) = 0;
    // The pin's own preferred types, by position; VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE& mt);
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& mt);
    virtual HRESULT CheckConnect(IPin* peer);
    virtual HRESULT CompleteConnect(IPin* peer);
    virtual HRESULT BreakConnect();
    // Stopped to paused, and back.
    virtual HRESULT Active();
    virtual HRESULT Inactive();

    LPCWSTR Name() const { return m_name; }
    bool IsConnected() const { return m_connected != nullptr; }
    // The peer pin, without a new reference; null when unconnected.
    IPin* Peer() const { return m_connected; }
    const AM_MEDIA_TYPE& ConnectionType() const { return m_mt; }

protected:
    BaseFilter* const m_filter;
    CRITICAL_SECTION* const m_lock;
    IQualityControl* m_qualitySink = nullptr;

private:
    HRESULT AgreeMediaType(IPin* receiver, const AM_MEDIA_TYPE* partial);
    HRESULT TryTypes(IPin* receiver, IEnumMediaTypes* types, const AM_MEDIA_TYPE* partial);
    HRESULT AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE& mt);
    void ClearConnection();

    WCHAR m_name[MAX_PIN_NAME] = {};
    PIN_DIRECTION m_direction;
    IPin* m_connected = nullptr;
    AM_MEDIA_TYPE m_mt = {};
};

}  // namespace dshow
