#pragma once
// The filter's pin "Out1 ": offers what the capture pin offers, shares the
// upstream allocator with the downstream pin (no copy), and delivers through
// an output queue so a blocking renderer never holds the streaming thread.
#include "OutputPin.h"
#include "OutputQueue.h"

class VideoTransformFilter;
class VideoTransformInputPin;

class VideoTransformOutputPin : public dshow::OutputPin {
public:
    VideoTransformOutputPin(VideoTransformFilter* filter, CRITICAL_SECTION* lock, VideoTransformInputPin* input);
    ~VideoTransformOutputPin() override;

    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT DecideAllocator(IMemInputPin* downstream, IMemAllocator** allocator) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    HRESULT Deliver(IMediaSample* sample) override;
    HRESULT DeliverEndOfStream() override;
    HRESULT DeliverBeginFlush() override;
    HRESULT DeliverEndFlush() override;
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    VideoTransformInputPin* const m_input;
    // Exists while the pin is active and connected. Samples use it under the
    // input pin's receive lock, which Stop drains first; end-of-stream,
    // new-segment and flushes may come at any time and take m_queueLock,
    // which Inactive holds while it deletes the queue.
    dshow::OutputQueue* m_queue = nullptr;
    VideoTransformFilter* const m_transform;
    CRITICAL_SECTION m_queueLock;
};
