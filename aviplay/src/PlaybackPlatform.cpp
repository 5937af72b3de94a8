#include "PlaybackPlatform.h"

namespace kvq {

namespace {

class SystemPlayClock final : public PlayClock {
public:
    DWORD Now() override { return GetTickCount(); }
    UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT intervalMs) override
    {
        return SetTimer(window, id, intervalMs, nullptr);
    }
    void StopTimer(HWND window, UINT_PTR timer) override { KillTimer(window, timer); }
};

class SystemWaveOutput final : public WaveOutput {
public:
    MMRESULT Open(HWAVEOUT* device, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance) override
    {
        return waveOutOpen(device, WAVE_MAPPER, format, callback, instance, CALLBACK_FUNCTION);
    }
    void StopSystemSound() override { sndPlaySoundA(nullptr, 0); }
    MMRESULT Close(HWAVEOUT device) override { return waveOutClose(device); }
    MMRESULT Prepare(HWAVEOUT device, WAVEHDR* header) override
    {
        return waveOutPrepareHeader(device, header, sizeof(WAVEHDR));
    }
    MMRESULT Unprepare(HWAVEOUT device, WAVEHDR* header) override
    {
        return waveOutUnprepareHeader(device, header, sizeof(WAVEHDR));
    }
    MMRESULT Write(HWAVEOUT device, WAVEHDR* header) override { return waveOutWrite(device, header, sizeof(WAVEHDR)); }
    MMRESULT Reset(HWAVEOUT device) override { return waveOutReset(device); }
    MMRESULT Pause(HWAVEOUT device) override { return waveOutPause(device); }
    MMRESULT Restart(HWAVEOUT device) override { return waveOutRestart(device); }
    MMRESULT SetVolume(HWAVEOUT device, DWORD volume) override { return waveOutSetVolume(device, volume); }
    MMRESULT GetVolume(HWAVEOUT device, DWORD* volume) override { return waveOutGetVolume(device, volume); }
};

SystemPlayClock systemClock;
SystemWaveOutput systemWaveOutput;
PlayClock* clockInUse = &systemClock;
WaveOutput* waveOutputInUse = &systemWaveOutput;

}  // namespace

PlayClock& CurrentPlayClock() { return *clockInUse; }
WaveOutput& CurrentWaveOutput() { return *waveOutputInUse; }

void UsePlaybackPlatform(PlayClock* clock, WaveOutput* waveOutput)
{
    clockInUse = clock ? clock : &systemClock;
    waveOutputInUse = waveOutput ? waveOutput : &systemWaveOutput;
}

}  // namespace kvq
