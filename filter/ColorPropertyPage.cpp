#include "ColorPropertyPage.h"

#include "RunningUpstream.h"
#include "resource.h"

#include <commctrl.h>

#include <new>

namespace {

constexpr int kTrackbarMax = 9999;

// One row of the page per proc-amp property, in the filter's property order.
struct PropertyRow {
    int trackbar;
    int label;
    HRESULT (STDMETHODCALLTYPE IVideoTransformProp::*set)(unsigned short, int);
    HRESULT (STDMETHODCALLTYPE IVideoTransformProp::*get)(unsigned short, int*);
};

const PropertyRow kRows[ProcAmpSettings::kProperties] = {
    {IDC_BRIGHTNESS, IDC_BRIGHTNESS_VALUE, &IVideoTransformProp::SetBrightness, &IVideoTransformProp::GetBrightness},
    {IDC_CONTRAST, IDC_CONTRAST_VALUE, &IVideoTransformProp::SetContrast, &IVideoTransformProp::GetContrast},
    {IDC_SATURATION, IDC_SATURATION_VALUE, &IVideoTransformProp::SetSaturation, &IVideoTransformProp::GetSaturation},
    {IDC_HUE, IDC_HUE_VALUE, &IVideoTransformProp::SetHue, &IVideoTransformProp::GetHue},
    {IDC_SHARPNESS, IDC_SHARPNESS_VALUE, &IVideoTransformProp::SetSharpness, &IVideoTransformProp::GetSharpness},
};

int RowOfTrackbar(int id)
{
    for (int row = 0; row < ProcAmpSettings::kProperties; ++row)
        if (kRows[row].trackbar == id) return row;
    return -1;
}

}  // namespace

dshow::ComObject* ColorPropertyPage::Create(IUnknown* outer, HRESULT* hr)
{
    auto* page = new (std::nothrow) ColorPropertyPage(outer);
    if (!page) *hr = E_OUTOFMEMORY;
    return page;
}

ColorPropertyPage::ColorPropertyPage(IUnknown* outer) : PropertyPage(outer, IDD_COLOR, IDS_COLOR)
{
    for (int& value : m_values) value = ProcAmpSettings::kDefault;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

ColorPropertyPage::~ColorPropertyPage()
{
    if (m_prop) m_prop->Release();
    if (m_filterObject) m_filterObject->Release();
}

HRESULT ColorPropertyPage::OnConnect(IUnknown* object)
{
    if (FAILED(object->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&m_filterObject)))) {
        m_filterObject = nullptr;
        return E_NOINTERFACE;
    }
    if (FAILED(object->QueryInterface(IID_VideoTransformProp, reinterpret_cast<void**>(&m_prop)))) {
        m_prop = nullptr;
        return E_NOINTERFACE;
    }
    m_active = false;
    return S_OK;
}

HRESULT ColorPropertyPage::OnDisconnect()
{
    if (!m_filterObject) return E_UNEXPECTED;
    m_filterObject->Release();
    m_filterObject = nullptr;
    if (!m_prop) return E_UNEXPECTED;
    m_prop->Release();
    m_prop = nullptr;
    return S_OK;
}

HRESULT ColorPropertyPage::OnActivate()
{
    m_active = true;
    return S_OK;
}

HRESULT ColorPropertyPage::OnDeactivate()
{
    m_active = false;
    return S_OK;
}

INT_PTR ColorPropertyPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Values only mean something to a capture filter that is running.
    if (!m_filterObject || !m_prop || !RunningUpstream::IsPresent()) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        InitControls(window);
        break;
    case WM_COMMAND:
        if (!m_active) break;
        if (wParam >= IDC_INPUT1 && wParam <= IDC_INPUT4)
            SelectInput(window, static_cast<int>(wParam - IDC_INPUT1));
        else if (wParam == IDC_DEFAULT)
            RestoreDefaults(window);
        SetDirty();
        break;
    case WM_HSCROLL:
        if (m_active) OnScroll(window, wParam, lParam);
        break;
    }
    return PropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}

void ColorPropertyPage::InitControls(HWND window)
{
    for (int row = 0; row < ProcAmpSettings::kProperties; ++row) {
        HWND trackbar = GetDlgItem(window, kRows[row].trackbar);
        SendMessageW(trackbar, TBM_SETRANGEMAX, TRUE, kTrackbarMax);
        SendMessageW(trackbar, TBM_SETRANGEMIN, TRUE, 0);
        SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, kTrackbarMax));
        SendMessageW(trackbar, TBM_SETPOS, TRUE, m_values[row]);
    }
    CheckRadioButton(window, IDC_INPUT1, IDC_INPUT4, IDC_INPUT1 + m_inputIndex);
    for (int row = 0; row < ProcAmpSettings::kProperties; ++row) ShowValue(window, row);
}

void ColorPropertyPage::SelectInput(HWND window, int input)
{
    m_inputIndex = input;
    for (int row = 0; row < ProcAmpSettings::kProperties; ++row)
        (m_prop->*kRows[row].get)(static_cast<unsigned short>(m_inputIndex), &m_values[row]);
    ShowPositions(window);
    for (int row = 0; row < ProcAmpSettings::kProperties; ++row) ShowValue(window, row);
}

void ColorPropertyPage::RestoreDefaults(HWND window)
{
    // Through the scroll path, as if each thumb had been dropped at the
    // default, so the filter and the labels follow the same way.
    for (const PropertyRow& row : kRows) {
        SendMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, ProcAmpSettings::kDefault),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, row.trackbar)));
    }
    ShowPositions(window);
}

void ColorPropertyPage::OnScroll(HWND window, WPARAM wParam, LPARAM lParam)
{
    // Line and page steps are left out: only where the thumb is dropped or
    // dragged counts.
    WORD code = LOWORD(wParam);
    if (code != SB_THUMBPOSITION && code != SB_THUMBTRACK) return;
    int row = RowOfTrackbar(GetWindowLongW(reinterpret_cast<HWND>(lParam), GWL_ID));
    if (row < 0) return;
    m_values[row] = HIWORD(wParam);
    (m_prop->*kRows[row].set)(static_cast<unsigned short>(m_inputIndex), m_values[row]);
    ShowValue(window, row);
}

void ColorPropertyPage::ShowPositions(HWND window)
{
    for (int row = 0; row < ProcAmpSettings::kProperties; ++row)
        SendDlgItemMessageW(window, kRows[row].trackbar, TBM_SETPOS, TRUE, m_values[row]);
}

void ColorPropertyPage::ShowValue(HWND window, int row)
{
    char text[16];
    wsprintfA(text, "%d", m_values[row]);
    SetWindowTextA(GetDlgItem(window, kRows[row].label), text);
}
