// The services of the system that decide when frames and sound move on: the
// play clock with its timer, and the wave output. Playback reaches them only
// through these interfaces, so a test can stand in for them and drive time
// and the sound device step by step.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace kvq {

// Wall-clock milliseconds and the owner window's play timer.
class PlayClock {
public:
    virtual ~PlayClock() = default;
    virtual DWORD Now() = 0;
    // The timer's handle, 0 on failure; starting the same id again replaces it.
    virtual UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT intervalMs) = 0;
    virtual void StopTimer(HWND window, UINT_PTR timer) = 0;
};

// The wave-output device, with the semantics of the winmm waveOut calls:
// Write clears WHDR_DONE, the device sets it again when it returns a buffer
// and then calls the callback with WOM_DONE; Reset returns every buffer.
class WaveOutput {
public:
    virtual ~WaveOutput() = default;
    virtual MMRESULT Open(HWAVEOUT* device, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance) = 0;
    // Makes the system's simple sound player let go of the device.
    virtual void StopSystemSound() = 0;
    virtual MMRESULT Close(HWAVEOUT device) = 0;
    virtual MMRESULT Prepare(HWAVEOUT device, WAVEHDR* header) = 0;
    virtual MMRESULT Unprepare(HWAVEOUT device, WAVEHDR* header) = 0;
    virtual MMRESULT Write(HWAVEOUT device, WAVEHDR* header) = 0;
    virtual MMRESULT Reset(HWAVEOUT device) = 0;
    virtual MMRESULT Pause(HWAVEOUT device) = 0;
    virtual MMRESULT Restart(HWAVEOUT device) = 0;
    virtual MMRESULT SetVolume(HWAVEOUT device, DWORD volume) = 0;
    virtual MMRESULT GetVolume(HWAVEOUT device, DWORD* volume) = 0;
};

PlayClock& CurrentPlayClock();
WaveOutput& CurrentWaveOutput();

// Puts stand-ins in place of the system's services; NULL restores the
// system's own. Only while no file is open.
void UsePlaybackPlatform(PlayClock* clock, WaveOutput* waveOutput);

}  // namespace kvq
