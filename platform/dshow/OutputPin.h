#pragma once
// An output pin that delivers samples to the downstream IMemInputPin, on an
// allocator it agrees with that pin.
#include "BasePin.h"

namespace dshow {

class OutputPin : public BasePin {
public:
    OutputPin(BaseFilter* filter, CRITICAL_SECTION* lock, LPCWSTR name);
    ~OutputPin() override;

    // IPin: an output pin receives no stream calls.
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    HRESULT CheckConnect(IPin* peer) override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    // Commit and decommit the allocator with the streaming state.
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Sizes the buffers of the allocator being agreed; the downstream
    // pin's wishes are in `request`.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) = 0;
    // Chooses the allocator with the downstream pin: its own if it offers
    // one, else a memory allocator of ours; `allocator` gets a reference.
    virtual HRESULT DecideAllocator(IMemInputPin* downstream, IMemAllocator** allocator);

    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags);
    virtual HRESULT Deliver(IMediaSample* sample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    HRESULT OfferAllocator(IMemInputPin* downstream, IMemAllocator* allocator, const ALLOCATOR_PROPERTIES& wishes);

    IMemAllocator* m_allocator = nullptr;
    IMemInputPin* m_downstream = nullptr;
};

}  // namespace dshow
