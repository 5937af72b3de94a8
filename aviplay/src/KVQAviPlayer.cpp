#include "kvqaviplay.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "AviFileChecks.h"
#include "PlayTiming.h"
#include "PlaybackLibrary.h"
#include "PlaybackPlatform.h"
#include "SoundRefillThread.h"
#include "orbile/CriticalSection.h"

// Programs built against the library allocate players themselves: the size
// of the 32-bit class is part of the binary interface.
static_assert(sizeof(void*) != 4 || sizeof(KVQAviPlayer) == 352, "KVQAviPlayer's layout changed");

CRITICAL_SECTION KVQAviPlayer::waveCs;
WAVEHDR KVQAviPlayer::waveHeader[16];
BYTE KVQAviPlayer::audioBuffer[16][16384];
AVISTREAMINFOA KVQAviPlayer::audioInfo;
KVQAviPlayer* KVQAviPlayer::pWhoIsPlayingSound;
HWAVEOUT KVQAviPlayer::hWav;
PAVISTREAM KVQAviPlayer::audioStream;
LONG KVQAviPlayer::audioSamples;
LONG KVQAviPlayer::audioPos;
WAVEFORMATEX* KVQAviPlayer::pWaveFormat;
int KVQAviPlayer::preparedBuffers;
int KVQAviPlayer::writtenBuffers;
int KVQAviPlayer::nextFillBufferNo;
BOOL KVQAviPlayer::bAudioIsPlaying;

