// regsvr32 against the real filter mapper: class keys and the mapper's
// entry in, and out again.
#include "OrbileIds.h"
#include "TransformGraph.h"

#include <gtest/gtest.h>
#include <uuids.h>

namespace {

const wchar_t kFilterKey[] = L"CLSID\\{5ADCD5C3-4106-4E01-B549-CE2F85E6E04E}";
const wchar_t kMapperEntry[] =
    L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{5ADCD5C3-4106-4E01-B549-CE2F85E6E04E}";

struct ClassKey {
    const wchar_t* key;
    const wchar_t* name;
};
const ClassKey kClassKeys[] = {
    {kFilterKey, L"Orbile video transform"},
    {L"CLSID\\{ED5E556B-B499-4F9C-81F9-99EAF166E111}", L"TwoOutProperty2"},
    {L"CLSID\\{8A1668E6-94B9-408D-9893-2886B16C9A77}", L"TwoOutProperty5"},
};

DWORD RunRegsvr32(const std::wstring& options)
{
    std::wstring command = L"regsvr32.exe /s " + options + L" \"" + OrbilePath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError() | 0x80000000u;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

bool KeyExists(const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring ReadString(const wchar_t* path, const wchar_t* subkey, const wchar_t* value)
{
    std::wstring key = std::wstring(path) + (subkey ? std::wstring(L"\\") + subkey : L"");
    wchar_t text[MAX_PATH] = {};
    DWORD bytes = sizeof text;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

std::vector<BYTE> ReadBinary(const wchar_t* path, const wchar_t* value)
{
    std::vector<BYTE> data(4096);
    DWORD bytes = static_cast<DWORD>(data.size());
    if (RegGetValueW(HKEY_CLASSES_ROOT, path, value, RRF_RT_REG_BINARY, nullptr, data.data(), &bytes) != ERROR_SUCCESS)
        return {};
    data.resize(bytes);
    return data;
}

DWORD DwordAt(const std::vector<BYTE>& data, size_t offset)
{
    return offset + 4 <= data.size() ? *reinterpret_cast<const DWORD*>(&data[offset]) : 0xFFFFFFFFu;
}

enum class PinWanted { VideoInput, VideoOutput };

// Whether the mapper finds our filter, at any merit, for a pin of that kind.
bool MapperFindsFilter(PinWanted wanted)
{
    ComPtr<IFilterMapper2> mapper;
    if (FAILED(
            CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.PutVoid())))
        return false;
    GUID types[2] = {MEDIATYPE_Video, GUID_NULL};
    ComPtr<IEnumMoniker> found;
    bool input = wanted == PinWanted::VideoInput;
    if (mapper->EnumMatchingFilters(found.Put(), 0, FALSE, 0, input, input ? 1 : 0, input ? types : nullptr, nullptr,
                                    nullptr, FALSE, !input, input ? 0 : 1, input ? nullptr : types, nullptr,
                                    nullptr) != S_OK)
        return false;
    ComPtr<IMoniker> moniker;
    while (found->Next(1, moniker.Put(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()))) continue;
        VARIANT clsid;
        VariantInit(&clsid);
        bool ours = SUCCEEDED(bag->Read(L"CLSID", &clsid, nullptr)) && clsid.vt == VT_BSTR &&
                    lstrcmpiW(clsid.bstrVal, L"{5ADCD5C3-4106-4E01-B549-CE2F85E6E04E}") == 0;
        VariantClear(&clsid);
        if (ours) return true;
    }
    return false;
}

}  // namespace

TEST(Registration, Regsvr32WritesClassKeysAndMapperEntryAndUnregisterRemovesThem)
{
    ASSERT_EQ(RunRegsvr32(L"/u"), 0u);
    for (const ClassKey& entry : kClassKeys) EXPECT_FALSE(KeyExists(entry.key)) << entry.key;
    EXPECT_FALSE(KeyExists(kMapperEntry));
    EXPECT_FALSE(MapperFindsFilter(PinWanted::VideoInput));

    ASSERT_EQ(RunRegsvr32(L""), 0u);
    for (const ClassKey& entry : kClassKeys) {
        SCOPED_TRACE(entry.key);
        EXPECT_EQ(ReadString(entry.key, nullptr, nullptr), entry.name);
        EXPECT_EQ(lstrcmpiW(ReadString(entry.key, L"InprocServer32", nullptr).c_str(), OrbilePath().c_str()), 0);
        EXPECT_EQ(ReadString(entry.key, L"InprocServer32", L"ThreadingModel"), L"Both");
    }
    EXPECT_EQ(ReadString(kMapperEntry, nullptr, L"FriendlyName"), L"Orbile video transform");
    std::vector<BYTE> filterData = ReadBinary(kMapperEntry, L"FilterData");
    EXPECT_EQ(DwordAt(filterData, 4), 0x00200000u) << "merit";
    EXPECT_EQ(DwordAt(filterData, 8), 2u) << "pin records";
    EXPECT_TRUE(MapperFindsFilter(PinWanted::VideoInput));
    EXPECT_FALSE(MapperFindsFilter(PinWanted::VideoOutput)) << "both pin records are inputs";
}

TEST(Registration, ClassObjectsServeTheThreeClassesAndNothingElse)
{
    auto getClassObject = OrbileExport<GetClassObjectEntry>("DllGetClassObject");
    ASSERT_NE(getClassObject, nullptr);
    for (const CLSID* clsid : {&CLSID_VideoTransform, &CLSID_ColorPropertyPage, &CLSID_FourInThreeOutPage}) {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject(*clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
    }
    ComPtr<IClassFactory> none;
    EXPECT_EQ(getClassObject(CLSID_FilterGraph, IID_IClassFactory, none.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
}

TEST(Registration, CanUnloadOnlyWithoutLiveObjectsOrLocks)
{
    auto canUnloadNow = OrbileExport<DllEntry>("DllCanUnloadNow");
    ASSERT_NE(canUnloadNow, nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(
        CoGetClassObject(CLSID_VideoTransform, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.PutVoid()),
        S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a class object is alive";
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "the server is locked";
    ComPtr<IClassFactory> again;
    ASSERT_EQ(CoGetClassObject(CLSID_VideoTransform, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, again.PutVoid()),
              S_OK);
    again->LockServer(FALSE);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(again->CreateInstance(nullptr, IID_IBaseFilter, filter.PutVoid()), S_OK);
    again.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a filter is alive";
    filter.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST(Registration, VersionBlockNamesTheFilterFile)
{
    std::wstring path = OrbilePath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 5));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 13));

    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {{L"FileDescription", L"WDM video transform for Orbile"},
                   {L"InternalName", L"Orbile video transform"},
                   {L"ProductName", L"Orbile"},
                   {L"OriginalFilename", L"Orbile.ax"},
                   {L"FileVersion", L"5, 0, 13, 0"},
                   {L"ProductVersion", L"5, 0, 13, 0"}};
    for (const auto& s : strings) {
        wchar_t* value = nullptr;
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.name;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << s.name;
        EXPECT_STREQ(value, s.value);
    }
}
