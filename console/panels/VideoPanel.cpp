#include "VideoPanel.h"

#include <commdlg.h>
#include <kvqdoccam.h>
#include <kvqfeatures.h>

#include <memory>

#include "CommandIds.h"
#include "ConsoleText.h"
#include "LanguageText.h"
#include "OsdKind.h"
#include "SkinButton.h"
#include "StopRecordDialog.h"

namespace {
const wchar_t kSection[] = L"CVideoPanel";

enum VideoCommand : unsigned short {
    ID_RECORD_XGA = 59712,
    ID_RECORD_VGA = 59713,
    ID_RECORD_QVGA = 59714,
    ID_RECORD_ANNOTATION = 59715,
    ID_RECORD_AUDIO = 59716,
    ID_RECORD_TIME_LIMIT = 59717,
    ID_PLAY = 59718,
    ID_PAUSE = 59719,
    ID_RECORD_PAUSE = 59720,
    ID_NEXT_FRAME = 59721,
    ID_PREVIOUS_FRAME = 59722,
    ID_OPEN_VIDEO = 59723,
    ID_LIVE_VIEW = 59724,
    ID_PLAY_PROGRESS = 59725,
    ID_PLAY_VOLUME = 59726,
    ID_SPEED_WHEEL = 59728,
    ID_HISTORY_LIST = 59729,
    ID_TIME_LIMIT_LIST = 59730,
    ID_RECORD_SVGA = 59731,
};

// Posted to the panel: from the worker as frames are shown and when play
// has ended, from the capture thread when a recording must end.
const UINT WM_PLAYBACK_POSITION = WM_APP + 40;
const UINT WM_PLAYBACK_ENDED = WM_APP + 41;
const UINT WM_RECORDING_ENDED = WM_APP + 42;

const int kOsdTicks = 60;
const DWORD kWorkerTickMs = 10;
const DWORD kWorkerEndLimitMs = 2000;
const int kMaxVolume = 65535;

const UINT kTimeLimits[] = {1200, 1800, 2400, 3000, 3600, 5400, 7200};
const wchar_t* const kTimeLimitTexts[] = {L"00:20:00", L"00:30:00", L"00:40:00", L"00:50:00",
                                          L"01:00:00", L"01:30:00", L"02:00:00"};

struct Speed {
    float speed;
    const wchar_t* label;
};
const Speed kSpeeds[] = {{-4.0f, L"  -4X"}, {-2.0f, L"  -2X"}, {-1.0f, L"  -1X"}, {-0.5f, L"-0.5X"}, {0.0f, L"PAUSE"},
                         {0.5f, L" 0.5X"},  {1.0f, L"   1X"},  {2.0f, L"   2X"},  {4.0f, L"   4X"}};
const int kSpeedCount = sizeof kSpeeds / sizeof kSpeeds[0];

// The panel whose player hands its frames to OnAviPlaybackFrame: the
// player's callback carries no context of its own.
std::atomic<CVideoPanel*> g_framePanel{nullptr};

const wchar_t kSettings[] = L"Settings";
// The silence count is kept per camera model for all users.
const wchar_t kSilenceKey[] = L"SOFTWARE\\ORBILE2";

HKEY OpenSilenceKey()
{
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, kSilenceKey, &key) == ERROR_SUCCESS) return key;
    return RegCreateKeyW(HKEY_LOCAL_MACHINE, kSilenceKey, &key) == ERROR_SUCCESS ? key : nullptr;
}

const wchar_t kVideoFilter[] = L"Video Files (*.avi)\0*.avi\0\0";

std::wstring AskVideoPath(HWND owner, bool save)
{
    wchar_t path[MAX_PATH] = L"";
    if (save) lstrcpynW(path, TimestampString(), MAX_PATH);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kVideoFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"avi";
    if (save) {
        dialog.Flags = OFN_OVERWRITEPROMPT;
        return GetSaveFileNameW(&dialog) ? path : L"";
    }
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    return GetOpenFileNameW(&dialog) ? path : L"";
}
}  // namespace

int SpeedIndexOfWheel(int position)
{
    const int index = (position + 5) / 10;
    return index < 0 ? 0 : index >= kSpeedCount ? kSpeedCount - 1 : index;
}

float SpeedOfIndex(int index) { return kSpeeds[index].speed; }

const wchar_t* SpeedLabel(int index) { return kSpeeds[index].label; }

