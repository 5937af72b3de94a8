#pragma once
// The filter's pin "In": hands every sample on to the output pin and then to
// the frame callback, records the frame size of the connection, and talks to
// the capture filter upstream while the graph runs.
#include "InputPin.h"
#include "PendingChanges.h"
#include "ProcAmpSettings.h"
#include "VideoTransformProp.h"

#include <atomic>

class VideoTransformFilter;
class VideoTransformOutputPin;

class VideoTransformInputPin : public dshow::InputPin {
public:
    VideoTransformInputPin(VideoTransformFilter* filter, CRITICAL_SECTION* lock);
    ~VideoTransformInputPin() override;

    void SetOutputPin(VideoTransformOutputPin* output) { m_outputPin[0] = output; }

    // IPin
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IMemInputPin
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;
    // Stops deliveries and returns once no Receive is at work.
    HRESULT Inactive() override;

    // On the first run after a stop: the capture filter's property set and
    // proc-amp, which get the stored values of the upstream input.
    void HookUpstream();
    void ReleaseUpstream();
    // A buffer of our own for the run, from a private allocator.
    void AcquireOwnBuffer();
    void ReleaseOwnBuffer();

    bool HoldsUpstream() const { return m_ksProp != nullptr; }
    BYTE ConnectStatus() const { return m_connectStatus; }
    bool ReceiveInProgress() const { return m_inReceive != 0; }
    IQualityControl* QualitySink() const { return m_qualitySink; }

    // What the private interface stores.
    int m_valuePair[2] = {0, 0};
    volatile LONG m_deliveryEnable = 0;
    std::atomic<DocCamFrameCallback> m_frameCallback{nullptr};
    DWORD m_callbackWords[3] = {0, 0, 0};
    BYTE m_userByte = 0;
    volatile LONG m_mask = 0;
    ProcAmpSettings m_procAmpValues;
    PendingChanges m_pendingChanges;

private:
    void PushProcAmp();

    VideoTransformOutputPin* m_outputPin[1] = {nullptr};
    VideoTransformFilter* const m_transform;
    CRITICAL_SECTION m_receiveLock;
    volatile LONG m_inReceive = 0;
    // Cleared, under m_receiveLock, when the filter stops.
    bool m_streaming = false;
    IMediaSample* m_ownSample = nullptr;
    IMemAllocator* m_ownAllocator = nullptr;
    int m_width = 320;
    int m_height = 240;
    IKsPropertySet* m_ksProp = nullptr;
    IAMVideoProcAmp* m_procAmp = nullptr;
    BYTE m_connectStatus = 0;
};
