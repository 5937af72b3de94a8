#include "DeviceEvent.h"

#include <string>

bool IsCameraDeviceEvent(const wchar_t* name, std::size_t maxChars)
{
    if (!name) return false;
    std::size_t length = 0;
    while (length < maxChars && name[length]) ++length;
    const std::wstring text(name, length);
    const auto holds = [&text](const wchar_t* part) { return text.find(part) != std::wstring::npos; };
    return (holds(L"ff0") || holds(L"FF0")) && !holds(L"ff06") && !holds(L"FF06");
}
