#pragma once

// Sound from the system's wave input, in blocks of a fixed size. The device
// signals an event when a block is full and a thread of our own takes it: the
// driver's callback thread must not call wave functions, and the block's
// consumer takes locks that the recorder's other threads hold.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <functional>

class WaveCapture {
public:
    static constexpr DWORD kBlockBytes = 4096;
    // Called on the capture thread with each recorded block while taking.
    using BlockSink = std::function<void(const BYTE* data, DWORD bytes)>;

    explicit WaveCapture(BlockSink sink);
    ~WaveCapture();
    WaveCapture(const WaveCapture&) = delete;
    WaveCapture& operator=(const WaveCapture&) = delete;

    // Opens the wave mapper with the format unless open, and starts taking
    // sound. The result of the failing call; MMSYSERR_NOERROR once running.
    MMRESULT Start(const WAVEFORMATEX& format);
    // Stops taking sound; the device stays open with its blocks queued, so
    // the next Start only restarts it.
    void Stop();
    void Close();
    bool IsOpen() const { return m_device != nullptr; }

    // The text shown when the device cannot be opened.
    static const wchar_t* OpenErrorText(MMRESULT result);

private:
    static DWORD WINAPI Run(void* self);
    void TakeBlocks();

    BlockSink m_sink;
    HWAVEIN m_device = nullptr;
    HANDLE m_blockDone = nullptr;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_ending{false};
    std::atomic<bool> m_taking{false};
    WAVEHDR m_headers[2] = {};
    int m_next = 0;  // the block the device returns next
    BYTE m_blocks[2][kBlockBytes] = {};
};
