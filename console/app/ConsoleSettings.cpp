#include "ConsoleSettings.h"

namespace {
const wchar_t kSection[] = L"Settings";

template <class Settings>
struct IntEntry {
    const wchar_t* key;
    int Settings::*value;
};

const IntEntry<WindowPlace> kPlaceEntries[] = {{L"XPos", &WindowPlace::x},
                                               {L"YPos", &WindowPlace::y},
                                               {L"Width", &WindowPlace::width},
                                               {L"Height", &WindowPlace::height}};

const IntEntry<CaptureSettings> kCaptureEntries[] = {{L"Capture", &CaptureSettings::captureMode},
                                                     {L"TotalTime", &CaptureSettings::totalTimeIndex},
                                                     {L"IntervalTime", &CaptureSettings::intervalIndex}};

// Missing values keep what the settings hold (their defaults).
template <class Settings, size_t N>
void ReadInts(CWinApp& app, const IntEntry<Settings> (&entries)[N], Settings& settings)
{
    for (const auto& entry : entries)
        settings.*entry.value = static_cast<int>(app.GetProfileInt(kSection, entry.key, settings.*entry.value));
}

template <class Settings, size_t N>
void WriteInts(CWinApp& app, const IntEntry<Settings> (&entries)[N], const Settings& settings)
{
    for (const auto& entry : entries) app.WriteProfileInt(kSection, entry.key, settings.*entry.value);
}
}  // namespace

WindowPlace WindowPlace::Read(CWinApp& app)
{
    WindowPlace place;
    ReadInts(app, kPlaceEntries, place);
    return place;
}

WindowPlace WindowPlace::FromWorkspace(const RECT& normal, POINT workOrigin)
{
    WindowPlace place;
    place.x = normal.left + workOrigin.x;
    place.y = normal.top + workOrigin.y;
    place.width = normal.right - normal.left;
    place.height = normal.bottom - normal.top;
    return place;
}

void WindowPlace::Write(CWinApp& app) const { WriteInts(app, kPlaceEntries, *this); }

CaptureSettings CaptureSettings::Read(CWinApp& app)
{
    CaptureSettings settings;
    settings.savingPath = app.GetProfileString(kSection, L"SavingPathName", settings.savingPath);
    settings.savingName = app.GetProfileString(kSection, L"SavingName", settings.savingName);
    ReadInts(app, kCaptureEntries, settings);
    settings.showHints = app.GetProfileInt(kSection, L"ShowHint", 1) != 0;
    return settings;
}

void CaptureSettings::Write(CWinApp& app) const
{
    app.WriteProfileString(kSection, L"SavingPathName", savingPath);
    app.WriteProfileString(kSection, L"SavingName", savingName);
    WriteInts(app, kCaptureEntries, *this);
    app.WriteProfileInt(kSection, L"ShowHint", showHints ? 1 : 0);
}
