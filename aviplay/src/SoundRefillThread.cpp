#include "SoundRefillThread.h"

namespace kvq {

BOOL SoundRefillThread::Start(RefillFunction refill)
{
    Stop();
    refill_ = refill;
    InterlockedExchange(&stopping_, 0);
    // The event lives as long as the process: a late wave callback may still
    // wake it after Stop, and it must then find a valid handle.
    if (!wakeEvent_) wakeEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!wakeEvent_) return FALSE;
    ResetEvent(wakeEvent_);
    thread_ = CreateThread(nullptr, 0, &SoundRefillThread::Run, this, 0, nullptr);
    return thread_ != nullptr;
}

void SoundRefillThread::Wake()
{
    HANDLE wakeEvent = wakeEvent_;
    if (wakeEvent) SetEvent(wakeEvent);
}

void SoundRefillThread::Stop()
{
    if (!thread_) return;
    InterlockedExchange(&stopping_, 1);
    SetEvent(wakeEvent_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI SoundRefillThread::Run(void* self)
{
    auto* thread = static_cast<SoundRefillThread*>(self);
    while (WaitForSingleObject(thread->wakeEvent_, INFINITE) == WAIT_OBJECT_0 &&
           !InterlockedCompareExchange(&thread->stopping_, 0, 0)) {
        thread->refill_();
    }
    return 0;
}

}  // namespace kvq
