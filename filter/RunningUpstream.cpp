#include "RunningUpstream.h"

#include <algorithm>

SRWLOCK RunningUpstream::s_lock = SRWLOCK_INIT;
std::vector<std::pair<const void*, IKsPropertySet*>> RunningUpstream::s_upstreamKsProp;

void RunningUpstream::Publish(const void* owner, IKsPropertySet* set)
{
    Withdraw(owner);
    set->AddRef();
    AcquireSRWLockExclusive(&s_lock);
    s_upstreamKsProp.emplace_back(owner, set);
    ReleaseSRWLockExclusive(&s_lock);
}

void RunningUpstream::Withdraw(const void* owner)
{
    IKsPropertySet* withdrawn = nullptr;
    AcquireSRWLockExclusive(&s_lock);
    auto entry = std::find_if(s_upstreamKsProp.begin(), s_upstreamKsProp.end(),
                              [owner](const auto& published) { return published.first == owner; });
    if (entry != s_upstreamKsProp.end()) {
        withdrawn = entry->second;
        s_upstreamKsProp.erase(entry);
    }
    ReleaseSRWLockExclusive(&s_lock);
    // Outside the lock: the release may run the capture filter's code.
    if (withdrawn) withdrawn->Release();
}

bool RunningUpstream::IsPresent()
{
    AcquireSRWLockShared(&s_lock);
    bool present = !s_upstreamKsProp.empty();
    ReleaseSRWLockShared(&s_lock);
    return present;
}
