// posix/Thread.cpp - platform threads on pthreads.
//
// Each thread shares a control block with its handle. The thread records its end there as
// its very last act (also when it is ended by force), so a handle can wait for the end any number
// of times, with a time-out, from several threads. The pthread stays joinable while a handle
// exists: the handle joins an ended thread and detaches a running one when it is closed.
// Every pthread call on the thread is made with the control mutex held and the thread not yet
// joined, so the pthread_t is always still valid when it is used. A wait that sees the end
// recorded joins the thread before it reports the end.
//
// A forced end is a deferred pthread cancellation. It acts only at a cancellation point the
// thread reaches with cancellation enabled; every library call that must not be cut short
// disables it for its duration (CDeferForcedEnd, counted per thread here), so the request
// then waits for the call to return and acts at the next blocking call.
#include "yrapi/platform/Thread.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/posix/Posix.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace YRAPI::platform {

// The monitor's condition is signalled when the thread publishes its id, on Resume and at the end.
struct CThread::Control : posix::CMonitor {
    pthread_t thread{};
    ThreadRoutine routine = nullptr;
    void* pArg = nullptr;
    pid_t tid = 0;                    // guarded by mutex; published by the thread when it starts
    bool bSuspended = false;          // guarded by mutex
    bool bEnded = false;              // guarded by mutex
    bool bJoined = false;             // guarded by mutex; the pthread has been reaped
    bool bEndRequested = false;       // guarded by mutex; a cancellation has been sent
    DWORD dwForcedCode = 0;           // guarded by mutex; the code a forced end leaves
    DWORD dwExitCode = STILL_ACTIVE;  // guarded by mutex
    pthread_mutex_t terminateLock;    // one Terminate at a time; never taken by the thread

    Control() { pthread_mutex_init(&terminateLock, nullptr); }
    ~Control() { pthread_mutex_destroy(&terminateLock); }
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
};

namespace {

thread_local DWORD tCurrentId = 0;

// CDeferForcedEnd's count on threads this backend started; other threads are never cancelled
// by the library and skip it.
thread_local bool tbCancellable = false;
thread_local unsigned tnDeferred = 0;

using posix::CMutexHolder;

timespec MonotonicDeadline(DWORD dwTimeoutMs) {
    return posix::DeadlineAfter(CLOCK_MONOTONIC, dwTimeoutMs);
}

// With c.mutex held and the end recorded: joins the pthread, waiting at most until the
// monotonic deadline (none for INFINITE). The end is recorded just before the thread leaves
// ThreadStart, but only once it has fully exited has the kernel marked the robust mutexes it
// still owned as abandoned; a thread's end is reported after that, as on Win32, so a mutex the
// thread held is obtainable at once. pthread_join is a cancellation point; a waiter ended
// there leaves the thread joinable (bJoined stays false).
// Not instrumented by AddressSanitizer, like every frame of the backend that a forced end's
// unwind passes (see Sleep): a skipped frame leaves its red zones poisoned, and a clean-up
// on the way asks the ASan runtime to unpoison the stack, which GCC 12's runtime cannot do
// without tripping over them. The thread's stack is unpoisoned as a whole when it ends.
__attribute__((no_sanitize_address)) bool JoinEndedLocked(CThread::Control& c, DWORD dwTimeoutMs,
                                                          const timespec& deadline) {
    if (c.bJoined) return true;
    int rc;
    if (dwTimeoutMs == INFINITE) {
        rc = pthread_join(c.thread, nullptr);
    } else {
        // pthread_timedjoin_np measures on the real-time clock: move the deadline over.
        timespec now{};
        timespec real{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        clock_gettime(CLOCK_REALTIME, &real);
        long long nLeftNs = (static_cast<long long>(deadline.tv_sec) - now.tv_sec) * 1000000000LL +
                            (deadline.tv_nsec - now.tv_nsec);
        if (nLeftNs < 0) nLeftNs = 0;
        real.tv_sec += static_cast<time_t>(nLeftNs / 1000000000LL);
        real.tv_nsec += static_cast<long>(nLeftNs % 1000000000LL);
        if (real.tv_nsec >= 1000000000L) {
            real.tv_sec += 1;
            real.tv_nsec -= 1000000000L;
        }
        rc = pthread_timedjoin_np(c.thread, nullptr, &real);
    }
    if (rc == 0) c.bJoined = true;
    return rc == 0;
}

// Waits with c.mutex held (by a CMutexHolder) until the thread has ended; false on
// time-out. A cancellation point of the calling thread, unless it has cancellation disabled.
__attribute__((no_sanitize_address)) bool WaitEndedLocked(CThread::Control& c, DWORD dwTimeoutMs) {
    timespec deadline = MonotonicDeadline(dwTimeoutMs == INFINITE ? 0 : dwTimeoutMs);
    while (!c.bEnded) {
        int rc = dwTimeoutMs == INFINITE ? pthread_cond_wait(&c.cond, &c.mutex)
                                         : pthread_cond_timedwait(&c.cond, &c.mutex, &deadline);
        if (rc == ETIMEDOUT && !c.bEnded) return false;
    }
    return JoinEndedLocked(c, dwTimeoutMs, deadline);
}

// Records the thread's end on every way out of its routine, a forced end included: as a
// destructor it runs during the cancellation's unwind.
struct EndRecorder {
    CThread::Control& c;
    bool bReturned = false;
    DWORD dwResult = 0;

    ~EndRecorder() {
        CMutexHolder hold(c.mutex);
        c.dwExitCode = bReturned ? dwResult : (c.bEndRequested ? c.dwForcedCode : 0xFFFFFFFFu);
        c.bEnded = true;
        pthread_cond_broadcast(&c.cond);
    }
};

// Not instrumented by AddressSanitizer, for the reason given at WaitEndedLocked.
extern "C" __attribute__((no_sanitize_address)) void* ThreadStart(void* p) {
    // Take over the reference that Create handed in, so the block outlives a closed handle.
    auto* pHolder = static_cast<std::shared_ptr<CThread::Control>*>(p);
    std::shared_ptr<CThread::Control> pControl = std::move(*pHolder);
    delete pHolder;
    CThread::Control& c = *pControl;

    tCurrentId = static_cast<DWORD>(gettid());
    tbCancellable = true;
    // Deferred cancellation, enabled: pthread's defaults, made sure of.
    pthread_setcanceltype(PTHREAD_CANCEL_DEFERRED, nullptr);
    pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, nullptr);
    EndRecorder recorder{c};
    {
        // A suspended start is a cancellation point: such a thread ends before its routine.
        CMutexHolder hold(c.mutex);
        c.tid = static_cast<pid_t>(tCurrentId);
        pthread_cond_broadcast(&c.cond);
        while (c.bSuspended) pthread_cond_wait(&c.cond, &c.mutex);
    }
    recorder.dwResult = c.routine(c.pArg);
    recorder.bReturned = true;
    return nullptr;
}

}  // namespace

