#include "TimedCapture.h"

#include <kvqdoccam.h>

#include "FrameCodecs.h"
#include "LiveFramePath.h"

TimedCapture::TimedCapture(LiveFramePath& live, Clock clock) : m_live(live), m_clock(std::move(clock)) {}

bool TimedCapture::Start(const std::wstring& folder, const std::wstring& name, const std::wstring& stamp,
                         int intervalSeconds, int shotsPerSeries)
{
    std::wstring baseName;
    if (!MakeSeriesBaseName(folder, name, stamp, &baseName)) return false;
    m_series.Start(std::move(baseName), intervalSeconds, shotsPerSeries, m_clock());
    return true;
}

CaptureSeries::Outcome TimedCapture::Tick(KVQDocCamController* largeStillCamera)
{
    switch (m_series.Tick(m_clock(), largeStillCamera != nullptr)) {
    case CaptureSeries::Step::TakeShot:
        return WriteShot();
    case CaptureSeries::Step::RequestStill:
        largeStillCamera->Set3MCapture();
        break;
    case CaptureSeries::Step::None:
        break;
    }
    return {false, false};
}

CaptureSeries::Outcome TimedCapture::TakeLargeStill()
{
    if (!m_series.IsRunning()) return {false, false};
    return WriteShot();
}

CaptureSeries::Outcome TimedCapture::WriteShot()
{
    const std::wstring name = m_series.NextShotName();
    bool written;
    {
        LiveFramePath::FrameAccess access(m_live);
        CFrameBuffer* frame = access.Current();
        written = frame && frame->HasPicture() && WriteJpegFile(name.c_str(), *frame);
    }
    return m_series.ShotDone(written);
}
