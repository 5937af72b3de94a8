#include "VideoRecorder.h"

#include "AviFilePatch.h"

UINT RecordFramePeriod(const DWORD intervals[3])
{
    const UINT mean =
        static_cast<UINT>((static_cast<unsigned long long>(intervals[0]) + intervals[1] + intervals[2]) / 3);
    if (mean == 0) return kDefaultFramePeriodMs;
    return (mean + 1) & ~1u;
}

VideoRecorder::VideoRecorder() = default;

VideoRecorder::~VideoRecorder() { Stop(); }

HRESULT VideoRecorder::Start(const wchar_t* path, UINT framePeriod, const RecordOptions& options,
                             const BITMAPINFOHEADER& picture, const WAVEFORMATEX* sound)
{
    if (m_open) Stop();
    if (!path || !picture.biWidth || !picture.biHeight) return AVIERR_BADPARAM;
    if (framePeriod == 0) framePeriod = kDefaultFramePeriodMs;
    const UINT writerPeriod = options.doubleFrames ? framePeriod / 2 : framePeriod;
    AviWriter* writer = AviWriterOpen(path, writerPeriod ? writerPeriod : 1, sound);
    if (!writer) return AVIERR_FILEOPEN;

    RecordVideo video(options.size);
    AVICOMPRESSOPTIONS compression;
    std::vector<BYTE> codecState;
    ChooseRecordCompression(compression, codecState);
    // The video stream comes first in the file, before any sound block.
    HRESULT result = video.CreateStream(writer, picture, &compression);
    if (result == AVIERR_OK && sound) {
        // Also without silence: the sound stream must exist before the
        // first frame.
        result = AviWriterEnsureSoundStream(writer);
        static const BYTE kSilence[kSilenceBlockBytes] = {};
        for (int i = 0; i < options.silenceBlocks && result == AVIERR_OK; ++i)
            result = AviWriterAddAudio(writer, kSilence, sizeof kSilence);
    }
    if (result != AVIERR_OK) {
        AviWriterClose(writer);
        DeleteFileW(path);
        return result;
    }

    orbile::Locked guard(m_recordLock);
    m_options = options;
    m_video = std::move(video);
    m_codecState = std::move(codecState);
    m_withSound = sound != nullptr;
    m_path = path;
    m_framePeriod = framePeriod;
    m_startTick = GetTickCount();
    m_recordedMs = 0;
    m_framesTaken = 0;
    m_width = 0;
    m_shownSeconds = 0;
    m_paused = false;
    m_ended = false;
    m_writer = writer;
    m_open = true;
    return AVIERR_OK;
}

DWORD VideoRecorder::RecordedMsAt(DWORD now) const
{
    return m_paused ? m_recordedMs : m_recordedMs + (now - m_startTick);
}

bool VideoRecorder::GetClock(DWORD* startTick, DWORD* framePeriod, DWORD* framesSeen)
{
    orbile::Locked guard(m_recordLock);
    if (!m_writer || m_ended || m_paused) return false;
    // Counted from a start that leaves out the paused time, so that the
    // frames taken after a pause follow on from those before it.
    *startTick = m_startTick - m_recordedMs;
    *framePeriod = m_framePeriod;
    *framesSeen = m_framesTaken;
    return true;
}

RecordEnd VideoRecorder::TakeFrame(CFrameBuffer& frame)
{
    orbile::Locked guard(m_recordLock);
    if (!m_writer || m_ended || m_paused) return RecordEnd::Running;
    RecordEnd end = RecordEnd::Running;
    if (m_width && frame.Width() != m_width) {
        end = RecordEnd::SizeChanged;
    } else {
        m_width = frame.Width();
        HRESULT result = WriteFrame(frame);
        if (result == AVIERR_OK && m_options.doubleFrames) result = WriteFrame(frame);
        ++m_framesTaken;
        m_shownSeconds = RecordedMsAt(GetTickCount()) / 1000;
        if (result != AVIERR_OK)
            end = RecordEnd::Failed;
        else if (m_options.timeLimitSeconds && m_shownSeconds >= m_options.timeLimitSeconds)
            end = RecordEnd::TimeLimit;
    }
    if (end != RecordEnd::Running) m_ended = true;
    return end;
}

HRESULT VideoRecorder::WriteFrame(CFrameBuffer& frame)
{
    // The frame's pixels may have been drawn through GDI.
    GdiFlush();
    const BgrPlane plane = frame.WritablePlane();
    return m_video.WriteFrame(m_writer, frame.Header(), plane.pixels);
}

void VideoRecorder::TakeSound(const BYTE* data, DWORD bytes)
{
    orbile::Locked guard(m_recordLock);
    if (m_writer && m_withSound && !m_ended && !m_paused) AviWriterAddAudio(m_writer, data, bytes);
}

void VideoRecorder::SetPaused(bool paused)
{
    orbile::Locked guard(m_recordLock);
    if (!m_writer || paused == m_paused) return;
    const DWORD now = GetTickCount();
    if (paused)
        m_recordedMs += now - m_startTick;
    else
        m_startTick = now;
    m_paused = paused;
}

VideoRecorder::Closed VideoRecorder::Stop()
{
    Closed closed;
    {
        orbile::Locked guard(m_recordLock);
        if (!m_writer) return closed;
        closed.frames = m_writer->frameCount;
        closed.recordedMs = RecordedMsAt(GetTickCount());
        AviWriterClose(m_writer);
        m_writer = nullptr;
        m_open = false;
    }
    if (closed.frames == 0) return closed;
    const wchar_t* path = m_path.c_str();
    if (m_withSound) MendAviSoundStreams(path);
    CorrectAviFrameRate(path, closed.recordedMs, closed.frames);
    RepairAviLayout(path);
    closed.mended = true;
    return closed;
}
