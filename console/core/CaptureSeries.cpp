#include "CaptureSeries.h"

#include <cwchar>

namespace {
const wchar_t kSeriesExtension[] = L".jpg";
const std::size_t kExtensionChars = 4;
// "_nnnnn" between the stem and the extension.
const std::size_t kNumberChars = 6;
}  // namespace

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
