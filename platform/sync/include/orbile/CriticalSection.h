// A re-entrant lock: CRITICAL_SECTION on Windows, a recursive mutex elsewhere,
// and the one scoped guard of the code base.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace orbile {

#ifdef _WIN32
typedef CRITICAL_SECTION NativeSection;
inline void EnterSection(NativeSection* section) { EnterCriticalSection(section); }
inline void LeaveSection(NativeSection* section) { LeaveCriticalSection(section); }
#else
typedef std::recursive_mutex NativeSection;
inline void EnterSection(NativeSection* section) { section->lock(); }
inline void LeaveSection(NativeSection* section) { section->unlock(); }
#endif

class CriticalSection {
public:
#ifdef _WIN32
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
#else
    CriticalSection() = default;
#endif
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { EnterSection(&section_); }
    void Leave() { LeaveSection(&section_); }
    NativeSection* Native() { return &section_; }

private:
    NativeSection section_;
};

// Holds a lock for the guard's lifetime: one of ours, or a bare section that
// a platform interface (a DirectShow filter and its pins) shares by address.
class Locked {
public:
    explicit Locked(CriticalSection& section) : Locked(section.Native()) {}
    explicit Locked(NativeSection* section) : section_(section) { EnterSection(section_); }
    explicit Locked(NativeSection& section) : Locked(&section) {}
    ~Locked() { LeaveSection(section_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    NativeSection* section_;
};

}  // namespace orbile
