// posix/Time.cpp - the tick counter and sleep on POSIX clocks.
#include "yrapi/platform/Time.h"

#include "yrapi/platform/Internal.h"
#include "yrapi/platform/posix/Posix.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sched.h>

namespace YRAPI::platform {

DWORD GetTickCount() {
    if (DWORD(*source)() = detail::TickSource()) return source();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    auto ms = static_cast<unsigned long long>(now.tv_sec) * 1000ull +
              static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
    return static_cast<DWORD>(ms);  // wraps every 2^32 ms, as callers expect
}

void Sleep(DWORD dwMilliseconds) {
    posix::CForcedEnd* pForcedEnd = posix::CurrentForcedEnd();
    if (dwMilliseconds == 0) {
        // A yield is a forced-end point too: a busy loop that yields can be ended.
        posix::CForcedEndPoint point(nullptr);
        point.ActIfRequested();
        sched_yield();
        return;
    }
    if (pForcedEnd == nullptr) {
        // A thread we did not start: nothing can ask it to end. A signal handler must not
        // cut the sleep short: resume with what is left.
        timespec left{static_cast<time_t>(dwMilliseconds / 1000),
                      static_cast<long>(dwMilliseconds % 1000) * 1000000L};
        while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
        }
        return;
    }
    // One of our threads sleeps on a monitor of its own, which only a forced end wakes.
    posix::CMonitor& sleeper = pForcedEnd->sleeper;
    const timespec deadline = posix::DeadlineAfter(CLOCK_MONOTONIC, dwMilliseconds);
    posix::CForcedEndPoint point(&sleeper);
    posix::CMutexHolder hold(sleeper.mutex);
    for (;;) {
        point.ActIfRequested();
        if (pthread_cond_timedwait(&sleeper.cond, &sleeper.mutex, &deadline) == ETIMEDOUT) return;
    }
}

}  // namespace YRAPI::platform