std::wstring FileTitleOf(const std::wstring& path)
{
    // The name after the last separator; a dot in a folder's name is not
    // the extension's.
    const size_t separator = path.find_last_of(L"\\/");
    std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

// clang-format off
const SkinButtonRow CVideoPanel::kButtons[BUTTON_COUNT] = {
    {ID_RECORD_XGA,        BUTTON_STYLE_CHECK, 20,  136, StateFirstImages(SKIN_RECORD_XGA_BUTTON), L"tipXGA", L"Record in XGA solution", false},
    {ID_RECORD_SVGA,       BUTTON_STYLE_CHECK, 57,  136, StateFirstImages(SKIN_RECORD_SVGA_BUTTON), L"tipSVGA", L"Record in SVGA solution", false},
    {ID_RECORD_VGA,        BUTTON_STYLE_CHECK, 94,  136, StateFirstImages(SKIN_RECORD_VGA_BUTTON), L"tipVGA", L"Record in VGA solution", false},
    {ID_RECORD_QVGA,       BUTTON_STYLE_CHECK, 131, 136, StateFirstImages(SKIN_RECORD_QVGA_BUTTON), L"tipQVGA", L"Record in QVGA solution", false},
    {ID_RECORD_AUDIO,      BUTTON_STYLE_CHECK, 190, 154, FourImages(SKIN_RECORD_AUDIO_BUTTON), L"tipAudio", L"Record audio in AVI file", false},
    {ID_RECORD_ANNOTATION, BUTTON_STYLE_CHECK, 168, 136, StateFirstImages(SKIN_RECORD_ANNOTATION_BUTTON), L"tipAnnotation", L"Record annotation in AVI file", false},
    {ID_RECORD_TIME_LIMIT, BUTTON_STYLE_CHECK, 61,  54,  StateFirstImages(SKIN_TIME_LIMIT_BUTTON), L"tipTimeLimit", L"Enable the time limit of recording", false},
    {ID_START_RECORDING,   BUTTON_STYLE_PUSH,  257, 58,  StateFirstImages(SKIN_VIDEO_RECORD_BUTTON), L"tipRecord", L"Start recording", false},
    {ID_STOP_RECORDING,    BUTTON_STYLE_PUSH,  148, 10,  StateFirstImages(SKIN_VIDEO_STOP_BUTTON), L"tipStop", L"Stop", true},
    {ID_PLAY,              BUTTON_STYLE_PUSH,  219, 2,   StateFirstImages(SKIN_PLAY_BUTTON), L"tipPlay", L"Play", true},
    {ID_PAUSE,             BUTTON_STYLE_CHECK, 219, 2,   StateFirstImages(SKIN_PAUSE_BUTTON), L"tipPause", L"Pause", false},
    {ID_RECORD_PAUSE,      BUTTON_STYLE_CHECK, 252, 88,  {SKIN_RECORD_PAUSE_DISABLED, SKIN_RECORD_PAUSE_STATE, SKIN_RECORD_PAUSE_HOVER, SKIN_RECORD_PAUSE_FACE, 0}, L"tipPause", L"Pause", false},
    {ID_NEXT_FRAME,        BUTTON_STYLE_PUSH,  270, 6,   StateFirstImages(SKIN_NEXT_FRAME_BUTTON), L"tipNext", L"The next Frame", true},
    {ID_PREVIOUS_FRAME,    BUTTON_STYLE_PUSH,  178, 6,   StateFirstImages(SKIN_PREVIOUS_FRAME_BUTTON), L"tipPrev", L"The previous Frame", true},
    {ID_OPEN_VIDEO,        BUTTON_STYLE_PUSH,  67,  17,  StateFirstImages(SKIN_OPEN_VIDEO_BUTTON), L"tipOpen", L"View the recorded files", false},
    {ID_LIVE_VIEW,         BUTTON_STYLE_PUSH,  30,  17,  StateFirstImages(SKIN_LIVE_VIEW_BUTTON), L"tipLiveview", L"Back to the camera view", false},
};
// clang-format on

struct CVideoPanel::WorkerStart {
    CVideoPanel* panel;
    unsigned generation;
    UINT interval;
};

CVideoPanel::CVideoPanel(IPanelHost& host, LiveFramePath& live, IPlaybackTarget& target)
    : m_host(host),
      m_live(live),
      m_target(target),
      m_waveIn([this](const BYTE* data, DWORD bytes) { m_recorder.TakeSound(data, bytes); })
{
    m_waveFormat = WAVEFORMATEX{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    // The XviD codec's status window stays closed while recording.
    HKEY key;
    if (RegCreateKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\GNU\\XviD", &key) == ERROR_SUCCESS) {
        const DWORD hidden = 0;
        RegSetValueExW(key, L"display_status", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&hidden), sizeof hidden);
        RegCloseKey(key);
    }
}

CVideoPanel::~CVideoPanel()
{
    ClosePlayer();
    StopRecording();
    m_waveIn.Close();
    CVideoPanel* self = this;
    g_framePanel.compare_exchange_strong(self, nullptr);
    if (m_font) DeleteObject(m_font);
}

void CVideoPanel::CreateControls(int)
{
    m_font = CreateFontW(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Times New Roman");
    CreateSkinButtons(m_buttons, kButtons, BUTTON_COUNT, m_host.SkinLibrary(), this);
    m_progress.CreateSlider(50, 10, this, this, ID_PLAY_PROGRESS, FALSE, FALSE, 0, 0, nullptr, nullptr, nullptr,
                            nullptr, nullptr, KVQ_TRANSPARENT, TRUE);
    m_volume.CreateSlider(310, 15, this, this, ID_PLAY_VOLUME, FALSE, FALSE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                          nullptr, KVQ_TRANSPARENT, TRUE);
    m_speedWheel.CreateWheel(192, 30, this, this, ID_SPEED_WHEEL, nullptr, nullptr, nullptr, nullptr, KVQ_TRANSPARENT,
                             TRUE);
    m_speedWheel.SetRange(-4, 84);
    m_speedWheel.SetPos(kSpeedWheelStart);
    m_speedWheel.ShowWindow(SW_HIDE);

    const DWORD listStyle = WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST;
    m_historyList.Create(L"COMBOBOX", L"", listStyle, RECT{100, 20, 220, 150}, this, ID_HISTORY_LIST);
    m_historyList.SendMessage(CB_SETDROPPEDWIDTH, 200);
    m_timeLimitList.Create(L"COMBOBOX", L"", listStyle, RECT{79, 50, 154, 200}, this, ID_TIME_LIMIT_LIST);
    for (CWnd* list : {&m_historyList, &m_timeLimitList})
        list->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    for (const wchar_t* text : kTimeLimitTexts)
        m_timeLimitList.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    m_timeLimitList.SendMessage(CB_SETCURSEL, 0);

    LoadRecordSettings();

    for (int i = 0; i < BUTTON_COUNT; ++i)
        AddControlTip(m_tips[i], this, &m_buttons[i], ReadIniString(kSection, kButtons[i].tipKey, kButtons[i].tipText));
    AddControlTip(m_tips[BUTTON_COUNT], this, &m_progress,
                  ReadIniString(kSection, L"tipPlayProgress", L"The playback progress"));
    AddControlTip(m_tips[BUTTON_COUNT + 1], this, &m_volume,
                  ReadIniString(kSection, L"tipPlayVolume", L"The playback volume"));
    AddControlTip(m_tips[BUTTON_COUNT + 2], this, &m_historyList,
                  ReadIniString(L"CPictureWindow", L"tipHistory", L"Opened file list"));
    AddControlTip(m_tips[BUTTON_COUNT + 3], this, &m_timeLimitList,
                  ReadIniString(kSection, L"tipTimeLimits", L"Pre-defined recording time limits"));

    for (CWnd* control : std::initializer_list<CWnd*>{&m_timeLimitList, &m_progress, &m_volume, &m_speedWheel,
                                                      &m_buttons[NEXT], &m_buttons[PREVIOUS], &m_buttons[STOP]})
        control->EnableWindow(FALSE);
    // Cameras with a motion mode start in it; the main window lets full size
    // back in when the mode ends.
    KVQDocCamController* camera = m_host.CurrentController();
    if (camera && (camera->GetDocCamModelFeature(0) & kFeatureLargeFrame)) AllowFullSize(false);
}

void CVideoPanel::LoadRecordSettings()
{
    CWinApp* app = AfxGetApp();
    auto profile = [app](const wchar_t* name, int fallback) {
        return app ? app->GetProfileInt(kSettings, name, fallback) : fallback;
    };
    ChooseSize(profile(L"bDownToVGA", 0)    ? VGA
               : profile(L"bDownToQVGA", 0) ? QVGA
               : profile(L"bDownToSVGA", 0) ? SVGA
                                            : XGA);
    m_buttons[ANNOTATION].SetCheck(profile(L"bAnnotated", 1) ? 1 : 0);
    m_buttons[AUDIO].SetCheck(profile(L"bAudio", 1) ? 1 : 0);

    m_silenceBlocks = 0;
    if (HKEY key = OpenSilenceKey()) {
        DWORD value = 0, type = 0, size = sizeof value;
        if (RegQueryValueExW(key, SilenceValueName().c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof value)
            m_silenceBlocks = static_cast<BYTE>(value);
        RegCloseKey(key);
    }
}

void CVideoPanel::SaveRecordSettings(CWinApp& app)
{
    if (HKEY key = OpenSilenceKey()) {
        const DWORD value = static_cast<DWORD>(m_silenceBlocks);
        RegSetValueExW(key, SilenceValueName().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }
    const struct {
        const wchar_t* name;
        Control option;
    } options[] = {{L"bDownToSVGA", SVGA},
                   {L"bDownToVGA", VGA},
                   {L"bDownToQVGA", QVGA},
                   {L"bAnnotated", ANNOTATION},
                   {L"bAudio", AUDIO}};
    for (const auto& option : options) app.WriteProfileInt(kSettings, option.name, Checked(option.option) ? 1 : 0);
}

std::wstring CVideoPanel::SilenceValueName()
{
    // Named by the camera model and by whether it pushes its state with the
    // frames, so that each kind of camera keeps its own count.
    KVQDocCamController* camera = m_host.CurrentController();
    std::wstring name = L"bAudioSilence";
    if (camera) name += camera->GetDocCamModelName(0);
    name += m_host.IsStatusPolled() ? L"_11" : L"_20";
    return name;
}

BOOL CVideoPanel::PreTranslateMessage(MSG* msg)
{
    for (CToolTipCtrl& tip : m_tips)
        if (tip.m_hWnd) tip.RelayEvent(msg);
    return CBasePanel2::PreTranslateMessage(msg);
}

void CVideoPanel::OnDeviceSetup(KVQDocCamController* controller)
{
    // Cameras without the full-size mode record at most 640 x 480.
    if (controller && !(controller->m_status.modelCode & 0x80)) {
        if (Checked(XGA)) ChooseSize(VGA);
        m_buttons[XGA].EnableWindow(FALSE);
        for (Control size : {SVGA, VGA, QVGA}) m_buttons[size].EnableWindow(TRUE);
    }
    Invalidate(FALSE);
}

void CVideoPanel::AllowFullSize(bool allow)
{
    KVQDocCamController* camera = m_host.CurrentController();
    // Cameras without the full-size mode never get it (OnDeviceSetup).
    if (allow && camera && !(camera->m_status.modelCode & 0x80)) return;
    if (!allow && Checked(XGA)) ChooseSize(SVGA);
    Enable(m_buttons[XGA], allow && !IsRecording());
}

void CVideoPanel::ChooseSize(Control size)
{
    for (Control option : {XGA, SVGA, VGA, QVGA}) m_buttons[option].SetCheck(option == size ? 1 : 0);
}

void CVideoPanel::Show(Control control, bool show) { m_buttons[control].ShowWindow(show ? SW_SHOW : SW_HIDE); }

void CVideoPanel::Enable(CWnd& control, bool enable)
{
    if ((control.IsWindowEnabled() != FALSE) == enable) return;
    control.EnableWindow(enable);
    control.Invalidate(FALSE);
}

BOOL CVideoPanel::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == ID_HISTORY_LIST) {
        if (HIWORD(wParam) == CBN_SELCHANGE)
            OpenHistoryEntry(static_cast<int>(m_historyList.SendMessage(CB_GETCURSEL)));
        return TRUE;
    }
    if (OnButtonEvent(LOWORD(wParam))) return TRUE;
    return CBasePanel2::OnCommand(wParam, lParam);
}

LRESULT CVideoPanel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PLAYBACK_POSITION:
        m_positionPosted = false;
        if (!m_liveMode) m_progress.SetPos(static_cast<int>(m_shownPosition.load()));
        return 0;
    case WM_PLAYBACK_ENDED:
        if (wParam == m_workerGeneration.load()) OnPlayEnded();
        return 0;
    case WM_RECORDING_ENDED:
        OnRecordEnded(static_cast<RecordEnd>(wParam));
        return 0;
    case WM_TIMER:
        // The player's own timer: the worker ticks the player instead.
        if (wParam == KVQAviPlayer::PlayTimerId) {
            ::KillTimer(m_hWnd, wParam);
            return 0;
        }
        break;
    default:
        break;
    }
    return CBasePanel2::WindowProc(message, wParam, lParam);
}

