#include "RunningUpstream.h"

SRWLOCK RunningUpstream::s_lock = SRWLOCK_INIT;
const void* RunningUpstream::s_owner = nullptr;
IKsPropertySet* RunningUpstream::s_upstreamKsProp = nullptr;

void RunningUpstream::Publish(const void* owner, IKsPropertySet* set) {
    set->AddRef();
    AcquireSRWLockExclusive(&s_lock);
    IKsPropertySet* previous = s_upstreamKsProp;
    s_upstreamKsProp = set;
    s_owner = owner;
    ReleaseSRWLockExclusive(&s_lock);
    if (previous) previous->Release();
}

void RunningUpstream::Withdraw(const void* owner) {
    IKsPropertySet* withdrawn = nullptr;
    AcquireSRWLockExclusive(&s_lock);
    if (s_owner == owner) {
        withdrawn = s_upstreamKsProp;
        s_upstreamKsProp = nullptr;
        s_owner = nullptr;
    }
    ReleaseSRWLockExclusive(&s_lock);
    if (withdrawn) withdrawn->Release();
}

bool RunningUpstream::IsPresent() {
    AcquireSRWLockShared(&s_lock);
    bool present = s_upstreamKsProp != nullptr;
    ReleaseSRWLockShared(&s_lock);
    return present;
}
