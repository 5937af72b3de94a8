#pragma once
#include <windows.h>

// The data source's own module, which holds its dialog templates; the host
// application's resources come first in the framework's chain otherwise.
HMODULE SourceModule();
