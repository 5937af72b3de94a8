#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PixelPlane.h"

// The texts the main window writes over the picture besides the transient
// OSD text: the recording notice and clock, the capture series notice, the
// sharing notice and the name of the console being viewed. Notices blink:
// they show for the first 600 ms of each second.
struct StatusOverlayState {
    bool recording = false;
    unsigned recordedSeconds = 0;
    bool seriesRunning = false;
    bool sharing = false;
    bool remoteShown = false;  // another console's picture is shown
    uint32_t tick = 0;         // milliseconds, as GetTickCount counts them
};

enum class StatusText { Recording, RecordingTime, Capturing, Sharing, ServerName };

struct StatusOverlayItem {
    StatusText text;
    PixelRect box;
};

// What is drawn where over the client rectangle, in drawing order.
std::vector<StatusOverlayItem> LayOutStatusTexts(const StatusOverlayState& state, const PixelRect& client);

// Hours, minutes and seconds of two digits each ("00:01:05"); hours beyond
// 99 keep all their digits.
std::wstring FormatRecordingTime(unsigned seconds);
