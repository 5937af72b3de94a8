#include "kvqframe/App.h"
#include <cstdarg>
#include <cwchar>
#include <vector>

BOOL CString::LoadString(UINT id)
{
    // String resources live in blocks of sixteen; find the module holding the block.
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEW(id / 16 + 1), MAKEINTRESOURCEW(6) /* RT_STRING */);
    const wchar_t* text = nullptr;
    int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0) return FALSE;
    m_text.assign(text, length);
    return TRUE;
}

void CString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length < 0) {
        m_text.clear();
    } else {
        std::vector<wchar_t> buffer(length + 1);
        _vsnwprintf(buffer.data(), buffer.size(), format, args);
        m_text.assign(buffer.data(), length);
    }
    va_end(args);
}