BOOL CVideoPanel::OnButtonEvent(unsigned short id)
{
    if (!m_host.CurrentController()) return FALSE;
    const bool open = m_player.IsOpened() != FALSE;
    switch (id) {
    case ID_START_RECORDING:
        StartRecording(nullptr);
        return TRUE;
    case ID_STOP_RECORDING:
        if (IsRecording()) {
            CStopRecordDialog question(this);
            if (question.DoModal() == IDOK) StopRecording();
        } else if (open) {
            {
                orbile::Locked guard(m_playerLock);
                m_player.Stop();
                m_player.Seek(0);
            }
            m_progress.SetPos(0);
            Show(PLAY, true);
            Show(PAUSE, false);
            m_buttons[PAUSE].SetCheck(0);
            Enable(m_buttons[STOP], false);
            m_displaySeconds = 0;
        }
        return TRUE;
    case ID_RECORD_XGA:
    case ID_RECORD_SVGA:
    case ID_RECORD_VGA:
    case ID_RECORD_QVGA:
        ChooseSize(id == ID_RECORD_XGA ? XGA : id == ID_RECORD_SVGA ? SVGA : id == ID_RECORD_VGA ? VGA : QVGA);
        return TRUE;
    case ID_RECORD_AUDIO:
        if (open) {
            orbile::Locked guard(m_playerLock);
            m_player.SetVolume(Checked(AUDIO) ? m_volume.GetPos() : 0);
        }
        return TRUE;
    case ID_RECORD_TIME_LIMIT:
        m_timeLimitList.EnableWindow(Checked(TIME_LIMIT));
        return TRUE;
    case ID_PLAY:
        if (!open) return OpenAndPlay(nullptr);
        PlayAtWheelSpeed();
        m_displaySeconds = 0;
        Invalidate(FALSE);
        return TRUE;
    case ID_PAUSE:
        if (open) TogglePause();
        return TRUE;
    case ID_RECORD_PAUSE:
        m_recorder.SetPaused(Checked(RECORD_PAUSE));
        return TRUE;
    case ID_NEXT_FRAME:
    case ID_PREVIOUS_FRAME:
        if (open) StepFrame(id == ID_NEXT_FRAME);
        return TRUE;
    case ID_OPEN_VIDEO:
        OpenAndPlay(nullptr);
        return TRUE;
    case ID_LIVE_VIEW: {
        SetLiveMode(TRUE);
        KVQDocCamController* camera = m_host.CurrentController();
        if (camera->m_status.frozen && camera->Freeze(0)) {
            camera->StartCapture();
            m_host.ShowOsd(OSD_NONE, 0);
        }
        m_host.RepaintPicture(false);
        return TRUE;
    }
    case ID_PLAY_PROGRESS: {
        orbile::Locked guard(m_playerLock);
        m_player.Seek(static_cast<UINT>(m_progress.GetPos()));
        if (!m_player.IsPlaying()) Enable(m_buttons[STOP], true);
        return TRUE;
    }
    case ID_PLAY_VOLUME: {
        orbile::Locked guard(m_playerLock);
        m_player.SetVolume(m_volume.GetPos());
        m_buttons[AUDIO].SetCheck(1);
        return TRUE;
    }
    case ID_SPEED_WHEEL:
        OnSpeedChange();
        return TRUE;
    default:
        return FALSE;
    }
}

