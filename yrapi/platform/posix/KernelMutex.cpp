// posix/KernelMutex.cpp - the kernel mutex as a robust, recursive pthread mutex.
//
// Robust: when the owner ends while holding it, the kernel hands it to the next locker with
// EOWNERDEAD; we mark it consistent so it stays usable, and report the abandonment.
// Recursive: glibc then also checks ownership, so an unlock by another thread gets EPERM.
#include "yrapi/platform/KernelMutex.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/posix/Posix.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pthread.h>

#if defined(__SANITIZE_ADDRESS__)
#define YRAPI_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define YRAPI_HAS_LSAN 1
#endif
#endif
#if YRAPI_HAS_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace YRAPI::platform {

struct CKernelMutex::Impl {
    pthread_mutex_t mutex;
    // Who owns the mutex and how often, kept beside the pthread mutex so that a release by a
    // non-owner is refused before it reaches pthread (where it would be a misuse), and so that
    // closing knows how many levels to release.
    std::atomic<std::uint64_t> nOwner{0};  // the owner's OwnerToken(); written by the owner only
    unsigned nDepth = 0;                   // guarded by mutex
};

namespace {

// A per-thread token that is never reused, unlike kernel thread ids: a thread that starts
// after an owner ended holding a mutex can never pass for that owner.
std::uint64_t OwnerToken() {
    static std::atomic<std::uint64_t> nNext{1};
    thread_local const std::uint64_t nToken = nNext.fetch_add(1);
    return nToken;
}

[[noreturn]] void Fatal(const char* what, int err) {
    std::fprintf(stderr, "yrapi: %s failed: %s\n", what,
                 ErrorText(static_cast<DWORD>(err)).c_str());
    std::abort();
}

WaitResult FromLockResult(CKernelMutex::Impl& impl, int rc) {
    switch (rc) {
        case 0:
            posix::TsanAcquire(&impl);
            if (impl.nDepth++ == 0) impl.nOwner.store(OwnerToken());
            return WaitResult::Acquired;
        case EOWNERDEAD:
            posix::TsanAcquire(&impl);
            pthread_mutex_consistent(&impl.mutex);
            impl.nDepth = 1;  // the dead owner's levels are gone with it
            impl.nOwner.store(OwnerToken());
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
    // destroyed. If another thread owns it, that thread may still release it later, and
    // until then the mutex is linked into that thread's robust list, which the kernel walks
    // when the thread ends; so the memory is left to it (a deliberate, bounded leak) rather
    // than freed under it.
    WaitResult result = FromLockResult(*pImpl, pthread_mutex_trylock(&pImpl->mutex));
    if (result != WaitResult::Acquired && result != WaitResult::Abandoned) {
#if YRAPI_HAS_LSAN
        __lsan_ignore_object(pImpl);  // the leak above is on purpose
#endif
        return;
    }
    while (pImpl->nDepth != 0 && Release()) {
    }
    pthread_mutex_destroy(&pImpl->mutex);
    delete pImpl;
}

WaitResult CKernelMutex::Wait(DWORD dwTimeoutMs) {
    int rc;
    if (dwTimeoutMs == INFINITE) {
        rc = pthread_mutex_lock(&pImpl->mutex);
    } else {
        // Try first: a free (or already abandoned) mutex is then taken without reading the
        // clock, and abandonment found here is reported through trylock, which
        // ThreadSanitizer models; its timedlock hook ignores EOWNERDEAD and would later flag
        // the new owner's release as an unlock by the wrong thread.
        rc = pthread_mutex_trylock(&pImpl->mutex);
        if (rc == EBUSY && dwTimeoutMs != 0) {
            // pthread_mutex_timedlock measures on the wall clock.
            timespec deadline = posix::DeadlineAfter(CLOCK_REALTIME, dwTimeoutMs);
            rc = pthread_mutex_timedlock(&pImpl->mutex, &deadline);
        }
    }
    if (rc == EAGAIN) Fatal("pthread_mutex_lock (recursion limit)", rc);
    return FromLockResult(*pImpl, rc);
}

bool CKernelMutex::Release() {
    if (pImpl->nOwner.load() != OwnerToken()) {
        SetLastError(EPERM);
        return false;
    }
    unsigned nWasDepth = pImpl->nDepth;
    std::uint64_t nWasOwner = pImpl->nOwner.load();
    if (--pImpl->nDepth == 0) pImpl->nOwner.store(0);
    posix::TsanRelease(pImpl);
    // We own it by our own record; pthread has the last word all the same.
    int rc = pthread_mutex_unlock(&pImpl->mutex);
    if (rc != 0) {
        pImpl->nDepth = nWasDepth;
        pImpl->nOwner.store(nWasOwner);
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    return true;
}

}  // namespace YRAPI::platform
