#pragma once

#include <windows.h>

#include <type_traits>

// Picture files are opened without sharing. Reading needs an existing file;
// writing replaces any file whole, so that a shorter picture saved over a
// longer file keeps none of the old file's tail.
template <typename Char>
HANDLE OpenPictureFile(const Char* path, bool write)
{
    const DWORD access = write ? GENERIC_WRITE : GENERIC_READ;
    const DWORD disposition = write ? CREATE_ALWAYS : OPEN_EXISTING;
    if constexpr (std::is_same_v<Char, wchar_t>)
        return CreateFileW(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    else
        return CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs use(file) on an opened file and closes it; FALSE when it did not open.
template <typename Use>
BOOL UseFile(HANDLE file, Use use)
{
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const BOOL result = use(file);
    CloseHandle(file);
    return result;
}

inline BOOL WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}