namespace {

using Player = KVQAviPlayer;

constexpr int kHeaderCount = 16;
constexpr LONG kBlockBytes = 16384;
// Blocks kept with the device while sound plays.
constexpr int kBlocksInFlight = 2;

// Guards the sound queue (read position, buffer counts, the playing flag and
// every call that hands buffers to the device) between the owner's thread and
// the refill thread.
CRITICAL_SECTION soundQueueLock;
kvq::SoundRefillThread refillThread;

// Buffers the device holds: it sets WHDR_INQUEUE on write and clears it from
// its own thread when it hands the buffer back. The flags, not a count kept
// from callbacks, are the truth: a reset returns buffers whose callbacks
// arrive later, after new buffers may already be queued.
int CountQueuedBuffers()
{
    int queued = 0;
    for (int i = 0; i < Player::preparedBuffers; ++i) {
        auto flags = *static_cast<volatile DWORD*>(&Player::waveHeader[i].dwFlags);
        if (flags & WHDR_INQUEUE) ++queued;
    }
    return queued;
}

// Runs on the system's wave thread, where no wave function may be called.
void CALLBACK WaveOutProc(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR)
{
    if (message == WOM_DONE) refillThread.Wake();
}

// On the refill thread: tops the device up while sound plays.
void RefillOwnerSound()
{
    orbile::Locked lock(soundQueueLock);
    Player* owner = Player::pWhoIsPlayingSound;
    while (owner && Player::bAudioIsPlaying && CountQueuedBuffers() < kBlocksInFlight) {
        if (!owner->FillAudioBuffer()) Player::bAudioIsPlaying = FALSE;  // the sound ran out
    }
}

// Reads the head of the file for the checks the AVI reader does not make
// itself. A file that cannot be read here is left to the reader to refuse.
bool FileTimingIsUsable(const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    std::vector<uint8_t> head(kvq::kHeaderCheckBytes);
    DWORD read = 0;
    BOOL ok = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    CloseHandle(file);
    return !ok || kvq::StreamTimingIsUsable(head.data(), read);
}

// The frame at pos, or NULL when it does not decode. A file cut off while
// recording promises more frames than its index holds, and the AVI reader
// must not be asked to read those at all. An uncompressed frame whose stored
// bytes fall short of a whole picture was cut off too: the decoder would hand
// out the rest of its buffer as picture.
BYTE* FetchFrame(PGETFRAME getFrame, PAVISTREAM stream, LONG pos)
{
    if (AVIStreamFindSample(stream, pos, FIND_ANY | FIND_NEXT) != pos) return nullptr;
    BITMAPINFOHEADER format = {};
    LONG formatSize = sizeof format;
    if (AVIStreamReadFormat(stream, pos, &format, &formatSize) == AVIERR_OK && format.biCompression == BI_RGB) {
        LONG stored = AVIStreamFindSample(stream, pos, FIND_ANY | FIND_NEXT | FIND_LENGTH);
        if (stored < 0 || static_cast<uint64_t>(stored) <
                              kvq::UncompressedFrameBytes(format.biWidth, format.biHeight, format.biBitCount)) {
            return nullptr;
        }
    }
    return static_cast<BYTE*>(AVIStreamGetFrame(getFrame, pos));
}

// The sound sample that plays with a video frame. Caller holds the queue lock.
LONG SoundSampleAtFrame(PAVISTREAM videoStream, LONG frame)
{
    LONG sample = AVIStreamTimeToSample(Player::audioStream, AVIStreamSampleToTime(videoStream, frame));
    return sample == -1 ? AVIStreamStart(Player::audioStream) : sample;
}

// Drops what the device holds and starts the sound at audioPos with two
// blocks queued. Caller holds the queue lock.
void RestartSound(Player& owner)
{
    kvq::WaveOutput& wave = kvq::CurrentWaveOutput();
    wave.Reset(Player::hWav);
    Player::bAudioIsPlaying = owner.FillAudioBuffer();
    if (!Player::bAudioIsPlaying) return;
    owner.FillAudioBuffer();
    wave.Restart(Player::hWav);
}

// Caller holds the queue lock.
void SilenceSound()
{
    Player::bAudioIsPlaying = FALSE;
    kvq::CurrentWaveOutput().Reset(Player::hWav);
}

// Returns every buffer, unprepares the headers, closes the device and drops
// the sound stream, so that the next owner finds the device free. Caller
// holds waveCs.
void ReleaseSoundDevice()
{
    refillThread.Stop();
    orbile::Locked lock(soundQueueLock);
    Player::bAudioIsPlaying = FALSE;
    if (Player::hWav) {
        kvq::WaveOutput& wave = kvq::CurrentWaveOutput();
        wave.Reset(Player::hWav);
        for (int i = 0; i < Player::preparedBuffers; ++i) wave.Unprepare(Player::hWav, &Player::waveHeader[i]);
        wave.Close(Player::hWav);
        Player::hWav = nullptr;
    }
    Player::preparedBuffers = 0;
    Player::writtenBuffers = 0;
    Player::nextFillBufferNo = 0;
    free(Player::pWaveFormat);
    Player::pWaveFormat = nullptr;
    if (Player::audioStream) AVIStreamRelease(Player::audioStream);
    Player::audioStream = nullptr;
    Player::audioSamples = 0;
    Player::audioPos = 0;
    ZeroMemory(&Player::audioInfo, sizeof Player::audioInfo);
}

}  // namespace

namespace kvq {

void AttachPlaybackLibrary()
{
    InitializeCriticalSection(&KVQAviPlayer::waveCs);
    InitializeCriticalSection(&soundQueueLock);
    AVIFileInit();
}

void DetachPlaybackLibrary()
{
    AVIFileExit();
    DeleteCriticalSection(&soundQueueLock);
    DeleteCriticalSection(&KVQAviPlayer::waveCs);
}

}  // namespace kvq

KVQAviPlayer::KVQAviPlayer()
    : callback(nullptr),
      options(0),
      aviFile(nullptr),
      videoStream(nullptr),
      videoLength(0),
      hWnd(nullptr),
      hDC(nullptr),
      timerId(0),
      getFrame(nullptr),
      currentPos(0),
      currentFrame(nullptr),
      direction(1),
      elapsedMs(0),
      lastTick(0),
      speed(1.0f)
{
    ZeroMemory(&fileInfo, sizeof fileInfo);
    ZeroMemory(&videoInfo, sizeof videoInfo);
    ZeroMemory(&frameFormat, sizeof frameFormat);
    frameFormat.biSize = sizeof(BITMAPINFOHEADER);
    frameFormat.biPlanes = 1;
    frameFormat.biBitCount = 24;
    frameFormat.biCompression = BI_RGB;
    frameFormat.biXPelsPerMeter = 120;
    frameFormat.biYPelsPerMeter = 120;
}

