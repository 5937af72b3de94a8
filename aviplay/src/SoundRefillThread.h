// A thread of the library's own that refills the sound buffers. The wave
// output's callback must not call wave functions (the system may hold its
// own locks around the callback), so the callback only wakes this thread.
// The owner stops it before the library unloads (players close their files).
#pragma once

#include <windows.h>

namespace kvq {

class SoundRefillThread {
public:
    using RefillFunction = void (*)();

    SoundRefillThread() = default;
    SoundRefillThread(const SoundRefillThread&) = delete;
    SoundRefillThread& operator=(const SoundRefillThread&) = delete;

    // Starts the thread, which calls refill once per wake; FALSE when the
    // system has no thread to give.
    BOOL Start(RefillFunction refill);
    // Safe from any thread, also the wave callback; nothing when not running.
    void Wake();
    // Returns once the thread has ended; no refill runs after it.
    void Stop();

private:
    static DWORD WINAPI Run(void* self);

    RefillFunction refill_ = nullptr;
    HANDLE wakeEvent_ = nullptr;
    HANDLE thread_ = nullptr;
    volatile LONG stopping_ = 0;
};

}  // namespace kvq
