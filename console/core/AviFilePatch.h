#pragma once

// Mends a recording after the writer closed it. Both leave a file that does
// not have the layout they expect exactly as it was.
#include <windows.h>

// Writes the measured milliseconds per frame into the video stream header,
// so the file plays at the rate the camera delivered. FALSE: not changed.
BOOL CorrectAviFrameRate(const wchar_t* path, DWORD recordedMs, LONG frames);

// Mends what some AVIFile implementations write for a sound stream: its
// length in the header counted in blocks instead of samples, and an index
// grouped by stream instead of in the order of the chunks. Players read only
// the first block, or nothing, of such a file. FALSE: not changed.
BOOL MendAviSoundStreams(const wchar_t* path);

// A movie list preceded by an empty chunk is moved up to the first video
// chunk, the index entries before it dropped and the main header's frame
// count set from the index. FALSE: not changed.
BOOL RepairAviLayout(const wchar_t* path);
