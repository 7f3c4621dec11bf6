// Holds a critical section for a scope: what the sound threads and the
// windows they feed share is touched only under one.
#pragma once
#include <windows.h>

namespace sondrel {

class LCriticalSectionLock {
public:
    explicit LCriticalSectionLock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    ~LCriticalSectionLock() { LeaveCriticalSection(&cs_); }
    LCriticalSectionLock(const LCriticalSectionLock&) = delete;
    LCriticalSectionLock& operator=(const LCriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& cs_;
};

}  // namespace sondrel
