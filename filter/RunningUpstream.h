#pragma once
// The property sets of the capture filters feeding running transform
// filters, process-wide: the property pages act only while one is present.
// Each filter publishes its own with a reference and withdraws only its own,
// so one filter's stop cannot blank the pages of another that still runs.
#include <windows.h>
#include <strmif.h>

#include <utility>
#include <vector>

class RunningUpstream {
public:
    static void Publish(const void* owner, IKsPropertySet* set);
    static void Withdraw(const void* owner);
    static bool IsPresent();

private:
    static SRWLOCK s_lock;
    static std::vector<std::pair<const void*, IKsPropertySet*>> s_upstreamKsProp;
};
