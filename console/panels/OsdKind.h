#pragma once

// The transient text over the picture, bottom right, shown for a number of
// 50 ms ticks; the main window draws it, the panels ask for it.
enum OsdKind {
    OSD_NONE = 0,
    OSD_BRIGHTNESS = 1,
    OSD_FROZEN = 3,
    OSD_PLAYBACK_SPEED = 4,  // the video panel's speed label; cleared by the next controls refresh
    OSD_ZOOM = 5,
    OSD_ROTATION = 6,
    OSD_ADJUSTING_TO_SVGA = 7,
    OSD_ADJUSTING_TO_XGA = 8,
    OSD_ZOOM_RESET = 9,
};
