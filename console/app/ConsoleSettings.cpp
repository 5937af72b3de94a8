#include "ConsoleSettings.h"

#include "ConsoleText.h"

namespace {
const wchar_t kSection[] = L"Settings";

int ReadInt(CWinApp& app, const wchar_t* key, int defaultValue)
{
    return static_cast<int>(app.GetProfileInt(kSection, key, defaultValue));
}
}  // namespace

WindowPlace WindowPlace::Read(CWinApp& app)
{
    const WindowPlace defaults;
    WindowPlace place;
    place.x = ReadInt(app, L"XPos", defaults.x);
    place.y = ReadInt(app, L"YPos", defaults.y);
    place.width = ReadInt(app, L"Width", defaults.width);
    place.height = ReadInt(app, L"Height", defaults.height);
    return place;
}

void WindowPlace::Write(CWinApp& app) const
{
    app.WriteProfileInt(kSection, L"XPos", x);
    app.WriteProfileInt(kSection, L"YPos", y);
    app.WriteProfileInt(kSection, L"Width", width);
    app.WriteProfileInt(kSection, L"Height", height);
}

CaptureSettings CaptureSettings::Read(CWinApp& app)
{
    const CaptureSettings defaults;
    CaptureSettings settings;
    settings.savingPath = app.GetProfileString(kSection, L"SavingPathName", defaults.savingPath);
    settings.savingName = app.GetProfileString(kSection, L"SavingName", defaults.savingName);
    settings.captureMode = ReadInt(app, L"Capture", defaults.captureMode);
    settings.totalTimeIndex = ReadInt(app, L"TotalTime", defaults.totalTimeIndex);
    settings.intervalIndex = ReadInt(app, L"IntervalTime", defaults.intervalIndex);
    settings.shotsPerSeries = ShotsPerSeries(settings.totalTimeIndex, settings.intervalIndex);
    settings.showHints = ReadInt(app, L"ShowHint", 1) != 0;
    return settings;
}

void CaptureSettings::Write(CWinApp& app) const
{
    app.WriteProfileString(kSection, L"SavingPathName", savingPath);
    app.WriteProfileString(kSection, L"SavingName", savingName);
    app.WriteProfileInt(kSection, L"Capture", captureMode);
    app.WriteProfileInt(kSection, L"TotalTime", totalTimeIndex);
    app.WriteProfileInt(kSection, L"IntervalTime", intervalIndex);
    app.WriteProfileInt(kSection, L"ShowHint", showHints ? 1 : 0);
}
