// posix/Posix.cpp - the pieces the POSIX backend's files share.
#include "yrapi/platform/posix/Posix.h"

namespace YRAPI::platform::posix {
namespace {

thread_local CForcedEnd* tForcedEnd = nullptr;

}  // namespace

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

CForcedEnd::CForcedEnd() { pthread_mutex_init(&wakeLock, nullptr); }

CForcedEnd::~CForcedEnd() { pthread_mutex_destroy(&wakeLock); }

void CForcedEnd::Request() {
    CMutexHolder hold(wakeLock);
    int nExpected = None;
    // A thread that is already ending is not asked again: it must not leave twice.
    if (!nState.compare_exchange_strong(nExpected, Requested)) return;
    // The thread checks the request with the monitor's mutex held before it blocks, so a
    // broadcast under that mutex cannot fall between its check and its wait. The monitor
    // stays valid while it is registered: the thread withdraws it under wakeLock, which is
    // held here.
    if (pWaitingOn != nullptr) {
        CMutexHolder holdMonitor(pWaitingOn->mutex);
        pthread_cond_broadcast(&pWaitingOn->cond);
    }
}

bool CForcedEnd::Withdraw() {
    int nExpected = Requested;
    return nState.compare_exchange_strong(nExpected, None) || nExpected == None;
}

void SetCurrentForcedEnd(CForcedEnd* pForcedEnd) { tForcedEnd = pForcedEnd; }

CForcedEnd* CurrentForcedEnd() { return tForcedEnd; }

CForcedEndPoint::CForcedEndPoint(CMonitor* pMonitor) : pForcedEnd(tForcedEnd), pMonitor(pMonitor) {
    if (pForcedEnd == nullptr || pMonitor == nullptr) return;
    CMutexHolder hold(pForcedEnd->wakeLock);
    pForcedEnd->pWaitingOn = pMonitor;
}

CForcedEndPoint::~CForcedEndPoint() {
    if (pForcedEnd == nullptr || pMonitor == nullptr) return;
    CMutexHolder hold(pForcedEnd->wakeLock);
    pForcedEnd->pWaitingOn = nullptr;
}

void CForcedEndPoint::ActIfRequested() {
    if (pForcedEnd == nullptr || pForcedEnd->nState.load() != CForcedEnd::Requested) return;
    int nExpected = CForcedEnd::Requested;
    if (!pForcedEnd->nState.compare_exchange_strong(nExpected, CForcedEnd::Acting)) return;
    // Unwinds the stack as a cancellation would: destructors run (the wait's mutex holder and
    // this point among them), and ThreadStart's records the end with the forced exit code.
    pthread_exit(nullptr);
}

}  // namespace YRAPI::platform::posix