KVQAviPlayer::KVQAviPlayer(const KVQAviPlayer& other) : KVQAviPlayer() { *this = other; }

KVQAviPlayer& KVQAviPlayer::operator=(const KVQAviPlayer& other)
{
    callback = other.callback;
    options = other.options;
    speed = other.speed;
    return *this;
}

KVQAviPlayer::~KVQAviPlayer()
{
    if (aviFile) Close();
}

BOOL KVQAviPlayer::OpenFile(HWND window, const char* path)
{
    if (!path) return OpenFile(window, static_cast<const wchar_t*>(nullptr));
    // The system's code page, as the AVIFile library's own ANSI entry uses.
    int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) return OpenFile(window, static_cast<const wchar_t*>(nullptr));
    std::wstring widePath(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &widePath[0], length);
    return OpenFile(window, widePath.c_str());
}

BOOL KVQAviPlayer::OpenFile(HWND window, const wchar_t* path)
{
    if (aviFile) Close();
    if (!window || !path) return FALSE;
    if (!FileTimingIsUsable(path)) return FALSE;
    hWnd = window;
    if (AVIFileOpenW(&aviFile, path, OF_READ, nullptr) != AVIERR_OK) {
        aviFile = nullptr;
        hWnd = nullptr;
        return FALSE;
    }
    if (!RetrieveStreams()) {
        hWnd = nullptr;
        return FALSE;
    }

    BOOL ownsSound;
    {
        orbile::Locked lock(waveCs);
        if (!pWhoIsPlayingSound) pWhoIsPlayingSound = this;
        ownsSound = pWhoIsPlayingSound == this;
    }
    if (ownsSound && !PrepareAudioDevice()) {
        // Without usable sound the file still plays, silently.
        orbile::Locked lock(waveCs);
        ReleaseSoundDevice();
        pWhoIsPlayingSound = nullptr;
    }

    if (options & OptionDrawToWindow) hDC = GetDC(hWnd);
    currentPos = 0;
    currentFrame = nullptr;
    return TRUE;
}

BOOL KVQAviPlayer::RetrieveStreams()
{
    auto fail = [this] {
        if (videoStream) AVIStreamRelease(videoStream);
        AVIFileRelease(aviFile);
        videoStream = nullptr;
        aviFile = nullptr;
        ZeroMemory(&fileInfo, sizeof fileInfo);
        ZeroMemory(&videoInfo, sizeof videoInfo);
        return FALSE;
    };
    AVIFileInfoA(aviFile, &fileInfo, sizeof fileInfo);
    if (AVIFileGetStream(aviFile, &videoStream, streamtypeVIDEO, 0) != AVIERR_OK) {
        videoStream = nullptr;
        return fail();
    }
    AVIStreamInfoA(videoStream, &videoInfo, sizeof videoInfo);
    videoLength = AVIStreamLength(videoStream);
    // Without a rate the stream has no timing to play by.
    if (videoInfo.dwRate == 0 || videoInfo.dwScale == 0 || videoLength <= 0) return fail();
    // The file header carries the timing of whichever stream comes first,
    // the sound's when sound is recorded first: frames follow the video.
    fileInfo.dwScale = videoInfo.dwScale;
    fileInfo.dwRate = videoInfo.dwRate;
    fileInfo.dwLength = static_cast<DWORD>(videoLength);

    frameFormat.biWidth = static_cast<LONG>(fileInfo.dwWidth);
    frameFormat.biHeight = static_cast<LONG>(fileInfo.dwHeight);
    getFrame = AVIStreamGetFrameOpen(videoStream, &frameFormat);
    if (!getFrame) return fail();
    return TRUE;
}

