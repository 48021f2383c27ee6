// Posix.h - private to the POSIX backend: the small pieces its files share.
#pragma once

#include <yrapi/platform/Types.h>

#include <ctime>
#include <pthread.h>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* pAddress);
extern "C" void __tsan_release(void* pAddress);
#endif

namespace YRAPI::platform::posix {

/// Tells ThreadSanitizer of a lock's acquisition and release (no-ops in other builds).
/// ThreadSanitizer loses every lock of a thread whose forced end acted inside one of its
/// blocking interceptors (read, poll, nanosleep...): the cancellation's unwind skips the
/// interceptor's clean-up, which leaves it ignoring that thread's later calls. What the
/// thread releases on its way out is then told here, so the sanitizer still sees it.
inline void TsanAcquire([[maybe_unused]] void* pLock) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(pLock);
#endif
}
inline void TsanRelease([[maybe_unused]] void* pLock) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(pLock);
#endif
}

/// The moment dwTimeoutMs from now on the given clock, as the pthread timed waits take it.
timespec DeadlineAfter(clockid_t clock, DWORD dwTimeoutMs);

/// A mutex with a condition variable whose timed waits measure on CLOCK_MONOTONIC, so that
/// a change of the wall clock does not stretch or cut them.
struct CMonitor {
    pthread_mutex_t mutex;
    pthread_cond_t cond;

    CMonitor();
    ~CMonitor();
    CMonitor(const CMonitor&) = delete;
    CMonitor& operator=(const CMonitor&) = delete;
};

/// Holds a pthread mutex for a scope, so that it is also released when a forced end (a
/// cancellation acting in a condition wait, which takes the mutex again first) unwinds the
/// stack through that scope.
class CMutexHolder {
  public:
    explicit CMutexHolder(pthread_mutex_t& mutex) : mutex(mutex) {
        pthread_mutex_lock(&mutex);
        TsanAcquire(&mutex);
    }
    ~CMutexHolder() {
        TsanRelease(&mutex);
        pthread_mutex_unlock(&mutex);
    }
    CMutexHolder(const CMutexHolder&) = delete;
    CMutexHolder& operator=(const CMutexHolder&) = delete;

  private:
    pthread_mutex_t& mutex;
};

}  // namespace YRAPI::platform::posix
