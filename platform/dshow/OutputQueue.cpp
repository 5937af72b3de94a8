#include "OutputQueue.h"

namespace dshow {

OutputQueue::OutputQueue(IPin* downstream, HRESULT* hr, bool autoThread) : m_pin(downstream)
{
    InitializeCriticalSection(&m_lock);
    InitializeConditionVariable(&m_wake);
    InitializeConditionVariable(&m_idle);
    m_pin->AddRef();
    *hr = m_pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_input));
    if (FAILED(*hr)) {
        m_input = nullptr;
        return;
    }
    if (autoThread && m_input->ReceiveCanBlock() == S_OK) {
        m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
        if (!m_thread) *hr = HRESULT_FROM_WIN32(GetLastError());
    }
}

OutputQueue::~OutputQueue()
{
    if (m_thread) {
        EnterCriticalSection(&m_lock);
        m_terminate = true;
        WakeConditionVariable(&m_wake);
        LeaveCriticalSection(&m_lock);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    DropQueued();
    if (m_input) m_input->Release();
    m_pin->Release();
    DeleteCriticalSection(&m_lock);
}

DWORD WINAPI OutputQueue::ThreadMain(void* self)
{
    static_cast<OutputQueue*>(self)->ServeQueue();
    return 0;
}

void OutputQueue::ServeQueue()
{
    EnterCriticalSection(&m_lock);
    for (;;) {
        while (m_items.empty() && !m_terminate) SleepConditionVariableCS(&m_wake, &m_lock, INFINITE);
        if (m_terminate) break;
        Item item = m_items.front();
        m_items.pop_front();
        m_delivering = true;
        LeaveCriticalSection(&m_lock);
        Deliver(item);
        EnterCriticalSection(&m_lock);
        m_delivering = false;
        WakeAllConditionVariable(&m_idle);
    }
    LeaveCriticalSection(&m_lock);
}

void OutputQueue::Submit(const Item& item)
{
    if (!m_thread) {
        Deliver(item);
        return;
    }
    EnterCriticalSection(&m_lock);
    m_items.push_back(item);
    WakeConditionVariable(&m_wake);
    LeaveCriticalSection(&m_lock);
}

void OutputQueue::Deliver(const Item& item)
{
    switch (item.kind) {
    case Kind::Sample:
        if (!m_flushing) m_input->Receive(item.sample);
        item.sample->Release();
        break;
    case Kind::EndOfStream:
        m_pin->EndOfStream();
        break;
    case Kind::NewSegment:
        m_pin->NewSegment(item.start, item.stop, item.rate);
        break;
    }
}

void OutputQueue::DropQueued()
{
    // A flush discards everything still pending, end-of-stream included.
    for (const Item& item : m_items) {
        if (item.kind == Kind::Sample) item.sample->Release();
    }
    m_items.clear();
}

void OutputQueue::Receive(IMediaSample* sample) { Submit({Kind::Sample, sample, 0, 0, 0.0}); }
void OutputQueue::EndOfStream() { Submit({Kind::EndOfStream, nullptr, 0, 0, 0.0}); }

void OutputQueue::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    Submit({Kind::NewSegment, nullptr, start, stop, rate});
}

void OutputQueue::BeginFlush()
{
    EnterCriticalSection(&m_lock);
    m_flushing = true;
    DropQueued();
    LeaveCriticalSection(&m_lock);
    m_pin->BeginFlush();
}

void OutputQueue::EndFlush()
{
    EnterCriticalSection(&m_lock);
    while (m_delivering) SleepConditionVariableCS(&m_idle, &m_lock, INFINITE);
    m_flushing = false;
    LeaveCriticalSection(&m_lock);
    m_pin->EndFlush();
}

}  // namespace dshow
