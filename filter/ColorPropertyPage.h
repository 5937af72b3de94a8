#pragma once
// The "Color" page: the five proc-amp values of one of four inputs, edited
// with trackbars through the filter's private interface. It acts only while
// the filter's graph runs with a capture filter that has a property set.
#include "ProcAmpSettings.h"
#include "PropertyPage.h"
#include "VideoTransformProp.h"

#include <strmif.h>

class ColorPropertyPage : public dshow::PropertyPage {
public:
    // The class factory's create function.
    static dshow::ComObject* Create(IUnknown* outer, HRESULT* hr);
    ~ColorPropertyPage() override;

protected:
    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnDeactivate() override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    explicit ColorPropertyPage(IUnknown* outer);
    void InitControls(HWND window);
    void SelectInput(HWND window, int input);
    void RestoreDefaults(HWND window);
    void OnScroll(HWND window, WPARAM wParam, LPARAM lParam);
    void ShowPositions(HWND window);
    void ShowValue(HWND window, int property);

    IBaseFilter* m_filterObject = nullptr;
    IVideoTransformProp* m_prop = nullptr;
    int m_inputIndex = 0;
    int m_values[ProcAmpSettings::kProperties];
    bool m_active = false;
};
