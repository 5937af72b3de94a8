#pragma once

// A recording of the live picture: the writer with its video stream at the
// chosen size, sound blocks from the wave input, pause, the time limit and
// the mends of the file once it is closed. Frames arrive on the camera's
// thread, sound on the wave-input thread, start and stop on the UI thread;
// all of them meet under the record lock, and the writer becomes visible
// to the other threads only once it is complete.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "AviWriter.h"
#include "FrameBuffer.h"
#include "RecordVideo.h"
#include "orbile/CriticalSection.h"

struct RecordOptions {
    RecordSize size = RecordSize::Native;
    // The camera runs in its motion mode: every frame is written twice at
    // half the period.
    bool doubleFrames = false;
    UINT timeLimitSeconds = 0;  // 0: no limit
    // Blocks of silence written before the first sound, when recording sound.
    int silenceBlocks = 0;
};

// Why frames are no longer taken.
enum class RecordEnd { Running, Failed, SizeChanged, TimeLimit };

// The milliseconds per frame of a recording from the live path's three mean
// frame intervals: their mean, made even; the writer's default without any.
UINT RecordFramePeriod(const DWORD intervals[3]);

class VideoRecorder {
public:
    static constexpr DWORD kSilenceBlockBytes = 4096;

    VideoRecorder();
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Creates the file with its video stream in the format of `picture`
    // (the frames to come) and, with `sound`, the sound stream's silence.
    HRESULT Start(const wchar_t* path, UINT framePeriod, const RecordOptions& options, const BITMAPINFOHEADER& picture,
                  const WAVEFORMATEX* sound);
    bool IsOpen() const { return m_open.load(); }
    const std::wstring& Path() const { return m_path; }

    // The slots of the frame clock that have passed (recorded time only)
    // and the frames taken so far; false while paused, ended or closed.
    bool GetClock(DWORD* startTick, DWORD* framePeriod, DWORD* framesSeen);
    // One frame of the live picture; anything but Running ends the taking
    // (the owner then stops the recording on its own thread).
    RecordEnd TakeFrame(CFrameBuffer& frame);
    // One block of recorded sound.
    void TakeSound(const BYTE* data, DWORD bytes);

    void SetPaused(bool paused);
    bool IsPaused() const { return m_paused.load(); }
    // Recorded seconds, paused time excluded.
    UINT RecordedSeconds() const { return m_shownSeconds.load(); }

    struct Closed {
        LONG frames = 0;
        DWORD recordedMs = 0;
        bool mended = false;  // the rate correction and layout checks ran
    };
    // Closes the file under the record lock, then corrects its frame rate
    // and mends its layout. Nothing when no recording is open.
    Closed Stop();

private:
    DWORD RecordedMsAt(DWORD now) const;
    HRESULT WriteFrame(CFrameBuffer& frame);

    orbile::CriticalSection m_recordLock;
    AviWriter* m_writer = nullptr;  // under the record lock
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_paused{false};
    std::atomic<UINT> m_shownSeconds{0};
    bool m_withSound = false;
    RecordOptions m_options;
    RecordVideo m_video{RecordSize::Native};
    std::vector<BYTE> m_codecState;
    std::wstring m_path;
    UINT m_framePeriod = 0;
    DWORD m_startTick = 0;   // at the start or the last resume
    DWORD m_recordedMs = 0;  // before the last pause
    DWORD m_framesTaken = 0;
    LONG m_width = 0;  // of the frames taken
};