// Playback ------------------------------------------------------------------

BOOL CVideoPanel::OpenPlayback(const wchar_t* path)
{
    if (IsRecording()) return FALSE;
    const std::wstring chosen = path ? std::wstring(path) : AskVideoPath(m_hWnd, false);
    if (chosen.empty()) return FALSE;
    if (IsPlaying()) {
        {
            orbile::Locked guard(m_playerLock);
            m_player.Stop();
        }
        Show(PAUSE, false);
        Show(PLAY, true);
        for (Control control : {NEXT, PREVIOUS, STOP}) Enable(m_buttons[control], false);
    }
    EndWorkers();

    g_framePanel = this;
    BOOL opened;
    {
        orbile::Locked guard(m_playerLock);
        m_player.SetCallback(&OnAviPlaybackFrame);
        opened = m_player.OpenFile(m_hWnd, chosen.c_str());
    }
    if (!opened) {
        SetLiveMode(TRUE);
        return FALSE;
    }
    SetLiveMode(FALSE);
    Enable(m_buttons[NEXT], true);
    Enable(m_buttons[PREVIOUS], true);

    m_fileTitle = FileTitleOf(chosen);
    AddHistory(m_fileTitle, chosen);

    orbile::Locked guard(m_playerLock);
    const int last = static_cast<int>(m_player.Frames()) - 1;
    m_progress.SetRange(0, last > 0 ? last : 1);
    m_progress.SetPos(0);
    Enable(m_progress, true);
    m_volume.SetRange(0, kMaxVolume);
    m_volume.SetPos(m_player.GetVolume());
    Enable(m_volume, true);
    Enable(m_speedWheel, true);
    m_displaySeconds = 0;
    m_player.Seek(0);
    m_host.RepaintPicture(false);
    m_target.ShowFilm(true);
    return TRUE;
}

