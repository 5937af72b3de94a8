#include "RecordingSink.h"

#include <uuids.h>

using orbile::Locked;

namespace {
// {7A1E4C53-2B9D-4E61-8F3A-0C6D5B4A3921}: no registered class.
const CLSID kRecordingSinkClsid = {0x7A1E4C53, 0x2B9D, 0x4E61, {0x8F, 0x3A, 0x0C, 0x6D, 0x5B, 0x4A, 0x39, 0x21}};
}  // namespace

RecordingSink* RecordingSink::Create()
{
    auto* sink = new RecordingSink();
    sink->NonDelegatingAddRef();
    return sink;
}

RecordingSink::RecordingSink() : BaseFilter(nullptr, &m_lock, kRecordingSinkClsid)
{
    InitializeCriticalSection(&m_lock);
    InitializeCriticalSection(&m_recordLock);
    m_gate = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    m_waiting = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_pin = new RecordingSinkPin(this, &m_lock);
}

RecordingSink::~RecordingSink()
{
    delete m_pin;
    CloseHandle(m_gate);
    CloseHandle(m_waiting);
    DeleteCriticalSection(&m_recordLock);
    DeleteCriticalSection(&m_lock);
}

dshow::BasePin* RecordingSink::GetPin(int index) { return index == 0 ? m_pin : nullptr; }

std::vector<SinkEvent> RecordingSink::Events()
{
    Locked guard(&m_recordLock);
    return m_events;
}

void RecordingSink::Record(SinkEvent event)
{
    Locked guard(&m_recordLock);
    m_events.push_back(event);
}

void RecordingSink::CloseGate() { ResetEvent(m_gate); }
void RecordingSink::OpenGate() { SetEvent(m_gate); }
IMemAllocator* RecordingSink::NotifiedAllocator() const { return m_pin->Allocator(); }
BOOL RecordingSink::NotifiedReadOnly() const { return m_pin->ReadOnly(); }

RecordingSinkPin::RecordingSinkPin(RecordingSink* sink, CRITICAL_SECTION* lock)
    : InputPin(sink, lock, L"Input"), m_sink(sink)
{
}

HRESULT STDMETHODCALLTYPE RecordingSinkPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    if (WaitForSingleObject(m_sink->m_gate, 0) != WAIT_OBJECT_0) {
        SetEvent(m_sink->m_waiting);
        WaitForSingleObject(m_sink->m_gate, INFINITE);
    }
    // A flush that began while we waited drops the sample.
    if (IsFlushing()) return S_FALSE;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    m_sink->Record({SinkEvent::Sample, data, sample->GetActualDataLength()});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingSinkPin::EndOfStream()
{
    m_sink->Record({SinkEvent::EndOfStream, nullptr, 0});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingSinkPin::BeginFlush()
{
    InputPin::BeginFlush();
    m_sink->Record({SinkEvent::BeginFlush, nullptr, 0});
    // Like a renderer: a flush releases a Receive that waits.
    m_sink->OpenGate();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingSinkPin::EndFlush()
{
    m_sink->Record({SinkEvent::EndFlush, nullptr, 0});
    return InputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE RecordingSinkPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    m_sink->Record({SinkEvent::NewSegment, nullptr, 0});
    return S_OK;
}

HRESULT RecordingSinkPin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    return mt.majortype == MEDIATYPE_Video ? S_OK : S_FALSE;
}
