#include "CapturePin.h"

#include <uuids.h>
#include <vfwmsgs.h>

HRESULT STDMETHODCALLTYPE CapturePin::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IKsPropertySet) return ReturnInterface(static_cast<IKsPropertySet*>(this), out);
    return OutputPin::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE CapturePin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataBytes,
                                          DWORD* returned)
{
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!data || dataBytes < sizeof(GUID)) return E_UNEXPECTED;
    *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
    if (returned) *returned = sizeof(GUID);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}
