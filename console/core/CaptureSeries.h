#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Longest path the file functions take, terminator included.
constexpr std::size_t kMaxPathChars = 260;

// Capture series: the profile keeps indexes into these tables (seconds).
constexpr int kSeriesTableRows = 20;
extern const int kSeriesTotalSeconds[kSeriesTableRows];
extern const int kSeriesIntervalSeconds[kSeriesTableRows];

// Indexes outside the tables (a hand-edited profile) take the nearest row.
int SeriesTotalSeconds(int index);
int SeriesIntervalSeconds(int index);
int ShotsPerSeries(int totalIndex, int intervalIndex);

// The longest interval a series of this total time offers: as the settings
// dialog opens, the first interval at least as long as the total time; once
// the total time is moved, the last one not longer.
int IntervalLimitOnOpen(int totalIndex);
int IntervalLimitForTotal(int totalIndex);

// The name a series' shots are numbered from: folder + "\" + name + stamp +
// ".jpg". The folder is joined with a backslash even when it ends in one
// (the file system takes the doubled one). False, leaving out as it was,
// when the shots' names would not fit a path: a name cut short would save
// the series somewhere else.
bool MakeSeriesBaseName(const std::wstring& folder, const std::wstring& name, const std::wstring& stamp,
                        std::wstring* out);

// Shot `number` of a series: the base name without its ".jpg", then
// "_%05d." and the extension.
std::wstring SeriesShotName(const std::wstring& baseName, int number, const std::wstring& extension);

// The timing of a capture series: one shot per interval from the first tick
// on, shotsPerSeries in all. Ticks are the system's millisecond counter; its
// wrap is harmless. A camera that takes large stills is asked for one still
// per due shot, and asked again only when that still has not come within
// kStillRetryMs.
class CaptureSeries {
public:
    enum class Step { None, TakeShot, RequestStill };
    struct Outcome {
        bool ended;          // that was the last shot
        bool reportFailure;  // the first shot of the series that could not be written
    };
    static constexpr uint32_t kStillRetryMs = 3000;

    void Start(std::wstring baseName, int intervalSeconds, int shotsPerSeries, uint32_t now);
    void Stop() { m_running = false; }
    bool IsRunning() const { return m_running; }
    int ShotsTaken() const { return m_taken; }

    // What the timer tick at `now` does.
    Step Tick(uint32_t now, bool largeStills);
    // The file the next shot goes to.
    std::wstring NextShotName() const;
    // The next shot is done, written or not (a failed one is not taken again).
    Outcome ShotDone(bool written);

private:
    bool m_running = false;
    std::wstring m_baseName;
    uint32_t m_startTick = 0;
    uint32_t m_intervalMs = 0;
    int m_shots = 0;
    int m_taken = 0;
    bool m_stillRequested = false;
    uint32_t m_stillRequestTick = 0;
    bool m_failureReported = false;
};