void CDeferForcedEnd::EnterDeferral() {
    if (!tbCancellable) return;
    if (tnDeferred++ == 0) pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);
}

void CDeferForcedEnd::LeaveDeferral() {
    if (!tbCancellable) return;
    // A request made meanwhile stays pending: deferred cancellation acts only at the next
    // cancellation point, not here.
    if (--tnDeferred == 0) pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, nullptr);
}

DWORD GetCurrentThreadId() {
    if (tCurrentId == 0) tCurrentId = static_cast<DWORD>(gettid());
    return tCurrentId;
}

bool SetCurrentThreadTimerSlack(unsigned nNanoseconds) {
    if (prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(nNanoseconds), 0, 0, 0) == 0) {
        return true;
    }
    SetLastError(static_cast<DWORD>(errno));
    return false;
}

CThread::CThread(std::shared_ptr<Control> pControl) : pControl(std::move(pControl)) {}

std::unique_ptr<CThread> CThread::Create(ThreadRoutine routine, void* pArg, bool bSuspended,
                                         DWORD* pdwThreadId) {
    if (detail::ConsumeFault(testing::Fault::ThreadCreate)) {
        SetLastError(EAGAIN);
        return nullptr;
    }
    CDeferForcedEnd defer;  // the start-up's waits and allocations complete
    auto pControl = std::make_shared<Control>();
    pControl->routine = routine;
    pControl->pArg = pArg;
    pControl->bSuspended = bSuspended;
    auto* pHolder = new std::shared_ptr<Control>(pControl);
    pthread_t thread{};
    int rc = pthread_create(&thread, nullptr, ThreadStart, pHolder);
    if (rc != 0) {
        delete pHolder;
        SetLastError(static_cast<DWORD>(rc));
        return nullptr;
    }
    Control& c = *pControl;
    {
        CMutexHolder hold(c.mutex);
        c.thread = thread;
        // The identifier is the kernel's thread id, which only the thread can read: wait for
        // it to publish it, so that callers know it as soon as Create returns. The new thread
        // publishes it first thing.
        while (c.tid == 0) pthread_cond_wait(&c.cond, &c.mutex);
        if (pdwThreadId != nullptr) *pdwThreadId = static_cast<DWORD>(c.tid);
    }
    return std::unique_ptr<CThread>(new CThread(std::move(pControl)));
}

CThread::~CThread() {
    CDeferForcedEnd defer;  // a destructor: the join below is no place to end the caller
    Control& c = *pControl;
    pthread_mutex_lock(&c.mutex);
    bool bEnded = c.bEnded;
    bool bJoined = c.bJoined;
    if (!bEnded) pthread_detach(c.thread);
    pthread_mutex_unlock(&c.mutex);
    // An ended thread is past its routine: joining only waits for it to leave ThreadStart.
    if (bEnded && !bJoined && !pthread_equal(c.thread, pthread_self())) {
        pthread_join(c.thread, nullptr);
    }
    if (bEnded && !bJoined && pthread_equal(c.thread, pthread_self())) pthread_detach(c.thread);
}

