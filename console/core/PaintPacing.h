#pragma once
#include <atomic>
#include <cstdint>

// Paces the repaints a camera thread asks of a window. Windows hands a thread
// its timer messages only when no paint is due: a paint slower than the
// camera would be due all the time and the window's timers would never run.
// After each paint the window goes as long without one as that paint took.
class PaintPacing {
public:
    // The camera's thread, with a new picture: whether to invalidate now.
    bool TakeRepaint(uint32_t now)
    {
        if (now - m_paintEnd.load() < m_paintMs.load()) return false;
        // A paint that never came (a minimised window draws nothing) is
        // asked for again after a while.
        if (m_due.exchange(true) && now - m_dueSince.load() < kAskAgainMs) return false;
        m_dueSince.store(now);
        return true;
    }
    // The window's thread, after a paint from start to end (tick counts).
    void Painted(uint32_t start, uint32_t end)
    {
        m_paintMs.store(end - start);
        m_paintEnd.store(end);
        m_due.store(false);
    }
    // A new window: nothing of the old one is due.
    void Reset()
    {
        m_due.store(false);
        m_paintMs.store(0);
    }

private:
    static constexpr uint32_t kAskAgainMs = 1000;
    std::atomic<bool> m_due{false};
    std::atomic<uint32_t> m_dueSince{0};
    std::atomic<uint32_t> m_paintMs{0};
    std::atomic<uint32_t> m_paintEnd{0};
};
