// Posix.h - private to the POSIX backend: the small pieces its files share.
#pragma once

#include <yrapi/platform/Types.h>

#include <ctime>
#include <pthread.h>

namespace YRAPI::platform::posix {

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

/// A cleanup handler for pthread_cleanup_push: unlocks the pthread_mutex_t it is given, so a
/// wait that is a cancellation point does not leave its mutex locked when the waiter is
/// cancelled.
void UnlockMutex(void* pMutex);

}  // namespace YRAPI::platform::posix
