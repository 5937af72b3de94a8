#include "ConsoleText.h"

#include <algorithm>
#include <cwchar>
#include <string>

const int kSeriesTotalSeconds[kSeriesTableRows] = {60,    120,   180,    300,    600,    1200,  1800,
                                                   2400,  3600,  4800,   6000,   7200,   10800, 21600,
                                                   43200, 86400, 129600, 172800, 216000, 259200};
const int kSeriesIntervalSeconds[kSeriesTableRows] = {5,   10,  15,   20,   30,   40,   50,   60,   120,   180,
                                                      300, 600, 1200, 1800, 2400, 3000, 3600, 7200, 10800, 21600};

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

int SeriesTotalSeconds(int index) { return kSeriesTotalSeconds[std::clamp(index, 0, kSeriesTableRows - 1)]; }

int SeriesIntervalSeconds(int index) { return kSeriesIntervalSeconds[std::clamp(index, 0, kSeriesTableRows - 1)]; }

int ShotsPerSeries(int totalIndex, int intervalIndex)
{
    return SeriesTotalSeconds(totalIndex) / SeriesIntervalSeconds(intervalIndex) + 1;
}

int IntervalLimitOnOpen(int totalIndex)
{
    const int total = SeriesTotalSeconds(totalIndex);
    int index = 0;
    while (index < kSeriesTableRows - 1 && kSeriesIntervalSeconds[index] < total) ++index;
    return index;
}

int IntervalLimitForTotal(int totalIndex)
{
    const int total = SeriesTotalSeconds(totalIndex);
    int index = 0;
    while (index < kSeriesTableRows - 1 && kSeriesIntervalSeconds[index + 1] <= total) ++index;
    return index;
}
