// Stand-ins for the play clock and the wave output: time moves only when a
// test moves it, and the "device" hands buffers back only when a test says so.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <deque>
#include <mutex>
#include <set>
#include <vector>

#include "PlaybackPlatform.h"

class FakePlayClock final : public kvq::PlayClock {
public:
    struct Timer {
        HWND window = nullptr;
        UINT_PTR id = 0;
        UINT intervalMs = 0;
        bool running = false;
    };

    DWORD now = 1000;
    Timer timer;     // the timer started last
    int starts = 0;  // StartTimer calls

    void Advance(DWORD ms) { now += ms; }

    DWORD Now() override { return now; }
    UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT intervalMs) override;
    void StopTimer(HWND window, UINT_PTR timer) override;
};

class FakeWaveOutput final : public kvq::WaveOutput {
public:
    // One buffer handed to the device.
    struct Block {
        int header;       // index into KVQAviPlayer::waveHeader
        int firstSample;  // the fixture's sample value = its sample index
        DWORD bytes;
    };

    // Knobs, set before the file is opened.
    int failingOpens = 0;  // Open calls that fail before one succeeds
    int preparableHeaders = 16;

    // The device side: returns the oldest queued buffer as a real device
    // does (WHDR_DONE, then WOM_DONE). False when nothing is queued.
    bool ReturnOldest();
    // Waits (for the library's refill thread) until count writes were made.
    bool WaitForWrites(size_t count);

    // Observations, each read under the fake's lock.
    std::vector<Block> Writes()
    {
        return Locked([this] { return writes_; });
    }
    size_t Queued()
    {
        return Locked([this] { return queue_.size(); });
    }
    size_t Prepared()
    {
        return Locked([this] { return prepared_.size(); });
    }
    bool IsOpen()
    {
        return Locked([this] { return open_; });
    }
    int Opens()
    {
        return Locked([this] { return opens_; });
    }
    int Closes()
    {
        return Locked([this] { return closes_; });
    }
    int Resets()
    {
        return Locked([this] { return resets_; });
    }
    int SystemSoundStops()
    {
        return Locked([this] { return systemSoundStops_; });
    }
    // Calls a real device would refuse or that break its rules: writing a
    // queued or unprepared buffer, unpreparing a queued one, closing with
    // buffers queued, or any wave call from inside the callback.
    int Misuses()
    {
        return Locked([this] { return misuses_; });
    }

    MMRESULT Open(HWAVEOUT* device, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance) override;
    void StopSystemSound() override;
    MMRESULT Close(HWAVEOUT device) override;
    MMRESULT Prepare(HWAVEOUT device, WAVEHDR* header) override;
    MMRESULT Unprepare(HWAVEOUT device, WAVEHDR* header) override;
    MMRESULT Write(HWAVEOUT device, WAVEHDR* header) override;
    MMRESULT Reset(HWAVEOUT device) override;
    MMRESULT Pause(HWAVEOUT device) override;
    MMRESULT Restart(HWAVEOUT device) override;
    MMRESULT SetVolume(HWAVEOUT device, DWORD volume) override;
    MMRESULT GetVolume(HWAVEOUT device, DWORD* volume) override;

private:
    template <class Read>
    auto Locked(Read read) -> decltype(read())
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return read();
    }

    using Callback = void(CALLBACK*)(HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    // Calls the client back without holding the fake's lock, as the system
    // calls it from its own thread.
    void Notify(UINT message, WAVEHDR* header);
    bool IsDevice(HWAVEOUT device);
    // Counts a misuse; returns result for the caller to pass on.
    MMRESULT Misuse(MMRESULT result);
    // Counts a call made from inside the callback. Caller holds mutex_.
    void CheckNotInCallback();

    std::mutex mutex_;
    bool open_ = false;
    Callback callback_ = nullptr;
    DWORD_PTR instance_ = 0;
    DWORD volume_ = 0xFFFFFFFF;
    std::set<WAVEHDR*> prepared_;
    std::deque<WAVEHDR*> queue_;
    std::vector<Block> writes_;
    int opens_ = 0, closes_ = 0, resets_ = 0, systemSoundStops_ = 0, misuses_ = 0;
};
