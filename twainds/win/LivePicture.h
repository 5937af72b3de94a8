#pragma once
#include <windows.h>

#include <atomic>
#include <vector>

#include "FrameBuffer.h"
#include "PaintPacing.h"
#include "PixelPlane.h"
#include "orbile/CriticalSection.h"

class KVQDocCamController;

// The camera's live picture as the data source keeps it: two frame buffers,
// the front one drawn and transferred, the back one decoded into on the
// camera's thread and swapped to the front under the lock. A frame that
// cannot be decoded changes nothing.
class LivePicture {
public:
    LivePicture();
    LivePicture(const LivePicture&) = delete;
    LivePicture& operator=(const LivePicture&) = delete;

    // The camera thread's work for one frame. Returns true when the new
    // front picture is a high-resolution still (taller than 768 rows).
    bool HandleFrame(KVQDocCamController& camera, unsigned char* data, int width, int height, int length);

    // A copy of the front picture made under the lock, rows bottom-up.
    bool CopyFront(std::vector<unsigned char>& pixels, BgrPlane& plane);
    bool FrontSize(int& width, int& height);
    // Draws the front picture's visible part stretched into the rectangle,
    // keeping its aspect; the camera thread does not swap meanwhile.
    bool Draw(HDC target, const RECT& area);

    // The window that shows the picture in the area (none: no window); the
    // area is invalidated after a swap once the picture before was drawn.
    void SetWindow(HWND window, const RECT& area = {});
    // Pictures shown since the start, and whether a decode is running.
    long FramesShown() const { return m_framesShown.load(); }
    bool Decoding() const { return m_decoding.load(); }
    // Waits, at most timeoutMs, for a running decode to end.
    bool WaitForDecodeEnd(DWORD timeoutMs) const;
    void Reset();

private:
    CFrameBuffer m_buffers[2];
    CFrameBuffer* m_front;  // swapped under m_lock
    orbile::CriticalSection m_lock;
    std::atomic<bool> m_drawing{false};
    std::atomic<bool> m_decoding{false};
    std::atomic<long> m_framesShown{0};
    HWND m_window = nullptr;  // with m_area, under m_lock
    RECT m_area{};
    PaintPacing m_pacing;
};
