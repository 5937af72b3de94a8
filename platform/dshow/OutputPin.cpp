#include "OutputPin.h"

#include <uuids.h>
#include <vfwmsgs.h>

namespace dshow {

OutputPin::OutputPin(BaseFilter* filter, CRITICAL_SECTION* lock, LPCWSTR name)
    : BasePin(filter, lock, name, PINDIR_OUTPUT)
{
}

OutputPin::~OutputPin() { OutputPin::BreakConnect(); }

HRESULT STDMETHODCALLTYPE OutputPin::EndOfStream() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE OutputPin::BeginFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE OutputPin::EndFlush() { return E_UNEXPECTED; }

HRESULT OutputPin::CheckConnect(IPin* peer)
{
    HRESULT hr = BasePin::CheckConnect(peer);
    if (FAILED(hr)) return hr;
    if (FAILED(peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_downstream)))) {
        m_downstream = nullptr;
        return VFW_E_NO_TRANSPORT;
    }
    return S_OK;
}

HRESULT OutputPin::CompleteConnect(IPin*) { return DecideAllocator(m_downstream, &m_allocator); }

HRESULT OutputPin::BreakConnect()
{
    if (m_allocator) {
        m_allocator->Decommit();
        m_allocator->Release();
        m_allocator = nullptr;
    }
    if (m_downstream) m_downstream->Release();
    m_downstream = nullptr;
    return S_OK;
}

HRESULT OutputPin::Active() { return m_allocator ? m_allocator->Commit() : VFW_E_NO_ALLOCATOR; }
HRESULT OutputPin::Inactive() { return m_allocator ? m_allocator->Decommit() : VFW_E_NO_ALLOCATOR; }

HRESULT OutputPin::DecideAllocator(IMemInputPin* downstream, IMemAllocator** allocator)
{
    *allocator = nullptr;
    ALLOCATOR_PROPERTIES wishes{};
    downstream->GetAllocatorRequirements(&wishes);
    if (wishes.cbAlign == 0) wishes.cbAlign = 1;

    IMemAllocator* offered = nullptr;
    if (SUCCEEDED(downstream->GetAllocator(&offered)) && offered) {
        if (SUCCEEDED(OfferAllocator(downstream, offered, wishes))) {
            *allocator = offered;
            return S_OK;
        }
        offered->Release();
    }
    IMemAllocator* own = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                  reinterpret_cast<void**>(&own));
    if (FAILED(hr)) return hr;
    hr = OfferAllocator(downstream, own, wishes);
    if (FAILED(hr)) {
        own->Release();
        return hr;
    }
    *allocator = own;
    return S_OK;
}

HRESULT OutputPin::OfferAllocator(IMemInputPin* downstream, IMemAllocator* allocator,
                                  const ALLOCATOR_PROPERTIES& wishes)
{
    ALLOCATOR_PROPERTIES request = wishes;
    HRESULT hr = DecideBufferSize(allocator, request);
    return SUCCEEDED(hr) ? downstream->NotifyAllocator(allocator, FALSE) : hr;
}

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags)
{
    if (!m_allocator) return VFW_E_NO_ALLOCATOR;
    return m_allocator->GetBuffer(sample, start, stop, flags);
}

HRESULT OutputPin::Deliver(IMediaSample* sample)
{
    return m_downstream ? m_downstream->Receive(sample) : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverEndOfStream() { return Peer() ? Peer()->EndOfStream() : VFW_E_NOT_CONNECTED; }
HRESULT OutputPin::DeliverBeginFlush() { return Peer() ? Peer()->BeginFlush() : VFW_E_NOT_CONNECTED; }
HRESULT OutputPin::DeliverEndFlush() { return Peer() ? Peer()->EndFlush() : VFW_E_NOT_CONNECTED; }

HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return Peer() ? Peer()->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

}  // namespace dshow
