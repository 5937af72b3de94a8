#pragma once

// The frame a film shows now: written by the playback worker as the player
// hands each frame on, drawn by the window the film plays into. Both sides
// take the picture's lock, so a frame is never drawn half copied.
#include <windows.h>

#include "FrameBuffer.h"
#include "orbile/CriticalSection.h"

class PlaybackPicture {
public:
    // A packed DIB: BITMAPINFOHEADER then 24-bit rows. FALSE for another format.
    BOOL ShowFrame(const BYTE* packedDib);
    // Draws the frame over the area keeping its proportions; FALSE when
    // there is none.
    BOOL DrawFrame(HDC dc, const RECT& area);
    void Clear();
    // A copy of the frame shown, for checks and stills.
    BOOL CopyTo(CFrameBuffer& target);

private:
    orbile::CriticalSection m_lock;
    CFrameBuffer m_frame;
};
