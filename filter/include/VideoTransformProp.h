#pragma once
// The transform filter's private interface, as its clients call it: the
// device library registers its frame callback here, the "Color" page reads
// and writes the proc-amp values. Clients call by vtable position, so the
// order of the operations is fixed.
#include <windows.h>
#include <unknwn.h>

// Called once per frame on the filter's streaming thread; the bytes belong
// to the capture graph's allocator and are valid only during the call.
typedef void (*DocCamFrameCallback)(unsigned char* data, int width, int height, int length);

// {DC356A16-6BA7-491E-9452-EB2EF2386FF1}
extern "C" const IID IID_VideoTransformProp;

struct IVideoTransformProp : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetDeliveryEnable(int enable) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValuePair(int a, int b, int index) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFrameCallback(DocCamFrameCallback callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallbackWord1(DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallbackWord2(DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallbackWord3(DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitUpstreamIdle(int, int) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitIdle(int, int) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMaskBit(unsigned short bit) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearMaskBit(unsigned short bit) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMask(unsigned short* mask) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyChange(int a, unsigned short b) = 0;
    virtual HRESULT STDMETHODCALLTYPE CountChange() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBrightness(unsigned short index, int value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetContrast(unsigned short index, int value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSaturation(unsigned short index, int value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHue(unsigned short index, int value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSharpness(unsigned short index, int value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBrightness(unsigned short index, int* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContrast(unsigned short index, int* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSaturation(unsigned short index, int* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHue(unsigned short index, int* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSharpness(unsigned short index, int* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatus(BYTE* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetUserByte(BYTE value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserByte(BYTE* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Noop() = 0;
};
