#pragma once
// The property set of the capture filter feeding a running transform
// filter, process-wide: the property pages act only while one is present.
// It holds its own reference, and only the filter that published it can
// withdraw it, so one filter's stop cannot blank another's.
#include <windows.h>
#include <strmif.h>

class RunningUpstream {
public:
    static void Publish(const void* owner, IKsPropertySet* set);
    static void Withdraw(const void* owner);
    static bool IsPresent();

private:
    static SRWLOCK s_lock;
    static const void* s_owner;
    static IKsPropertySet* s_upstreamKsProp;
};