BOOL KVQAviPlayer::PrepareAudioDevice()
{
    ZeroMemory(&audioInfo, sizeof audioInfo);
    if (AVIFileGetStream(aviFile, &audioStream, streamtypeAUDIO, 0) != AVIERR_OK) {
        audioStream = nullptr;
        return FALSE;
    }
    audioSamples = AVIStreamLength(audioStream);
    AVIStreamInfoA(audioStream, &audioInfo, sizeof audioInfo);
    if (audioInfo.dwSampleSize < 1 || audioInfo.dwSampleSize > static_cast<DWORD>(kBlockBytes)) return FALSE;

    LONG formatSize = 0;
    AVIStreamReadFormat(audioStream, 0, nullptr, &formatSize);
    if (formatSize < static_cast<LONG>(sizeof(PCMWAVEFORMAT))) return FALSE;
    // At least a whole WAVEFORMATEX, zeroed, so that a short PCM block reads
    // as having no extra bytes.
    size_t blockSize =
        formatSize < static_cast<LONG>(sizeof(WAVEFORMATEX)) ? sizeof(WAVEFORMATEX) : static_cast<size_t>(formatSize);
    pWaveFormat = static_cast<WAVEFORMATEX*>(calloc(1, blockSize));
    if (!pWaveFormat || AVIStreamReadFormat(audioStream, 0, pWaveFormat, &formatSize) != AVIERR_OK) return FALSE;

    kvq::WaveOutput& wave = kvq::CurrentWaveOutput();
    auto open = [&] {
        return wave.Open(&hWav, pWaveFormat, reinterpret_cast<DWORD_PTR>(&WaveOutProc),
                         reinterpret_cast<DWORD_PTR>(this));
    };
    if (open() != MMSYSERR_NOERROR) {
        wave.StopSystemSound();
        if (open() != MMSYSERR_NOERROR) {
            hWav = nullptr;
            return FALSE;
        }
    }

    preparedBuffers = 0;
    for (int i = 0; i < kHeaderCount; ++i) {
        WAVEHDR& header = waveHeader[i];
        ZeroMemory(&header, sizeof header);
        header.lpData = reinterpret_cast<LPSTR>(audioBuffer[i]);
        header.dwBufferLength = kBlockBytes;
        header.dwFlags = WHDR_DONE;
        if (wave.Prepare(hWav, &header) != MMSYSERR_NOERROR) break;
        ++preparedBuffers;
    }
    if (preparedBuffers < kBlocksInFlight) return FALSE;

    audioPos = AVIStreamStart(audioStream);
    writtenBuffers = 0;
    nextFillBufferNo = 0;
    return refillThread.Start(&RefillOwnerSound);
}

void KVQAviPlayer::Close()
{
    if (timerId) kvq::CurrentPlayClock().StopTimer(hWnd, timerId);
    timerId = 0;
    if (hDC) ReleaseDC(hWnd, hDC);
    hDC = nullptr;

    if (aviFile) {
        if (getFrame) AVIStreamGetFrameClose(getFrame);
        AVIStreamRelease(videoStream);
        {
            orbile::Locked lock(waveCs);
            if (pWhoIsPlayingSound == this) {
                ReleaseSoundDevice();
                pWhoIsPlayingSound = nullptr;
            }
        }
        AVIFileRelease(aviFile);
    }
    aviFile = nullptr;
    videoStream = nullptr;
    getFrame = nullptr;
    currentFrame = nullptr;
    videoLength = 0;
    currentPos = 0;
    elapsedMs = 0;
    ZeroMemory(&fileInfo, sizeof fileInfo);
    ZeroMemory(&videoInfo, sizeof videoInfo);
    hWnd = nullptr;
}

BOOL KVQAviPlayer::IsOpened() { return aviFile != nullptr; }

