#pragma once
// The video transform filter: one input and one output pin, every frame
// passed through unchanged and handed to the device library's callback, the
// stored proc-amp values pushed to the capture filter when the graph runs.
#include "BaseFilter.h"
#include "ProcAmpSettings.h"
#include "VideoTransformProp.h"

#include <ocidl.h>

class VideoTransformInputPin;
class VideoTransformOutputPin;

class VideoTransformFilter : public dshow::BaseFilter, public IVideoTransformProp, public ISpecifyPropertyPages {
public:
    // The class factory's create function.
    static dshow::ComObject* Create(IUnknown* outer, HRESULT* hr);
    ~VideoTransformFilter() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    int GetPinCount() override { return 2; }
    dshow::BasePin* GetPin(int index) override;

    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;

    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

    // IVideoTransformProp (VideoTransformProp.cpp)
    HRESULT STDMETHODCALLTYPE SetDeliveryEnable(int enable) override;
    HRESULT STDMETHODCALLTYPE SetValuePair(int a, int b, int index) override;
    HRESULT STDMETHODCALLTYPE SetFrameCallback(DocCamFrameCallback callback) override;
    HRESULT STDMETHODCALLTYPE SetCallbackWord1(DWORD value) override;
    HRESULT STDMETHODCALLTYPE SetCallbackWord2(DWORD value) override;
    HRESULT STDMETHODCALLTYPE SetCallbackWord3(DWORD value) override;
    HRESULT STDMETHODCALLTYPE WaitUpstreamIdle(int, int) override;
    HRESULT STDMETHODCALLTYPE WaitIdle(int, int) override;
    HRESULT STDMETHODCALLTYPE SetMaskBit(unsigned short bit) override;
    HRESULT STDMETHODCALLTYPE ClearMaskBit(unsigned short bit) override;
    HRESULT STDMETHODCALLTYPE GetMask(unsigned short* mask) override;
    HRESULT STDMETHODCALLTYPE NotifyChange(int a, unsigned short b) override;
    HRESULT STDMETHODCALLTYPE CountChange() override;
    HRESULT STDMETHODCALLTYPE SetBrightness(unsigned short index, int value) override;
    HRESULT STDMETHODCALLTYPE SetContrast(unsigned short index, int value) override;
    HRESULT STDMETHODCALLTYPE SetSaturation(unsigned short index, int value) override;
    HRESULT STDMETHODCALLTYPE SetHue(unsigned short index, int value) override;
    HRESULT STDMETHODCALLTYPE SetSharpness(unsigned short index, int value) override;
    HRESULT STDMETHODCALLTYPE GetBrightness(unsigned short index, int* value) override;
    HRESULT STDMETHODCALLTYPE GetContrast(unsigned short index, int* value) override;
    HRESULT STDMETHODCALLTYPE GetSaturation(unsigned short index, int* value) override;
    HRESULT STDMETHODCALLTYPE GetHue(unsigned short index, int* value) override;
    HRESULT STDMETHODCALLTYPE GetSharpness(unsigned short index, int* value) override;
    HRESULT STDMETHODCALLTYPE GetStatus(BYTE* status) override;
    HRESULT STDMETHODCALLTYPE SetUserByte(BYTE value) override;
    HRESULT STDMETHODCALLTYPE GetUserByte(BYTE* value) override;
    HRESULT STDMETHODCALLTYPE Noop() override;

    // The allocator the capture pin chose for our input; shared downstream.
    IMemAllocator* UpstreamAllocator() const { return m_upstreamAllocator; }
    void SetUpstreamAllocator(IMemAllocator* allocator);

private:
    VideoTransformFilter(IUnknown* outer, HRESULT* hr);
    HRESULT SetCallbackWord(int which, DWORD value);
    HRESULT SetProcAmp(ProcAmpProperty property, unsigned short index, int value);
    HRESULT GetProcAmp(ProcAmpProperty property, unsigned short index, int* value);

    VideoTransformInputPin* m_input = nullptr;
    VideoTransformOutputPin* m_output[1] = {nullptr};
    CRITICAL_SECTION m_lock;
    IMemAllocator* m_upstreamAllocator = nullptr;
};
