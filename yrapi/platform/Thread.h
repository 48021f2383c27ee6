// Thread.h - platform threads: creation (running or suspended), timed waits for their end,
// forced end, priority and identifiers.
// Thread-safety: any thread may call any member of a CThread; Resume, Terminate and
// SetPriority called concurrently on one thread act in some order. The handle object and
// the thread are independent: destroying the handle never touches the running thread.
#pragma once

#include <yrapi/platform/KernelMutex.h>
#include <yrapi/platform/Types.h>

#include <memory>

namespace YRAPI::platform {

/// The routine a thread runs; its result becomes the thread's exit code.
using ThreadRoutine = DWORD (*)(void* pArg);

/// The calling thread's identifier (the kernel's thread id; never 0).
DWORD GetCurrentThreadId();

/// Lets the calling thread's timed sleeps end up to nNanoseconds after the time asked, so
/// that the kernel may merge wake-ups (Linux gives an ordinary thread 50 us; real-time threads
/// sleep without slack whatever is set). 0 restores the default. False when refused.
/// Windows has no slack per thread: there a value below 1 ms raises the system timer's
/// resolution to 1 ms (from 15.6 ms) until the thread sets 0 or the process ends.
bool SetCurrentThreadTimerSlack(unsigned nNanoseconds);

/// Platform priority values, as the library's callers pass them.
inline constexpr int THREAD_PRIORITY_IDLE = -15;
inline constexpr int THREAD_PRIORITY_LOWEST = -2;
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

/// Exit code a thread reports while it still runs.
inline constexpr DWORD STILL_ACTIVE = 259;

class CThread {
  public:
    /// Starts a thread that runs routine(pArg). With bSuspended it waits for Resume() before
    /// running the routine. The identifier is stored in *pdwThreadId (when given) before
    /// Create returns. Null when the platform refuses (see GetLastError()).
    static std::unique_ptr<CThread> Create(ThreadRoutine routine, void* pArg, bool bSuspended,
                                           DWORD* pdwThreadId);

    /// Closes the handle. A thread that still runs goes on and cleans up after itself.
    ~CThread();

    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    DWORD GetId() const;

    /// Lets a suspended thread run its routine; false when it was not suspended.
    bool Resume();

    /// Waits up to dwTimeoutMs for the thread's end: Acquired when it has ended (fully: any
    /// kernel mutex it still owned is abandoned by then), Timeout, or Failed (an injected
    /// ThreadWait fault, with GetLastError() set).
    WaitResult Wait(DWORD dwTimeoutMs);

    /// The exit code, or STILL_ACTIVE while the thread runs.
    DWORD GetExitCode() const;

    /// Ends the thread by force with dwExitCode and waits for it to be gone.
    ///
    /// POSIX has no safe asynchronous kill, and a pthread cancellation could not be taken back,
    /// so the end is asked of the thread and taken up at the platform layer's own waits: Sleep
    /// (Sleep(0) included; one of 10 ms or less only when it ends), a semaphore wait, a wait
    /// for a thread's end and a suspended start.
    /// There the wait releases what it holds and the stack is unwound as pthread_exit does, so
    /// destructors run and scoped locks are released; code on that path must not swallow the
    /// unwind with a catch (...) or sit in a noexcept function, or the process aborts. A kernel
    /// mutex wait, blocking I/O and plain computation are not reached: a thread that comes to
    /// none of those waits within a few seconds is not ended, the request is withdrawn and
    /// the call returns false; the thread then runs on exactly as if it had never been asked,
    /// and a later Terminate works as usual. Ending the calling thread itself is refused.
    /// Returns true once the thread is gone, with dwExitCode as its exit code; also true for a
    /// thread that had already ended (whose own exit code is kept).
    ///
    /// On Win32 the forced end is TerminateThread, struck only while the thread is blocked in
    /// one of this layer's own waits (Sleep, and Wait on a kernel mutex, a semaphore or a
    /// thread), or before a thread created suspended ever ran: anywhere else the thread may
    /// hold a lock of the system's (the loader's while it starts, the heap's, the C runtime's)
    /// that nobody would ever release. Terminate suspends the thread to see where it is; one
    /// that reaches no such wait within a few seconds is not ended, the call returns false and
    /// nothing stays pending. Ending the calling thread itself is refused. TerminateThread
    /// cleans up nothing of the thread's own: no destructor runs and its stack is not unwound,
    /// so scoped holders keep their locks (a kernel mutex it owns is abandoned, and the next
    /// waiter gets it; a std::mutex or critical section it holds stays locked for good), the
    /// memory it allocated, its thread_local storage and the C runtime's data for it are
    /// leaked, and DLLs are not told of its end. The kernel frees its stack and signals its
    /// end to every waiter.
    bool Terminate(DWORD dwExitCode);

    /// Maps a platform priority value to Linux scheduling:
    ///  - TIME_CRITICAL (15 and above): SCHED_FIFO at the highest real-time priority the
    ///    process may use (RLIMIT_RTPRIO when unprivileged); when real-time scheduling is not
    ///    allowed at all, SCHED_OTHER with the lowest nice value allowed (-20 for root).
    ///  - HIGHEST/ABOVE_NORMAL/NORMAL/BELOW_NORMAL/LOWEST: SCHED_OTHER with nice -10/-5/0/5/10.
    ///  - IDLE (-15 and below): SCHED_IDLE.
    /// On Win32 the value goes to SetThreadPriority as it is, or as the nearest of the levels
    /// above when it lies between them.
    /// False when the platform refuses every option, for a thread that has ended (or for an
    /// injected fault).
    bool SetPriority(int nPriority);

    struct Control;

  private:
    explicit CThread(std::shared_ptr<Control> pControl);
    std::shared_ptr<Control> pControl;  // shared with the running thread
};

}  // namespace YRAPI::platform
