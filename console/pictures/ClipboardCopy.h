#pragma once

#include <windows.h>

// Puts the area of source (a drawing context) on the clipboard as a
// device-independent bitmap (CF_DIB), owned by owner. The clipboard is
// emptied in any case, so an empty area leaves nothing offered. True when a
// picture went to the clipboard.
bool CopyAreaToClipboard(HWND owner, HDC source, const RECT& area);
