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

/// Platform priority values, as the library's callers pass them (the same values as the
/// macros of <windows.h>, which stand for them where that header came first).
#ifndef THREAD_PRIORITY_IDLE
inline constexpr int THREAD_PRIORITY_IDLE = -15;
#endif
#ifndef THREAD_PRIORITY_LOWEST
inline constexpr int THREAD_PRIORITY_LOWEST = -2;
#endif
#ifndef THREAD_PRIORITY_BELOW_NORMAL
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
#endif
#ifndef THREAD_PRIORITY_NORMAL
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
#endif
#ifndef THREAD_PRIORITY_ABOVE_NORMAL
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
#endif
#ifndef THREAD_PRIORITY_HIGHEST
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;
#endif
#ifndef THREAD_PRIORITY_TIME_CRITICAL
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
#endif

/// Exit code a thread reports while it still runs.
#ifndef STILL_ACTIVE
inline constexpr DWORD STILL_ACTIVE = 259;
#endif

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

    /// Ends the thread by force with dwExitCode and waits up to 2 s for it to be gone.
    ///
    /// Where it acts. A forced end acts only where the thread is blocked (or about to block)
    /// in its own code, and never inside a library call (see CDeferForcedEnd below):
    ///  - Linux: at any POSIX cancellation point the thread reaches outside the library's
    ///    calls: sleeps (nanosleep, std::this_thread::sleep_for), descriptor I/O and polls
    ///    (read, write, recv, accept, poll, select...), condition-variable and thread waits, and
    ///    the library's own waits (Sleep, including Sleep(0), semaphore and thread waits, a
    ///    suspended start). It is a deferred pthread cancellation: the stack is unwound as by
    ///    pthread_exit, destructors run and scoped locks are released; code on that path must
    ///    not swallow the unwind (catch (...) without a rethrow) or sit in a noexcept function
    ///    outside a CDeferForcedEnd scope. A kernel mutex wait is no cancellation point.
    ///  - Windows (x64): TerminateThread, struck while the thread is suspended for a look and
    ///    found blocked in one of this layer's waits (Sleep, a semaphore or a thread wait; not
    ///    a kernel mutex wait), or in Sleep, SleepEx, std::this_thread::sleep_for,
    ///    WaitForSingleObject(Ex) or WaitForMultipleObjects(Ex) called from the program's own
    ///    code, unless a frame of the runtime's own locks (the pthread emulation under the
    ///    C++ runtime's mutexes and condition variables) is on its stack; or before a thread
    ///    created suspended ever ran. Anywhere else the thread may hold a lock of the system's
    ///    (the loader's, the heap's, the C runtime's) that nobody would ever release.
    ///    TerminateThread cleans up nothing of the thread's own: no destructor runs, a kernel
    ///    mutex it owns is abandoned (the next waiter gets it), a std::mutex or critical
    ///    section it holds stays locked for good, its memory and thread_local storage leak.
    ///    (32-bit Windows: only this layer's waits.)
    /// Returns true once the thread is gone, with dwExitCode as its exit code; also true for a
    /// thread that had already ended (whose own exit code is kept). Ending the calling thread
    /// itself is refused (false).
    ///
    /// A refusal. A thread that reaches no such point within the 2 s is not ended: the call
    /// returns false (GetLastError() says why) and the thread goes on.
    ///  - Linux: the request stays pending and cannot be withdrawn. The thread ends at the
    ///    first cancellation point it reaches outside the library's calls, with the exit code
    ///    of the latest request; GetExitCode() and any Wait report that end as usual. A later
    ///    Terminate waits for that same end.
    ///  - Windows: nothing stays pending; the thread runs on as if never asked, and a later
    ///    Terminate looks again.
    /// Either way the thread's end is recorded by the thread's own way out, whoever caused
    /// it, so a waiter never sees a thread that is gone as still running.
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

/// A library call in progress, for the forced end: while at least one lives on the calling
/// thread, CThread::Terminate does not act on that thread; a request made meanwhile waits for
/// the outermost scope to end and then acts at the thread's next blocking call (on Linux) or
/// next look (on Windows). The library opens one wherever a forced end would break it: where
/// it holds one of its locks across a call that may block (a reload under the table lock, the
/// log's close under its control lock), in its destructors that wait, and around each call
/// that has memory or state in flight (a log line, a fetch, a stop request, Stop, Terminate,
/// thread creation); on Windows also around every kernel mutex wait. A call in progress
/// therefore either completes or has not started. (A lock the program holds itself, even
/// through a CMutexLock, does not defer: it is released by the unwind on Linux, and abandoned
/// on Windows.)
/// Nestable; cheap (a thread-local count, plus on Linux the cancellation state at the
/// outermost level, and nothing at all on threads that CThread did not start, which nothing
/// can end by force). Thread-safety: acts on the calling thread only.
class CDeferForcedEnd {
  public:
    CDeferForcedEnd() { EnterDeferral(); }
    ~CDeferForcedEnd() { LeaveDeferral(); }
    CDeferForcedEnd(const CDeferForcedEnd&) = delete;
    CDeferForcedEnd& operator=(const CDeferForcedEnd&) = delete;

  private:
    static void EnterDeferral();
    static void LeaveDeferral();
};

}  // namespace YRAPI::platform
