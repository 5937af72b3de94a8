#include "ProcAmpSettings.h"

ProcAmpSettings::ProcAmpSettings()
{
    for (auto& property : m_values)
        for (auto& value : property) value = kDefault;
}

HRESULT ProcAmpSettings::Set(ProcAmpProperty property, unsigned short input, int value, bool* changed)
{
    *changed = false;
    if (input >= kInputs) return E_INVALIDARG;
    volatile LONG& stored = m_values[static_cast<int>(property)][input];
    *changed = InterlockedExchange(&stored, value) != value;
    return S_OK;
}

HRESULT ProcAmpSettings::Get(ProcAmpProperty property, unsigned short input, int* value) const
{
    if (!value) return E_POINTER;
    if (input >= kInputs) return E_INVALIDARG;
    *value = Value(property, input);
    return S_OK;
}

int ProcAmpSettings::Value(ProcAmpProperty property, unsigned short input) const
{
    return m_values[static_cast<int>(property)][input];
}