BOOL CVideoPanel::OpenAndPlay(const wchar_t* path)
{
    if (!OpenPlayback(path)) return FALSE;
    {
        orbile::Locked guard(m_playerLock);
        // The last frame that decodes: a file cut off while recording may
        // list more than it holds. Never below the first frame.
        int last = static_cast<int>(m_player.Frames()) - 1;
        while (last > 0 && !m_player.Seek(static_cast<UINT>(last))) --last;
        m_player.Seek(0);
        m_progress.SetRange(0, last > 0 ? last : 1);
        m_progress.SetPos(0);
    }
    if (PlayAtWheelSpeed()) m_host.ShowOsd(OSD_PLAYBACK_SPEED, kOsdTicks);
    m_displaySeconds = 0;
    Invalidate(FALSE);
    return TRUE;
}

BOOL CVideoPanel::OpenHistoryEntry(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_history.size()) return FALSE;
    const std::wstring path = m_history[static_cast<size_t>(index)].path;
    return OpenPlayback(path.c_str());
}

void CVideoPanel::AddHistory(const std::wstring& title, const std::wstring& path)
{
    size_t index = 0;
    while (index < m_history.size() && m_history[index].path != path) ++index;
    if (index == m_history.size()) {
        m_history.push_back({title, path});
        m_historyList.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
    }
    SelectHistory(static_cast<int>(index));
}

