#include "CaptureSeries.h"

#include <algorithm>
#include <cwchar>

namespace {
const wchar_t kSeriesExtension[] = L".jpg";
const std::size_t kExtensionChars = 4;
// "_nnnnn" between the stem and the extension.
const std::size_t kNumberChars = 6;
}  // namespace

const int kSeriesTotalSeconds[kSeriesTableRows] = {60,    120,   180,    300,    600,    1200,  1800,
                                                   2400,  3600,  4800,   6000,   7200,   10800, 21600,
                                                   43200, 86400, 129600, 172800, 216000, 259200};
const int kSeriesIntervalSeconds[kSeriesTableRows] = {5,   10,  15,   20,   30,   40,   50,   60,   120,   180,
                                                      300, 600, 1200, 1800, 2400, 3000, 3600, 7200, 10800, 21600};

int SeriesTotalSeconds(int index) { return kSeriesTotalSeconds[std::clamp(index, 0, kSeriesTableRows - 1)]; }

int SeriesIntervalSeconds(int index) { return kSeriesIntervalSeconds[std::clamp(index, 0, kSeriesTableRows - 1)]; }

int ShotsPerSeries(int totalIndex, int intervalIndex)
{
    return SeriesTotalSeconds(totalIndex) / SeriesIntervalSeconds(intervalIndex) + 1;
}

int IntervalLimitOnOpen(int totalIndex)
{
    const int total = SeriesTotalSeconds(totalIndex);
    int index = 0;
    while (index < kSeriesTableRows - 1 && kSeriesIntervalSeconds[index] < total) ++index;
    return index;
}

int IntervalLimitForTotal(int totalIndex)
{
    const int total = SeriesTotalSeconds(totalIndex);
    int index = 0;
    while (index < kSeriesTableRows - 1 && kSeriesIntervalSeconds[index + 1] <= total) ++index;
    return index;
}

bool MakeSeriesBaseName(const std::wstring& folder, const std::wstring& name, const std::wstring& stamp,
                        std::wstring* out)
{
    std::wstring base = folder + L"\\" + name + stamp + kSeriesExtension;
    if (base.size() + kNumberChars >= kMaxPathChars) return false;
    *out = std::move(base);
    return true;
}

std::wstring SeriesShotName(const std::wstring& baseName, int number, const std::wstring& extension)
{
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L"_%05d.", number);
    const std::size_t stem = baseName.size() >= kExtensionChars ? baseName.size() - kExtensionChars : 0;
    return baseName.substr(0, stem) + suffix + extension;
}

void CaptureSeries::Start(std::wstring baseName, int intervalSeconds, int shotsPerSeries, uint32_t now)
{
    m_baseName = std::move(baseName);
    m_intervalMs = static_cast<uint32_t>(intervalSeconds > 0 ? intervalSeconds : 1) * 1000u;
    m_shots = shotsPerSeries > 0 ? shotsPerSeries : 1;
    m_startTick = now;
    m_taken = 0;
    m_stillRequested = false;
    m_failureReported = false;
    m_running = true;
}

CaptureSeries::Step CaptureSeries::Tick(uint32_t now, bool largeStills)
{
    if (!m_running || (now - m_startTick) / m_intervalMs < static_cast<uint32_t>(m_taken)) return Step::None;
    if (!largeStills) return Step::TakeShot;
    // The still takes a moment to come; asking on every tick would bunch
    // the shots that the stills answer.
    if (m_stillRequested && now - m_stillRequestTick < kStillRetryMs) return Step::None;
    m_stillRequested = true;
    m_stillRequestTick = now;
    return Step::RequestStill;
}

std::wstring CaptureSeries::NextShotName() const { return SeriesShotName(m_baseName, m_taken, L"jpg"); }

CaptureSeries::Outcome CaptureSeries::ShotDone(bool written)
{
    Outcome outcome{false, false};
    if (!m_running) return outcome;
    m_stillRequested = false;
    if (!written && !m_failureReported) m_failureReported = outcome.reportFailure = true;
    if (++m_taken >= m_shots) {
        m_running = false;
        outcome.ended = true;
    }
    return outcome;
}
