#include "VideoTransformInputPin.h"

#include "MediaType.h"
#include "RunningUpstream.h"
#include "VideoTransformFilter.h"
#include "VideoTransformOutputPin.h"

#include <uuids.h>
#include <vfwmsgs.h>

using orbile::Locked;

namespace {
// The private allocator's single buffer: big enough for the largest frame.
constexpr long kOwnBufferBytes = 0x144000;
}  // namespace

VideoTransformInputPin::VideoTransformInputPin(VideoTransformFilter* filter, CRITICAL_SECTION* lock)
    : InputPin(filter, lock, L"In"), m_transform(filter)
{
    InitializeCriticalSection(&m_receiveLock);
}

VideoTransformInputPin::~VideoTransformInputPin()
{
    ReleaseUpstream();
    ReleaseOwnBuffer();
    DeleteCriticalSection(&m_receiveLock);
}

HRESULT STDMETHODCALLTYPE VideoTransformInputPin::Receive(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    Locked guard(&m_receiveLock);
    if (!m_streaming) return VFW_E_WRONG_STATE;
    if (IsFlushing()) return S_FALSE;
    // A callback that makes the source deliver again on this thread.
    if (m_inReceive) return S_OK;
    m_inReceive = 1;

    BYTE* data = nullptr;
    sample->GetPointer(&data);
    long length = sample->GetActualDataLength();
    if (m_outputPin[0]) m_outputPin[0]->Deliver(sample);
    DocCamFrameCallback callback = m_frameCallback;
    if (callback && data) callback(data, m_width, m_height, length);
    m_pendingChanges.TakeOne();

    m_inReceive = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformInputPin::EndOfStream()
{
    Locked guard(&m_receiveLock);
    m_outputPin[0]->DeliverEndOfStream();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformInputPin::BeginFlush()
{
    m_outputPin[0]->DeliverBeginFlush();
    return InputPin::BeginFlush();
}

HRESULT STDMETHODCALLTYPE VideoTransformInputPin::EndFlush()
{
    m_outputPin[0]->DeliverEndFlush();
    return InputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE VideoTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    Locked guard(&m_receiveLock);
    m_outputPin[0]->DeliverNewSegment(start, stop, rate);
    return InputPin::NewSegment(start, stop, rate);
}

HRESULT STDMETHODCALLTYPE VideoTransformInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
    if (!allocator) return E_FAIL;
    m_transform->SetUpstreamAllocator(allocator);
    return InputPin::NotifyAllocator(allocator, readOnly);
}

HRESULT VideoTransformInputPin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    Locked guard(&m_receiveLock);
    return mt.majortype == MEDIATYPE_Video ? S_OK : E_FAIL;
}

HRESULT VideoTransformInputPin::SetMediaType(const AM_MEDIA_TYPE& mt)
{
    Locked guard(&m_receiveLock);
    // Other formats carry no size we can trust; the last one stands.
    if (const VIDEOINFOHEADER* info = dshow::VideoInfoOf(mt)) {
        m_width = info->bmiHeader.biWidth;
        m_height = info->bmiHeader.biHeight;
    }
    return InputPin::SetMediaType(mt);
}

HRESULT VideoTransformInputPin::BreakConnect()
{
    m_transform->SetUpstreamAllocator(nullptr);
    return InputPin::BreakConnect();
}

HRESULT VideoTransformInputPin::Active()
{
    Locked guard(&m_receiveLock);
    m_streaming = true;
    return InputPin::Active();
}

HRESULT VideoTransformInputPin::Inactive()
{
    {
        // Taking the lock waits out a Receive at work (and its callback);
        // later ones see the flag and leave the output queue alone.
        Locked guard(&m_receiveLock);
        m_streaming = false;
    }
    return InputPin::Inactive();
}

void VideoTransformInputPin::HookUpstream()
{
    if (m_ksProp) return;
    IPin* upstream = nullptr;
    if (FAILED(ConnectedTo(&upstream))) return;
    PIN_INFO info{};
    HRESULT hr = upstream->QueryPinInfo(&info);
    upstream->Release();
    if (FAILED(hr) || !info.pFilter) return;

    // A capture filter without a property set or proc-amp still streams;
    // it only never gets the stored values.
    IBaseFilter* capture = info.pFilter;
    IKsPropertySet* ksProp = nullptr;
    IAMVideoProcAmp* procAmp = nullptr;
    if (SUCCEEDED(capture->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&ksProp)))) {
        m_ksProp = ksProp;
        RunningUpstream::Publish(this, m_ksProp);
        if (SUCCEEDED(capture->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void**>(&procAmp))))
            m_procAmp = procAmp;
    }
    capture->Release();
    if (!m_procAmp) return;
    PushProcAmp();

    m_connectStatus = 0;
    IPin* downstream = nullptr;
    if (SUCCEEDED(m_outputPin[0]->ConnectedTo(&downstream))) {
        downstream->Release();
        m_connectStatus |= 1;
    }
    m_pendingChanges.WaitIdle();
}

void VideoTransformInputPin::PushProcAmp()
{
    // The camera's own order of the proc-amp properties, each set
    // independently: a camera without one of them still gets the others.
    static const struct {
        long cameraProperty;
        ProcAmpProperty stored;
    } kPushOrder[] = {
        {VideoProcAmp_Brightness, ProcAmpProperty::Brightness},
        {VideoProcAmp_Contrast, ProcAmpProperty::Contrast},
        {VideoProcAmp_Hue, ProcAmpProperty::Hue},
        {VideoProcAmp_Saturation, ProcAmpProperty::Saturation},
        {VideoProcAmp_Sharpness, ProcAmpProperty::Sharpness},
    };
    for (const auto& push : kPushOrder) {
        m_procAmp->Set(push.cameraProperty, m_procAmpValues.Value(push.stored, ProcAmpSettings::kUpstreamInput),
                       VideoProcAmp_Flags_Manual);
    }
}

void VideoTransformInputPin::ReleaseUpstream()
{
    if (m_ksProp) {
        RunningUpstream::Withdraw(this);
        m_ksProp->Release();
        m_ksProp = nullptr;
    }
    if (m_procAmp) m_procAmp->Release();
    m_procAmp = nullptr;
    m_connectStatus = 0;
}

void VideoTransformInputPin::AcquireOwnBuffer()
{
    if (m_ownAllocator) return;
    IMemAllocator* allocator = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                  reinterpret_cast<void**>(&allocator));
    if (FAILED(hr)) return;
    ALLOCATOR_PROPERTIES wanted = {1, kOwnBufferBytes, 1, 0};
    ALLOCATOR_PROPERTIES actual{};
    hr = allocator->SetProperties(&wanted, &actual);
    if (SUCCEEDED(hr)) hr = allocator->Commit();
    if (SUCCEEDED(hr)) hr = allocator->GetBuffer(&m_ownSample, nullptr, nullptr, AM_GBF_NOWAIT);
    if (FAILED(hr)) {
        m_ownSample = nullptr;
        allocator->Decommit();
        allocator->Release();
        return;
    }
    m_ownAllocator = allocator;
}

void VideoTransformInputPin::ReleaseOwnBuffer()
{
    if (m_ownSample) m_ownSample->Release();
    m_ownSample = nullptr;
    if (m_ownAllocator) {
        m_ownAllocator->Decommit();
        m_ownAllocator->Release();
    }
    m_ownAllocator = nullptr;
}
