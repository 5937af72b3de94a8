#pragma once
// Delivery to one downstream input pin, on a thread of its own when that pin
// says Receive can block, so that a blocking renderer never holds up the
// upstream streaming thread. Samples, end-of-stream and new-segment reach the
// downstream pin in the order they were handed in; a flush drops what is
// still queued, end-of-stream included. Queued samples hold the upstream
// allocator's buffers, so the allocator bounds the queue.
#include <windows.h>
#include <strmif.h>

#include <deque>

namespace dshow {

class OutputQueue {
public:
    // `autoThread`: a thread only when the downstream pin's Receive can
    // block. Failures are reported in *hr; the object must then be deleted.
    OutputQueue(IPin* downstream, HRESULT* hr, bool autoThread);
    ~OutputQueue();
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // Takes over one reference of the sample.
    void Receive(IMediaSample* sample);
    void EndOfStream();
    void NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    // Passed downstream at once; queued samples are dropped until EndFlush.
    void BeginFlush();
    // Waits until the thread has finished what it was delivering.
    void EndFlush();

private:
    enum class Kind { Sample, EndOfStream, NewSegment };
    struct Item {
        Kind kind;
        IMediaSample* sample;
        REFERENCE_TIME start;
        REFERENCE_TIME stop;
        double rate;
    };

    static DWORD WINAPI ThreadMain(void* self);
    void ServeQueue();
    void Submit(const Item& item);
    void Deliver(const Item& item);
    void DropQueued();

    IPin* m_pin = nullptr;
    IMemInputPin* m_input = nullptr;
    HANDLE m_thread = nullptr;
    CRITICAL_SECTION m_lock;
    CONDITION_VARIABLE m_wake;
    CONDITION_VARIABLE m_idle;
    std::deque<Item> m_items;
    bool m_delivering = false;
    bool m_flushing = false;
    bool m_terminate = false;
};

}  // namespace dshow
