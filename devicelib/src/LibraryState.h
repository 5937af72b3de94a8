// Process-wide objects of the library that are not part of its exported
// interface.
#pragma once

#include <memory>

#include "orbile/CriticalSection.h"
#include "DirectUsbDevice.h"
#include "kvqcapturegraph.h"

namespace devicelib {

// Serialises what starts, stops or rebuilds streaming: discovery, attaching,
// the current-device switch, capture start and stop, and the last
// controller's teardown. Stopping waits for a frame callback to return, so
// no frame callback may wait for this lock: what would take it is refused
// inside a frame callback.
orbile::CriticalSection& StreamLock();

// Guards the device lists, the current controller, the status the streaming
// thread writes into it, a controller's reply buffer and each DirectShow
// command exchange (a write and read pair). It is never held while waiting
// for another thread, so a frame callback may send commands at any time.
orbile::CriticalSection& LibraryLock();

// The kernel-streaming road's set and get pairs: the minidriver keeps one
// inquiry word per camera. Held only around the device requests.
orbile::CriticalSection& KsExchangeLock();

// Marks the calling thread as running the client's frame callback.
class FrameCallbackScope {
public:
    FrameCallbackScope();
    ~FrameCallbackScope();
    FrameCallbackScope(const FrameCallbackScope&) = delete;
    FrameCallbackScope& operator=(const FrameCallbackScope&) = delete;
};
bool InFrameCallback();

// The direct USB device when it was found; it is then the only camera.
DirectUsbDevice* DirectUsb();
// Discovery's device, deleted by DestroyDirectUsb.
void AdoptDirectUsb(std::unique_ptr<DirectUsbDevice> device);
void DestroyDirectUsb();

// The capture graph of the DirectShow roads, made by the first discovery.
CaptureGraph* VideoGraph();
void SetVideoGraph(std::unique_ptr<CaptureGraph> graph);

std::unique_ptr<CaptureGraph> CreateCaptureGraph();
std::unique_ptr<CaptureGraph> PlatformCaptureGraph();

// What the library needs of the system while controllers live: COM on the
// first controller's thread and the transform filter's registration, made
// by the first controller and undone by the last.
void StartPlatformServices();
void StopPlatformServices();

// Ends the frames of both roads (the capture graph's and the direct-USB
// capture thread's); no frame callback runs when this returns.
void StopStreaming();

// The status block the direct USB device pushes when its status bytes change.
const unsigned kStatusBufferSize = 48;
unsigned char* DirectUsbStatusBuffer();
int OnDirectUsbStatus(unsigned char* buffer);

}  // namespace devicelib
