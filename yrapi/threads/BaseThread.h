// BaseThread.h - CBaseThread, the base of every long-running service: one object owns at most
// one platform thread at a time and runs on it a loop of steps until a stop is requested.
//
// Thread-safety: two kinds of thread meet in one object, the controlling thread (any thread
// that calls Start, Stop, Terminate or SetPriority) and the worker. The stop flag, the state,
// the identifier and the exit code are atomics; every state write goes through SetState under
// the state lock, a leaf lock that is never held while waiting. The thread handle is guarded
// by the state lock too, and waits work on a copy of it, so the worker may release the handle
// (Stop called from inside Step) while the controller waits on it.
//
// Lifetime: the thread is started only once the object is completely built (subclasses call
// Start(true) as the last act of their constructors) and must be stopped before a subclass's
// members go; subclass destructors call StopForDestruction. As a last line of defence the base
// destructor also waits for a worker that still runs, so the object is never freed under it.
#pragma once

#include <yrapi/platform/Types.h>
#include <yrapi/threads/Mutex.h>

#include <atomic>
#include <memory>

namespace YRAPI {

namespace platform {
class CSemaphore;
class CThread;
}  // namespace platform

class CBaseThread {
  public:
    enum { StateInit = 0, StateCreated = 1, StateRunning = 2, StateStopping = 4, StateEnded = 5 };

    /// StateInit, no thread. The state lock's refusal throws its CMutex*.
    CBaseThread();

    /// Closes the state lock and the handle. Subclasses stop the thread first; should a worker
    /// still run here, the destructor asks it to stop and waits for its end (forcing it after
    /// one second), since the object must not be freed under it.
    virtual ~CBaseThread();

    CBaseThread(const CBaseThread&) = delete;
    CBaseThread& operator=(const CBaseThread&) = delete;

    /// Creates the thread (running when bRun); true when it exists.
    virtual bool Start(bool bRun);

    /// Requests a stop and waits up to nTimeout ms for the thread's end; on success (or when
    /// called on the worker itself) releases the handle and clears the identifier. A worker
    /// that records StateEnded while the request is being made counts as stopped: its end is
    /// confirmed on the handle (WaitUntillStop alone would decline to wait for it).
    virtual bool Stop(DWORD nTimeout);

    /// Waits nMilliseconds in 100 ms sleeps, returning early once a stop is requested (a
    /// request wakes a sleep at once, so a stopped worker does not hold up its owner).
    virtual void Idle(DWORD nMilliseconds);

    /// Creates the platform thread and returns its handle (owned by this object), or null.
    /// A held handle is first stopped with Stop(200). When a previous thread of this object
    /// still runs afterwards (its Stop timed out, or it released its own handle and has not
    /// finished), no second thread is created on the same object, since two workers would
    /// share its state: Create then returns null.
    virtual platform::CThread* Create(bool bRun);

    /// StateStopping, then the stop flag (the flag is never cleared); wakes a worker in Idle.
    virtual void RequestStop();

    /// Sets the thread's priority (platform values; 15 is time-critical, see
    /// platform::CThread::SetPriority for the Linux mapping). False without a thread.
    virtual bool SetPriority(int nPriority);

    virtual void AfterRun() {}
    virtual void BeforeRun() {}

    /// One unit of periodic work; false ends the loop. The default idles for one second.
    virtual bool Step();

    /// First call on the new thread: seeds rand() and records StateRunning.
    virtual void OnThreadStart();

    /// The worker body: BeforeRun, Step until stopped or false, AfterRun; the exit code.
    virtual DWORD Run();

    /// Last call on the worker: records StateEnded.
    virtual void OnThreadExit();

    void SetState(int nState);
    int GetState() const { return nState.load(); }

    /// True at once when called on the worker itself; otherwise WaitUntillStop(nTimeout).
    bool WaitForExit(DWORD nTimeout);

    /// Waits up to nTimeout ms for the thread's end: false without a thread, when the state
    /// is already StateEnded, on time-out, and on a failed wait (which is logged at level 1).
    bool WaitUntillStop(DWORD nTimeout);

    /// Ends the thread by force with nExitCode (see platform::CThread::Terminate for where
    /// it acts on each platform and what it cannot do). On success StateEnded and true; the
    /// handle and identifier stay for the caller to release; none of the worker's code runs
    /// afterwards (no further Step, no AfterRun, no OnThreadExit). A worker inside a library
    /// call (a Stop, a log call, a destructor...) finishes that call first.
    /// On failure false, with the exit code stored and the state unchanged. On Linux the
    /// request then stays pending: the worker ends at its next blocking call outside the
    /// library, and its end records StateEnded (its thread's exit code is nExitCode). On
    /// Windows nothing stays pending.
    bool Terminate(DWORD nExitCode);

    /// Releases a held thread handle and clears the identifier; the thread is not touched.
    void CloseHandle();

    /// For subclass destructors: Stop(nTimeout); when that fails, Terminate(0xFFFFFFFF); when
    /// that fails too, waits for the thread's end without limit. Afterwards no worker uses
    /// the object.
    void StopForDestruction(DWORD nTimeout);

    DWORD GetThreadId() const { return dwThreadId.load(); }
    bool HasThread() const;
    DWORD GetExitCode() const { return dwExitCode.load(); }
    bool IsStopRequested() const { return bStopRequested.load(); }

  private:
    static DWORD ThreadRoutine(void* pArg);
    std::shared_ptr<platform::CThread> CurrentHandle() const;

    std::shared_ptr<platform::CThread> hThread;      // guarded by stateLock
    std::shared_ptr<platform::CThread> pLastThread;  // guarded by stateLock; kept past Stop
    std::atomic<DWORD> dwThreadId{0};
    std::atomic<int> nState{StateInit};
    mutable CMutex stateLock;
    std::atomic<DWORD> dwExitCode{0};
    std::atomic<bool> bStopRequested{false};
    // Released by RequestStop to cut Idle's current sleep short; null when the platform
    // refused it (Idle then sleeps plainly).
    std::unique_ptr<platform::CSemaphore> pStopSignal;
};

}  // namespace YRAPI
