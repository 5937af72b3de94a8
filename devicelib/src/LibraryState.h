// Process-wide objects of the library that are not part of its exported
// interface.
#pragma once

#include "CriticalSection.h"
#include "DirectUsbDevice.h"

namespace devicelib {

// Guards the device lists, the current-device switch and every command
// exchange (a command, an inquiry's set and get pair, a DirectShow write and
// read pair), so the device thread's status reads never split a UI command.
CriticalSection& LibraryLock();

// The direct USB device when it was found; it is then the only camera.
DirectUsbDevice* DirectUsb();
void SetDirectUsb(DirectUsbDevice* device);

// The status block the direct USB device pushes when its status bytes change.
const unsigned kStatusBufferSize = 48;
unsigned char* DirectUsbStatusBuffer();
int OnDirectUsbStatus(unsigned char* buffer);

}  // namespace devicelib
