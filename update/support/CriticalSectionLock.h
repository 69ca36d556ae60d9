#pragma once
// A Windows critical section, and the holder that keeps it entered for the
// length of a scope.
#include <windows.h>

class CriticalSectionLock {
public:
    CriticalSectionLock() { InitializeCriticalSection(&section_); }
    virtual ~CriticalSectionLock() { DeleteCriticalSection(&section_); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Enters the lock on construction and leaves it on destruction; a null lock
// makes the holder do nothing.
class ScopedLock {
public:
    explicit ScopedLock(CriticalSectionLock* lock) : lock_(lock) {
        if (lock_) lock_->Enter();
    }
    virtual ~ScopedLock() {
        if (lock_) lock_->Leave();
    }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSectionLock* lock_;
};
