#pragma once
// A push source standing in for a camera's capture filter. Its pin "Capture"
// answers AMPROPERTY_PIN_CATEGORY with PIN_CATEGORY_CAPTURE; the filter
// exposes IKsPropertySet and IAMVideoProcAmp and records every proc-amp Set.
// Frames carry their index and a pattern derived from it, so a receiver can
// check every byte; JPEG-like frames vary in length.
#include "BaseFilter.h"
#include "CapturePin.h"

#include <strmif.h>
#include <uuids.h>

#include <vector>

struct TestSourceOptions {
    GUID subtype = MEDIASUBTYPE_YUY2;  // or MEDIASUBTYPE_MJPG
    int width = 320;
    int height = 240;
    int frameCount = 0;  // frames the push thread sends per run; -1: until stopped
    bool withKsPropertySet = true;
    bool withProcAmp = true;
    // The format block as the pin offers it: its type and its announced
    // size (a short block stands for a malformed capture filter).
    GUID formatType = FORMAT_VideoInfo;  // or FORMAT_VideoInfo2
    ULONG formatBytes = 0;               // 0: the full header of the format type
    // Off, frames carry only their index: for measuring what the filters
    // downstream cost rather than the source's writing.
    bool writePattern = true;
};

struct ProcAmpCall {
    long property;
    long value;
    long flags;
};

// Frame `index` starts with its index (4 bytes); the byte at any later
// offset is this.
inline BYTE TestFrameByte(int index, long offset) { return static_cast<BYTE>(index * 7 + offset); }
// Actual data length of frame `index`.
long TestFrameLength(const TestSourceOptions& options, int index);
// Largest frame of these options: the buffer size.
long TestFrameCapacity(const TestSourceOptions& options);

class TestSourcePin;

class TestSourceFilter : public dshow::BaseFilter, public IKsPropertySet, public IAMVideoProcAmp {
public:
    // With one reference for the caller.
    static TestSourceFilter* Create(const TestSourceOptions& options);
    ~TestSourceFilter() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;
    int GetPinCount() override { return 1; }
    dshow::BasePin* GetPin(int index) override;
    // A live source: paused, it has nothing to cue, so the graph does not
    // wait for its renderers to receive a frame.
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;

    // IKsPropertySet: the filter only looks for it.
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, void* instance, DWORD instanceBytes, void* data,
                                  DWORD dataBytes) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, void* instance, DWORD instanceBytes, void* data,
                                  DWORD dataBytes, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
    // IAMVideoProcAmp
    HRESULT STDMETHODCALLTYPE GetRange(long property, long* min, long* max, long* step, long* defaultValue,
                                       long* flags) override;
    HRESULT STDMETHODCALLTYPE Set(long property, long value, long flags) override;
    HRESULT STDMETHODCALLTYPE Get(long property, long* value, long* flags) override;

    std::vector<ProcAmpCall> ProcAmpCalls();
    void ClearProcAmpCalls();
    // The buffer each frame was written into, by frame index.
    std::vector<BYTE*> FramePointers();
    // Signalled when the push thread has sent its frames and end-of-stream.
    HANDLE Finished() const { return m_finished; }
    int FramesSent() const { return m_sent; }
    TestSourcePin* Pin() const { return m_pin; }
    const TestSourceOptions& Options() const { return m_options; }
    // For tests that drive the stream themselves (frameCount 0): one frame
    // on the calling thread; the result is the downstream Receive's.
    HRESULT PushFrame(int index);

private:
    friend class TestSourcePin;
    explicit TestSourceFilter(const TestSourceOptions& options);
    void PushLoop(HANDLE stop);

    TestSourceOptions m_options;
    CRITICAL_SECTION m_lock;
    CRITICAL_SECTION m_recordLock;
    TestSourcePin* m_pin = nullptr;
    std::vector<ProcAmpCall> m_procAmpCalls;
    std::vector<BYTE*> m_pointers;
    HANDLE m_finished;
    volatile LONG m_sent = 0;
};

class TestSourcePin : public CapturePin {
public:
    TestSourcePin(TestSourceFilter* filter, CRITICAL_SECTION* lock);
    ~TestSourcePin() override;

    DSHOW_DELEGATING_UNKNOWN

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE& mt) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;
    // The push thread runs from pause to stop.
    HRESULT Active() override;
    HRESULT Inactive() override;

private:
    static DWORD WINAPI ThreadMain(void* self);

    TestSourceFilter* const m_source;
    HANDLE m_thread = nullptr;
    HANDLE m_stop = nullptr;
};
