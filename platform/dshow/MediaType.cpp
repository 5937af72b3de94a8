#include "MediaType.h"

#include <uuids.h>

#include <cstring>

namespace dshow {

void FreeMediaType(AM_MEDIA_TYPE& mt)
{
    if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk) mt.pUnk->Release();
    std::memset(&mt, 0, sizeof mt);
}

void DeleteMediaType(AM_MEDIA_TYPE* mt)
{
    if (!mt) return;
    FreeMediaType(*mt);
    CoTaskMemFree(mt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from)
{
    to = from;
    if (from.cbFormat && from.pbFormat) {
        to.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
        if (!to.pbFormat) {
            std::memset(&to, 0, sizeof to);
            return E_OUTOFMEMORY;
        }
        std::memcpy(to.pbFormat, from.pbFormat, from.cbFormat);
    } else {
        to.cbFormat = 0;
        to.pbFormat = nullptr;
    }
    if (to.pUnk) to.pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& from)
{
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (mt && FAILED(CopyMediaType(*mt, from))) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

bool MatchesPartialType(const AM_MEDIA_TYPE& full, const AM_MEDIA_TYPE& partial)
{
    return (partial.majortype == GUID_NULL || partial.majortype == full.majortype) &&
           (partial.subtype == GUID_NULL || partial.subtype == full.subtype) &&
           (partial.formattype == GUID_NULL || partial.formattype == full.formattype);
}

const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& mt)
{
    if (mt.formattype != FORMAT_VideoInfo || !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER)) return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
}

}  // namespace dshow
