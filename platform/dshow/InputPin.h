#pragma once
// An input pin that receives samples through IMemInputPin, with the
// allocator that the upstream pin chose and the flushing state.
#include "BasePin.h"

namespace dshow {

class InputPin : public BasePin, public IMemInputPin {
public:
    InputPin(BaseFilter* filter, CRITICAL_SECTION* lock, LPCWSTR name);
    ~InputPin() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IPin (the stream calls an input pin receives)
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    // IMemInputPin
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    bool IsFlushing() const { return m_flushing; }

protected:
    // S_OK while samples may flow, S_FALSE while flushing, an error when
    // unconnected or stopped.
    HRESULT CheckStreaming() const;

    IMemAllocator* m_allocator = nullptr;
    BOOL m_readOnly = FALSE;

private:
    volatile bool m_flushing = false;
};

}  // namespace dshow