BOOL KVQAviPlayer::Play(float newSpeed)
{
    if (!videoStream || newSpeed == 0.0f || newSpeed != newSpeed) return FALSE;
    currentFrame = FetchFrame(getFrame, videoStream, currentPos);
    if (!currentFrame) return FALSE;

    UINT interval = kvq::PlayTimerIntervalMs(fileInfo.dwScale, fileInfo.dwRate, newSpeed);
    direction = newSpeed < 0 ? -1 : 1;
    if (!(options & OptionLoop)) {
        if (direction < 0 && currentPos <= 0) return FALSE;
        if (direction > 0 && currentPos >= videoLength - 1) return FALSE;
    }

    kvq::PlayClock& clock = kvq::CurrentPlayClock();
    elapsedMs = AVIStreamSampleToTime(videoStream, currentPos);
    lastTick = clock.Now();
    speed = newSpeed;
    timerId = static_cast<UINT>(clock.StartTimer(hWnd, PlayTimerId, interval));
    if (!timerId) return FALSE;

    // Sound plays only at normal speed; faster or slower play is silent.
    if (pWhoIsPlayingSound == this && speed == 1.0f) {
        orbile::Locked lock(soundQueueLock);
        audioPos = SoundSampleAtFrame(videoStream, currentPos);
        if (!(options & OptionNoSound)) RestartSound(*this);
    }
    ProceedCurrentFrame(TRUE);
    return TRUE;
}

void KVQAviPlayer::Stop()
{
    if (timerId) kvq::CurrentPlayClock().StopTimer(hWnd, timerId);
    timerId = 0;
    if (pWhoIsPlayingSound == this) {
        orbile::Locked lock(soundQueueLock);
        SilenceSound();
    }
}

BOOL KVQAviPlayer::IsPlaying() { return timerId != 0; }

BOOL KVQAviPlayer::IsBackward() { return direction < 0; }

void KVQAviPlayer::OnTimerEvent(UINT id)
{
    if (aviFile && id == PlayTimerId) ProceedCurrentFrame(TRUE);
}

void KVQAviPlayer::ProceedCurrentFrame(BOOL advance)
{
    if (currentFrame) {
        if (callback) callback(currentFrame);
        if (hDC && (options & OptionDrawToWindow)) {
            auto* header = reinterpret_cast<BITMAPINFOHEADER*>(currentFrame);
            RECT client;
            GetClientRect(hWnd, &client);
            SetStretchBltMode(hDC, HALFTONE);
            StretchDIBits(hDC, client.left, client.top, client.right, client.bottom, 0, 0, header->biWidth,
                          header->biHeight, currentFrame + header->biSize, reinterpret_cast<BITMAPINFO*>(header),
                          DIB_RGB_COLORS, SRCCOPY);
            ValidateRect(hWnd, nullptr);
        }
    }
    if (!advance) return;

    // The position follows the wall clock, so late ticks skip frames rather
    // than slow the film down.
    DWORD now = kvq::CurrentPlayClock().Now();
    elapsedMs = kvq::AdvancePlayClock(elapsedMs, now - lastTick, speed);
    lastTick = now;
    currentPos = AVIStreamTimeToSample(videoStream, elapsedMs);

    BOOL ownsSound = pWhoIsPlayingSound == this;
    if (currentPos < 0) {
        currentPos = videoLength - 1;
        elapsedMs = AVIStreamSampleToTime(videoStream, currentPos);
        if (!(options & OptionLoop)) {
            Stop();
            if (callback) callback(nullptr);
            return;
        }
    } else if (currentPos >= videoLength) {
        currentPos = 0;
        elapsedMs = 0;
        if (!(options & OptionLoop)) {
            Stop();
            if (ownsSound) {
                orbile::Locked lock(soundQueueLock);
                audioPos = AVIStreamStart(audioStream);
            }
            if (callback) callback(nullptr);
            return;
        }
        if (ownsSound) {
            orbile::Locked lock(soundQueueLock);
            if (bAudioIsPlaying) {
                audioPos = SoundSampleAtFrame(videoStream, 0);
                RestartSound(*this);
            }
        }
    }
    currentFrame = FetchFrame(getFrame, videoStream, currentPos);
}

BYTE* KVQAviPlayer::Seek(UINT frame)
{
    if (!videoStream || fileInfo.dwLength == 0) return nullptr;
    currentPos = static_cast<LONG>(frame % fileInfo.dwLength);
    elapsedMs = AVIStreamSampleToTime(videoStream, currentPos);
    currentFrame = FetchFrame(getFrame, videoStream, currentPos);
    if (!currentFrame) return nullptr;
    ProceedCurrentFrame(FALSE);
    if (pWhoIsPlayingSound == this) {
        orbile::Locked lock(soundQueueLock);
        audioPos = SoundSampleAtFrame(videoStream, currentPos);
    }
    return currentFrame;
}

