#pragma once

#include <cstddef>

// Whether a device arrival or removal concerns the document camera: its
// interface name holds "ff0" or "FF0" (the camera's USB ids), but not
// "ff06" or "FF06" (a device of the same family that is no camera). Only
// these two spellings count. The name is read up to its terminator or
// maxChars characters, whichever comes first.
bool IsCameraDeviceEvent(const wchar_t* name, std::size_t maxChars);
