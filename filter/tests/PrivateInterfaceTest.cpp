// The private interface as its clients reach it: by vtable slot, through a
// declaration of our own that shares nothing with the filter's header.
#include "TransformGraph.h"
#include "VideoTransformFilter.h"
#include "VideoTransformInputPin.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// {DC356A16-6BA7-491E-9452-EB2EF2386FF1}
const IID kPrivateIid = {0xDC356A16, 0x6BA7, 0x491E, {0x94, 0x52, 0xEB, 0x2E, 0xF2, 0x38, 0x6F, 0xF1}};
// {5ADCD5C3-4106-4E01-B549-CE2F85E6E04E}
const CLSID kFilterClsid = {0x5ADCD5C3, 0x4106, 0x4E01, {0xB5, 0x49, 0xCE, 0x2F, 0x85, 0xE6, 0xE0, 0x4E}};

// Indices are passed as full 32-bit words: the filter must look only at
// their low 16 bits.
struct PrivateVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(void*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(void*);
    ULONG(STDMETHODCALLTYPE* Release)(void*);
    HRESULT(STDMETHODCALLTYPE* SetDeliveryEnable)(void*, int);
    HRESULT(STDMETHODCALLTYPE* SetValuePair)(void*, int, int, int);
    HRESULT(STDMETHODCALLTYPE* SetFrameCallback)(void*, void (*)(unsigned char*, int, int, int));
    HRESULT(STDMETHODCALLTYPE* SetCallbackWord1)(void*, DWORD);
    HRESULT(STDMETHODCALLTYPE* SetCallbackWord2)(void*, DWORD);
    HRESULT(STDMETHODCALLTYPE* SetCallbackWord3)(void*, DWORD);
    HRESULT(STDMETHODCALLTYPE* WaitUpstreamIdle)(void*, int, int);
    HRESULT(STDMETHODCALLTYPE* WaitIdle)(void*, int, int);
    HRESULT(STDMETHODCALLTYPE* SetMaskBit)(void*, DWORD);
    HRESULT(STDMETHODCALLTYPE* ClearMaskBit)(void*, DWORD);
    HRESULT(STDMETHODCALLTYPE* GetMask)(void*, unsigned short*);
    HRESULT(STDMETHODCALLTYPE* NotifyChange)(void*, int, DWORD);
    HRESULT(STDMETHODCALLTYPE* CountChange)(void*);
    HRESULT(STDMETHODCALLTYPE* Set[5])(void*, DWORD, int);  // Brightness, Contrast, Saturation, Hue, Sharpness
    HRESULT(STDMETHODCALLTYPE* Get[5])(void*, DWORD, int*);
    HRESULT(STDMETHODCALLTYPE* GetStatus)(void*, BYTE*);
    HRESULT(STDMETHODCALLTYPE* SetUserByte)(void*, BYTE);
    HRESULT(STDMETHODCALLTYPE* GetUserByte)(void*, BYTE*);
    HRESULT(STDMETHODCALLTYPE* Noop)(void*);
};
static_assert(sizeof(PrivateVtbl) == 30 * sizeof(void*), "IUnknown and 27 operations");

struct PrivateInterface {
    const PrivateVtbl* vtbl;
};

enum Property { Brightness, Contrast, Saturation, Hue, Sharpness };

class PrivateInterfaceAbi : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoCreateInstance(kFilterClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, filter.PutVoid()), S_OK);
        ASSERT_EQ(filter->QueryInterface(kPrivateIid, reinterpret_cast<void**>(&prop)), S_OK);
    }
    void TearDown() override
    {
        if (prop) prop->vtbl->Release(prop);
    }
    int Value(Property property, DWORD index)
    {
        int value = -1;
        prop->vtbl->Get[property](prop, index, &value);
        return value;
    }

    ComPtr<IUnknown> filter;
    PrivateInterface* prop = nullptr;
};

}  // namespace

