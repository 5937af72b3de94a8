#pragma once
// The "Four In Three Out" page: its dialog only, with no behaviour of its
// own; like the "Color" page it is inert unless the graph runs.
#include "PropertyPage.h"

class FourInThreeOutPage : public dshow::PropertyPage {
public:
    // The class factory's create function.
    static dshow::ComObject* Create(IUnknown* outer, HRESULT* hr);

protected:
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    explicit FourInThreeOutPage(IUnknown* outer);
};
