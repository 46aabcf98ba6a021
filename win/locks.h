// The system's slim reader-writer lock, in place of the runtime's mutexes:
// nothing to construct at load, nothing to destroy, no library code.
#pragma once

#include <windows.h>

namespace vtb {

class SlimLock {
public:
    constexpr SlimLock() = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;

    void Lock() { AcquireSRWLockExclusive(&lock_); }
    void Unlock() { ReleaseSRWLockExclusive(&lock_); }
    void LockShared() { AcquireSRWLockShared(&lock_); }
    void UnlockShared() { ReleaseSRWLockShared(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// Holds a lock for writing, or for reading, for the guard's lifetime.
class ExclusiveLock {
public:
    explicit ExclusiveLock(SlimLock& lock) : lock_(lock) { lock_.Lock(); }
    ~ExclusiveLock() { Unlock(); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    // Lets go before the guard's end; once.
    void Unlock() {
        if (held_) lock_.Unlock();
        held_ = false;
    }

private:
    SlimLock& lock_;
    bool held_ = true;
};

class SharedLock {
public:
    explicit SharedLock(SlimLock& lock) : lock_(lock) { lock_.LockShared(); }
    ~SharedLock() { lock_.UnlockShared(); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    SlimLock& lock_;
};

}  // namespace vtb
