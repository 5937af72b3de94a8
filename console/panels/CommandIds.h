#pragma once

// The console's command ids: what a press of a control bar, panel or strip
// button, a key or a viewer's command reports to its handler. Each id names
// one command; controls that only shape or decorate report ids of their own.
enum CommandId : unsigned short {
    ID_CAMERA_PANEL = 59652,
    ID_ANNOTATION_PANEL = 59653,
    ID_VIDEO_PANEL = 59654,
    ID_OPEN_FILE = 59655,
    ID_LEAVE_FULLSCREEN = 59656,
    ID_NETWORK_PANEL = 59657,
    ID_SNAPSHOT = 59658,
    ID_START_RECORDING = 59659,
    ID_STOP_RECORDING = 59660,
    ID_PRINT = 59661,
    ID_PAN_UP = 59664,
    ID_PAN_DOWN = 59665,
    ID_PAN_LEFT = 59666,
    ID_PAN_RIGHT = 59667,

    // Camera panel.
    ID_AUTO_FOCUS = 59680,
    ID_ZOOM_IN = 59681,
    ID_ZOOM_OUT = 59682,
    ID_ZOOM_RESET = 59683,
    ID_FREEZE = 59684,
    ID_ROTATE = 59685,
    ID_MIRROR = 59686,
    ID_COLOUR_MODE = 59687,
    ID_EXPOSURE = 59688,
    ID_WHITE_BALANCE = 59689,
    ID_BRIGHTNESS = 59690,
    ID_ZOOM_METER = 59691,
    ID_AUTO_IMAGE = 59889,
    ID_MOTION = 59890,
    ID_BRIGHTNESS_UP = 59893,
    ID_BRIGHTNESS_DOWN = 59894,

    // Drawing tools of the bar.
    ID_FREEHAND = 59696,
    ID_ELLIPSE = 59697,
    ID_TEXT = 59698,
    ID_LINE = 59699,
    ID_RECTANGLE = 59700,
    ID_ERASER = 59701,
    ID_ERASE_ALL = 59702,
    ID_COPY_IMAGE = 59891,
    ID_SETTINGS = 59892,
    ID_EXPAND_BAR = 59897,
    ID_COLLAPSE_BAR = 59898,

    // Annotation panel: the rows of widths, line colours and fill colours
    // (two pages of four), their page switches and transparency buttons.
    ID_LINE_TRANSPARENCY = 59808,
    ID_WIDTH_LABEL = 59809,
    ID_FILL_TRANSPARENCY = 59811,
    ID_WIDTH_FIRST = 59840,
    ID_LINE_COLOUR_FIRST = 59856,
    ID_FILL_COLOUR_FIRST = 59872,
    ID_LINE_PAGE = 59895,
    ID_FILL_PAGE = 59896,

    // The bar's five region templates: never shown, never pressed; ids of
    // their own so that none answers for the eraser.
    ID_BAR_TEMPLATE_FIRST = 59900,

    // The network panel's sharing button and controllable switch, apart from
    // the camera panel's colour, exposure and white-balance commands that
    // viewers send.
    ID_SHARING = 59910,
    ID_REMOTE_CONTROL_ON = 59911,
    ID_REMOTE_CONTROL_OFF = 59912,
};
