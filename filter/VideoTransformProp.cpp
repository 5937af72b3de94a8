// The private interface of the transform filter. Every operation is a plain
// store, load or count on the input pin; none takes the filter lock or the
// receive lock, so they are safe while frames stream.
#include "VideoTransformFilter.h"
#include "VideoTransformInputPin.h"

#include <vfwmsgs.h>

namespace {
constexpr LONG kMaskBit = 1;
// A callback still at work after two seconds is stuck: reported, not waited for.
constexpr int kDeliveryPolls = 20;
constexpr DWORD kDeliveryPollMs = 100;
}  // namespace

HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetDeliveryEnable(int enable)
{
    m_input->m_deliveryEnable = enable;
    // Disabling is how the caller learns that no callback is running.
    if (!enable) {
        for (int poll = 0; m_input->ReceiveInProgress(); ++poll) {
            if (poll == kDeliveryPolls) return VFW_E_TIMEOUT;
            Sleep(kDeliveryPollMs);
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetValuePair(int a, int b, int index)
{
    if (index == 0) {
        m_input->m_valuePair[0] = a;
        m_input->m_valuePair[1] = b;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetFrameCallback(DocCamFrameCallback callback)
{
    m_input->m_frameCallback = callback;
    for (DWORD& word : m_input->m_callbackWords) word = 0;
    return S_OK;
}

// The three words replace the callback: with one of them set, frames are
// only passed through.
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetCallbackWord1(DWORD value) { return SetCallbackWord(0, value); }
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetCallbackWord2(DWORD value) { return SetCallbackWord(1, value); }
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetCallbackWord3(DWORD value) { return SetCallbackWord(2, value); }

HRESULT VideoTransformFilter::SetCallbackWord(int which, DWORD value)
{
    m_input->m_frameCallback = nullptr;
    for (int word = 0; word < 3; ++word) m_input->m_callbackWords[word] = word == which ? value : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::WaitUpstreamIdle(int, int)
{
    if (!m_input->HoldsUpstream()) return E_FAIL;
    m_input->m_pendingChanges.WaitIdle();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::WaitIdle(int, int)
{
    m_input->m_pendingChanges.WaitIdle();
    return E_FAIL;
}

// The mask has one usable bit, bit 0, whichever bit number is given.
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetMaskBit(unsigned short)
{
    if (InterlockedOr(&m_input->m_mask, kMaskBit) & kMaskBit) return S_OK;
    if (!m_input->HoldsUpstream()) m_input->m_pendingChanges.Raise();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::ClearMaskBit(unsigned short)
{
    if (InterlockedAnd(&m_input->m_mask, ~kMaskBit) & kMaskBit) m_input->m_pendingChanges.Raise();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetMask(unsigned short* mask)
{
    if (!mask) return E_POINTER;
    *mask = static_cast<unsigned short>(m_input->m_mask);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::NotifyChange(int a, unsigned short b)
{
    if (!a || !b) return E_FAIL;
    m_input->m_pendingChanges.Raise();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::CountChange()
{
    m_input->m_pendingChanges.Raise();
    return S_OK;
}

HRESULT VideoTransformFilter::SetProcAmp(ProcAmpProperty property, unsigned short index, int value)
{
    bool changed = false;
    HRESULT hr = m_input->m_procAmpValues.Set(property, index, value, &changed);
    if (changed) m_input->m_pendingChanges.Raise();
    return hr;
}

HRESULT VideoTransformFilter::GetProcAmp(ProcAmpProperty property, unsigned short index, int* value)
{
    return m_input->m_procAmpValues.Get(property, index, value);
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetBrightness(unsigned short index, int value)
{
    return SetProcAmp(ProcAmpProperty::Brightness, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetContrast(unsigned short index, int value)
{
    return SetProcAmp(ProcAmpProperty::Contrast, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetSaturation(unsigned short index, int value)
{
    return SetProcAmp(ProcAmpProperty::Saturation, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetHue(unsigned short index, int value)
{
    return SetProcAmp(ProcAmpProperty::Hue, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetSharpness(unsigned short index, int value)
{
    return SetProcAmp(ProcAmpProperty::Sharpness, index, value);
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetBrightness(unsigned short index, int* value)
{
    return GetProcAmp(ProcAmpProperty::Brightness, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetContrast(unsigned short index, int* value)
{
    return GetProcAmp(ProcAmpProperty::Contrast, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetSaturation(unsigned short index, int* value)
{
    return GetProcAmp(ProcAmpProperty::Saturation, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetHue(unsigned short index, int* value)
{
    return GetProcAmp(ProcAmpProperty::Hue, index, value);
}
HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetSharpness(unsigned short index, int* value)
{
    return GetProcAmp(ProcAmpProperty::Sharpness, index, value);
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetStatus(BYTE* status)
{
    if (!status) return E_POINTER;
    *status = m_input->ConnectStatus();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::SetUserByte(BYTE value)
{
    m_input->m_userByte = value;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::GetUserByte(BYTE* value)
{
    if (!value) return E_POINTER;
    *value = m_input->m_userByte;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoTransformFilter::Noop() { return S_OK; }
