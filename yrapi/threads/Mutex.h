// Mutex.h - CMutex, a recursive lock owned by one thread at a time, and CMutexLock, its holder.
// Thread-safety: any thread may call any member. The owner may take the lock again without
// blocking and releases it as often as it took it; Unlock() by a non-owner fails and changes
// nothing. When the owner ends without releasing, the next waiter gets the lock (its Lock()
// reports false but it owns the lock all the same). Waits have no time limit.
#pragma once

#include <memory>

namespace YRAPI {

namespace platform {
class CKernelMutex;
}

class CMutex {
  public:
    /// Creates the lock, not owned. When the platform refuses a mutex, throws this object's
    /// address as a CMutex* (so a catch (void*) sees it too).
    CMutex();
    virtual ~CMutex();

    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    /// Waits without limit for the lock. True when it was taken normally; false when it was
    /// taken from an owner that had ended (abandoned) or the wait failed.
    bool Lock();

    /// Releases one level of ownership; false when the caller does not own the lock.
    bool Unlock();

  private:
    std::unique_ptr<platform::CKernelMutex> pHandle;  // null only after destruction
};

/// Holds a CMutex for the lifetime of a scope: takes it in the constructor (whatever the
/// wait reports) and releases it once in the destructor, also during exception unwinding.
/// Always a named variable: `CMutexLock lock(mutex);`.
class CMutexLock {
  public:
    explicit CMutexLock(CMutex& mutex) : pMutex(&mutex) { pMutex->Lock(); }
    virtual ~CMutexLock() { pMutex->Unlock(); }

    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

  private:
    CMutex* pMutex;  // not owned
};

}  // namespace YRAPI
