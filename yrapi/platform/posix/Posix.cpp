// posix/Posix.cpp - the pieces the POSIX backend's files share.
#include "yrapi/platform/posix/Posix.h"

namespace YRAPI::platform::posix {
timespec DeadlineAfter(clockid_t clock, DWORD dwTimeoutMs) {
    timespec t{};
    clock_gettime(clock, &t);
    t.tv_sec += static_cast<time_t>(dwTimeoutMs / 1000);
    t.tv_nsec += static_cast<long>(dwTimeoutMs % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

CMonitor::CMonitor() {
    pthread_mutex_init(&mutex, nullptr);
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&cond, &attr);
    pthread_condattr_destroy(&attr);
}

CMonitor::~CMonitor() {
    pthread_cond_destroy(&cond);
    pthread_mutex_destroy(&mutex);
}

}  // namespace YRAPI::platform::posix
