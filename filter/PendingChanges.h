#pragma once
// Count of setting changes not yet taken by the streaming thread, and the
// busy word that waiters watch. Receive takes one change per sample in a
// single step and never waits; the waits are bounded, so neither the
// streaming thread nor a caller can hang on a change.
#include <windows.h>

class PendingChanges {
public:
    // The count is eight bits wide and wraps from 255 to 0.
    void Raise();
    // Streaming thread, once per sample.
    void TakeOne();
    // Waits (100 ms polls, one second at most) while a change is being
    // taken, then clears the busy word.
    void WaitIdle();
    BYTE Count() const { return static_cast<BYTE>(m_count); }

private:
    static constexpr int kMaxPolls = 10;
    volatile LONG m_count = 0;
    volatile LONG m_busy = 0;
};
