// posix/KernelMutex.cpp - the kernel mutex as a robust, recursive pthread mutex.
//
// Robust: when the owner ends while holding it, the kernel hands it to the next locker with
// EOWNERDEAD; we mark it consistent so it stays usable, and report the abandonment.
// Recursive: glibc then also checks ownership, so an unlock by another thread gets EPERM.
#include "yrapi/platform/KernelMutex.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"

#include <pthread.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace YRAPI::platform {

struct CKernelMutex::Impl {
    pthread_mutex_t mutex;
};

namespace {

[[noreturn]] void Fatal(const char* what, int err) {
    std::fprintf(stderr, "yrapi: %s failed: %s\n", what, ErrorText(static_cast<DWORD>(err)).c_str());
    std::abort();
}

timespec DeadlineAfter(DWORD dwTimeoutMs) {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);  // pthread_mutex_timedlock measures on this clock
    t.tv_sec += static_cast<time_t>(dwTimeoutMs / 1000);
    t.tv_nsec += static_cast<long>(dwTimeoutMs % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

WaitResult FromLockResult(pthread_mutex_t* m, int rc) {
    switch (rc) {
        case 0:
            return WaitResult::Acquired;
        case EOWNERDEAD:
            pthread_mutex_consistent(m);
            return WaitResult::Abandoned;
        case ETIMEDOUT:
        case EBUSY:
            return WaitResult::Timeout;
        default:
            SetLastError(static_cast<DWORD>(rc));
            return WaitResult::Failed;
    }
}

}  // namespace

std::unique_ptr<CKernelMutex> CKernelMutex::Create() {
    if (detail::ConsumeFault(testing::Fault::MutexCreate)) {
        SetLastError(EAGAIN);
        return nullptr;
    }
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_PRIVATE);
    auto* pImpl = new Impl;
    int rc = pthread_mutex_init(&pImpl->mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc != 0) {
        delete pImpl;
        SetLastError(static_cast<DWORD>(rc));
        return nullptr;
    }
    return std::unique_ptr<CKernelMutex>(new CKernelMutex(pImpl));
}

CKernelMutex::~CKernelMutex() {
    // Destroying a locked pthread mutex is undefined. Take it without waiting: if that works
    // the closing thread owns it, so every level it holds can be released and the mutex
    // destroyed. If another thread owns it, that thread may still release it later, so the
    // memory is left to it (a deliberate, bounded leak) rather than freed under it.
    int rc = pthread_mutex_trylock(&pImpl->mutex);
    if (rc == EOWNERDEAD) {
        pthread_mutex_consistent(&pImpl->mutex);
        rc = 0;
    }
    if (rc != 0) return;
    while (pthread_mutex_unlock(&pImpl->mutex) == 0) {
    }
    pthread_mutex_destroy(&pImpl->mutex);
    delete pImpl;
}

WaitResult CKernelMutex::Wait(DWORD dwTimeoutMs) {
    int rc;
    if (dwTimeoutMs == INFINITE) {
        rc = pthread_mutex_lock(&pImpl->mutex);
    } else if (dwTimeoutMs == 0) {
        rc = pthread_mutex_trylock(&pImpl->mutex);
    } else {
        timespec deadline = DeadlineAfter(dwTimeoutMs);
        rc = pthread_mutex_timedlock(&pImpl->mutex, &deadline);
    }
    if (rc == EAGAIN) Fatal("pthread_mutex_lock (recursion limit)", rc);
    return FromLockResult(&pImpl->mutex, rc);
}

bool CKernelMutex::Release() {
    int rc = pthread_mutex_unlock(&pImpl->mutex);
    if (rc != 0) SetLastError(static_cast<DWORD>(rc));
    return rc == 0;
}

}  // namespace YRAPI::platform
