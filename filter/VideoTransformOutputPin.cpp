#include "VideoTransformOutputPin.h"

#include "VideoTransformFilter.h"
#include "VideoTransformInputPin.h"

#include <vfwmsgs.h>

#include <new>

using orbile::Locked;

VideoTransformOutputPin::VideoTransformOutputPin(VideoTransformFilter* filter, CRITICAL_SECTION* lock,
                                                 VideoTransformInputPin* input)
    : OutputPin(filter, lock, L"Out1 "), m_input(input), m_transform(filter)
{
    InitializeCriticalSection(&m_queueLock);
}

VideoTransformOutputPin::~VideoTransformOutputPin()
{
    delete m_queue;
    DeleteCriticalSection(&m_queueLock);
}

HRESULT STDMETHODCALLTYPE VideoTransformOutputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types) return E_POINTER;
    if (!m_input->IsConnected()) return VFW_E_NOT_CONNECTED;
    return m_input->Peer()->EnumMediaTypes(types);
}

HRESULT STDMETHODCALLTYPE VideoTransformOutputPin::Notify(IBaseFilter*, Quality quality)
{
    if (IQualityControl* sink = m_input->QualitySink()) return sink->Notify(m_transform, quality);
    IQualityControl* upstream = nullptr;
    IPin* peer = m_input->Peer();
    if (!peer || FAILED(peer->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&upstream))))
        return VFW_E_NOT_FOUND;
    HRESULT hr = upstream->Notify(m_transform, quality);
    upstream->Release();
    return hr;
}

HRESULT VideoTransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    if (!m_input->IsConnected()) return VFW_E_NOT_CONNECTED;
    return m_input->Peer()->QueryAccept(&mt) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VideoTransformOutputPin::SetMediaType(const AM_MEDIA_TYPE& mt)
{
    // The frame size the callback reports follows the type passed on.
    HRESULT hr = m_input->SetMediaType(mt);
    if (FAILED(hr)) return hr;
    return OutputPin::SetMediaType(mt);
}

HRESULT VideoTransformOutputPin::DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES&)
{
    return m_input->IsConnected() ? S_OK : E_UNEXPECTED;
}

HRESULT VideoTransformOutputPin::DecideAllocator(IMemInputPin* downstream, IMemAllocator** allocator)
{
    *allocator = nullptr;
    IMemAllocator* shared = m_transform->UpstreamAllocator();
    if (!shared) return VFW_E_NO_ALLOCATOR;
    // Read-only: downstream sees the capture filter's own buffers.
    HRESULT hr = downstream->NotifyAllocator(shared, TRUE);
    if (FAILED(hr)) return hr;
    *allocator = shared;
    shared->AddRef();
    return S_OK;
}

HRESULT VideoTransformOutputPin::Active()
{
    if (!IsConnected()) return S_OK;
    {
        Locked guard(&m_queueLock);
        if (!m_queue) {
            HRESULT hr = S_OK;
            auto* queue = new (std::nothrow) dshow::OutputQueue(Peer(), &hr, true);
            if (!queue) return E_OUTOFMEMORY;
            if (FAILED(hr)) {
                delete queue;
                return hr;
            }
            m_queue = queue;
        }
    }
    return OutputPin::Active();
}

HRESULT VideoTransformOutputPin::Inactive()
{
    {
        Locked guard(&m_queueLock);
        delete m_queue;
        m_queue = nullptr;
    }
    return OutputPin::Inactive();
}

HRESULT VideoTransformOutputPin::Deliver(IMediaSample* sample)
{
    if (!m_queue) return S_OK;
    // The queue releases it once delivered.
    sample->AddRef();
    m_queue->Receive(sample);
    return S_OK;
}

HRESULT VideoTransformOutputPin::DeliverEndOfStream()
{
    Locked guard(&m_queueLock);
    if (m_queue) m_queue->EndOfStream();
    return S_OK;
}

HRESULT VideoTransformOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    Locked guard(&m_queueLock);
    if (m_queue) m_queue->NewSegment(start, stop, rate);
    return S_OK;
}

HRESULT VideoTransformOutputPin::DeliverBeginFlush()
{
    Locked guard(&m_queueLock);
    if (m_queue) m_queue->BeginFlush();
    return S_OK;
}

HRESULT VideoTransformOutputPin::DeliverEndFlush()
{
    Locked guard(&m_queueLock);
    if (m_queue) m_queue->EndFlush();
    return S_OK;
}
