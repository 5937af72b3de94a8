#pragma once
// The layout of the camera panel and the bitmaps of orbileTWAINres.dll that
// make it: the face (per title language, ids 121 to 671; 121 stands for
// every language it lacks), and one bitmap
// per button. res/make_twainres.sh draws them to these measures.

constexpr int kPanelWidth = 820;
constexpr int kPanelHeight = 560;
constexpr int kPanelPictureLeft = 10;
constexpr int kPanelPictureTop = 32;
constexpr int kPanelPictureWidth = 640;
constexpr int kPanelPictureHeight = 480;
constexpr int kPanelButtonTop = 522;
// Beside the picture: the brightness wheel (137 x 137) over the vertical zoom
// slider (10 x 173), in the control library's images.
constexpr int kPanelWheelLeft = 666;
constexpr int kPanelWheelTop = 40;
constexpr int kPanelZoomLeft = 729;
constexpr int kPanelZoomTop = 200;

struct PanelButton {
    unsigned short command;
    unsigned short bitmap;
    int x;
};

// Commands as in DocCamPanel.h; bitmaps 3001 and up, 50 x 26 each.
constexpr PanelButton kPanelButtons[] = {
    {0xEA00, 3001, 6},   {0xE920, 3002, 60},  {0xE921, 3003, 114}, {0xE922, 3004, 168}, {0xE924, 3005, 222},
    {0xE925, 3006, 276}, {0xE926, 3007, 330}, {0xE927, 3008, 384}, {0xE928, 3009, 438}, {0xE929, 3010, 492},
    {0xEA02, 3011, 546}, {0xEA01, 3012, 600}, {0xEA03, 3013, 710},
};
