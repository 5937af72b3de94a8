#include "FixtureFiles.h"

#include <windows.h>

namespace {

std::wstring FixtureFolder()
{
    wchar_t module[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"fixtures\\";
}

}  // namespace

std::wstring FixturePath(const wchar_t* name) { return FixtureFolder() + name; }

std::string FixturePathA(const char* name)
{
    std::wstring folder = FixtureFolder();
    return std::string(folder.begin(), folder.end()) + name;  // the build path is ASCII
}
