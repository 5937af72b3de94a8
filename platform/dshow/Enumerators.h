#pragma once
// IEnumPins and IEnumMediaTypes over a snapshot taken when the enumerator is
// made: a filter's pins are fixed for its lifetime, and a pin's preferred
// types for the duration of one connection attempt.
#include "ComObject.h"
#include "MediaType.h"

#include <strmif.h>

#include <new>
#include <vector>

namespace dshow {

// How an enumerator keeps its items and hands out copies of them.
struct PinItems {
    using Stored = IPin*;
    using Out = IPin*;
    static HRESULT HandOut(IPin* const& pin, IPin** out)
    {
        *out = pin;
        pin->AddRef();
        return S_OK;
    }
    static HRESULT Duplicate(IPin* const& pin, IPin*& copy) { return HandOut(pin, &copy); }
    static void Free(IPin*& pin) { pin->Release(); }
    static void FreeOut(IPin* pin) { pin->Release(); }
};

struct MediaTypeItems {
    using Stored = AM_MEDIA_TYPE;
    using Out = AM_MEDIA_TYPE*;
    static HRESULT HandOut(const AM_MEDIA_TYPE& mt, AM_MEDIA_TYPE** out)
    {
        *out = CreateMediaType(mt);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT Duplicate(const AM_MEDIA_TYPE& mt, AM_MEDIA_TYPE& copy) { return CopyMediaType(copy, mt); }
    static void Free(AM_MEDIA_TYPE& mt) { FreeMediaType(mt); }
    static void FreeOut(AM_MEDIA_TYPE* mt) { DeleteMediaType(mt); }
};

template <class Interface, class Items, const IID* Iid>
class SnapshotEnumerator : public ComObject, public Interface {
public:
    using Stored = typename Items::Stored;
    using Out = typename Items::Out;

    // Makes an enumerator that takes over the items (and the references or
    // memory they own); without memory for it, frees them.
    static HRESULT Create(std::vector<Stored> items, size_t position, Interface** out)
    {
        auto* made = new (std::nothrow) SnapshotEnumerator(std::move(items), position);
        if (!made) {
            for (Stored& item : items) Items::Free(item);
            return E_OUTOFMEMORY;
        }
        made->NonDelegatingAddRef();
        *out = made;
        return S_OK;
    }
    ~SnapshotEnumerator() override
    {
        for (Stored& item : m_items) Items::Free(item);
    }

    DSHOW_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override
    {
        if (iid == *Iid) return ReturnInterface(static_cast<Interface*>(this), out);
        return ComObject::NonDelegatingQueryInterface(iid, out);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Out* items, ULONG* fetched) override
    {
        if (!items || (count > 1 && !fetched)) return E_POINTER;
        ULONG served = 0;
        for (; served < count && m_position < m_items.size(); ++served, ++m_position) {
            if (FAILED(Items::HandOut(m_items[m_position], &items[served]))) {
                while (served) Items::FreeOut(items[--served]);
                if (fetched) *fetched = 0;
                return E_OUTOFMEMORY;
            }
        }
        if (fetched) *fetched = served;
        return served == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        size_t left = m_items.size() - m_position;
        m_position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_position = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override
    {
        if (!out) return E_POINTER;
        std::vector<Stored> copies;
        for (const Stored& item : m_items) {
            Stored copy{};
            if (FAILED(Items::Duplicate(item, copy))) {
                for (Stored& made : copies) Items::Free(made);
                return E_OUTOFMEMORY;
            }
            copies.push_back(copy);
        }
        return Create(std::move(copies), m_position, out);
    }

private:
    // The items move only once the object has its memory.
    SnapshotEnumerator(std::vector<Stored>&& items, size_t position)
        : ComObject(nullptr), m_items(std::move(items)), m_position(position)
    {
    }

    std::vector<Stored> m_items;
    size_t m_position;
};

using PinEnumerator = SnapshotEnumerator<IEnumPins, PinItems, &IID_IEnumPins>;
using MediaTypeEnumerator = SnapshotEnumerator<IEnumMediaTypes, MediaTypeItems, &IID_IEnumMediaTypes>;

}  // namespace dshow
