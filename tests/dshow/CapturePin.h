#pragma once
// An output pin in the capture category, as a camera's capture filter has
// one: through IKsPropertySet it answers AMPROPERTY_PIN_CATEGORY with
// PIN_CATEGORY_CAPTURE, which is how capture graph builders find it. The
// test sources derive their pins from it.
#include "OutputPin.h"

#include <strmif.h>
#include <vfwmsgs.h>

class CapturePin : public dshow::OutputPin, public IKsPropertySet {
public:
    CapturePin(dshow::BaseFilter* filter, CRITICAL_SECTION* lock) : OutputPin(filter, lock, L"Capture") {}

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    HRESULT STDMETHODCALLTYPE Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_PROP_ID_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, void* instance, DWORD instanceBytes, void* data,
                                  DWORD dataBytes, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
};
