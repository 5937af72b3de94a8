// In-process server of the simulated camera's capture filter. Registering
// it also lists it as a video-input device named like one of our cameras.
#include "ComServer.h"
#include "SimCaptureFilter.h"

#include <uuids.h>

namespace {

const dshow::ClassEntry kClasses[] = {
    {L"Simulated document camera", &CLSID_SimCaptureFilter, SimCaptureFilter::Create, nullptr},
};

// A DirectShow-only camera: its commands go through the capture pin.
const wchar_t kDeviceName[] = L"PC Camera";

HRESULT ListAsVideoInput(bool install)
{
    IFilterMapper2* mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  reinterpret_cast<void**>(&mapper));
    if (FAILED(hr)) return hr;
    if (install) {
        REGFILTER2 filter = {};
        filter.dwVersion = 1;
        filter.dwMerit = MERIT_DO_NOT_USE;
        hr = mapper->RegisterFilter(CLSID_SimCaptureFilter, kDeviceName, nullptr, &CLSID_VideoInputDeviceCategory,
                                    kDeviceName, &filter);
    } else {
        hr = mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, kDeviceName, CLSID_SimCaptureFilter);
    }
    mapper->Release();
    return hr;
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    return dshow::GetClassObject(kClasses, ARRAYSIZE(kClasses), clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return dshow::CanUnloadNow(); }

STDAPI DllRegisterServer()
{
    HRESULT hr = dshow::RegisterServer(kClasses, ARRAYSIZE(kClasses), true);
    return FAILED(hr) ? hr : ListAsVideoInput(true);
}

STDAPI DllUnregisterServer()
{
    ListAsVideoInput(false);
    return dshow::RegisterServer(kClasses, ARRAYSIZE(kClasses), false);
}
