#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "CaptureSeries.h"

class KVQDocCamController;
class LiveFramePath;

// The main window's capture series, run on the UI thread: each due shot is
// written as a numbered JPEG file from the live path's current frame; a
// camera that takes large stills is asked for one instead, and the still,
// posted over from the capture thread, is written when it has arrived.
class TimedCapture {
public:
    using Clock = std::function<DWORD()>;
    explicit TimedCapture(LiveFramePath& live, Clock clock = ::GetTickCount);

    // False, and no series, when the shots' names would not fit a path.
    bool Start(const std::wstring& folder, const std::wstring& name, const std::wstring& stamp, int intervalSeconds,
               int shotsPerSeries);
    void Stop() { m_series.Stop(); }
    bool IsRunning() const { return m_series.IsRunning(); }

    // The timer's tick. largeStillCamera: the shown local camera when it
    // takes large stills, else null.
    CaptureSeries::Outcome Tick(KVQDocCamController* largeStillCamera);
    // A large still is the current frame.
    CaptureSeries::Outcome TakeLargeStill();

private:
    CaptureSeries::Outcome WriteShot();

    LiveFramePath& m_live;
    Clock m_clock;
    CaptureSeries m_series;
};
