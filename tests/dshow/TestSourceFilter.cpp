#include "TestSourceFilter.h"

#include "MediaType.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>
#include <new>

using orbile::Locked;

namespace {
// {3C5B9B2A-6E1D-4F7B-9C0E-5A2D7E8F1B44}: no registered class, tests make it directly.
const CLSID kTestSourceClsid = {0x3C5B9B2A, 0x6E1D, 0x4F7B, {0x9C, 0x0E, 0x5A, 0x2D, 0x7E, 0x8F, 0x1B, 0x44}};
}  // namespace

long TestFrameCapacity(const TestSourceOptions& options) { return options.width * options.height * 2; }

long TestFrameLength(const TestSourceOptions& options, int index)
{
    long capacity = TestFrameCapacity(options);
    if (options.subtype == MEDIASUBTYPE_YUY2) return capacity;
    // Compressed frames: every length differs from its neighbours.
    return capacity / 4 + (index * 4099L) % (capacity / 2);
}

TestSourceFilter* TestSourceFilter::Create(const TestSourceOptions& options)
{
    auto* filter = new TestSourceFilter(options);
    filter->NonDelegatingAddRef();
    return filter;
}

TestSourceFilter::TestSourceFilter(const TestSourceOptions& options)
    : BaseFilter(nullptr, &m_lock, kTestSourceClsid), m_options(options)
{
    InitializeCriticalSection(&m_lock);
    InitializeCriticalSection(&m_recordLock);
    m_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_pin = new TestSourcePin(this, &m_lock);
}

TestSourceFilter::~TestSourceFilter()
{
    delete m_pin;
    CloseHandle(m_finished);
    DeleteCriticalSection(&m_recordLock);
    DeleteCriticalSection(&m_lock);
}

HRESULT STDMETHODCALLTYPE TestSourceFilter::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IKsPropertySet && m_options.withKsPropertySet)
        return ReturnInterface(static_cast<IKsPropertySet*>(this), out);
    if (iid == IID_IAMVideoProcAmp && m_options.withProcAmp)
        return ReturnInterface(static_cast<IAMVideoProcAmp*>(this), out);
    return BaseFilter::NonDelegatingQueryInterface(iid, out);
}

dshow::BasePin* TestSourceFilter::GetPin(int index) { return index == 0 ? m_pin : nullptr; }

HRESULT STDMETHODCALLTYPE TestSourceFilter::GetState(DWORD timeoutMs, FILTER_STATE* state)
{
    HRESULT hr = BaseFilter::GetState(timeoutMs, state);
    return hr == S_OK && *state == State_Paused ? VFW_S_CANT_CUE : hr;
}

HRESULT STDMETHODCALLTYPE TestSourceFilter::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD)
{
    return E_PROP_SET_UNSUPPORTED;
}
HRESULT STDMETHODCALLTYPE TestSourceFilter::Get(REFGUID, DWORD, void*, DWORD, void*, DWORD, DWORD*)
{
    return E_PROP_SET_UNSUPPORTED;
}
HRESULT STDMETHODCALLTYPE TestSourceFilter::QuerySupported(REFGUID, DWORD, DWORD*) { return E_PROP_SET_UNSUPPORTED; }

