#include "PendingChanges.h"

void PendingChanges::Raise()
{
    LONG seen = m_count;
    while (InterlockedCompareExchange(&m_count, (seen + 1) & 0xFF, seen) != seen) seen = m_count;
}

void PendingChanges::TakeOne()
{
    LONG seen = m_count;
    if (seen == 0) return;
    InterlockedExchange(&m_busy, 1);
    InterlockedCompareExchange(&m_count, seen - 1, seen);
    InterlockedExchange(&m_busy, 0);
}

void PendingChanges::WaitIdle()
{
    for (int poll = 0; poll < kMaxPolls && m_busy == 1; ++poll) Sleep(100);
    InterlockedExchange(&m_busy, 0);
}
