// Win32.h - private to the Win32 backend: <windows.h> as its files include it, and the small
// pieces they share.
// Thread-safety: a CHandle belongs to one owner; CTerminableWait and SetForcedEndCounts act on the
// calling thread only.
//
// Include this instead of <windows.h>, after the yrapi headers. <windows.h> defines INFINITE,
// STILL_ACTIVE and the THREAD_PRIORITY_ values as macros; they are undone here, so that the
// names keep meaning the library's constants (which have the same values) in every file of
// the backend, qualified or not.
#pragma once

#include <yrapi/platform/KernelMutex.h>
#include <yrapi/platform/Thread.h>
#include <yrapi/platform/Types.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <atomic>
#include <windows.h>

#undef INFINITE
#undef STILL_ACTIVE
#undef THREAD_PRIORITY_IDLE
#undef THREAD_PRIORITY_LOWEST
#undef THREAD_PRIORITY_BELOW_NORMAL
#undef THREAD_PRIORITY_NORMAL
#undef THREAD_PRIORITY_ABOVE_NORMAL
#undef THREAD_PRIORITY_HIGHEST
#undef THREAD_PRIORITY_TIME_CRITICAL

namespace YRAPI::platform::win32 {

/// Owns one kernel handle and closes it exactly once. Null and INVALID_HANDLE_VALUE are none.
class CHandle {
  public:
    explicit CHandle(HANDLE hHandle = nullptr) : hHandle(hHandle) {}
    ~CHandle();
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    /// Closes the handle held, if any, and takes hNew.
    void Reset(HANDLE hNew);

    HANDLE Get() const { return hHandle; }
    explicit operator bool() const { return hHandle != nullptr && hHandle != INVALID_HANDLE_VALUE; }

  private:
    HANDLE hHandle;
};

/// Where a thread that CThread made counts, for CThread::Terminate to read while it is
/// suspended: the layer's waits it is blocked in, and the library calls it is inside
/// (CDeferForcedEnd).
struct CForcedEndCounts {
    std::atomic<int> nInWait{0};
    std::atomic<int> nDeferred{0};
};

/// Sets where the calling thread counts (its CThread control block's counts; null for any
/// other thread, which nothing can end by force).
void SetForcedEndCounts(CForcedEndCounts* pCounts);

/// Marks the calling thread as blocked in one of the layer's own waits while the object lives.
/// There the thread holds no lock of the layer, the C runtime or the system's libraries, so
/// that is where CThread::Terminate may end it (unless it is inside a library call). A kernel
/// mutex wait is not one: a thread ended there may be in the middle of a call that takes a
/// lock, such as a stop request waiting for a worker's state lock.
class CTerminableWait {
  public:
    CTerminableWait();
    ~CTerminableWait();
    CTerminableWait(const CTerminableWait&) = delete;
    CTerminableWait& operator=(const CTerminableWait&) = delete;

  private:
    CForcedEndCounts* pCounts;
};

/// Records the system's last error (::GetLastError) as the platform layer's, for
/// platform::GetLastError(); called on every path where a Win32 call of the backend failed.
void KeepSystemError();

/// How a WaitForSingleObject on a mutex, semaphore or thread ended; a failed wait keeps the
/// system's error.
WaitResult FromWait(::DWORD dwWait);

}  // namespace YRAPI::platform::win32
