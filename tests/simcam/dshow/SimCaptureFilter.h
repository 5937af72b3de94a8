#pragma once
// The simulated camera as a DirectShow capture source: a filter with one
// capture pin that offers WJPG and YUY2 at the six capture sizes through
// IAMStreamConfig, carries camera commands through ICameraCommand to the
// simulated camera, and streams the JPEG test pictures (or YUY2 frames) at
// 30 frames a second while the graph runs.
#include "BaseFilter.h"
#include "CameraCommandInterface.h"
#include "CapturePin.h"
#include "SimCamera.h"

#include <strmif.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <mutex>
#include <string>
#include <vector>

// {9B3C1E52-7A4D-4C61-8F0E-2D5B6A7C8E91}
const CLSID CLSID_SimCaptureFilter = {0x9B3C1E52, 0x7A4D, 0x4C61, {0x8F, 0x0E, 0x2D, 0x5B, 0x6A, 0x7C, 0x8E, 0x91}};

// What a test sets and observes of the simulated camera in this process.
struct SimCaptureControl {
    std::mutex lock;
    simcam::SimCamera camera{0xE0};
    bool refuseWjpg = false;  // SetFormat refuses the JPEG stream
    bool refuseYuy2 = false;
    struct Write {
        ULONG one, zero, value, index;
    };
    std::vector<Write> writes;  // ICameraCommand::WriteCommand calls
    volatile LONG framesSent = 0;
    volatile LONG refuseCommandLookups = 0;  // the next lookups of ICameraCommand fail
    DWORD streamStopWaitMs = 5000;           // how long a stop waits for the streaming thread
    std::string commandLogPath;              // each command carried out is appended here
};

// The one control of the module, exported as "SimCaptureControlBlock".
extern "C" SimCaptureControl* SimCaptureControlBlock();

class SimCapturePin;

class SimCaptureFilter : public dshow::BaseFilter, public IKsPropertySet, public IAMVideoProcAmp {
public:
    static dshow::ComObject* Create(IUnknown* outer, HRESULT* hr);
    ~SimCaptureFilter() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;
    int GetPinCount() override { return 1; }
    dshow::BasePin* GetPin(int index) override;
    // A live source: paused, it has nothing to cue.
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;

    // IKsPropertySet: present, with no property sets of its own.
    HRESULT STDMETHODCALLTYPE Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override
    {
        return E_PROP_SET_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Get(REFGUID, DWORD, void*, DWORD, void*, DWORD, DWORD*) override
    {
        return E_PROP_SET_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID, DWORD, DWORD*) override { return E_PROP_SET_UNSUPPORTED; }
    // IAMVideoProcAmp: accepts every value.
    HRESULT STDMETHODCALLTYPE GetRange(long, long* min, long* max, long* step, long* def, long* flags) override;
    HRESULT STDMETHODCALLTYPE Set(long, long, long) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Get(long, long*, long*) override { return E_NOTIMPL; }

private:
    explicit SimCaptureFilter(IUnknown* outer);
    CRITICAL_SECTION m_lock;
    SimCapturePin* m_pin;
};

class SimCapturePin : public CapturePin, public IAMStreamConfig, public ICameraCommand {
public:
    SimCapturePin(SimCaptureFilter* filter, CRITICAL_SECTION* lock);
    ~SimCapturePin() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** mt) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;
    // ICameraCommand
    HRESULT STDMETHODCALLTYPE Reserved() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteCommand(ULONG one, ULONG zero, ULONG value, ULONG index) override;
    HRESULT STDMETHODCALLTYPE ReadReply(ULONG one, ULONG zero, ULONG* word, ULONG index) override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE& mt) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

private:
    struct StreamThread;
    static DWORD WINAPI ThreadMain(void* context);
    void StreamLoop(HANDLE stop);
    HRESULT SendFrame(int number);

    SimCaptureFilter* const m_source;
    GUID m_subtype;
    int m_width = 1024;
    int m_height = 768;
    REFERENCE_TIME m_interval = 333333;
    ULONG m_reply = 0;
    HANDLE m_thread = nullptr;
    HANDLE m_stop = nullptr;
};
