// posix/KernelMutex.cpp - the kernel mutex as a robust, recursive pthread mutex.
//
// Robust: when the owner ends while holding it, the kernel hands it to the next locker with
// EOWNERDEAD; we mark it consistent so it stays usable, and report the abandonment.
// Recursive: glibc then also checks ownership, so an unlock by another thread gets EPERM.
#include "yrapi/platform/KernelMutex.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/Thread.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pthread.h>

namespace YRAPI::platform {

struct CKernelMutex::Impl {
    pthread_mutex_t mutex;
    // Who owns the mutex and how often, kept beside the pthread mutex so that a release by a
    // non-owner is refused before it reaches pthread (where it would be a misuse), and so that
    // closing knows how many levels to release.
    std::atomic<DWORD> dwOwner{0};  // written by the owner only
    unsigned nDepth = 0;            // guarded by mutex
};

namespace {

[[noreturn]] void Fatal(const char* what, int err) {
    std::fprintf(stderr, "yrapi: %s failed: %s\n", what,
                 ErrorText(static_cast<DWORD>(err)).c_str());
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

WaitResult FromLockResult(CKernelMutex::Impl& impl, int rc) {
    switch (rc) {
        case 0:
            if (impl.nDepth++ == 0) impl.dwOwner.store(GetCurrentThreadId());
            return WaitResult::Acquired;
        case EOWNERDEAD:
            pthread_mutex_consistent(&impl.mutex);
            impl.nDepth = 1;  // the dead owner's levels are gone with it
            impl.dwOwner.store(GetCurrentThreadId());
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
    WaitResult result = FromLockResult(*pImpl, pthread_mutex_trylock(&pImpl->mutex));
    if (result != WaitResult::Acquired && result != WaitResult::Abandoned) return;
    while (pImpl->nDepth != 0 && Release()) {
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
    return FromLockResult(*pImpl, rc);
}

bool CKernelMutex::Release() {
    if (pImpl->dwOwner.load() != GetCurrentThreadId()) {
        SetLastError(EPERM);
        return false;
    }
    unsigned nWasDepth = pImpl->nDepth;
    DWORD dwWasOwner = pImpl->dwOwner.load();
    if (--pImpl->nDepth == 0) pImpl->dwOwner.store(0);
    // An ended owner's identifier can be reused by a new thread; pthread still knows the truth.
    int rc = pthread_mutex_unlock(&pImpl->mutex);
    if (rc != 0) {
        pImpl->nDepth = nWasDepth;
        pImpl->dwOwner.store(dwWasOwner);
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    return true;
}

}  // namespace YRAPI::platform
