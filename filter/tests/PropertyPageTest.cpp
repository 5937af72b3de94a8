// The property pages created through DllGetClassObject and shown under the
// test display, driven the way a user drives them: thumbs dragged with the
// mouse, keys, radio buttons and the "Default" button.
#include "OrbileIds.h"
#include "TransformGraph.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <olectl.h>
#include <uuids.h>

#include <string>

#include "testsupport/PollUntil.h"

namespace {

using testsupport::PollUntil;

enum Control {
    kInput1 = 1015,
    kInput2 = 1016,
    kBrightness = 1019,
    kContrast = 1020,
    kHue = 1021,
    kSaturation = 1022,
    kSharpness = 1023,
    kDefault = 1029,
    kBrightnessValue = 1030,
    kContrastValue = 1031,
    kSaturationValue = 1032,
    kHueValue = 1033,
    kSharpnessValue = 1034,
};

class TestPageSite : public IPropertyPageSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IPropertyPageSite) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override
    {
        statusChanges |= flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override
    {
        *locale = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override
    {
        *container = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

    ULONG refs = 1;
    DWORD statusChanges = 0;
};

ComPtr<IPropertyPage> CreatePage(const CLSID& clsid)
{
    auto getClassObject = OrbileExport<GetClassObjectEntry>("DllGetClassObject");
    ComPtr<IClassFactory> factory;
    ComPtr<IPropertyPage> page;
    if (getClassObject && SUCCEEDED(getClassObject(clsid, IID_IClassFactory, factory.PutVoid()))) {
        factory->CreateInstance(nullptr, IID_IPropertyPage, page.PutVoid());
    }
    return page;
}

std::wstring PageTitle(IPropertyPage* page)
{
    PROPPAGEINFO info{};
    if (FAILED(page->GetPageInfo(&info))) return L"<none>";
    std::wstring title = info.pszTitle;
    CoTaskMemFree(info.pszTitle);
    return title;
}

std::string Text(HWND dialog, int id)
{
    char text[32] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}

LRESULT Position(HWND dialog, int trackbar) { return SendDlgItemMessageW(dialog, trackbar, TBM_GETPOS, 0, 0); }

// Presses the left button on the trackbar's thumb, moves to `x` (client
// coordinates) and lets go, as a user drags it.
void DragThumb(HWND trackbar, int x)
{
    RECT thumb;
    SendMessageW(trackbar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    int y = (thumb.top + thumb.bottom) / 2;
    SendMessageW(trackbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((thumb.left + thumb.right) / 2, y));
    SendMessageW(trackbar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(trackbar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void PressKey(HWND control, UINT key)
{
    SendMessageW(control, WM_KEYDOWN, key, 0);
    SendMessageW(control, WM_KEYUP, key, 0);
}

// A running graph whose capture filter has a property set: the only state
// in which the "Color" page acts.
class ColorPage : public ::testing::Test {
public:
    void SetUp() override
    {
        TestSourceOptions options;
        options.subtype = MEDIASUBTYPE_YUY2;
        options.withKsPropertySet = withPropertySet;
        ASSERT_EQ(graph.Build(options, Downstream::None), S_OK);
        if (running) {
            ASSERT_TRUE(SUCCEEDED(graph.Run()));
        }
        frame = CreateWindowExW(0, L"STATIC", L"Page test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 520, 360, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(frame, nullptr);
        page = CreatePage(CLSID_ColorPropertyPage);
        ASSERT_TRUE(page);
        ASSERT_EQ(page->SetPageSite(&site), S_OK);
        IUnknown* object = graph.transform.Get();
        ASSERT_EQ(page->SetObjects(1, &object), S_OK);
        Activate();
    }
    void TearDown() override
    {
        if (page) {
            page->Deactivate();
            page->SetObjects(0, nullptr);
            page->SetPageSite(nullptr);
            page.Reset();
        }
        if (frame) DestroyWindow(frame);
        if (graph.control) graph.Stop();
    }
    void Activate()
    {
        RECT area = {0, 0, 480, 300};
        ASSERT_EQ(page->Activate(frame, &area, FALSE), S_OK);
        dialog = GetWindow(frame, GW_CHILD);
        ASSERT_NE(dialog, nullptr);
    }
    void Click(int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
    int Value(HRESULT (STDMETHODCALLTYPE IVideoTransformProp::*get)(unsigned short, int*), unsigned short index)
    {
        int value = -1;
        (graph.prop.Get()->*get)(index, &value);
        return value;
    }

    bool withPropertySet = true;
    bool running = true;
    TransformGraph graph;
    TestPageSite site;
    ComPtr<IPropertyPage> page;
    HWND frame = nullptr;
    HWND dialog = nullptr;
};

class ColorPageStopped : public ColorPage {
public:
    void SetUp() override
    {
        running = false;
        ColorPage::SetUp();
    }
};

class ColorPageWithoutPropertySet : public ColorPage {
public:
    void SetUp() override
    {
        withPropertySet = false;
        ColorPage::SetUp();
    }
};

}  // namespace

TEST_F(ColorPage, ShowsTheSelectedInputsValuesAndADragReachesTheFilter)
{
    EXPECT_EQ(PageTitle(page.Get()), L"Color");
    EXPECT_EQ(SendDlgItemMessageW(dialog, kBrightness, TBM_GETRANGEMAX, 0, 0), 9999);
    EXPECT_EQ(Position(dialog, kBrightness), 5000);
    EXPECT_EQ(Text(dialog, kBrightnessValue), "5000");
    EXPECT_EQ(IsDlgButtonChecked(dialog, kInput1), BST_CHECKED);

    HWND trackbar = GetDlgItem(dialog, kBrightness);
    RECT channel;
    SendMessageW(trackbar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    DragThumb(trackbar, channel.left + (channel.right - channel.left) * 7 / 10);
    LRESULT dragged = Position(dialog, kBrightness);
    EXPECT_NEAR(dragged, 7000, 150);
    EXPECT_EQ(Value(&IVideoTransformProp::GetBrightness, 0), dragged);
    EXPECT_EQ(Text(dialog, kBrightnessValue), std::to_string(dragged));
    EXPECT_EQ(Value(&IVideoTransformProp::GetBrightness, 1), 5000) << "another input";

    // Line and page steps move the thumb but set nothing.
    PressKey(trackbar, VK_RIGHT);
    PressKey(trackbar, VK_NEXT);
    EXPECT_NE(Position(dialog, kBrightness), dragged);
    EXPECT_EQ(Value(&IVideoTransformProp::GetBrightness, 0), dragged);
    EXPECT_EQ(site.statusChanges, 0u) << "scrolling does not make the page dirty";
}

TEST_F(ColorPage, RadioButtonsSelectAnInputAndDefaultRestoresIt)
{
    graph.prop->SetSaturation(1, 1234);
    graph.prop->SetHue(1, 4321);
    graph.prop->SetSharpness(1, 999);
    Click(kInput2);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kInput2), BST_CHECKED);
    const struct {
        int trackbar;
        int label;
        int value;
    } shown[] = {{kBrightness, kBrightnessValue, 5000},
                 {kContrast, kContrastValue, 5000},
                 {kSaturation, kSaturationValue, 1234},
                 {kHue, kHueValue, 4321},
                 {kSharpness, kSharpnessValue, 999}};
    for (const auto& s : shown) {
        EXPECT_EQ(Position(dialog, s.trackbar), s.value) << s.trackbar;
        EXPECT_EQ(Text(dialog, s.label), std::to_string(s.value)) << s.label;
    }
    EXPECT_TRUE(site.statusChanges & PROPPAGESTATUS_DIRTY);
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);

    Click(kDefault);
    for (auto get :
         {&IVideoTransformProp::GetBrightness, &IVideoTransformProp::GetContrast, &IVideoTransformProp::GetSaturation,
          &IVideoTransformProp::GetHue, &IVideoTransformProp::GetSharpness})
        EXPECT_EQ(Value(get, 1), 5000);
    for (const auto& s : shown) {
        EXPECT_EQ(Position(dialog, s.trackbar), 5000) << s.trackbar;
        EXPECT_EQ(Text(dialog, s.label), "5000") << s.label;
    }
}

TEST_F(ColorPage, ReopenedPageShowsEachPropertysOwnValue)
{
    auto drop = [&](int trackbar, int value) {
        SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, value),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, trackbar)));
    };
    drop(kSharpness, 1500);
    drop(kHue, 8500);
    EXPECT_EQ(Value(&IVideoTransformProp::GetSharpness, 0), 1500);
    EXPECT_EQ(Value(&IVideoTransformProp::GetHue, 0), 8500);
    ASSERT_EQ(page->Deactivate(), S_OK);
    Activate();
    EXPECT_EQ(Position(dialog, kSharpness), 1500);
    EXPECT_EQ(Text(dialog, kSharpnessValue), "1500");
    EXPECT_EQ(Position(dialog, kHue), 8500);
    EXPECT_EQ(Text(dialog, kHueValue), "8500");
}

TEST_F(ColorPage, StaysActiveWhenAnotherFilterStops)
{
    {
        TransformGraph other;
        TestSourceOptions options;
        ASSERT_EQ(other.Build(options, Downstream::None), S_OK);
        ASSERT_TRUE(SUCCEEDED(other.Run()));
        ASSERT_TRUE(SUCCEEDED(other.Stop()));
    }
    ASSERT_EQ(page->Deactivate(), S_OK);
    Activate();
    EXPECT_EQ(SendDlgItemMessageW(dialog, kBrightness, TBM_GETRANGEMAX, 0, 0), 9999);
    EXPECT_EQ(Text(dialog, kBrightnessValue), "5000");
}

// While the graph is stopped, or its capture filter has no property set,
// the page's dialog gets no handling: nothing shown, nothing reaches the
// filter.
template <class Fixture>
void ExpectInertPage(Fixture& test)
{
    EXPECT_NE(SendDlgItemMessageW(test.dialog, kBrightness, TBM_GETRANGEMAX, 0, 0), 9999);
    EXPECT_EQ(Text(test.dialog, kBrightnessValue), "");
    test.graph.prop->SetContrast(0, 1234);
    SendDlgItemMessageW(test.dialog, kDefault, BM_CLICK, 0, 0);
    HWND trackbar = GetDlgItem(test.dialog, kBrightness);
    RECT channel;
    SendMessageW(trackbar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    DragThumb(trackbar, channel.right - 2);
    int contrast = 0;
    int brightness = 0;
    test.graph.prop->GetContrast(0, &contrast);
    test.graph.prop->GetBrightness(0, &brightness);
    EXPECT_EQ(contrast, 1234);
    EXPECT_EQ(brightness, 5000);
    EXPECT_EQ(test.site.statusChanges, 0u);
}

TEST_F(ColorPageStopped, IsInert) { ExpectInertPage(*this); }
TEST_F(ColorPageWithoutPropertySet, IsInert) { ExpectInertPage(*this); }

TEST(PageClasses, CreatedByClassIdAndColorRefusesAnObjectThatIsNoFilter)
{
    ComPtr<IPropertyPage> page = CreatePage(CLSID_FourInThreeOutPage);
    ASSERT_TRUE(page);
    EXPECT_EQ(PageTitle(page.Get()), L"Four In Three Out");

    ComPtr<IPropertyPage> color = CreatePage(CLSID_ColorPropertyPage);
    ASSERT_TRUE(color);
    ComPtr<IUnknown> notAFilter;
    ASSERT_EQ(
        CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, notAFilter.PutVoid()),
        S_OK);
    IUnknown* object = notAFilter.Get();
    EXPECT_EQ(color->SetObjects(1, &object), E_NOINTERFACE);
}

namespace {
struct FrameInspection {
    DWORD ownThread;
    int tabs = -1;
    std::wstring titles[2];
};

BOOL CALLBACK FindPropertyFrame(HWND window, LPARAM found)
{
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (IsWindowVisible(window) && lstrcmpW(className, L"#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Looks at the frame from another thread while OleCreatePropertyFrame runs
// its modal loop on the test's, then closes it.
DWORD WINAPI InspectAndClose(void* param)
{
    auto* inspection = static_cast<FrameInspection*>(param);
    HWND frame = nullptr;
    const bool shown = PollUntil(10000, [&] {
        EnumThreadWindows(inspection->ownThread, FindPropertyFrame, reinterpret_cast<LPARAM>(&frame));
        return frame != nullptr;
    });
    if (!shown) return 1;
    // The frame adds its pages' tabs after it appears.
    HWND tabs = nullptr;
    PollUntil(5000, [&] {
        tabs = FindWindowExW(frame, nullptr, WC_TABCONTROLW, nullptr);
        return tabs && SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0) >= 2;
    });
    if (tabs) {
        inspection->tabs = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < 2 && i < inspection->tabs; ++i) {
            wchar_t text[64] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
            inspection->titles[i] = text;
        }
    }
    PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
    return 0;
}
}  // namespace

TEST(PropertyFrame, OpensBothPagesOfARunningFilter)
{
    TransformGraph graph;
    TestSourceOptions options;
    options.subtype = MEDIASUBTYPE_YUY2;
    ASSERT_EQ(graph.Build(options, Downstream::None), S_OK);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ComPtr<ISpecifyPropertyPages> specify;
    ASSERT_EQ(graph.transform->QueryInterface(IID_ISpecifyPropertyPages, specify.PutVoid()), S_OK);
    CAUUID pages{};
    ASSERT_EQ(specify->GetPages(&pages), S_OK);

    FrameInspection inspection;
    inspection.ownThread = GetCurrentThreadId();
    HANDLE inspector = CreateThread(nullptr, 0, InspectAndClose, &inspection, 0, nullptr);
    IUnknown* object = graph.transform.Get();
    HRESULT hr =
        OleCreatePropertyFrame(nullptr, 20, 20, L"Orbile", 1, &object, pages.cElems, pages.pElems, 0, 0, nullptr);
    WaitForSingleObject(inspector, INFINITE);
    DWORD inspected = 1;
    GetExitCodeThread(inspector, &inspected);
    CloseHandle(inspector);
    CoTaskMemFree(pages.pElems);

    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(inspected, 0u) << "no property frame appeared";
    EXPECT_EQ(inspection.tabs, 2);
    EXPECT_EQ(inspection.titles[0], L"Color");
    EXPECT_EQ(inspection.titles[1], L"Four In Three Out");
}
