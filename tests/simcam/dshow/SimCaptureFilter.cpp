#include "SimCaptureFilter.h"

#include "MediaType.h"
#include "SimPictures.h"

#include <amvideo.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// {47504A57-0000-0010-8000-00AA00389B71}
const GUID kSubtypeWJPG = {0x47504A57, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const SIZE kSizes[] = {{320, 240}, {352, 288}, {512, 384}, {640, 480}, {800, 600}, {1024, 768}};
const int kSizeCount = ARRAYSIZE(kSizes);
const REFERENCE_TIME kInterval = 333333;
const long kBufferSize = 1024 * 768 * 2;

bool KnownSize(long width, long height)
{
    for (const SIZE& size : kSizes)
        if (size.cx == width && size.cy == height) return true;
    return false;
}

HRESULT MakeVideoType(const GUID& subtype, int width, int height, REFERENCE_TIME interval, AM_MEDIA_TYPE& mt)
{
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!info) return E_OUTOFMEMORY;
    ZeroMemory(info, sizeof *info);
    const bool yuy2 = subtype == MEDIASUBTYPE_YUY2;
    info->AvgTimePerFrame = interval;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = yuy2 ? 16 : 24;
    info->bmiHeader.biCompression = subtype.Data1;
    info->bmiHeader.biSizeImage = width * height * (yuy2 ? 2 : 3);
    mt = AM_MEDIA_TYPE{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = subtype;
    mt.bFixedSizeSamples = yuy2;
    mt.lSampleSize = yuy2 ? width * height * 2 : 0;
    mt.formattype = FORMAT_VideoInfo;
    mt.cbFormat = sizeof(VIDEOINFOHEADER);
    mt.pbFormat = reinterpret_cast<BYTE*>(info);
    return S_OK;
}

AM_MEDIA_TYPE* NewVideoType(const GUID& subtype, int width, int height, REFERENCE_TIME interval)
{
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt) return nullptr;
    if (FAILED(MakeVideoType(subtype, width, height, interval, *mt))) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

void AppendCommandLog(const SimCaptureControl& control, uint8_t op, uint8_t a1, uint8_t a2, uint8_t a3)
{
    if (control.commandLogPath.empty()) return;
    if (FILE* log = fopen(control.commandLogPath.c_str(), "a")) {
        fprintf(log, "%02x %02x %02x %02x\n", op, a1, a2, a3);
        fclose(log);
    }
}

}  // namespace

SimCaptureControl* SimCaptureControlBlock()
{
    static SimCaptureControl control;
    // A program under test in a process of its own starts the camera frozen
    // when its environment says so.
    static const bool configured = [] {
        const char* frozen = getenv("SIMCAM_FROZEN");
        control.camera.state.frozen = frozen && atoi(frozen) ? 1 : 0;
        // And keeps a log of the commands it carried out where the
        // environment names one, for tests that watch it from outside.
        const char* log = getenv("SIMCAM_COMMAND_LOG");
        if (log) control.commandLogPath = log;
        return true;
    }();
    (void)configured;
    return &control;
}

dshow::ComObject* SimCaptureFilter::Create(IUnknown* outer, HRESULT* hr)
{
    auto* filter = new (std::nothrow) SimCaptureFilter(outer);
    if (!filter) *hr = E_OUTOFMEMORY;
    return filter;
}

SimCaptureFilter::SimCaptureFilter(IUnknown* outer) : BaseFilter(outer, &m_lock, CLSID_SimCaptureFilter)
{
    InitializeCriticalSection(&m_lock);
    m_pin = new SimCapturePin(this, &m_lock);
}

SimCaptureFilter::~SimCaptureFilter()
{
    delete m_pin;
    DeleteCriticalSection(&m_lock);
}

HRESULT STDMETHODCALLTYPE SimCaptureFilter::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IKsPropertySet) return ReturnInterface(static_cast<IKsPropertySet*>(this), out);
    if (iid == IID_IAMVideoProcAmp) return ReturnInterface(static_cast<IAMVideoProcAmp*>(this), out);
    return BaseFilter::NonDelegatingQueryInterface(iid, out);
}

dshow::BasePin* SimCaptureFilter::GetPin(int index) { return index == 0 ? m_pin : nullptr; }

HRESULT STDMETHODCALLTYPE SimCaptureFilter::GetState(DWORD timeoutMs, FILTER_STATE* state)
{
    HRESULT hr = BaseFilter::GetState(timeoutMs, state);
    return hr == S_OK && *state == State_Paused ? VFW_S_CANT_CUE : hr;
}

