// kvqaviplay: plays a recorded AVI file into a window or a frame callback,
// with its sound through the wave output.
//
// The class layout, the method signatures and the public static members are
// the library's binary interface: programs link against them by name, so
// members are never reordered, added or removed here.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>

#if defined(KVQAVIPLAY_BUILD)
#define KVQAVIPLAY_API __declspec(dllexport)
#elif defined(KVQAVIPLAY_STATIC)
#define KVQAVIPLAY_API
#else
#define KVQAVIPLAY_API __declspec(dllimport)
#endif

class KVQAVIPLAY_API KVQAviPlayer {
public:
    // Option bits of SetOptions.
    enum : WORD {
        OptionLoop = 0x0001,         // wrap at either end instead of stopping
        OptionNoSound = 0x0002,      // Play does not start the sound
        OptionDrawToWindow = 0x0100  // draw each shown frame into the window
    };
    // The play timer's id; the owner forwards its ticks to OnTimerEvent.
    enum : UINT { PlayTimerId = 2260 };

    KVQAviPlayer();
    // A copy takes the options, the callback and the speed; never the file,
    // the streams or the timer, which stay owned by the source alone.
    KVQAviPlayer(const KVQAviPlayer& other);
    KVQAviPlayer& operator=(const KVQAviPlayer& other);
    virtual ~KVQAviPlayer();

    BOOL OpenFile(HWND window, const wchar_t* path);
    BOOL OpenFile(HWND window, const char* path);
    void Close();
    BOOL IsOpened();

    BOOL Play(float speed);
    void Stop();
    BOOL IsPlaying();
    BOOL IsBackward();
    void OnTimerEvent(UINT id);
    void ProceedCurrentFrame(BOOL advance);
    BYTE* Seek(UINT frame);

    UINT GetPos();
    UINT GetElapsedTime();
    DWORD Frames();
    DWORD TimeLength();
    DWORD FrameMilliseconds();
    float FrameRate();
    DWORD Width();
    DWORD Height();
    AVIFILEINFOA& FileInfo();
    AVISTREAMINFOA& VideoInfo();
    AVISTREAMINFOA& AudioInfo();

    void SetOptions(WORD options);
    WORD GetOptions();
    void SetCallback(void (*callback)(BYTE* frame));
    void SetVolume(int volume);
    int GetVolume();
    BOOL FillAudioBuffer();

    // The single sound device of the process, owned by one player at a time.
    static CRITICAL_SECTION waveCs;
    static WAVEHDR waveHeader[16];
    static BYTE audioBuffer[16][16384];
    static AVISTREAMINFOA audioInfo;
    static KVQAviPlayer* pWhoIsPlayingSound;
    static HWAVEOUT hWav;
    static PAVISTREAM audioStream;
    static LONG audioSamples;
    static LONG audioPos;
    static WAVEFORMATEX* pWaveFormat;
    static int preparedBuffers;
    static int writtenBuffers;
    static int nextFillBufferNo;
    static BOOL bAudioIsPlaying;

private:
    BOOL RetrieveStreams();
    BOOL PrepareAudioDevice();

    void (*callback)(BYTE* frame);
    WORD options;
    AVIFILEINFOA fileInfo;
    AVISTREAMINFOA videoInfo;
    PAVIFILE aviFile;
    PAVISTREAM videoStream;
    LONG videoLength;
    HWND hWnd;
    HDC hDC;
    UINT timerId;
    BITMAPINFOHEADER frameFormat;
    PGETFRAME getFrame;
    LONG currentPos;
    BYTE* currentFrame;
    int direction;
    LONG elapsedMs;
    DWORD lastTick;
    float speed;
};