HRESULT STDMETHODCALLTYPE TestSourceFilter::GetRange(long, long* min, long* max, long* step, long* defaultValue,
                                                     long* flags)
{
    *min = 0;
    *max = 9999;
    *step = 1;
    *defaultValue = 5000;
    *flags = VideoProcAmp_Flags_Manual;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceFilter::Set(long property, long value, long flags)
{
    Locked guard(&m_recordLock);
    m_procAmpCalls.push_back({property, value, flags});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceFilter::Get(long, long*, long*) { return E_NOTIMPL; }

std::vector<ProcAmpCall> TestSourceFilter::ProcAmpCalls()
{
    Locked guard(&m_recordLock);
    return m_procAmpCalls;
}

void TestSourceFilter::ClearProcAmpCalls()
{
    Locked guard(&m_recordLock);
    m_procAmpCalls.clear();
}

std::vector<BYTE*> TestSourceFilter::FramePointers()
{
    Locked guard(&m_recordLock);
    return m_pointers;
}

HRESULT TestSourceFilter::PushFrame(int index)
{
    IMediaSample* sample = nullptr;
    HRESULT hr = m_pin->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    long length = TestFrameLength(m_options, index);
    *reinterpret_cast<int*>(data) = index;
    for (long offset = sizeof(int); m_options.writePattern && offset < length; ++offset)
        data[offset] = TestFrameByte(index, offset);
    sample->SetActualDataLength(length);
    {
        Locked guard(&m_recordLock);
        if (m_pointers.size() <= static_cast<size_t>(index)) m_pointers.resize(index + 1);
        m_pointers[index] = data;
    }
    hr = m_pin->Deliver(sample);
    sample->Release();
    return hr;
}

void TestSourceFilter::PushLoop(HANDLE stop)
{
    for (int index = 0; m_options.frameCount < 0 || index < m_options.frameCount; ++index) {
        // A live source: frames flow only while the graph runs.
        while (m_state != State_Running) {
            if (WaitForSingleObject(stop, 2) == WAIT_OBJECT_0) return;
        }
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return;
        if (FAILED(PushFrame(index))) return;
        InterlockedIncrement(&m_sent);
    }
    m_pin->DeliverEndOfStream();
    SetEvent(m_finished);
}

TestSourcePin::TestSourcePin(TestSourceFilter* filter, CRITICAL_SECTION* lock)
    : CapturePin(filter, lock), m_source(filter)
{
}

TestSourcePin::~TestSourcePin()
{
    if (m_stop) CloseHandle(m_stop);
}

HRESULT TestSourcePin::GetMediaType(int position, AM_MEDIA_TYPE& mt)
{
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    const TestSourceOptions& options = m_source->Options();
    bool videoInfo2 = options.formatType == FORMAT_VideoInfo2;
    ULONG fullBytes = videoInfo2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(fullBytes));
    if (!block) return E_OUTOFMEMORY;
    ZeroMemory(block, fullBytes);
    BITMAPINFOHEADER& bitmap = videoInfo2 ? reinterpret_cast<VIDEOINFOHEADER2*>(block)->bmiHeader
                                          : reinterpret_cast<VIDEOINFOHEADER*>(block)->bmiHeader;
    bitmap.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.biWidth = options.width;
    bitmap.biHeight = options.height;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = options.subtype == MEDIASUBTYPE_YUY2 ? 16 : 24;
    bitmap.biCompression = options.subtype.Data1;
    bitmap.biSizeImage = TestFrameCapacity(options);
    mt = AM_MEDIA_TYPE{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = options.subtype;
    mt.bFixedSizeSamples = options.subtype == MEDIASUBTYPE_YUY2;
    mt.lSampleSize = TestFrameCapacity(options);
    mt.formattype = videoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
    mt.cbFormat = options.formatBytes ? options.formatBytes : fullBytes;
    mt.pbFormat = block;
    return S_OK;
}

HRESULT TestSourcePin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    AM_MEDIA_TYPE ours{};
    if (FAILED(GetMediaType(0, ours))) return E_OUTOFMEMORY;
    bool same = mt.majortype == ours.majortype && mt.subtype == ours.subtype && mt.formattype == ours.formattype &&
                mt.cbFormat == ours.cbFormat && mt.pbFormat && memcmp(mt.pbFormat, ours.pbFormat, ours.cbFormat) == 0;
    dshow::FreeMediaType(ours);
    return same ? S_OK : S_FALSE;
}

HRESULT TestSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request)
{
    request.cBuffers = std::max(request.cBuffers, 4L);
    request.cbBuffer = std::max(request.cbBuffer, TestFrameCapacity(m_source->Options()));
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer >= TestFrameCapacity(m_source->Options()) ? S_OK : E_FAIL;
}

HRESULT TestSourcePin::Active()
{
    HRESULT hr = OutputPin::Active();
    if (FAILED(hr) || m_source->Options().frameCount == 0) return hr;
    m_source->m_sent = 0;
    ResetEvent(m_source->Finished());
    if (!m_stop) m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(m_stop);
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    return m_thread ? S_OK : E_FAIL;
}

HRESULT TestSourcePin::Inactive()
{
    if (m_thread) SetEvent(m_stop);
    // Decommitting releases a push thread waiting for a buffer.
    HRESULT hr = OutputPin::Inactive();
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    return hr;
}

DWORD WINAPI TestSourcePin::ThreadMain(void* self)
{
    auto* pin = static_cast<TestSourcePin*>(self);
    pin->m_source->PushLoop(pin->m_stop);
    return 0;
}
