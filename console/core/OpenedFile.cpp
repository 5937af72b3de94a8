#include "OpenedFile.h"

#include <cwctype>
#include <initializer_list>

namespace {

bool SameLetters(const wchar_t* text, const wchar_t* lowerCase)
{
    for (; *text && *lowerCase; ++text, ++lowerCase)
        if (static_cast<wchar_t>(std::towlower(*text)) != *lowerCase) return false;
    return *text == *lowerCase;
}

}  // namespace

OpenedFileKind KindOfOpenedFile(const wchar_t* path)
{
    const wchar_t* extension = nullptr;
    for (const wchar_t* at = path; *at; ++at) {
        if (*at == L'.') extension = at + 1;
        if (*at == L'\\' || *at == L'/') extension = nullptr;
    }
    if (!extension) return OpenedFileKind::Other;
    for (const wchar_t* picture : {L"jpg", L"bmp", L"gif"})
        if (SameLetters(extension, picture)) return OpenedFileKind::Picture;
    return SameLetters(extension, L"avi") ? OpenedFileKind::Video : OpenedFileKind::Other;
}
