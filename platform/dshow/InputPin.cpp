#include "InputPin.h"

#include <uuids.h>
#include <vfwmsgs.h>

namespace dshow {

InputPin::InputPin(BaseFilter* filter, CRITICAL_SECTION* lock, LPCWSTR name) : BasePin(filter, lock, name, PINDIR_INPUT)
{
}

InputPin::~InputPin()
{
    if (m_allocator) m_allocator->Release();
}

HRESULT STDMETHODCALLTYPE InputPin::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IMemInputPin) return ReturnInterface(static_cast<IMemInputPin*>(this), out);
    return BasePin::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE InputPin::EndOfStream() { return S_OK; }

HRESULT STDMETHODCALLTYPE InputPin::BeginFlush()
{
    m_flushing = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE InputPin::EndFlush()
{
    m_flushing = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE InputPin::GetAllocator(IMemAllocator** allocator)
{
    if (!allocator) return E_POINTER;
    Locked guard(m_lock);
    if (!m_allocator) {
        HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                      reinterpret_cast<void**>(&m_allocator));
        if (FAILED(hr)) {
            *allocator = nullptr;
            return hr;
        }
    }
    *allocator = m_allocator;
    m_allocator->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE InputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
    if (!allocator) return E_POINTER;
    Locked guard(m_lock);
    allocator->AddRef();
    if (m_allocator) m_allocator->Release();
    m_allocator = allocator;
    m_readOnly = readOnly;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE InputPin::Receive(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    return CheckStreaming();
}

HRESULT STDMETHODCALLTYPE InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed)
{
    if (!samples || !processed) return E_POINTER;
    HRESULT hr = S_OK;
    *processed = 0;
    while (*processed < count && (hr = Receive(samples[*processed])) == S_OK) ++*processed;
    return hr;
}

HRESULT STDMETHODCALLTYPE InputPin::ReceiveCanBlock() { return S_OK; }

HRESULT InputPin::BreakConnect()
{
    if (m_allocator) m_allocator->Release();
    m_allocator = nullptr;
    return S_OK;
}

HRESULT InputPin::Inactive()
{
    m_flushing = false;
    return m_allocator ? m_allocator->Decommit() : S_OK;
}

HRESULT InputPin::CheckStreaming() const
{
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (m_filter->IsStopped()) return VFW_E_WRONG_STATE;
    return m_flushing ? S_FALSE : S_OK;
}

}  // namespace dshow
