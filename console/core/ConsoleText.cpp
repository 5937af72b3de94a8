#include "ConsoleText.h"

#include <cwchar>
#include <string>

void FormatTimestamp(wchar_t* out, std::size_t size, const std::tm& time)
{
    if (size == 0) return;
    if (std::wcsftime(out, size, L"%Y-%b-%d_%a_%H-%M-%S", &time) == 0) out[0] = L'\0';
}

const wchar_t* TimestampString()
{
    // Snapshots are named on the UI thread and series shots on the capture
    // thread: each keeps its own buffer.
    thread_local wchar_t buffer[128];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    FormatTimestamp(buffer, 128, local);
    return buffer;
}

void ShortenPath(wchar_t (&out)[kShortPathLength + 1], const wchar_t* path)
{
    std::wstring shortened = path;
    if (shortened.size() >= kShortPathLength) {
        if (const wchar_t* last = std::wcsrchr(path, L'\\')) shortened = shortened.substr(0, 3) + L"..." + last;
        if (shortened.size() > kShortPathLength) shortened.replace(kShortPathLength - 3, std::wstring::npos, L"...");
    }
    std::wcscpy(out, shortened.c_str());
}
