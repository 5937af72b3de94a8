#include "SetupLog.h"

#include <fcntl.h>
#include <io.h>

#include <cstdarg>

namespace setup {

void SetupLog::Open(const char* tempDir, const char* baseName)
{
    int length = std::snprintf(path_, sizeof path_, "%s%s%lX.log", tempDir, baseName, GetCurrentProcessId());
    if (length < 0 || static_cast<size_t>(length) >= sizeof path_) {
        path_[0] = '\0';
        return;
    }
    HANDLE handle = CreateFileA(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    SetStdHandle(STD_OUTPUT_HANDLE, handle);
    SetStdHandle(STD_ERROR_HANDLE, handle);
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
    file_ = descriptor == -1 ? nullptr : _fdopen(descriptor, "w");
    if (!file_) {
        if (descriptor != -1)
            _close(descriptor);
        else
            CloseHandle(handle);
        return;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    Printf("=== Logging started: %d/%d/%d %2d:%02d:%02d ===\n", now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute,
           now.wSecond);
}

void SetupLog::Printf(const char* format, ...)
{
    if (!file_) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
}

void SetupLog::Flush()
{
    if (file_) std::fflush(file_);
}

void SetupLog::CloseAndDelete()
{
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    SetStdHandle(STD_ERROR_HANDLE, nullptr);
    DeleteFileA(path_);
}

}  // namespace setup
