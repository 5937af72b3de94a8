#include "Enumerators.h"

#include "MediaType.h"

#include <new>

namespace dshow {

namespace {
// Next/Skip results: S_OK when the full count was served.
HRESULT CountResult(ULONG served, ULONG asked) { return served == asked ? S_OK : S_FALSE; }
}

PinEnumerator::PinEnumerator(std::vector<IPin*> pins, size_t position)
    : ComObject(nullptr), m_pins(std::move(pins)), m_position(position) {
    for (IPin* pin : m_pins) pin->AddRef();
}

PinEnumerator::~PinEnumerator() {
    for (IPin* pin : m_pins) pin->Release();
}

HRESULT STDMETHODCALLTYPE PinEnumerator::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IEnumPins) return ReturnInterface(static_cast<IEnumPins*>(this), out);
    return ComObject::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (!pins || (count > 1 && !fetched)) return E_POINTER;
    ULONG served = 0;
    for (; served < count && m_position < m_pins.size(); ++served, ++m_position) {
        pins[served] = m_pins[m_position];
        pins[served]->AddRef();
    }
    if (fetched) *fetched = served;
    return CountResult(served, count);
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Skip(ULONG count) {
    ULONG served = 0;
    for (; served < count && m_position < m_pins.size(); ++served) ++m_position;
    return CountResult(served, count);
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Clone(IEnumPins** out) {
    if (!out) return E_POINTER;
    return ReturnEnumerator(new (std::nothrow) PinEnumerator(m_pins, m_position), out);
}

MediaTypeEnumerator::MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE> types, size_t position)
    : ComObject(nullptr), m_types(std::move(types)), m_position(position) {}

MediaTypeEnumerator::~MediaTypeEnumerator() {
    for (AM_MEDIA_TYPE& mt : m_types) FreeMediaType(mt);
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IEnumMediaTypes) return ReturnInterface(static_cast<IEnumMediaTypes*>(this), out);
    return ComObject::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (!types || (count > 1 && !fetched)) return E_POINTER;
    ULONG served = 0;
    for (; served < count && m_position < m_types.size(); ++served, ++m_position) {
        types[served] = CreateMediaType(m_types[m_position]);
        if (!types[served]) {
            while (served) DeleteMediaType(types[--served]);
            if (fetched) *fetched = 0;
            return E_OUTOFMEMORY;
        }
    }
    if (fetched) *fetched = served;
    return CountResult(served, count);
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Skip(ULONG count) {
    ULONG served = 0;
    for (; served < count && m_position < m_types.size(); ++served) ++m_position;
    return CountResult(served, count);
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Clone(IEnumMediaTypes** out) {
    if (!out) return E_POINTER;
    std::vector<AM_MEDIA_TYPE> copies;
    for (const AM_MEDIA_TYPE& mt : m_types) {
        AM_MEDIA_TYPE copy{};
        if (FAILED(CopyMediaType(copy, mt))) {
            for (AM_MEDIA_TYPE& made : copies) FreeMediaType(made);
            return E_OUTOFMEMORY;
        }
        copies.push_back(copy);
    }
    return ReturnEnumerator(new (std::nothrow) MediaTypeEnumerator(std::move(copies), m_position), out);
}

}  // namespace dshow
