// posix/Time.cpp - the tick counter and sleep on POSIX clocks.
#include "yrapi/platform/Time.h"

#include "yrapi/platform/Internal.h"

#include <cerrno>
#include <ctime>
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

// Not instrumented by AddressSanitizer: Sleep is where forced ends usually strike, and a
// cancelled sleep never returns, so the red zones around `left` would stay poisoned below
// the frame that handles the unwind; GCC 12's ASan runtime then reports its own check of
// that stack memory (in __asan_handle_no_return) as an error and aborts.
__attribute__((no_sanitize_address)) void Sleep(DWORD dwMilliseconds) {
    timespec left{static_cast<time_t>(dwMilliseconds / 1000),
                  static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    // A signal handler must not cut the sleep short: resume with what is left.
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

}  // namespace YRAPI::platform