TEST_F(PrivateInterfaceAbi, OperationsByVtableSlot)
{
    const PrivateVtbl& v = *prop->vtbl;
    unsigned short mask = 0xFFFF;
    BYTE byte = 0;
    const struct {
        const char* what;
        std::function<HRESULT()> call;
        HRESULT result;
        std::function<bool()> holds;
    } cases[] = {
        {"fresh values are 5000 for every input", [&] { return S_OK; }, S_OK,
         [&] { return Value(Hue, 1) == 5000 && Value(Brightness, 0) == 5000 && Value(Sharpness, 3) == 5000; }},
        {"an equal value changes nothing", [&] { return v.Set[Brightness](prop, 0, 5000); }, S_OK,
         [&] { return Value(Brightness, 0) == 5000; }},
        {"a new value is stored for its input only", [&] { return v.Set[Brightness](prop, 0, 4000); }, S_OK,
         [&] { return Value(Brightness, 0) == 4000 && Value(Brightness, 1) == 5000; }},
        {"each property has its own slot", [&] { return v.Set[Saturation](prop, 1, 1234); }, S_OK,
         [&] { return Value(Saturation, 1) == 1234 && Value(Hue, 1) == 5000 && Value(Contrast, 1) == 5000; }},
        {"inputs 3 and 4 of the page are kept", [&] { return v.Set[Sharpness](prop, 3, 777); }, S_OK,
         [&] { return Value(Sharpness, 3) == 777 && Value(Sharpness, 2) == 5000; }},
        {"the index is its low 16 bits", [&] { return v.Set[Hue](prop, 0x10002, 321); }, S_OK,
         [&] { return Value(Hue, 2) == 321; }},
        {"an input past the fourth is refused", [&] { return v.Set[Contrast](prop, 4, 1); }, E_INVALIDARG,
         [&] {
             int value = 0;
             return v.Get[Contrast](prop, 4, &value) == E_INVALIDARG;
         }},
        {"any mask bit sets bit 0", [&] { return v.SetMaskBit(prop, 5); }, S_OK,
         [&] { return v.GetMask(prop, &mask) == S_OK && mask == 1; }},
        {"any mask bit clears bit 0", [&] { return v.ClearMaskBit(prop, 9); }, S_OK,
         [&] { return v.GetMask(prop, &mask) == S_OK && mask == 0; }},
        {"NotifyChange without its second argument", [&] { return v.NotifyChange(prop, 1, 0); }, E_FAIL,
         [] { return true; }},
        {"NotifyChange without its first argument", [&] { return v.NotifyChange(prop, 0, 1); }, E_FAIL,
         [] { return true; }},
        {"WaitUpstreamIdle while stopped", [&] { return v.WaitUpstreamIdle(prop, 0, 0); }, E_FAIL, [] { return true; }},
        {"WaitIdle always fails", [&] { return v.WaitIdle(prop, 0, 0); }, E_FAIL, [] { return true; }},
        {"status while stopped", [&] { return v.GetStatus(prop, &byte); }, S_OK, [&] { return byte == 0; }},
        {"user byte round trip", [&] { return v.SetUserByte(prop, 0xA5); }, S_OK,
         [&] { return v.GetUserByte(prop, &byte) == S_OK && byte == 0xA5; }},
        {"delivery disabled while nothing streams", [&] { return v.SetDeliveryEnable(prop, 0); }, S_OK,
         [] { return true; }},
        {"callback words", [&] { return v.SetCallbackWord1(prop, 1) | v.SetCallbackWord3(prop, 3); }, S_OK,
         [] { return true; }},
        {"a callback", [&] { return v.SetFrameCallback(prop, FrameLog::Callback); }, S_OK, [] { return true; }},
        {"Noop", [&] { return v.Noop(prop); }, S_OK, [] { return true; }},
        {"null out pointers", [&] { return v.GetMask(prop, nullptr); }, E_POINTER,
         [&] { return v.Get[Hue](prop, 0, nullptr) == E_POINTER && v.GetStatus(prop, nullptr) == E_POINTER; }},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), c.result) << c.what;
        EXPECT_TRUE(c.holds()) << c.what;
    }
}

