// Semaphore.h - a counting semaphore with timed waits.
// Thread-safety: any thread may Wait or Release at any time.
#pragma once

#include <yrapi/platform/KernelMutex.h>
#include <yrapi/platform/Types.h>

#include <memory>

namespace YRAPI::platform {

class CSemaphore {
  public:
    /// A semaphore holding dwInitial counts, never more than dwMaximum; null when refused.
    static std::unique_ptr<CSemaphore> Create(DWORD dwInitial, DWORD dwMaximum);
    ~CSemaphore();

    CSemaphore(const CSemaphore&) = delete;
    CSemaphore& operator=(const CSemaphore&) = delete;

    /// Takes one count, waiting up to dwTimeoutMs for one: Acquired or Timeout.
    WaitResult Wait(DWORD dwTimeoutMs);

    /// Adds one count; false when that would pass the maximum.
    bool Release();

    struct Impl;

  private:
    explicit CSemaphore(std::unique_ptr<Impl> pImpl);
    std::unique_ptr<Impl> pImpl;
};

}  // namespace YRAPI::platform
