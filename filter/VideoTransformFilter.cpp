#include "VideoTransformFilter.h"

#include "OrbileIds.h"
#include "VideoTransformInputPin.h"
#include "VideoTransformOutputPin.h"

#include <new>

using orbile::Locked;

dshow::ComObject* VideoTransformFilter::Create(IUnknown* outer, HRESULT* hr)
{
    return new (std::nothrow) VideoTransformFilter(outer, hr);
}

VideoTransformFilter::VideoTransformFilter(IUnknown* outer, HRESULT* hr)
    : BaseFilter(outer, &m_lock, CLSID_VideoTransform)
{
    InitializeCriticalSection(&m_lock);
    m_input = new (std::nothrow) VideoTransformInputPin(this, &m_lock);
    if (m_input) m_output[0] = new (std::nothrow) VideoTransformOutputPin(this, &m_lock, m_input);
    if (!m_input || !m_output[0]) {
        *hr = E_OUTOFMEMORY;
        return;
    }
    m_input->SetOutputPin(m_output[0]);
}

VideoTransformFilter::~VideoTransformFilter()
{
    delete m_input;
    delete m_output[0];
    SetUpstreamAllocator(nullptr);
    DeleteCriticalSection(&m_lock);
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    Locked guard(&m_lock);
    if (iid == IID_VideoTransformProp) return ReturnInterface(static_cast<IVideoTransformProp*>(this), out);
    if (iid == IID_ISpecifyPropertyPages) return ReturnInterface(static_cast<ISpecifyPropertyPages*>(this), out);
    return BaseFilter::NonDelegatingQueryInterface(iid, out);
}

dshow::BasePin* VideoTransformFilter::GetPin(int index)
{
    switch (index) {
    case 0:
        return m_input;
    case 1:
        return m_output[0];
    default:
        return nullptr;
    }
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::Run(REFERENCE_TIME start)
{
    Locked guard(&m_lock);
    if (m_input->IsConnected())
        m_input->HookUpstream();
    else
        m_input->EndOfStream();
    m_input->AcquireOwnBuffer();
    return BaseFilter::Run(start);
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::Pause()
{
    Locked guard(&m_lock);
    if (!m_input->IsConnected()) m_input->EndOfStream();
    return BaseFilter::Pause();
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::Stop()
{
    Locked guard(&m_lock);
    // The pins stop first: no Receive is at work once this returns.
    HRESULT hr = BaseFilter::Stop();
    m_input->ReleaseUpstream();
    m_input->ReleaseOwnBuffer();
    return hr;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetPages(CAUUID* pages)
{
    if (!pages) return E_POINTER;
    Locked guard(&m_lock);
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(2 * sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_ColorPropertyPage;
    pages->pElems[1] = CLSID_FourInThreeOutPage;
    pages->cElems = 2;
    return S_OK;
}

void VideoTransformFilter::SetUpstreamAllocator(IMemAllocator* allocator)
{
    if (allocator) allocator->AddRef();
    if (m_upstreamAllocator) m_upstreamAllocator->Release();
    m_upstreamAllocator = allocator;
}
