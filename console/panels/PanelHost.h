#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ConsoleSettings.h"
#include "RemoteCamera.h"

class CWnd;
class KVQDocCamController;
namespace Telvane {
class Graphic;
}

// A viewed console's camera: the last state and capability it reported, and
// the way a camera command reaches it.
class IRemoteCamera {
public:
    virtual ~IRemoteCamera() = default;
    virtual const RemoteCameraState& State() const = 0;
    virtual const RemoteCapability& Capability() const = 0;
    // The viewed console's name as the server list shows it.
    virtual std::wstring ServerName() const = 0;
    // One command character with its first argument byte; nothing is awaited.
    virtual void SendCameraCommand(char code, unsigned char argument) = 0;
    // A finished drawing, in fractions of the viewed picture, for the viewed
    // console to draw; nothing is awaited.
    virtual void SendGraphic(const Telvane::Graphic& shape) = 0;
    // Clears the viewed console's drawing; nothing is awaited.
    virtual void SendEraseAll() = 0;
    // Set when a server was chosen; reading clears it.
    virtual bool TakeNewConnectionMark() = 0;
    // Asks for a still of the viewed camera and waits, bounded, for its
    // bytes (a picture file); false when none came.
    virtual bool RequestSnapshot(std::vector<uint8_t>& picture) = 0;
};

// What the panels use of the console around them: the main window in the
// program, a stand-in in the tests.
class IPanelHost {
public:
    virtual ~IPanelHost() = default;
    virtual KVQDocCamController* CurrentController() = 0;
    // The camera does not push its state with the frames: whoever changes
    // it reads it back.
    virtual bool IsStatusPolled() = 0;
    virtual HMODULE SkinLibrary() = 0;
    virtual void ShowOsd(int kind, int ticks) = 0;
    virtual int ShownOsd() = 0;
    virtual void RepaintPicture(bool erase) = 0;
    // Null unless the picture shown is a viewed console's.
    virtual IRemoteCamera* ShownRemoteCamera() = 0;
    // The motion mode chosen; alsoApplication when the camera runs in motion
    // mode, so that the application's start-up value follows.
    virtual void SetMotionFlag(int on, bool alsoApplication) = 0;
    // The main window's command handler.
    virtual BOOL OnMainCommand(unsigned short id) = 0;
    // A picture to record, snap or print: the local camera, or a viewed
    // console's pictures.
    virtual bool HasPictureSource() = 0;
    // The main window's picture and series settings; applying them also
    // writes them to the profile.
    virtual CaptureSettings CurrentCaptureSettings() = 0;
    virtual void ApplyCaptureSettings(const CaptureSettings& settings) = 0;
    // The camera shown can take large stills (2016 x 1520).
    virtual bool CanTakeLargeStills() = 0;
    // The camera runs in its adaptive motion mode: a recording writes every
    // frame twice at half the period.
    virtual bool IsAdaptiveMotion() = 0;
};