TEST_F(PrivateInterfaceAbi, IUnknownSlotsDelegateToTheFilter)
{
    IUnknown* viaPrivate = nullptr;
    ASSERT_EQ(prop->vtbl->QueryInterface(prop, IID_IUnknown, reinterpret_cast<void**>(&viaPrivate)), S_OK);
    EXPECT_EQ(viaPrivate, filter.Get()) << "one identity";
    viaPrivate->Release();
    ULONG before = RefCount(filter.Get());
    prop->vtbl->AddRef(prop);
    EXPECT_EQ(RefCount(filter.Get()), before + 1);
    prop->vtbl->Release(prop);
}

namespace {

// The filter of the linked sources, whose input pin the rules can be read
// from; called through its private interface as the clients call it.
class PrivateInterfaceRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        HRESULT hr = S_OK;
        object = VideoTransformFilter::Create(nullptr, &hr);
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(hr, S_OK);
        object->NonDelegatingAddRef();
        auto* filter = static_cast<VideoTransformFilter*>(object);
        input = static_cast<VideoTransformInputPin*>(filter->GetPin(0));
        prop = filter;
    }
    void TearDown() override
    {
        if (object) object->NonDelegatingRelease();
    }
    int Pending() const { return input->m_pendingChanges.Count(); }

    dshow::ComObject* object = nullptr;
    VideoTransformInputPin* input = nullptr;
    IVideoTransformProp* prop = nullptr;
};

}  // namespace

TEST_F(PrivateInterfaceRules, OnlyIndexZeroStoresTheValuePair)
{
    const struct {
        int a, b, index;
        int first, second;
    } cases[] = {{7, 8, 1, 0, 0}, {7, 8, 0x10000, 0, 0}, {7, 8, 0, 7, 8}, {9, 10, -1, 7, 8}};
    for (const auto& c : cases) {
        EXPECT_EQ(prop->SetValuePair(c.a, c.b, c.index), S_OK);
        EXPECT_EQ(input->m_valuePair[0], c.first) << c.index;
        EXPECT_EQ(input->m_valuePair[1], c.second) << c.index;
    }
}

TEST_F(PrivateInterfaceRules, ChangesRaiseThePendingCountOnlyWhenSomethingChanged)
{
    const struct {
        const char* what;
        std::function<HRESULT()> call;
        HRESULT result;
        int raised;
    } cases[] = {
        {"an equal proc-amp value", [&] { return prop->SetBrightness(0, 5000); }, S_OK, 0},
        {"a new proc-amp value", [&] { return prop->SetBrightness(0, 4000); }, S_OK, 1},
        {"the same new value again", [&] { return prop->SetBrightness(0, 4000); }, S_OK, 0},
        {"the same value for another input", [&] { return prop->SetBrightness(1, 4000); }, S_OK, 1},
        {"a refused input", [&] { return prop->SetHue(4, 1); }, E_INVALIDARG, 0},
        {"the mask bit set", [&] { return prop->SetMaskBit(5); }, S_OK, 1},
        {"the mask bit set again", [&] { return prop->SetMaskBit(3); }, S_OK, 0},
        {"the mask bit cleared", [&] { return prop->ClearMaskBit(9); }, S_OK, 1},
        {"the mask bit cleared again", [&] { return prop->ClearMaskBit(9); }, S_OK, 0},
        {"NotifyChange without its second argument", [&] { return prop->NotifyChange(1, 0); }, E_FAIL, 0},
        {"NotifyChange without its first argument", [&] { return prop->NotifyChange(0, 1); }, E_FAIL, 0},
        {"NotifyChange with both", [&] { return prop->NotifyChange(1, 1); }, S_OK, 1},
        {"CountChange", [&] { return prop->CountChange(); }, S_OK, 1},
        {"a callback", [&] { return prop->SetFrameCallback(FrameLog::Callback); }, S_OK, 0},
    };
    for (const auto& c : cases) {
        const int before = Pending();
        EXPECT_EQ(c.call(), c.result) << c.what;
        EXPECT_EQ(Pending(), before + c.raised) << c.what;
    }
}

TEST_F(PrivateInterfaceRules, ThePendingCountWrapsAfter255)
{
    for (int i = 0; i < 255; ++i) prop->CountChange();
    EXPECT_EQ(Pending(), 255);
    prop->CountChange();
    EXPECT_EQ(Pending(), 0);
}
