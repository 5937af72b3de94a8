#pragma once
// Waiting in a test for what another thread or process makes true: the
// condition is asked again every few milliseconds until it holds or the
// bound has passed, so a slow machine only takes longer, never fails early.
#include <chrono>
#include <thread>

namespace testsupport {

// True as soon as done() holds; false when it still does not after limitMs.
template <class Condition>
bool PollUntil(int limitMs, Condition done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace testsupport
