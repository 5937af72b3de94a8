#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "CameraPictureState.h"
#include "FrameBuffer.h"
#include "orbile/CriticalSection.h"

namespace Telvane {
class MulticastImageProvider;
}
class KVQDocCamController;
class LiveFramePath;

// What the live path needs of the window that shows it and of the panels that
// come later. Every call arrives on the camera's capture thread, so an
// implementation only reads flags, posts messages or invalidates; it never
// creates, shows or paints windows there.
class ILiveFrameHost {
public:
    virtual ~ILiveFrameHost() = default;

    // The main window shows the local camera (not a remote console's picture).
    virtual bool IsLocalCameraShown() = 0;
    // Asks the window to repaint (InvalidateRect is safe from any thread).
    virtual void RequestRepaint() = 0;
    // A large still has become the current frame. The window posts itself a
    // message and, on the UI thread, runs the snapshot command (single mode)
    // or the series shot (continuous mode) from the current frame, then
    // calls LiveFramePath::ReleaseLargeFrame. Until then (at most two
    // seconds) no newer frame replaces the still.
    virtual void PostLargeFrame(bool continuousMode) = 0;

    // Recorder: an AVI writer is open (software brightness and contrast are
    // left alone then, so the recording keeps the camera's own look).
    virtual bool IsAviWriterOpen() { return false; }
    // Recorder clock while the writer is open and recording; false otherwise.
    // framesSeen is the count the recorder raises with each RecordFrame.
    struct RecorderClock {
        DWORD startTick;
        DWORD framePeriod;
        DWORD framesSeen;
    };
    virtual bool GetRecorderClock(RecorderClock* clock)
    {
        (void)clock;
        return false;
    }
    // Hands the display frame (the new current frame, as the local camera is
    // shown) to the recorder once; called under the network-and-recording lock.
    virtual void RecordFrame(CFrameBuffer& displayFrame) { (void)displayFrame; }

    // Drawing layer: lays the annotations over a freshly decoded frame;
    // called under the display lock. The display frame's size is passed, as
    // reading that frame needs the frame lock.
    virtual void ComposeOverlay(CFrameBuffer& frame, const CameraPictureState& state, int displayWidth,
                                int displayHeight)
    {
        (void)frame;
        (void)state;
        (void)displayWidth;
        (void)displayHeight;
    }

    // Sharing: the image provider while the picture is shared, else null (then
    // nothing is pushed). Called under the network-and-recording lock.
    virtual Telvane::MulticastImageProvider* ImageProvider() { return nullptr; }
    virtual int SharingQuality() { return 75; }
    virtual void FillCameraStateHeader(unsigned char header[64]) { (void)header; }
    // A viewer's high-quality snapshot waits for the next large still.
    virtual void HandLargeFrameToWaiter(const CFrameBuffer& frame) { (void)frame; }
};

// The live state the main window and the camera's capture thread share: the
// two live buffers, the current and display frame pointers, the frozen store,
// the network pair, the three locks and the flags and statistics of the frame
// callback. The main window holds one by value; OnDeviceFrame routes each
// camera frame to the attached one.
class LiveFramePath {
public:
    enum CaptureMode { kSingleShot = 0, kContinuous = 1 };

    LiveFramePath();
    ~LiveFramePath();
    LiveFramePath(const LiveFramePath&) = delete;
    LiveFramePath& operator=(const LiveFramePath&) = delete;

    // Frames are handled only between Attach (once the window exists) and
    // Detach. Detach stops the current camera, then waits in 50 ms steps, at
    // most timeoutMs, until no frame is in progress; false when one still is.
    void Attach(ILiveFrameHost* host);
    bool Detach(DWORD timeoutMs = 3000);
    // Waits, without stopping anything, until no frame is in progress (F5 and
    // camera switches after their own Stop).
    bool WaitForFrameEnd(DWORD timeoutMs = 3000) const;

    // The frame callback itself (see OnDeviceFrame below).
    void HandleFrame(unsigned char* data, int width, int height, int length);
    // The UI thread has taken its shot of a posted large still.
    void ReleaseLargeFrame() { m_largeFrameHeld.store(0); }

