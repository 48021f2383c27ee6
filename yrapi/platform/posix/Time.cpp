// posix/Time.cpp - the tick counter and sleep on POSIX clocks.
#include "yrapi/platform/Time.h"

#include "yrapi/platform/Internal.h"

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

// Not instrumented by AddressSanitizer: a sleep is where forced ends usually act, and the
// unwind of a cancellation skips a frame without destructors, so the red zones around `left`
// would stay poisoned below the frame that handles the unwind; GCC 12's ASan runtime then
// reports its own use of that stack (in __asan_handle_no_return) and aborts. Every frame of
// the backend that a cancellation skips is left uninstrumented for that reason.
// A signal handler does not cut the sleep short: it resumes with what is left.
// clock_nanosleep is a cancellation point, so a forced end acts here (see CThread::Terminate);
// a yield is made one by asking first.
__attribute__((no_sanitize_address)) void Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        pthread_testcancel();
        sched_yield();
        return;
    }
    timespec left{static_cast<time_t>(dwMilliseconds / 1000),
                  static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

}  // namespace YRAPI::platform