HRESULT STDMETHODCALLTYPE SimCaptureFilter::GetRange(long, long* min, long* max, long* step, long* def, long* flags)
{
    *min = 0;
    *max = 255;
    *step = 1;
    *def = 128;
    *flags = VideoProcAmp_Flags_Manual;
    return S_OK;
}

SimCapturePin::SimCapturePin(SimCaptureFilter* filter, CRITICAL_SECTION* lock)
    : CapturePin(filter, lock), m_source(filter), m_subtype(kSubtypeWJPG)
{
}

SimCapturePin::~SimCapturePin()
{
    if (m_stop) CloseHandle(m_stop);
}

HRESULT STDMETHODCALLTYPE SimCapturePin::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IAMStreamConfig) return ReturnInterface(static_cast<IAMStreamConfig*>(this), out);
    if (iid == IID_ICameraCommand) {
        volatile LONG& refusals = SimCaptureControlBlock()->refuseCommandLookups;
        if (refusals > 0 && InterlockedDecrement(&refusals) >= 0) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return ReturnInterface(static_cast<ICameraCommand*>(this), out);
    }
    return CapturePin::NonDelegatingQueryInterface(iid, out);
}

HRESULT SimCapturePin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    if (mt.majortype != MEDIATYPE_Video || (mt.subtype != kSubtypeWJPG && mt.subtype != MEDIASUBTYPE_YUY2) ||
        mt.formattype != FORMAT_VideoInfo || mt.cbFormat < sizeof(VIDEOINFOHEADER) || !mt.pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    return KnownSize(info->bmiHeader.biWidth, info->bmiHeader.biHeight) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SimCapturePin::GetMediaType(int position, AM_MEDIA_TYPE& mt)
{
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    return MakeVideoType(m_subtype, m_width, m_height, m_interval, mt);
}

HRESULT STDMETHODCALLTYPE SimCapturePin::SetFormat(AM_MEDIA_TYPE* mt)
{
    if (!mt || CheckMediaType(*mt) != S_OK) return VFW_E_INVALIDMEDIATYPE;
    SimCaptureControl& control = *SimCaptureControlBlock();
    const bool jpeg = mt->subtype == kSubtypeWJPG;
    if ((jpeg && control.refuseWjpg) || (!jpeg && control.refuseYuy2)) return VFW_E_INVALIDMEDIATYPE;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
    m_subtype = mt->subtype;
    m_width = info->bmiHeader.biWidth;
    m_height = info->bmiHeader.biHeight;
    m_interval = info->AvgTimePerFrame ? info->AvgTimePerFrame : kInterval;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SimCapturePin::GetFormat(AM_MEDIA_TYPE** mt)
{
    if (!mt) return E_POINTER;
    *mt = NewVideoType(m_subtype, m_width, m_height, m_interval);
    return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE SimCapturePin::GetNumberOfCapabilities(int* count, int* size)
{
    if (!count || !size) return E_POINTER;
    *count = 2 * kSizeCount;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

// Capabilities: WJPG at the six sizes, then YUY2 at the six sizes.
HRESULT STDMETHODCALLTYPE SimCapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps)
{
    if (!mt || !caps) return E_POINTER;
    if (index < 0 || index >= 2 * kSizeCount) return S_FALSE;
    const SIZE& size = kSizes[index % kSizeCount];
    *mt = NewVideoType(index < kSizeCount ? kSubtypeWJPG : MEDIASUBTYPE_YUY2, size.cx, size.cy, kInterval);
    if (!*mt) return E_OUTOFMEMORY;
    auto* c = reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(caps);
    ZeroMemory(c, sizeof *c);
    c->guid = FORMAT_VideoInfo;
    c->InputSize = c->MinCroppingSize = c->MaxCroppingSize = c->MinOutputSize = c->MaxOutputSize = size;
    c->MinFrameInterval = c->MaxFrameInterval = kInterval;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SimCapturePin::WriteCommand(ULONG one, ULONG zero, ULONG value, ULONG index)
{
    SimCaptureControl& control = *SimCaptureControlBlock();
    std::lock_guard<std::mutex> guard(control.lock);
    control.writes.push_back({one, zero, value, index});
    const uint8_t op = uint8_t(index >> 8), a1 = uint8_t(index), a2 = uint8_t(value >> 8), a3 = uint8_t(value);
    uint8_t reply[4] = {};
    // Inquiries answer with their reply word, commands with their echo.
    const bool ok = op >= 0x31 && op <= 0x62 ? control.camera.Inquiry(op, a1, a2, a3, reply)
                                             : control.camera.Command(op, a1, a2, a3);
    if (!(op >= 0x31 && op <= 0x62)) {
        reply[0] = op;
        if (ok) AppendCommandLog(control, op, a1, a2, a3);
    }
    m_reply = ok ? ULONG(reply[0]) | ULONG(reply[1]) << 8 | ULONG(reply[2]) << 16 | ULONG(reply[3]) << 24 : 0;
    return ok ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE SimCapturePin::ReadReply(ULONG, ULONG, ULONG* word, ULONG)
{
    if (!word) return E_POINTER;
    std::lock_guard<std::mutex> guard(SimCaptureControlBlock()->lock);
    *word = m_reply;
    return S_OK;
}

HRESULT SimCapturePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request)
{
    request.cBuffers = std::max(request.cBuffers, 4L);
    request.cbBuffer = std::max(request.cbBuffer, kBufferSize);
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer >= kBufferSize ? S_OK : E_FAIL;
}

// What a streaming thread owns: a reference on the filter, so that neither
// the filter nor this pin goes while the thread still runs, and its own
// handle of the stop event.
struct SimCapturePin::StreamThread {
    SimCapturePin* pin;
    HANDLE stop;
};

HRESULT SimCapturePin::Active()
{
    HRESULT hr = OutputPin::Active();
    if (FAILED(hr)) return hr;
    // A fresh event per run: a thread of an earlier run that outlived its
    // stop keeps seeing its own event set.
    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* thread = new (std::nothrow) StreamThread{this, nullptr};
    if (!m_stop || !thread ||
        !DuplicateHandle(GetCurrentProcess(), m_stop, GetCurrentProcess(), &thread->stop, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        delete thread;
        return E_FAIL;
    }
    m_source->AddRef();
    m_thread = CreateThread(nullptr, 0, ThreadMain, thread, 0, nullptr);
    if (m_thread) return S_OK;
    CloseHandle(thread->stop);
    delete thread;
    m_source->Release();
    return E_FAIL;
}

HRESULT SimCapturePin::Inactive()
{
    if (m_stop) SetEvent(m_stop);
    // Decommitting releases a streaming thread waiting for a buffer.
    HRESULT hr = OutputPin::Inactive();
    if (m_thread) {
        // A thread still in a downstream call after the wait ends later on
        // its own; its reference keeps the filter alive until then.
        WaitForSingleObject(m_thread, SimCaptureControlBlock()->streamStopWaitMs);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_stop) CloseHandle(m_stop);
    m_stop = nullptr;
    return hr;
}

DWORD WINAPI SimCapturePin::ThreadMain(void* context)
{
    auto* thread = static_cast<StreamThread*>(context);
    SimCaptureFilter* filter = thread->pin->m_source;
    thread->pin->StreamLoop(thread->stop);
    CloseHandle(thread->stop);
    delete thread;
    filter->Release();
    return 0;
}

void SimCapturePin::StreamLoop(HANDLE stop)
{
    // Frames flow only while the graph runs, one every frame interval.
    const DWORD period = DWORD(m_interval / 10000);
    for (int number = 0; WaitForSingleObject(stop, period) == WAIT_TIMEOUT;) {
        if (m_source->State() != State_Running) continue;
        if (FAILED(SendFrame(number++))) return;
        InterlockedIncrement(&SimCaptureControlBlock()->framesSent);
    }
}

HRESULT SimCapturePin::SendFrame(int number)
{
    IMediaSample* sample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    long length = m_width * m_height * 2;
    if (m_subtype == kSubtypeWJPG) {
        const simcam::Picture& picture = simcam::kTestPictures[number % simcam::kTestPictureCount];
        length = long(picture.size);
        memcpy(data, picture.bytes, picture.size);
    } else {
        // Grey YUY2 whose luma steps with the frame number.
        for (long at = 0; at < length; at += 2) {
            data[at] = BYTE(16 + number % 200);
            data[at + 1] = 128;
        }
    }
    sample->SetActualDataLength(length);
    sample->SetSyncPoint(TRUE);
    hr = Deliver(sample);
    sample->Release();
    return hr;
}