    // Reading the pictures from the UI thread: hold a FrameAccess while drawing,
    // copying or saving the current or display frame.
    class FrameAccess {
    public:
        explicit FrameAccess(LiveFramePath& path) : m_path(path), m_guard(path.m_frameLock) {}
        CFrameBuffer* Current() const { return m_path.m_current; }
        CFrameBuffer* Display() const { return m_path.m_display; }

    private:
        LiveFramePath& m_path;
        orbile::Locked m_guard;
    };

    // The display frame is the current frame while the local camera is shown,
    // else a buffer the network panel fills; set under the frame lock.
    void SetDisplayFrame(CFrameBuffer* frame);

    orbile::CriticalSection& FrameLock() { return m_frameLock; }
    orbile::CriticalSection& DisplayLock() { return m_displayLock; }
    orbile::CriticalSection& NetworkLock() { return m_networkLock; }

    // Shares the current frame while the host has an image provider. Runs on
    // the capture thread, which alone moves the current frame, with the
    // network-and-recording lock held.
    void PushNetworkImage();

    bool IsInCallback() const { return m_inCallback.load() != 0; }
    int IncrementalUpdateResult() const { return m_incrementalUpdate.load(); }
    void ClearIncrementalUpdateResult() { m_incrementalUpdate.store(0); }
    long FrameCount() const { return m_frameCount.load(); }
    // Mean milliseconds per frame, three words the recorder averages.
    void GetFrameIntervals(DWORD intervals[3]) const;
    // While another console's pictures are shown the history is theirs: the
    // time between two of them enters it, the oldest of the three leaves.
    void ShiftInFrameInterval(DWORD intervalMs);
    DWORD LastPushTick() const { return m_lastPushTick.load(); }

    // Flags the UI thread sets and the callback reads.
    std::atomic<int> m_pause{0};
    std::atomic<int> m_restartStatistics{1};
    std::atomic<int> m_largeCapturePending{0};
    std::atomic<int> m_waitForLargeFrame{0};
    std::atomic<int> m_captureMode{kSingleShot};

    // Buffers the window owns with the path.
    CFrameBuffer m_bufferA;
    CFrameBuffer m_bufferB;
    CFrameBuffer m_frozen;
    CFrameBuffer m_network[2];

private:
    bool DropWhileHeld(DWORD now);
    bool FillTarget(ILiveFrameHost& host, CFrameBuffer& target, unsigned char* data, int width, int height, int length,
                    const CameraPictureState& state, bool frozen);
    void RestartStatisticsIfAsked(DWORD now);
    void NoteFrameInterval(DWORD now);
    void ComposeOverlay(ILiveFrameHost& host, CFrameBuffer& target, const CameraPictureState& state);
    void MakeCurrent(CFrameBuffer& target, bool localCameraShown);
    void FeedRecorder(ILiveFrameHost& host, CFrameBuffer& target, DWORD now);
    void DeliverLargeFrame(ILiveFrameHost& host, const CFrameBuffer& target);

    std::atomic<ILiveFrameHost*> m_host{nullptr};
    CFrameBuffer* m_current;  // written by the capture thread only, under the frame lock
    CFrameBuffer* m_display;

    // Taken one at a time, never nested, so the two threads cannot deadlock.
    orbile::CriticalSection m_frameLock;
    orbile::CriticalSection m_displayLock;
    orbile::CriticalSection m_networkLock;

    std::atomic<int> m_inCallback{0};
    std::atomic<int> m_detaching{0};
    std::atomic<int> m_incrementalUpdate{0};
    std::atomic<long> m_frameCount{0};
    std::atomic<DWORD> m_startTick{0};
    std::atomic<DWORD> m_frameInterval[3];
    std::atomic<DWORD> m_lastPushTick{0};
    std::atomic<int> m_largeFrameHeld{0};  // a still waits for the UI thread
    std::atomic<DWORD> m_largeFrameHeldSince{0};
    bool m_frozenBefore = false;               // capture thread only
    std::vector<unsigned char> m_networkJpeg;  // under the network-and-recording lock
};

// The frame callback to register with KVQDocCamController::SetCallbackFunction:
// hands each frame to the attached LiveFramePath, and drops it when none is.
void OnDeviceFrame(unsigned char* data, int width, int height, int length);
