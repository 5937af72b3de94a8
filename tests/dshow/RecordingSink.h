#pragma once
// A renderer-like sink that records, in order, every stream call reaching
// its input pin "Input". Receive can be held at a gate, so that samples pile
// up in front of it as they would before a renderer that waits.
#include "BaseFilter.h"
#include "InputPin.h"

#include <vector>

struct SinkEvent {
    enum Kind { Sample, EndOfStream, BeginFlush, EndFlush, NewSegment } kind;
    BYTE* data;
    long length;
};

class RecordingSinkPin;

class RecordingSink : public dshow::BaseFilter {
public:
    static RecordingSink* Create();
    ~RecordingSink() override;

    int GetPinCount() override { return 1; }
    dshow::BasePin* GetPin(int index) override;

    std::vector<SinkEvent> Events();
    // Receive waits while the gate is closed (until a flush begins).
    void CloseGate();
    void OpenGate();
    // Signalled once a Receive waits at the closed gate.
    HANDLE Waiting() const { return m_waiting; }
    IMemAllocator* NotifiedAllocator() const;
    BOOL NotifiedReadOnly() const;

private:
    friend class RecordingSinkPin;
    RecordingSink();
    void Record(SinkEvent event);

    CRITICAL_SECTION m_lock;
    CRITICAL_SECTION m_recordLock;
    RecordingSinkPin* m_pin;
    std::vector<SinkEvent> m_events;
    HANDLE m_gate;
    HANDLE m_waiting;
};

class RecordingSinkPin : public dshow::InputPin {
public:
    RecordingSinkPin(RecordingSink* sink, CRITICAL_SECTION* lock);

    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;

    IMemAllocator* Allocator() const { return m_allocator; }
    BOOL ReadOnly() const { return m_readOnly; }

private:
    RecordingSink* const m_sink;
};
