#pragma once
// IEnumPins and IEnumMediaTypes over a snapshot taken when the enumerator is
// made: a filter's pins are fixed for its lifetime, and a pin's preferred
// types for the duration of one connection attempt.
#include "ComObject.h"

#include <strmif.h>

#include <vector>

namespace dshow {

class PinEnumerator : public ComObject, public IEnumPins {
public:
    // Takes a reference on each pin.
    explicit PinEnumerator(std::vector<IPin*> pins, size_t position = 0);
    ~PinEnumerator() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** out) override;

private:
    std::vector<IPin*> m_pins;
    size_t m_position;
};

class MediaTypeEnumerator : public ComObject, public IEnumMediaTypes {
public:
    // Takes over the types (and what they own).
    explicit MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE> types, size_t position = 0);
    ~MediaTypeEnumerator() override;

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** out) override;

private:
    std::vector<AM_MEDIA_TYPE> m_types;
    size_t m_position;
};

// Hands out a freshly made enumerator with its first reference.
template <class Enumerator, class Interface>
HRESULT ReturnEnumerator(Enumerator* made, Interface** out) {
    if (!made) return E_OUTOFMEMORY;
    made->NonDelegatingAddRef();
    *out = made;
    return S_OK;
}

}  // namespace dshow
