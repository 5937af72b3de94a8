#pragma once

#include <kvqaviplay.h>

#include <atomic>
#include <string>
#include <vector>

#include "BasePanel.h"
#include "LiveFramePath.h"
#include "PanelHost.h"
#include "PlaybackPicture.h"
#include "VideoRecorder.h"
#include "WaveCapture.h"

struct SkinButtonRow;

// The window a film plays into: it draws the video panel's Picture() while
// the panel is out of live mode.
class IPlaybackTarget {
public:
    virtual ~IPlaybackTarget() = default;
    // A new frame is in the picture; called from any thread.
    virtual void RepaintFilm() = 0;
    // The panel left live mode (a film is open) or came back to it; UI thread.
    virtual void ShowFilm(bool shown) = 0;
};

// Speed of play by the wheel's position, and its label.
int SpeedIndexOfWheel(int position);
float SpeedOfIndex(int index);
const wchar_t* SpeedLabel(int index);
// The title a file is listed under: its name without the extension.
std::wstring FileTitleOf(const std::wstring& path);

// The recording and playback panel. Records the live picture (with sound
// from the wave input when chosen) and plays AVI files into the playback
// target with play, pause, stop, single steps, seek, volume, speed from -4x
// to 4x and a list of the files opened or recorded since the start. A worker
// thread of its own ticks the player at the file's frame interval.
class CVideoPanel : public CBasePanel2 {
public:
    enum Control {
        XGA,
        SVGA,
        VGA,
        QVGA,
        AUDIO,
        ANNOTATION,
        TIME_LIMIT,
        RECORD,
        STOP,
        PLAY,
        PAUSE,
        RECORD_PAUSE,
        NEXT,
        PREVIOUS,
        OPEN,
        LIVE_VIEW,
        BUTTON_COUNT
    };
    static constexpr int kSpeedWheelStart = 60;  // 1x
    static constexpr int kPauseSpeedIndex = 4;

    CVideoPanel(IPanelHost& host, LiveFramePath& live, IPlaybackTarget& target);
    ~CVideoPanel() override;

    void CreateControls(int) override;
    BOOL OnButtonEvent(unsigned short id) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnDeviceSetup(KVQDocCamController* controller) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Playback. path null: the open dialog asks. OpenAndPlay also starts play.
    BOOL OpenPlayback(const wchar_t* path);
    BOOL OpenAndPlay(const wchar_t* path);
    void SetLiveMode(BOOL live);
    BOOL IsLiveMode() const { return m_liveMode; }
    bool IsPlaying();
    // Stops play and closes the file (the main window going).
    void ClosePlayer();
    // Stops play where it is, the file staying open (its window closing).
    void StopPlaying();
    PlaybackPicture& Picture() { return m_picture; }
    const std::wstring& FileTitle() const { return m_fileTitle; }
    struct HistoryEntry {
        std::wstring title;
        std::wstring path;
    };
    const std::vector<HistoryEntry>& History() const { return m_history; }
    // Plays the history's entry (the list's selection).
    BOOL OpenHistoryEntry(int index);
    UINT PlayPosition();
    // The label of the speed in use ("   1X", "PAUSE"), the main window's
    // on-screen text while the speed is announced.
    const wchar_t* SpeedLabelInUse() const { return SpeedLabel(m_speedIndex); }

    // Recording. path null: the save dialog asks.
    BOOL StartRecording(const wchar_t* path);
    void StopRecording();
    // Full-size recording (the camera's own picture size) is offered only
    // while the camera is out of its motion mode; taking it away moves the
    // choice to 800 x 600.
    void AllowFullSize(bool allow);
    bool IsRecording() const { return m_recorder.IsOpen(); }
    // The recording options in the profile's "Settings" and the silence
    // count in the machine's registry, as CreateControls reads them back.
    void SaveRecordSettings(CWinApp& app);
    int SilenceBlocks() const { return m_silenceBlocks; }
    // Seconds for the main window's clock: recorded while recording, else
    // the play position.
    UINT DisplaySeconds() const { return m_displaySeconds.load(); }

    // The live path's recorder feed (capture thread, under the
    // network-and-recording lock).
    bool GetRecorderClock(ILiveFrameHost::RecorderClock* clock);
    void RecordFrame(CFrameBuffer& frame);

    KVQButton& Button(Control control) { return m_buttons[control]; }
    KVQSlider& ProgressSlider() { return m_progress; }
    KVQSlider& VolumeSlider() { return m_volume; }
    KVQWheel& SpeedWheel() { return m_speedWheel; }
    HWND HistoryList() const { return m_historyList.m_hWnd; }
    HWND TimeLimitList() const { return m_timeLimitList.m_hWnd; }
    KVQAviPlayer& Player() { return m_player; }

private:
    static const SkinButtonRow kButtons[BUTTON_COUNT];
    struct WorkerStart;

    static void OnAviPlaybackFrame(BYTE* frame);
    static DWORD WINAPI PlaybackWorker(void* start);
    // Out of pause at the speed wheel's setting; true once it plays.
    bool PlayAtWheelSpeed();
    BOOL StartPlay(float speed);
    void StartWorker();
    void EndWorkers();
    void OnPlayEnded();
    void OnSpeedChange();
    BOOL ResumeAt(UINT position, float speed);
    BOOL TogglePause();
    void StepFrame(bool forward);
    void OnRecordEnded(RecordEnd end);
    void ShowRecordingControls(bool recording);
    void StartSound();
    RecordOptions ChosenOptions() const;
    void LoadRecordSettings();
    std::wstring SilenceValueName();
    void SelectHistory(int index);
    void AddHistory(const std::wstring& title, const std::wstring& path);
    void ChooseSize(Control size);
    void Show(Control control, bool show);
    void Enable(CWnd& control, bool enable);
    bool Checked(Control control) const { return m_buttons[control].GetCheckState() != 0; }

    IPanelHost& m_host;
    LiveFramePath& m_live;
    IPlaybackTarget& m_target;
    KVQAviPlayer m_player;
    orbile::CriticalSection m_playerLock;
    PlaybackPicture m_picture;
    KVQButton m_buttons[BUTTON_COUNT];
    KVQSlider m_progress;
    KVQSlider m_volume;
    KVQWheel m_speedWheel;
    CWnd m_historyList;
    CWnd m_timeLimitList;
    HFONT m_font = nullptr;
    CToolTipCtrl m_tips[BUTTON_COUNT + 4];

    BOOL m_liveMode = TRUE;
    std::wstring m_fileTitle;
    std::vector<HistoryEntry> m_history;
    int m_speedIndex = 6;
    bool m_resumeAfterPause = false;
    UINT m_playInterval = 40;
    std::atomic<unsigned> m_workerGeneration{0};
    std::vector<HANDLE> m_workers;
    std::atomic<UINT> m_shownPosition{0};
    std::atomic<bool> m_positionPosted{false};
    std::atomic<UINT> m_displaySeconds{0};

    VideoRecorder m_recorder;
    WaveCapture m_waveIn;
    WAVEFORMATEX m_waveFormat;
    int m_silenceBlocks = 3;
};
