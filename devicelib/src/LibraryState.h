// Process-wide objects of the library that are not part of its exported
// interface.
#pragma once

#include <memory>

#include "orbile/CriticalSection.h"
#include "DirectUsbDevice.h"
#include "kvqcapturegraph.h"

namespace devicelib {

// Guards the device lists, the current-device switch and every command
// exchange (a command, an inquiry's set and get pair, a DirectShow write and
// read pair), so the device thread's status reads never split a UI command.
orbile::CriticalSection& LibraryLock();

// The direct USB device when it was found; it is then the only camera.
DirectUsbDevice* DirectUsb();
// A device put in place from outside (tests) stays its owner's.
void SetDirectUsb(DirectUsbDevice* device);
// Discovery's device, deleted by DestroyDirectUsb.
void AdoptDirectUsb(std::unique_ptr<DirectUsbDevice> device);
void DestroyDirectUsb();

// The capture graph of the DirectShow roads, made by the first discovery.
CaptureGraph* VideoGraph();
void SetVideoGraph(std::unique_ptr<CaptureGraph> graph);

typedef std::unique_ptr<CaptureGraph> (*CaptureGraphFactory)();
// Null restores the platform's graph (none off Windows).
void InstallCaptureGraphFactory(CaptureGraphFactory factory);
std::unique_ptr<CaptureGraph> CreateCaptureGraph();
std::unique_ptr<CaptureGraph> PlatformCaptureGraph();

// What the library needs of the system while controllers live: COM on the
// first controller's thread and the transform filter's registration, made
// by the first controller and undone by the last.
void StartPlatformServices();
void StopPlatformServices();

// Ends the direct-USB capture thread; it has ended when this returns.
void StopCaptureThread();

// The status block the direct USB device pushes when its status bytes change.
const unsigned kStatusBufferSize = 48;
unsigned char* DirectUsbStatusBuffer();
int OnDirectUsbStatus(unsigned char* buffer);

}  // namespace devicelib
