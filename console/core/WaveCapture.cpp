#include "WaveCapture.h"

#include <utility>

namespace {
// The capture thread looks for returned blocks at least this often, so that
// Close never waits long for it.
const DWORD kPollMs = 100;
const DWORD kThreadEndLimitMs = 3000;
}  // namespace

WaveCapture::WaveCapture(BlockSink sink) : m_sink(std::move(sink)) {}

WaveCapture::~WaveCapture() { Close(); }

const wchar_t* WaveCapture::OpenErrorText(MMRESULT result)
{
    switch (result) {
    case MMSYSERR_ALLOCATED:
        return L"MMSYSERR_ALLOCATED";
    case MMSYSERR_BADDEVICEID:
        return L"MMSYSERR_BADDEVICEID";
    case MMSYSERR_NODRIVER:
        return L"MMSYSERR_NODRIVER";
    case MMSYSERR_NOMEM:
        return L"MMSYSERR_NOMEM";
    case WAVERR_BADFORMAT:
        return L"WAVERR_BADFORMAT";
    default:
        return L"Can not initialize the wave mapper!";
    }
}

MMRESULT WaveCapture::Start(const WAVEFORMATEX& format)
{
    if (!m_device) {
        m_blockDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!m_blockDone) return MMSYSERR_NOMEM;
        WAVEFORMATEX wanted = format;
        const MMRESULT opened =
            waveInOpen(&m_device, WAVE_MAPPER, &wanted, reinterpret_cast<DWORD_PTR>(m_blockDone), 0, CALLBACK_EVENT);
        if (opened != MMSYSERR_NOERROR) {
            m_device = nullptr;
            CloseHandle(m_blockDone);
            m_blockDone = nullptr;
            return opened;
        }
        m_next = 0;
        for (int i = 0; i < 2; ++i) {
            WAVEHDR& header = m_headers[i];
            header = WAVEHDR{};
            header.lpData = reinterpret_cast<LPSTR>(m_blocks[i]);
            header.dwBufferLength = kBlockBytes;
            header.dwLoops = 1;
            waveInPrepareHeader(m_device, &header, sizeof header);
            waveInAddBuffer(m_device, &header, sizeof header);
        }
        m_ending = false;
        m_thread = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
        if (!m_thread) {
            Close();
            return MMSYSERR_NOMEM;
        }
    }
    m_taking = true;
    return waveInStart(m_device);
}

void WaveCapture::Stop()
{
    m_taking = false;
    if (m_device) waveInStop(m_device);
}

void WaveCapture::Close()
{
    m_taking = false;
    if (m_thread) {
        m_ending = true;
        SetEvent(m_blockDone);
        if (WaitForSingleObject(m_thread, kThreadEndLimitMs) != WAIT_OBJECT_0) {
            // The consumer hangs: its blocks and event must outlive it.
            CloseHandle(m_thread);
            m_thread = nullptr;
            m_device = nullptr;
            m_blockDone = nullptr;
            return;
        }
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_device) {
        waveInReset(m_device);
        for (WAVEHDR& header : m_headers) waveInUnprepareHeader(m_device, &header, sizeof header);
        waveInClose(m_device);
        m_device = nullptr;
    }
    if (m_blockDone) CloseHandle(m_blockDone);
    m_blockDone = nullptr;
}

DWORD WINAPI WaveCapture::Run(void* self)
{
    auto* capture = static_cast<WaveCapture*>(self);
    while (!capture->m_ending) {
        WaitForSingleObject(capture->m_blockDone, kPollMs);
        capture->TakeBlocks();
    }
    return 0;
}

// Blocks come back in the order they were queued; each goes back to the
// device once handed on (a stopped device keeps them queued).
void WaveCapture::TakeBlocks()
{
    while (!m_ending) {
        WAVEHDR& header = m_headers[m_next];
        if (!(*static_cast<volatile DWORD*>(&header.dwFlags) & WHDR_DONE)) return;
        if (m_taking && header.dwBytesRecorded) m_sink(m_blocks[m_next], header.dwBytesRecorded);
        header.dwBytesRecorded = 0;
        waveInAddBuffer(m_device, &header, sizeof header);
        m_next ^= 1;
    }
}
