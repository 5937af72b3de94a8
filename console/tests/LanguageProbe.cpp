// Prints which language file the system language selects and one text from
// it, as UTF-8: "<matched> <file name> <text>".
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "LanguageText.h"

int main()
{
    const int matched = SelectLanguageFile(kLanguageFiles, kLanguageFileRows);
    const wchar_t* path = LanguageFilePath();
    const wchar_t* name = wcsrchr(path, L'\\');
    char text[512];
    WideCharToMultiByte(CP_UTF8, 0, ReadIniString(L"CNetworkPanel", L"staticUsbUnconnected", L"Usb unconnected"), -1,
                        text, sizeof text, nullptr, nullptr);
    char file[128];
    WideCharToMultiByte(CP_UTF8, 0, name ? name + 1 : path, -1, file, sizeof file, nullptr, nullptr);
    std::printf("%d %s %s\n", matched, file, text);
    return 0;
}