void CVideoPanel::SelectHistory(int index) { m_historyList.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)); }

void CVideoPanel::SetLiveMode(BOOL live)
{
    if (live) {
        m_progress.SetPos(0);
        Enable(m_progress, false);
        Enable(m_volume, false);
        m_speedWheel.SetPos(kSpeedWheelStart);
        Enable(m_speedWheel, false);
        m_fileTitle.clear();
        m_displaySeconds = 0;
        if (m_player.IsOpened()) {
            ClosePlayer();
            Show(PLAY, true);
            Show(PAUSE, false);
            Enable(m_buttons[STOP], false);
        }
        if (!IsRecording()) Enable(m_buttons[RECORD], true);
        Enable(m_buttons[NEXT], false);
        Enable(m_buttons[PREVIOUS], false);
        m_picture.Clear();
    } else {
        Enable(m_buttons[RECORD], false);
    }
    const bool changed = m_liveMode != live;
    m_liveMode = live;
    if (changed) m_target.ShowFilm(!live);
    m_host.RepaintPicture(false);
}

bool CVideoPanel::IsPlaying()
{
    orbile::Locked guard(m_playerLock);
    return m_player.IsPlaying() != FALSE;
}

UINT CVideoPanel::PlayPosition()
{
    orbile::Locked guard(m_playerLock);
    return m_player.GetPos();
}

void CVideoPanel::ClosePlayer()
{
    EndWorkers();
    orbile::Locked guard(m_playerLock);
    m_player.Stop();
    m_player.Close();
}

// Caller holds no player lock: the worker's ticks take it.
bool CVideoPanel::PlayAtWheelSpeed()
{
    m_buttons[PAUSE].SetCheck(0);
    m_speedIndex = SpeedIndexOfWheel(m_speedWheel.GetPos());
    if (!StartPlay(SpeedOfIndex(m_speedIndex))) return false;
    Show(PAUSE, true);
    Show(PLAY, false);
    Enable(m_buttons[STOP], true);
    return true;
}

BOOL CVideoPanel::StartPlay(float speed)
{
    {
        orbile::Locked guard(m_playerLock);
        const AVIFILEINFOA& info = m_player.FileInfo();
        // A stream without a rate has no frame interval to tick at.
        if (info.dwRate == 0 || !m_player.Play(speed)) return FALSE;
        const unsigned long long interval = static_cast<unsigned long long>(info.dwScale) * 1000 / info.dwRate;
        m_playInterval = interval == 0 ? 1 : interval > 10000 ? 10000 : static_cast<UINT>(interval);
    }
    StartWorker();
    return TRUE;
}

BOOL CVideoPanel::ResumeAt(UINT position, float speed)
{
    {
        orbile::Locked guard(m_playerLock);
        m_player.Stop();
        m_player.Seek(position);
    }
    return StartPlay(speed);
}

void CVideoPanel::StopPlaying()
{
    {
        orbile::Locked guard(m_playerLock);
        m_player.Stop();
    }
    Show(PLAY, true);
    Show(PAUSE, false);
    m_buttons[PAUSE].SetCheck(0);
}

BOOL CVideoPanel::TogglePause()
{
    m_speedIndex = SpeedIndexOfWheel(m_speedWheel.GetPos());
    if (Checked(PAUSE)) {
        StopPlaying();
        return TRUE;
    }
    if (!ResumeAt(PlayPosition(), SpeedOfIndex(m_speedIndex))) {
        m_buttons[PAUSE].SetCheck(1);
        return FALSE;
    }
    return TRUE;
}