DWORD CThread::GetId() const {
    CMutexHolder hold(pControl->mutex);
    return static_cast<DWORD>(pControl->tid);
}

bool CThread::Resume() {
    Control& c = *pControl;
    pthread_mutex_lock(&c.mutex);
    bool bWasSuspended = c.bSuspended;
    c.bSuspended = false;
    pthread_cond_broadcast(&c.cond);
    pthread_mutex_unlock(&c.mutex);
    return bWasSuspended;
}

__attribute__((no_sanitize_address)) WaitResult CThread::Wait(DWORD dwTimeoutMs) {
    if (detail::ConsumeFault(testing::Fault::ThreadWait)) {
        SetLastError(EINVAL);
        return WaitResult::Failed;
    }
    // One of the layer's own waits: a cancellation point, unless called inside a library
    // call (CDeferForcedEnd), which then completes.
    Control& c = *pControl;
    CMutexHolder hold(c.mutex);
    return WaitEndedLocked(c, dwTimeoutMs) ? WaitResult::Acquired : WaitResult::Timeout;
}

DWORD CThread::GetExitCode() const {
    CMutexHolder hold(pControl->mutex);
    return pControl->dwExitCode;
}

bool CThread::Terminate(DWORD dwExitCode) {
    // How long the thread may take to reach a cancellation point and unwind.
    constexpr DWORD kTerminateWaitMs = 2000;
    if (detail::ConsumeFault(testing::Fault::ThreadTerminate)) {
        SetLastError(EPERM);
        return false;
    }
    // A library call: a caller that is itself being ended finishes this call first, so a
    // request it makes is never left half made, and its wait is never cut short.
    CDeferForcedEnd defer;
    Control& c = *pControl;
    CMutexHolder holdTerminate(c.terminateLock);
    CMutexHolder hold(c.mutex);
    if (!c.bEnded) {
        if (c.tid == gettid()) {
            SetLastError(EDEADLK);
            return false;
        }
        // The latest request's code is the one the end leaves. pthread_t is valid here: the
        // thread has not been joined (it has not ended) and its handle has not been closed.
        c.dwForcedCode = dwExitCode;
        if (!c.bEndRequested) {
            c.bEndRequested = true;
            pthread_cancel(c.thread);
        }
    }
    // A thread that ended by itself meanwhile keeps its own exit code.
    if (WaitEndedLocked(c, kTerminateWaitMs)) return true;
    // No cancellation point within the bound: the request stays pending (a cancellation
    // cannot be taken back) and acts at the thread's next one.
    SetLastError(ETIMEDOUT);
    return false;
}

bool CThread::SetPriority(int nPriority) {
    if (detail::ConsumeFault(testing::Fault::ThreadPriority)) {
        SetLastError(EPERM);
        return false;
    }
    Control& c = *pControl;
    pthread_mutex_lock(&c.mutex);
    if (c.bEnded) {
        pthread_mutex_unlock(&c.mutex);
        SetLastError(ESRCH);
        return false;
    }
    int rc = 0;
    auto setNice = [&](int nice) {
        sched_param normal{};
        int r = pthread_setschedparam(c.thread, SCHED_OTHER, &normal);
        if (r != 0) return r;
        // Linux keeps a nice value per thread; PRIO_PROCESS with a thread id addresses it.
        return setpriority(PRIO_PROCESS, static_cast<id_t>(c.tid), nice) == 0 ? 0 : errno;
    };
    if (nPriority >= THREAD_PRIORITY_TIME_CRITICAL) {
        int nMax = sched_get_priority_max(SCHED_FIFO);
        rlimit limit{};
        if (geteuid() != 0 && getrlimit(RLIMIT_RTPRIO, &limit) == 0 &&
            limit.rlim_cur != RLIM_INFINITY && static_cast<int>(limit.rlim_cur) < nMax) {
            nMax = static_cast<int>(limit.rlim_cur);
        }
        sched_param param{};
        param.sched_priority = nMax;
        rc = nMax >= sched_get_priority_min(SCHED_FIFO)
                 ? pthread_setschedparam(c.thread, SCHED_FIFO, &param)
                 : EPERM;
        if (rc != 0) {
            // No real-time scheduling allowed: take the lowest nice value we may set.
            rc = setNice(-20);
            for (int nice = -19; rc != 0 && nice <= 0; ++nice) rc = setNice(nice);
        }
    } else if (nPriority <= THREAD_PRIORITY_IDLE) {
        sched_param param{};
        rc = pthread_setschedparam(c.thread, SCHED_IDLE, &param);
    } else {
        int nClamped = nPriority > 2 ? 2 : (nPriority < -2 ? -2 : nPriority);
        rc = setNice(-5 * nClamped);
    }
    pthread_mutex_unlock(&c.mutex);
    if (rc != 0) SetLastError(static_cast<DWORD>(rc));
    return rc == 0;
}

}  // namespace YRAPI::platform
