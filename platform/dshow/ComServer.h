#pragma once
// In-process server plumbing over a table of the module's classes: the class
// objects behind DllGetClassObject, DllCanUnloadNow, and the registration of
// each class key and, for filters, the filter mapper's entry.
#include "ComObject.h"

#include <strmif.h>

namespace dshow {

// Makes a new object for the class factory; on failure returns null or sets
// *hr (the factory then deletes what it got).
using CreateFunction = ComObject* (*)(IUnknown* outer, HRESULT* hr);

// What the filter mapper learns about a filter class.
struct FilterRecord {
    DWORD merit;
    ULONG pinCount;
    const REGFILTERPINS* pins;
};

struct ClassEntry {
    LPCWSTR name;
    const CLSID* clsid;
    CreateFunction create;
    const FilterRecord* filter;  // null for classes that are not filters
};

HRESULT GetClassObject(const ClassEntry* table, size_t count, REFCLSID clsid, REFIID iid, void** out);
HRESULT CanUnloadNow();
// Writes (or, with `install` false, removes) HKCR\CLSID\{clsid} with the
// module's path as its in-process server, and the mapper entry of filters.
HRESULT RegisterServer(const ClassEntry* table, size_t count, bool install);

}  // namespace dshow