void CVideoPanel::StepFrame(bool forward)
{
    {
        orbile::Locked guard(m_playerLock);
        m_player.Stop();
        const UINT position = m_player.GetPos();
        if (forward && position + 1 < m_player.Frames()) m_player.Seek(position + 1);
        if (!forward && position > 0) m_player.Seek(position - 1);
        m_progress.SetPos(static_cast<int>(m_player.GetPos()));
    }
    Show(PLAY, true);
    Show(PAUSE, false);
    m_buttons[PAUSE].SetCheck(0);
    Enable(m_buttons[STOP], true);
}

void CVideoPanel::OnSpeedChange()
{
    const int index = SpeedIndexOfWheel(m_speedWheel.GetPos());
    const bool changed = index != m_speedIndex;
    if (index == kPauseSpeedIndex) {
        const bool dragging = m_speedWheel.GetThumbState() != 0;
        if (!dragging) {
            Show(PLAY, true);
            Enable(m_buttons[PLAY], false);
            Show(PAUSE, false);
            m_buttons[PAUSE].SetCheck(0);
        }
        {
            orbile::Locked guard(m_playerLock);
            if (m_player.IsPlaying()) m_resumeAfterPause = true;
            m_player.Stop();
        }
        if (!dragging) m_resumeAfterPause = false;
    } else {
        Enable(m_buttons[PLAY], true);
        if (changed && (m_resumeAfterPause || IsPlaying())) ResumeAt(PlayPosition(), SpeedOfIndex(index));
        m_resumeAfterPause = false;
    }
    m_speedIndex = index;
    // The main window writes the label of the speed now in use.
    if (changed) m_host.ShowOsd(OSD_PLAYBACK_SPEED, kOsdTicks);
}

void CVideoPanel::OnPlayEnded()
{
    {
        orbile::Locked guard(m_playerLock);
        if (m_player.IsPlaying()) return;
        // Play ran to an end: back to the first frame, as after Stop.
        if (m_player.GetPos() == 0 || m_player.IsBackward()) m_player.Seek(0);
    }
    m_progress.SetPos(0);
    m_displaySeconds = 0;
    Enable(m_buttons[STOP], false);
    Show(PLAY, true);
    Show(PAUSE, false);
}

void CVideoPanel::StartWorker()
{
    // Workers of earlier plays end at their next look at the generation.
    const unsigned generation = ++m_workerGeneration;
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (WaitForSingleObject(*it, 0) == WAIT_OBJECT_0) {
            CloseHandle(*it);
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
    auto* start = new WorkerStart{this, generation, m_playInterval};
    HANDLE worker = CreateThread(nullptr, 0, &PlaybackWorker, start, 0, nullptr);
    if (worker)
        m_workers.push_back(worker);
    else
        delete start;
}

void CVideoPanel::EndWorkers()
{
    ++m_workerGeneration;
    const DWORD began = GetTickCount();
    for (HANDLE worker : m_workers) {
        const DWORD spent = GetTickCount() - began;
        WaitForSingleObject(worker, spent < kWorkerEndLimitMs ? kWorkerEndLimitMs - spent : 0);
        CloseHandle(worker);
    }
    m_workers.clear();
}

DWORD WINAPI CVideoPanel::PlaybackWorker(void* argument)
{
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(argument));
    CVideoPanel& panel = *start->panel;
    DWORD due = GetTickCount() + start->interval;
    for (;;) {
        Sleep(kWorkerTickMs);
        if (panel.m_workerGeneration != start->generation) return 0;
        if (static_cast<LONG>(GetTickCount() - due) < 0) continue;
        due += start->interval;
        orbile::Locked guard(panel.m_playerLock);
        // A newer play or file took over while this worker waited.
        if (panel.m_workerGeneration != start->generation) return 0;
        if (!panel.m_player.IsPlaying()) break;
        panel.m_player.OnTimerEvent(KVQAviPlayer::PlayTimerId);
    }
    ::PostMessageW(panel.m_hWnd, WM_PLAYBACK_ENDED, start->generation, 0);
    return 0;
}

// Runs inside a player call, with the player lock held: on the worker's
// tick, or on the UI thread for a seek.
void CVideoPanel::OnAviPlaybackFrame(BYTE* frame)
{
    CVideoPanel* panel = g_framePanel.load();
    if (!panel || !frame) return;
    if (!panel->m_picture.ShowFrame(frame)) return;
    panel->m_target.RepaintFilm();
    panel->m_shownPosition = panel->m_player.GetPos();
    panel->m_displaySeconds = (panel->m_player.GetElapsedTime() + 1) / 1000;
    if (!panel->m_positionPosted.exchange(true)) ::PostMessageW(panel->m_hWnd, WM_PLAYBACK_POSITION, 0, 0);
}

// Recording -----------------------------------------------------------------

