#pragma once
// The five proc-amp values for each of the four inputs that the "Color" page
// offers. Input index 1 is the one pushed to the capture filter.
#include <windows.h>

enum class ProcAmpProperty { Brightness, Contrast, Saturation, Hue, Sharpness };

class ProcAmpSettings {
public:
    static constexpr int kProperties = 5;
    static constexpr int kInputs = 4;
    static constexpr int kDefault = 5000;
    // The input whose values reach the camera.
    static constexpr unsigned short kUpstreamInput = 1;

    ProcAmpSettings();

    // S_OK with *changed telling whether the value differed; E_INVALIDARG
    // for an input index out of range.
    HRESULT Set(ProcAmpProperty property, unsigned short input, int value, bool* changed);
    HRESULT Get(ProcAmpProperty property, unsigned short input, int* value) const;
    int Value(ProcAmpProperty property, unsigned short input) const;

private:
    // Plain word stores: the page writes while the graph thread reads.
    volatile LONG m_values[kProperties][kInputs];
};
