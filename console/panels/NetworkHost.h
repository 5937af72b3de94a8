#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Telvane {
class Graphic;
class MulticastImageProvider;
}  // namespace Telvane
class CFrameBuffer;
class IRemoteCamera;

// Where shapes and erasures that viewers send are drawn: the annotation
// panel's layer. Called on the UI thread.
class IRemoteAnnotations {
public:
    virtual ~IRemoteAnnotations() = default;
    virtual void DrawRemoteGraphic(const Telvane::Graphic& graphic) = 0;
    virtual void EraseAllAnnotations() = 0;
};

// What the network panel uses of the main window beyond IPanelHost: the
// picture it shares, the picture it shows while viewing another console, and
// the annotation layer viewers draw on.
class INetworkHost {
public:
    virtual ~INetworkHost() = default;

    // The live path pushes every picture through this provider while it is
    // set; replacing it waits for a push in progress.
    virtual void SetImageProvider(std::unique_ptr<Telvane::MulticastImageProvider> provider) = 0;

    // The current frame as a JPEG; false without a picture or when the
    // encoding failed.
    virtual bool EncodeCurrentFrame(std::vector<uint8_t>& jpeg, int quality) = 0;
    // Asks the camera for a large still (UI thread); false when it refused.
    virtual bool RequestLargeStill() = 0;
    // Waits at most timeoutMs for the asked still and hands it over as a
    // JPEG; ends the request whatever happens.
    virtual bool TakeLargeStill(std::vector<uint8_t>& jpeg, DWORD timeoutMs) = 0;

    // Viewing: remote is the viewed console (null: the local camera again).
    virtual void ShowRemoteCamera(IRemoteCamera* remote) = 0;
    // A viewed console's picture becomes the one shown and a recording in
    // progress takes it; intervalMs is the time since the picture before
    // (0: none to count). On the picture receiving thread.
    virtual void ShowRemotePicture(CFrameBuffer& picture, DWORD intervalMs) = 0;

    // Null while no annotation layer takes viewers' shapes.
    virtual IRemoteAnnotations* RemoteAnnotations() = 0;
    // A press of one of the camera panel's buttons, carried out as if the
    // user pressed it.
    virtual void PressCameraButton(unsigned short id) = 0;
};
