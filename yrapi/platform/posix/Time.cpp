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

namespace {

// Sleeps that are at most this long look at a forced-end request only before and after they
// sleep: a request then waits at most this long, and the time-critical 1 ms sleeps of the
// timer service cost what a plain nanosleep costs.
constexpr DWORD kShortSleepMs = 10;

// A signal handler must not cut the sleep short: it resumes with what is left.
void PlainSleep(DWORD dwMilliseconds) {
    timespec left{static_cast<time_t>(dwMilliseconds / 1000),
                  static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

}  // namespace

void Sleep(DWORD dwMilliseconds) {
    posix::CForcedEnd* pForcedEnd = posix::CurrentForcedEnd();
    if (pForcedEnd == nullptr) {
        // A thread we did not start: nothing can ask it to end.
        if (dwMilliseconds == 0) {
            sched_yield();
        } else {
            PlainSleep(dwMilliseconds);
        }
        return;
    }
    if (dwMilliseconds <= kShortSleepMs) {
        // A yield or a short sleep: a busy loop that yields or naps can be ended too.
        posix::CForcedEndPoint point(nullptr);
        point.ActIfRequested();
        if (dwMilliseconds == 0) {
            sched_yield();
        } else {
            PlainSleep(dwMilliseconds);
        }
        point.ActIfRequested();
        return;
    }
    // A longer sleep waits on a monitor of the thread's own, which only a forced end wakes.
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