UINT KVQAviPlayer::GetPos() { return static_cast<UINT>(currentPos); }

UINT KVQAviPlayer::GetElapsedTime()
{
    return videoStream ? static_cast<UINT>(AVIStreamSampleToTime(videoStream, currentPos)) : 0;
}

DWORD KVQAviPlayer::Frames() { return fileInfo.dwLength; }

DWORD KVQAviPlayer::TimeLength() { return kvq::LengthInSeconds(fileInfo.dwLength, fileInfo.dwScale, fileInfo.dwRate); }

DWORD KVQAviPlayer::FrameMilliseconds() { return kvq::FrameIntervalMs(fileInfo.dwScale, fileInfo.dwRate); }

float KVQAviPlayer::FrameRate() { return kvq::FramesPerSecond(fileInfo.dwScale, fileInfo.dwRate); }

DWORD KVQAviPlayer::Width() { return fileInfo.dwWidth; }

DWORD KVQAviPlayer::Height() { return fileInfo.dwHeight; }

AVIFILEINFOA& KVQAviPlayer::FileInfo() { return fileInfo; }

AVISTREAMINFOA& KVQAviPlayer::VideoInfo() { return videoInfo; }

AVISTREAMINFOA& KVQAviPlayer::AudioInfo() { return audioInfo; }

void KVQAviPlayer::SetOptions(WORD newOptions) { options = newOptions; }

WORD KVQAviPlayer::GetOptions() { return options; }

void KVQAviPlayer::SetCallback(void (*newCallback)(BYTE*)) { callback = newCallback; }

void KVQAviPlayer::SetVolume(int volume)
{
    if (!hWav) return;
    DWORD level = static_cast<DWORD>(volume < 0 ? 0 : volume > 0xFFFF ? 0xFFFF : volume);
    kvq::CurrentWaveOutput().SetVolume(hWav, level << 16 | level);
}

int KVQAviPlayer::GetVolume()
{
    DWORD volume = 0;
    if (!hWav || kvq::CurrentWaveOutput().GetVolume(hWav, &volume) != MMSYSERR_NOERROR) return 0;
    WORD left = LOWORD(volume), right = HIWORD(volume);
    return left > right ? left : right;
}

BOOL KVQAviPlayer::FillAudioBuffer()
{
    orbile::Locked lock(soundQueueLock);
    if (pWhoIsPlayingSound != this || !hWav || !audioStream) return FALSE;
    writtenBuffers = CountQueuedBuffers();
    if (writtenBuffers >= preparedBuffers) return TRUE;

    LONG start = AVIStreamStart(audioStream);
    LONG end = start + AVIStreamLength(audioStream);
    LONG remaining = end - audioPos;
    if (remaining <= 0) return FALSE;
    LONG blockSamples = kBlockBytes / static_cast<LONG>(audioInfo.dwSampleSize);
    LONG count = remaining < blockSamples ? remaining : blockSamples;

    WAVEHDR& header = waveHeader[nextFillBufferNo];
    LONG bytesRead = 0, samplesRead = 0;
    BOOL queued = FALSE;
    if (AVIStreamRead(audioStream, audioPos, count, header.lpData, kBlockBytes, &bytesRead, &samplesRead) ==
            AVIERR_OK &&
        samplesRead > 0) {
        header.dwBufferLength = static_cast<DWORD>(bytesRead);
        kvq::CurrentWaveOutput().Write(hWav, &header);
        ++writtenBuffers;
        nextFillBufferNo = (nextFillBufferNo + 1) % preparedBuffers;
        queued = TRUE;
    } else {
        samplesRead = 0;
    }
    audioPos += samplesRead;
    if (audioPos >= end && (options & OptionLoop)) audioPos = start;
    return queued;
}
