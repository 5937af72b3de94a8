#include "FakePlatform.h"

#include <kvqaviplay.h>

#include "testsupport/PollUntil.h"

namespace {
const HWAVEOUT kDevice = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0x5A5A));
thread_local bool insideCallback = false;
}  // namespace

UINT_PTR FakePlayClock::StartTimer(HWND window, UINT_PTR id, UINT intervalMs)
{
    timer = {window, id, intervalMs, true};
    ++starts;
    return id;
}

void FakePlayClock::StopTimer(HWND, UINT_PTR) { timer.running = false; }

bool FakeWaveOutput::IsDevice(HWAVEOUT device)
{
    CheckNotInCallback();
    return open_ && device == kDevice;
}

MMRESULT FakeWaveOutput::Misuse(MMRESULT result)
{
    ++misuses_;
    return result;
}

void FakeWaveOutput::CheckNotInCallback()
{
    if (insideCallback) ++misuses_;
}

void FakeWaveOutput::Notify(UINT message, WAVEHDR* header)
{
    if (!callback_) return;
    insideCallback = true;
    callback_(kDevice, message, instance_, reinterpret_cast<DWORD_PTR>(header), 0);
    insideCallback = false;
}

MMRESULT FakeWaveOutput::Open(HWAVEOUT* device, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance)
{
    std::lock_guard<std::mutex> lock(mutex_);
    CheckNotInCallback();
    if (open_) return MMSYSERR_ALLOCATED;
    if (failingOpens > 0) {
        --failingOpens;
        return MMSYSERR_ALLOCATED;
    }
    if (!format || format->wFormatTag != WAVE_FORMAT_PCM) return WAVERR_BADFORMAT;
    open_ = true;
    ++opens_;
    callback_ = reinterpret_cast<Callback>(callback);
    instance_ = instance;
    *device = kDevice;
    return MMSYSERR_NOERROR;
}

void FakeWaveOutput::StopSystemSound()
{
    std::lock_guard<std::mutex> lock(mutex_);
    CheckNotInCallback();
    ++systemSoundStops_;
}

MMRESULT FakeWaveOutput::Close(HWAVEOUT device)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!IsDevice(device)) return MMSYSERR_INVALHANDLE;
        if (!queue_.empty()) return Misuse(WAVERR_STILLPLAYING);
        open_ = false;
        ++closes_;
    }
    Notify(WOM_CLOSE, nullptr);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOutput::Prepare(HWAVEOUT device, WAVEHDR* header)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsDevice(device)) return MMSYSERR_INVALHANDLE;
    if (static_cast<int>(prepared_.size()) >= preparableHeaders) return MMSYSERR_NOMEM;
    header->dwFlags |= WHDR_PREPARED;
    prepared_.insert(header);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOutput::Unprepare(HWAVEOUT device, WAVEHDR* header)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsDevice(device)) return MMSYSERR_INVALHANDLE;
    if (header->dwFlags & WHDR_INQUEUE) return Misuse(WAVERR_STILLPLAYING);
    header->dwFlags &= ~WHDR_PREPARED;
    prepared_.erase(header);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOutput::Write(HWAVEOUT device, WAVEHDR* header)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsDevice(device)) return MMSYSERR_INVALHANDLE;
    if (!(header->dwFlags & WHDR_PREPARED)) return Misuse(WAVERR_UNPREPARED);
    if (header->dwFlags & WHDR_INQUEUE) return Misuse(WAVERR_STILLPLAYING);
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    queue_.push_back(header);
    int index = static_cast<int>(header - KVQAviPlayer::waveHeader);
    writes_.push_back({index, *reinterpret_cast<const short*>(header->lpData), header->dwBufferLength});
    return MMSYSERR_NOERROR;
}

bool FakeWaveOutput::ReturnOldest()
{
    WAVEHDR* header;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) return false;
        header = queue_.front();
        queue_.pop_front();
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    }
    Notify(WOM_DONE, header);
    return true;
}

MMRESULT FakeWaveOutput::Reset(HWAVEOUT device)
{
    std::deque<WAVEHDR*> returned;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!IsDevice(device)) return MMSYSERR_INVALHANDLE;
        ++resets_;
        returned.swap(queue_);
        for (WAVEHDR* header : returned) header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    }
    for (WAVEHDR* header : returned) Notify(WOM_DONE, header);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOutput::Pause(HWAVEOUT device)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return IsDevice(device) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT FakeWaveOutput::Restart(HWAVEOUT device)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return IsDevice(device) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT FakeWaveOutput::SetVolume(HWAVEOUT device, DWORD volume)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsDevice(device)) return MMSYSERR_INVALHANDLE;
    volume_ = volume;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOutput::GetVolume(HWAVEOUT device, DWORD* volume)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsDevice(device)) return MMSYSERR_INVALHANDLE;
    *volume = volume_;
    return MMSYSERR_NOERROR;
}

bool FakeWaveOutput::WaitForWrites(size_t count)
{
    // The refill thread runs on its own; give it time, but never forever.
    return testsupport::PollUntil(5000, [&] { return Writes().size() >= count; });
}
