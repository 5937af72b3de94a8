// Windows side of the codec's platform layer: Win32 files and the
// "USECPU" registry value read through entry points bound at run time.
#include <windows.h>

#include "CpuDispatch.h"
#include "Platform.h"

void* openCodecFile(const char* path, CodecFileAccess access)
{
    const DWORD desired = access == CODEC_FILE_READ_WRITE ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    const DWORD creation = access == CODEC_FILE_READ_WRITE ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE file = CreateFileA(path, desired, FILE_SHARE_READ, nullptr, creation, 0, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool closeCodecFile(void* file) { return CloseHandle(file) != 0; }

bool readCodecFile(void* file, void* buffer, int32_t count, int32_t* bytesRead)
{
    DWORD done = 0;
    const BOOL ok = ReadFile(file, buffer, static_cast<DWORD>(count), &done, nullptr);
    *bytesRead = static_cast<int32_t>(done);
    return ok != 0;
}

bool writeCodecFile(void* file, const void* buffer, int32_t count, int32_t* bytesWritten)
{
    DWORD done = 0;
    const BOOL ok = WriteFile(file, buffer, static_cast<DWORD>(count), &done, nullptr);
    *bytesWritten = static_cast<int32_t>(done);
    return ok != 0;
}

bool seekCodecFile(void* file, int32_t distance, CodecSeekOrigin origin)
{
    const DWORD method = origin == CODEC_SEEK_BEGIN ? FILE_BEGIN : FILE_CURRENT;
    return SetFilePointer(file, distance, nullptr, method) != INVALID_SET_FILE_POINTER;
}

bool tellCodecFile(void* file, int32_t* position)
{
    const DWORD at = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    *position = static_cast<int32_t>(at);
    return at != INVALID_SET_FILE_POINTER;
}

void bindRegistryEntryPoints(CpuDispatchTable* table)
{
    if (!table->advapi32Module) table->advapi32Module = LoadLibraryA("advapi32");
    HMODULE module = static_cast<HMODULE>(table->advapi32Module);
    if (!module) return;
    RegistryEntryFn* slots[] = {&table->regOpenKey, &table->regQueryValue, &table->regCloseKey};
    const char* names[] = {"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"};
    for (int i = 0; i < 3; ++i) {
        FARPROC entry = GetProcAddress(module, names[i]);
        if (!entry) return;
        *slots[i] = reinterpret_cast<RegistryEntryFn>(entry);
    }
}

void unbindRegistryEntryPoints(CpuDispatchTable* table)
{
    if (table->advapi32Module) {
        FreeLibrary(static_cast<HMODULE>(table->advapi32Module));
        table->advapi32Module = nullptr;
    }
    table->regOpenKey = nullptr;
    table->regQueryValue = nullptr;
    table->regCloseKey = nullptr;
}

int32_t queryCpuOverride(CpuDispatchTable* table)
{
    if (!table->regOpenKey || !table->regQueryValue || !table->regCloseKey) return CPU_NO_OVERRIDE;
    auto openKey = reinterpret_cast<decltype(&RegOpenKeyExA)>(table->regOpenKey);
    auto queryValue = reinterpret_cast<decltype(&RegQueryValueExA)>(table->regQueryValue);
    auto closeKey = reinterpret_cast<decltype(&RegCloseKey)>(table->regCloseKey);

    int32_t value = CPU_NO_OVERRIDE;
    HKEY key = nullptr;
    if (openKey(HKEY_LOCAL_MACHINE, "Software\\Vexmoor Corporation\\Marrowset\\Kestrunlib", 0, KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS) {
        DWORD type = REG_DWORD;
        DWORD size = sizeof(value);
        if (queryValue(key, "USECPU", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            size != sizeof(value))
            value = CPU_NO_OVERRIDE;
    }
    if (key) closeKey(key);
    return value;
}
