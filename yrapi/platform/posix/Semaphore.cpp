// posix/Semaphore.cpp - a counting semaphore on a pthread mutex and a monotonic condition
// variable (sem_t has no monotonic timed wait that every sanitizer understands).
#include "yrapi/platform/Semaphore.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/posix/Posix.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace YRAPI::platform {

struct CSemaphore::Impl : posix::CMonitor {
    DWORD dwCount;    // guarded by mutex
    DWORD dwMaximum;  // fixed at creation

    Impl(DWORD dwInitial, DWORD dwMax) : dwCount(dwInitial), dwMaximum(dwMax) {}
};

std::unique_ptr<CSemaphore> CSemaphore::Create(DWORD dwInitial, DWORD dwMaximum) {
    if (detail::ConsumeFault(testing::Fault::SemaphoreCreate)) {
        SetLastError(EAGAIN);
        return nullptr;
    }
    if (dwMaximum == 0 || dwInitial > dwMaximum) {
        SetLastError(EINVAL);
        return nullptr;
    }
    return std::unique_ptr<CSemaphore>(
        new CSemaphore(std::make_unique<Impl>(dwInitial, dwMaximum)));
}

CSemaphore::CSemaphore(std::unique_ptr<Impl> pImpl) : pImpl(std::move(pImpl)) {}

CSemaphore::~CSemaphore() = default;

// Not instrumented by AddressSanitizer: a forced end's unwind passes here (see Sleep).
__attribute__((no_sanitize_address)) WaitResult CSemaphore::Wait(DWORD dwTimeoutMs) {
    timespec deadline =
        posix::DeadlineAfter(CLOCK_MONOTONIC, dwTimeoutMs == INFINITE ? 0 : dwTimeoutMs);
    // A cancellation point: a waiter ended by force takes no count, and the holder leaves
    // the mutex free (the condition wait takes it again before the unwind).
    posix::CMutexHolder hold(pImpl->mutex);
    while (pImpl->dwCount == 0) {
        int rc = dwTimeoutMs == INFINITE
                     ? pthread_cond_wait(&pImpl->cond, &pImpl->mutex)
                     : pthread_cond_timedwait(&pImpl->cond, &pImpl->mutex, &deadline);
        if (rc == ETIMEDOUT && pImpl->dwCount == 0) return WaitResult::Timeout;
    }
    --pImpl->dwCount;
    return WaitResult::Acquired;
}

bool CSemaphore::Release() {
    pthread_mutex_lock(&pImpl->mutex);
    bool bOk = pImpl->dwCount < pImpl->dwMaximum;
    if (bOk) {
        ++pImpl->dwCount;
        // Signalled with the mutex held: a waiter that takes this count may destroy the
        // semaphore as soon as it has the mutex, so Release must be done with the condition
        // variable by then.
        pthread_cond_signal(&pImpl->cond);
    }
    pthread_mutex_unlock(&pImpl->mutex);
    if (!bOk) SetLastError(EOVERFLOW);
    return bOk;
}

}  // namespace YRAPI::platform
