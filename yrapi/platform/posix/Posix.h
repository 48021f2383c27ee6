// Posix.h - private to the POSIX backend: the small pieces its files share, among them the
// forced end of a thread (CThread::Terminate), which acts only at the backend's own waits.
#pragma once

#include <yrapi/platform/Types.h>

#include <atomic>
#include <ctime>
#include <pthread.h>

namespace YRAPI::platform::posix {

/// The moment dwTimeoutMs from now on the given clock, as the pthread timed waits take it.
timespec DeadlineAfter(clockid_t clock, DWORD dwTimeoutMs);

/// A mutex with a condition variable whose timed waits measure on CLOCK_MONOTONIC, so that
/// a change of the wall clock does not stretch or cut them.
struct CMonitor {
    pthread_mutex_t mutex;
    pthread_cond_t cond;

    CMonitor();
    ~CMonitor();
    CMonitor(const CMonitor&) = delete;
    CMonitor& operator=(const CMonitor&) = delete;
};

/// Holds a pthread mutex for a scope, so that it is also released when a forced end unwinds
/// the stack through that scope.
class CMutexHolder {
  public:
    explicit CMutexHolder(pthread_mutex_t& mutex) : mutex(mutex) { pthread_mutex_lock(&mutex); }
    ~CMutexHolder() { pthread_mutex_unlock(&mutex); }
    CMutexHolder(const CMutexHolder&) = delete;
    CMutexHolder& operator=(const CMutexHolder&) = delete;

  private:
    pthread_mutex_t& mutex;
};

/// The forced-end state of one thread started by CThread::Create.
///
/// POSIX has no safe way to end a thread from outside, and a pthread cancellation request,
/// once made, can never be withdrawn. So the end is asked of the thread and acted on by the
/// thread itself at a forced-end point (CForcedEndPoint: every wait of this backend), where it
/// holds nothing but that wait's own mutex: it releases the mutex and leaves through
/// pthread_exit, which unwinds its stack. A request that no point has taken up yet can be
/// withdrawn, and then the thread runs on as if it had never been asked.
///
/// Thread-safety: nState is read by the thread at its points and changed by compare-exchange,
/// so exactly one of "act" and "withdraw" wins a request. wakeLock, a leaf lock taken before
/// the waited-on monitor's mutex and never while holding one, guards pWaitingOn.
struct CForcedEnd {
    enum : int { None = 0, Requested = 1, Acting = 2 };

    CForcedEnd();
    ~CForcedEnd();
    CForcedEnd(const CForcedEnd&) = delete;
    CForcedEnd& operator=(const CForcedEnd&) = delete;

    /// Asks the thread to end and wakes it if it is waiting at a forced-end point.
    void Request();

    /// Takes back a request that the thread has not acted on; false when it already has (it
    /// is ending then).
    bool Withdraw();

    std::atomic<int> nState{None};
    pthread_mutex_t wakeLock;
    CMonitor* pWaitingOn = nullptr;  // guarded by wakeLock: the monitor the thread waits on
    CMonitor sleeper;                // what the thread's Sleep waits on (only Request wakes it)
};

/// Installs the calling thread's forced-end state (at its start; null for other threads).
void SetCurrentForcedEnd(CForcedEnd* pForcedEnd);

/// The calling thread's forced-end state; null for a thread that CThread did not start.
CForcedEnd* CurrentForcedEnd();

/// One wait of this backend at which a forced end may act. Built before the wait takes the
/// monitor's mutex and destroyed only after it has let it go (it registers the monitor for
/// Request's wake-up under wakeLock, which must never be taken with a monitor's mutex held).
/// The wait holds that mutex with a CMutexHolder and calls ActIfRequested before each block,
/// so the unwind of a forced end releases it. On threads that CThread did not start, the
/// point does nothing.
class CForcedEndPoint {
  public:
    /// A point of a wait on monitor's condition (null: a wait that cannot be woken, such as
    /// a yield, which only looks at the request).
    explicit CForcedEndPoint(CMonitor* pMonitor);
    ~CForcedEndPoint();
    CForcedEndPoint(const CForcedEndPoint&) = delete;
    CForcedEndPoint& operator=(const CForcedEndPoint&) = delete;

    /// When this thread's end has been requested, commits to it and ends the thread: it does
    /// not return then, and the unwind releases what the scopes of the wait hold.
    void ActIfRequested();

  private:
    CForcedEnd* pForcedEnd;
    CMonitor* pMonitor;
};

}  // namespace YRAPI::platform::posix
