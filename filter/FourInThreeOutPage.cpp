#include "FourInThreeOutPage.h"

#include "RunningUpstream.h"
#include "resource.h"

#include <new>

dshow::ComObject* FourInThreeOutPage::Create(IUnknown* outer, HRESULT* hr)
{
    auto* page = new (std::nothrow) FourInThreeOutPage(outer);
    if (!page) *hr = E_OUTOFMEMORY;
    return page;
}

FourInThreeOutPage::FourInThreeOutPage(IUnknown* outer)
    : PropertyPage(outer, IDD_FOUR_IN_THREE_OUT, IDS_FOUR_IN_THREE_OUT)
{
}

INT_PTR FourInThreeOutPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!RunningUpstream::IsPresent()) return FALSE;
    return PropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}