RecordOptions CVideoPanel::ChosenOptions() const
{
    RecordOptions options;
    options.size = Checked(SVGA)   ? RecordSize::Svga
                   : Checked(VGA)  ? RecordSize::Vga
                   : Checked(QVGA) ? RecordSize::Qvga
                                   : RecordSize::Native;
    const LRESULT limit = m_timeLimitList.m_hWnd ? ::SendMessageW(m_timeLimitList.m_hWnd, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (Checked(TIME_LIMIT) && limit >= 0 && limit < static_cast<LRESULT>(sizeof kTimeLimits / sizeof kTimeLimits[0]))
        options.timeLimitSeconds = kTimeLimits[limit];
    options.silenceBlocks = m_silenceBlocks;
    options.doubleFrames = m_host.IsAdaptiveMotion();
    return options;
}

BOOL CVideoPanel::StartRecording(const wchar_t* path)
{
    if (IsRecording()) StopRecording();
    if (!m_host.HasPictureSource()) return FALSE;
    const std::wstring chosen = path ? std::wstring(path) : AskVideoPath(m_hWnd, true);
    if (chosen.empty()) return FALSE;
    if (m_player.IsOpened()) SetLiveMode(TRUE);

    // The picture shown is the one recorded: the local camera's, or that of
    // the console viewed.
    BITMAPINFOHEADER picture{};
    {
        LiveFramePath::FrameAccess access(m_live);
        if (access.Display() && access.Display()->HasPicture()) picture = access.Display()->Header();
    }
    DWORD intervals[3];
    m_live.GetFrameIntervals(intervals);

    bool withSound = false;
    if (Checked(AUDIO)) {
        const MMRESULT started = m_waveIn.Start(m_waveFormat);
        withSound = started == MMSYSERR_NOERROR;
        if (!withSound) ::MessageBoxW(m_hWnd, WaveCapture::OpenErrorText(started), L"Device Error", MB_ICONHAND);
    }
    const HRESULT result = m_recorder.Start(chosen.c_str(), RecordFramePeriod(intervals), ChosenOptions(), picture,
                                            withSound ? &m_waveFormat : nullptr);
    if (result != AVIERR_OK) {
        m_waveIn.Stop();
        IniMessageBox(::GetAncestor(m_hWnd, GA_ROOT), L"Messages", L"warnCanNotCreateAviFile");
        return FALSE;
    }
    AddHistory(FileTitleOf(chosen), chosen);
    m_displaySeconds = 0;
    ShowRecordingControls(true);
    m_host.RepaintPicture(false);
    return TRUE;
}

void CVideoPanel::StopRecording()
{
    if (!IsRecording()) return;
    m_waveIn.Stop();
    m_recorder.Stop();
    ShowRecordingControls(false);
    if (m_hWnd) Invalidate(FALSE);
}

void CVideoPanel::ShowRecordingControls(bool recording)
{
    Show(PAUSE, false);
    Show(PLAY, !recording);
    Show(RECORD_PAUSE, recording);
    m_buttons[RECORD_PAUSE].SetCheck(0);
    Enable(m_buttons[OPEN], !recording);
    Enable(m_historyList, !recording);
    Enable(m_buttons[RECORD], !recording);
    Enable(m_buttons[STOP], recording);
    Enable(m_buttons[AUDIO], !recording);
    Enable(m_buttons[LIVE_VIEW], !recording);
    KVQDocCamController* camera = m_host.CurrentController();
    // The camera says in its status whether its full-size mode is available.
    if (!camera || ((camera->m_status.modelCode & 0x80) && camera->m_status.statusFlags17[0] == 0))
        Enable(m_buttons[XGA], !recording);
    for (Control size : {SVGA, VGA, QVGA}) Enable(m_buttons[size], !recording);
}

bool CVideoPanel::GetRecorderClock(ILiveFrameHost::RecorderClock* clock)
{
    return m_recorder.GetClock(&clock->startTick, &clock->framePeriod, &clock->framesSeen);
}

void CVideoPanel::RecordFrame(CFrameBuffer& frame)
{
    const RecordEnd end = m_recorder.TakeFrame(frame);
    m_displaySeconds = m_recorder.RecordedSeconds();
    // Stopped on the UI thread: the file's mends and any message belong there.
    if (end != RecordEnd::Running) ::PostMessageW(m_hWnd, WM_RECORDING_ENDED, static_cast<WPARAM>(end), 0);
}

void CVideoPanel::OnRecordEnded(RecordEnd end)
{
    StopRecording();
    if (end == RecordEnd::SizeChanged)
        IniMessageBox(::GetAncestor(m_hWnd, GA_ROOT), L"Messages", L"hintAlreadyStopRecording", nullptr, MB_ICONHAND);
}
