#include "BoundedText.h"

#include <cstring>

namespace setup {

bool CopyBounded(char* dst, size_t cap, const char* src)
{
    size_t length = std::strlen(src);
    if (length >= cap) return false;
    std::memcpy(dst, src, length + 1);
    return true;
}

bool AppendBounded(char* dst, size_t cap, const char* src)
{
    size_t used = std::strlen(dst);
    return used < cap && CopyBounded(dst + used, cap - used, src);
}

void StripQuotes(char* text)
{
    if (text[0] != '"') return;
    size_t length = std::strlen(text);
    size_t end = (length > 1 && text[length - 1] == '"') ? length - 1 : length;
    std::memmove(text, text + 1, end - 1);
    text[end - 1] = '\0';
}

}  // namespace setup
