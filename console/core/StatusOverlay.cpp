#include "StatusOverlay.h"

namespace {
bool BlinkShown(uint32_t tick) { return tick % 1000 < 600; }

std::wstring TwoDigits(unsigned value) { return std::to_wstring(value / 10) + static_cast<wchar_t>(L'0' + value % 10); }
}  // namespace

std::vector<StatusOverlayItem> LayOutStatusTexts(const StatusOverlayState& state, const PixelRect& client)
{
    std::vector<StatusOverlayItem> items;
    const PixelRect& c = client;
    // A capture series' notice takes the place of the recording one, a little
    // further right.
    if (BlinkShown(state.tick)) {
        if (state.seriesRunning)
            items.push_back({StatusText::Capturing, {c.right - 200, c.top + 2, c.right, c.top + 40}});
        else if (state.recording)
            items.push_back({StatusText::Recording, {c.right - 250, c.top + 2, c.right, c.top + 40}});
    }
    // The clock runs steadily beside the blinking notice.
    if (state.recording) items.push_back({StatusText::RecordingTime, {c.right - 100, c.top + 3, c.right, c.top + 23}});
    if (state.remoteShown)
        items.push_back({StatusText::ServerName, {10, 5, 800, 32}});
    else if (state.sharing && BlinkShown(state.tick))
        items.push_back({StatusText::Sharing, {20, c.bottom - 30, 300, c.bottom}});
    return items;
}

std::wstring FormatRecordingTime(unsigned seconds)
{
    return TwoDigits(seconds / 3600) + L':' + TwoDigits(seconds / 60 % 60) + L':' + TwoDigits(seconds % 60);
}
