#pragma once

// The bitmap ids of the skin library orbileres.dll. res/make_orbileres.py
// reads its ids from this file, so a number changes here only. A button's
// images mostly stand four in a row from its first id: disabled, state,
// hover, face (FourImages); the video panel's hold the state image first
// (StateFirstImages). The video panel, save, tools and emblem images are not
// drawn: their buttons fall back to the control library's images.
enum SkinId : unsigned {
    // Backgrounds and faces.
    SKIN_PANEL_BACKGROUND = 649,
    SKIN_CAMERA_PANEL_FACE = 121,
    SKIN_ANNOTATION_PANEL_FACE = 122,
    SKIN_VIDEO_PANEL_FACE = 123,
    SKIN_BAR_FACE_FULL = 767,
    SKIN_BAR_FACE_ROWS = 768,
    SKIN_BAR_FACE_LINE_TOOLS = 910,
    SKIN_BAR_FACE_ERASER_TOOLS = 911,
    SKIN_BAR_COLLAPSED = 924,
    SKIN_BAR_GRIP = 914,

    // The full-screen exit button, one image per look.
    SKIN_EXIT_FACE = 155,
    SKIN_EXIT_HOVER = 156,
    SKIN_EXIT_DISABLED = 157,
    SKIN_EXIT_PRESSED = 158,

    // Control bar; the record button's state image is the stop button's face.
    SKIN_CAMERA_PANEL_BUTTON = 770,
    SKIN_RECORD_BUTTON = 774,
    SKIN_SNAPSHOT_BUTTON = 782,
    SKIN_OPEN_FILE_BUTTON = 786,
    SKIN_PRINT_BUTTON = 790,
    SKIN_SETTINGS_BUTTON = 794,
    SKIN_FREEHAND_BUTTON = 798,
    SKIN_LINE_BUTTON = 802,
    SKIN_RECTANGLE_BUTTON = 806,
    SKIN_ELLIPSE_BUTTON = 810,
    SKIN_TEXT_BUTTON = 814,
    SKIN_COPY_IMAGE_BUTTON = 818,
    SKIN_ERASER_BUTTON = 822,
    SKIN_NETWORK_PANEL_BUTTON = 894,
    SKIN_EXPAND_BAR_BUTTON = 915,
    SKIN_COLLAPSE_BAR_BUTTON = 919,

    // Camera panel; the colour mode's fifth image is its second state.
    SKIN_AUTO_FOCUS_BUTTON = 159,
    SKIN_ZOOM_IN_BUTTON = 163,
    SKIN_ZOOM_OUT_BUTTON = 167,
    SKIN_COLOUR_MODE_BUTTON = 171,
    SKIN_ZOOM_RESET_BUTTON = 176,
    SKIN_BRIGHTER_BUTTON = 826,
    SKIN_DARKER_BUTTON = 830,
    SKIN_AUTO_IMAGE_BUTTON = 834,
    SKIN_MOTION_BUTTON = 838,
    SKIN_FREEZE_BUTTON = 898,
    SKIN_ROTATE_BUTTON = 902,

    // The zoom-and-pan cross.
    SKIN_PAN_DOWN_BUTTON = 139,
    SKIN_PAN_LEFT_BUTTON = 143,
    SKIN_PAN_RIGHT_BUTTON = 147,
    SKIN_PAN_UP_BUTTON = 151,
    SKIN_PAN_CENTRE_DISABLED = 906,
    SKIN_PAN_CENTRE = 909,

    // Annotation panel. The widths and colours are sets in a row, one per
    // width or palette index; a transparency's fifth image is its second
    // state.
    SKIN_ERASE_ALL_BUTTON = 940,
    SKIN_FIRST_PEN_WIDTH_BUTTON = 944,
    SKIN_FIRST_LINE_COLOUR_BUTTON = 960,
    SKIN_FIRST_FILL_COLOUR_BUTTON = 992,
    SKIN_LINE_PAGE_FORWARD_BUTTON = 1024,
    SKIN_LINE_PAGE_BACK_BUTTON = 1028,
    SKIN_FILL_PAGE_FORWARD_BUTTON = 1032,
    SKIN_FILL_PAGE_BACK_BUTTON = 1036,
    SKIN_LINE_TRANSPARENCY_BUTTON = 1040,
    SKIN_FILL_TRANSPARENCY_BUTTON = 1045,
    SKIN_PEN_LABEL_BUTTON = 1050,
    // The buttons that carry words again, in German.
    SKIN_ERASE_ALL_BUTTON_GERMAN = 1100,
    SKIN_LINE_TRANSPARENCY_BUTTON_GERMAN = 1104,
    SKIN_FILL_TRANSPARENCY_BUTTON_GERMAN = 1109,
    SKIN_PEN_LABEL_BUTTON_GERMAN = 1114,

    // Picture window.
    SKIN_ANNOTATION_TOOLS_BUTTON = 105,
    SKIN_SAVE_AS_BUTTON = 234,
    SKIN_EMBLEM = 923,
    // The zone at the bottom that brings the video panel, and its face.
    SKIN_VIDEO_BAR = 769,
    SKIN_VIDEO_BAR_FACE = 913,

    // Video panel.
    SKIN_RECORD_AUDIO_BUTTON = 180,
    SKIN_NEXT_FRAME_BUTTON = 184,
    SKIN_PREVIOUS_FRAME_BUTTON = 188,
    SKIN_LIVE_VIEW_BUTTON = 192,
    SKIN_OPEN_VIDEO_BUTTON = 196,
    SKIN_PAUSE_BUTTON = 200,
    SKIN_PLAY_BUTTON = 204,
    SKIN_VIDEO_STOP_BUTTON = 208,
    SKIN_VIDEO_RECORD_BUTTON = 212,
    SKIN_RECORD_PAUSE_STATE = 216,
    SKIN_RECORD_PAUSE_DISABLED = 217,
    SKIN_RECORD_PAUSE_HOVER = 219,
    SKIN_RECORD_PAUSE_FACE = 221,
    SKIN_TIME_LIMIT_BUTTON = 230,
    SKIN_RECORD_QVGA_BUTTON = 303,
    SKIN_RECORD_VGA_BUTTON = 307,
    SKIN_RECORD_XGA_BUTTON = 311,
    SKIN_RECORD_ANNOTATION_BUTTON = 315,
    SKIN_RECORD_SVGA_BUTTON = 762,
};
