// The in-process server entry points of Orbile.ax over its three classes.
#include "ColorPropertyPage.h"
#include "ComServer.h"
#include "FourInThreeOutPage.h"
#include "OrbileIds.h"
#include "VideoTransformFilter.h"

#include <uuids.h>

namespace {

const REGPINTYPES kAnyVideo = {&MEDIATYPE_Video, &GUID_NULL};

// Two records, both for "In", fed by a capture filter's "Out1" or "Out2".
const REGFILTERPINS kPins[] = {
    {const_cast<LPWSTR>(L"In"), FALSE, FALSE, FALSE, FALSE, &GUID_NULL, L"Out1", 1, &kAnyVideo},
    {const_cast<LPWSTR>(L"In"), FALSE, FALSE, FALSE, FALSE, &GUID_NULL, L"Out2", 1, &kAnyVideo},
};

// MERIT_DO_NOT_USE: automatic graph building never picks the filter; only
// the device library places it, by class id.
const dshow::FilterRecord kFilterRecord = {MERIT_DO_NOT_USE, ARRAYSIZE(kPins), kPins};

const dshow::ClassEntry kClasses[] = {
    {L"Orbile video transform", &CLSID_VideoTransform, VideoTransformFilter::Create, &kFilterRecord},
    {L"TwoOutProperty2", &CLSID_ColorPropertyPage, ColorPropertyPage::Create, nullptr},
    {L"TwoOutProperty5", &CLSID_FourInThreeOutPage, FourInThreeOutPage::Create, nullptr},
};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    return dshow::GetClassObject(kClasses, ARRAYSIZE(kClasses), clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return dshow::CanUnloadNow(); }

STDAPI DllRegisterServer() { return dshow::RegisterServer(kClasses, ARRAYSIZE(kClasses), true); }

STDAPI DllUnregisterServer() { return dshow::RegisterServer(kClasses, ARRAYSIZE(kClasses), false); }
