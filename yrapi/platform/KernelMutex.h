// KernelMutex.h - a process-local recursive mutex owned by a thread, with timed waits and
// abandonment: the one lock primitive the library is built on.
// Thread-safety: any thread may Wait or Release. Release by a thread that does not own the
// mutex fails and changes nothing. When the owning thread ends without releasing, the next
// waiter owns the mutex and is told so (WaitResult::Abandoned).
#pragma once

#include <yrapi/platform/Types.h>

#include <memory>

namespace YRAPI::platform {

/// How a wait on a kernel object ended.
enum class WaitResult {
    Acquired,   ///< signalled: the mutex is owned, or a count was taken, or the thread ended
    Abandoned,  ///< the mutex is owned, but its previous owner ended while holding it
    Timeout,    ///< the time-out ran out first
    Failed,     ///< the wait itself failed; GetLastError() tells why
};

class CKernelMutex {
  public:
    /// Creates an unowned mutex; null when the platform refuses (see GetLastError()).
    static std::unique_ptr<CKernelMutex> Create();

    /// Closing a mutex is always safe: one owned by the closing thread is released first; one
    /// still owned by another thread is left to that thread and its memory is not reclaimed.
    ~CKernelMutex();

    CKernelMutex(const CKernelMutex&) = delete;
    CKernelMutex& operator=(const CKernelMutex&) = delete;

    /// Waits up to dwTimeoutMs (INFINITE: no limit) to own the mutex; recursive for its owner.
    WaitResult Wait(DWORD dwTimeoutMs);

    /// Releases one level of ownership; false when the caller does not own the mutex.
    bool Release();

    struct Impl;

  private:
    explicit CKernelMutex(Impl* pImpl) : pImpl(pImpl) {}
    Impl* pImpl;  // owned; deliberately leaked when another thread still owns the mutex
};

}  // namespace YRAPI::platform
