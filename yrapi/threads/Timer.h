// Timer.h - the timer service: CTimer keeps a list of client timers and decides in each pass
// which of them fire; CTimerThread runs a pass about once a millisecond on a dedicated
// time-critical thread. One CTimerThread serves the whole process (GetTimerService()).
//
// Thread-safety: AddTimer and RemoveTimer may be called from any thread, callbacks included;
// they take the list lock, which guards the timer list and every listed record. The lock is
// a leaf: a pass holds it for its scan of the list (and OnTimer runs under it) but never
// while it calls client callbacks, so adding or removing waits at most for one scan, never
// for a callback. ProcessTimers is called by one thread only (the service thread), which
// alone touches the firing queue. GetLastPassTick may be read from any thread.
//
// Ownership: records belong to the clients that add them and must stay valid, and unchanged,
// while listed; the service never frees one. To change a listed timer, remove it, change it
// and add it again. A firing taken in a pass is delivered from a copy, so a callback may run
// once more for a timer that another thread removed during that pass: whatever nParam1 and
// nParam2 point to must outlive the pass that follows the removal.
#pragma once

#include <yrapi/log/PtArray.h>
#include <yrapi/platform/Types.h>
#include <yrapi/threads/BaseThread.h>
#include <yrapi/threads/Mutex.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace YRAPI {

namespace platform {
class CSemaphore;
}  // namespace platform

/// A timer's client function: its two client values and the tick of the pass that fired it.
using TimerCallback = void (*)(std::uintptr_t nParam1, std::uintptr_t nParam2, DWORD dwTick);

/// One timer. Client values are pointer-wide so that they can carry an object's address.
struct timer_item {
    std::uintptr_t nParam1;     ///< handed back unchanged as the callback's first argument
    std::uintptr_t nParam2;     ///< handed back unchanged as the callback's second argument
    DWORD dwDueTick;            ///< tick of the next firing; in a firing copy, the firing tick
    DWORD dwInterval;           ///< ms added to dwDueTick (modulo 2^32) after each firing
    std::int32_t nCount;        ///< firings left: -1 without end, 0 never again
    TimerCallback pfnCallback;  ///< null: a firing advances the timer and calls nothing
};

class CTimer {
  public:
    /// Empty list; the last pass tick is the current tick. The list lock's refusal throws its
    /// CMutex*.
    CTimer();

    /// Frees the lists' storage but none of the records in them. A subclass that runs passes
    /// on a thread of its own stops that thread first.
    virtual ~CTimer();

    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    /// One firing of pItem at tick dwNow, called by the pass with the list lock held. The
    /// default queues a copy of the record, carrying dwNow as its due tick, for delivery after
    /// the scan (nothing for a null callback); false when the copy could not be made or
    /// queued, and that firing is lost. A replacement must not wait for anything that a
    /// holder of the list lock may be waiting for.
    virtual bool OnTimer(timer_item* pItem, DWORD dwNow);

    /// One pass: fires every listed timer whose due ticks lie in the window from the last pass
    /// tick to now (once per missed period, all with now's tick), in the order in which the
    /// timers were added, across the wrap of the tick counter; then calls the callbacks with
    /// no lock held. A pass over an empty list takes no lock and leaves the last pass tick.
    /// Called only by the service thread (or, for a timer without one, its only user).
    void ProcessTimers();

    /// Lists pItem after the timers already listed. False for null, for an nCount of 0 or
    /// below -1, for nCount -1 with dwInterval 0 (which would fire without end), for a record
    /// already listed, when the list cannot grow, and once new timers are refused (a service
    /// that has ended). A due tick that is already past (a
    /// stale reading of the counter) is moved up to the current tick, so the next pass fires
    /// it: a pass looks only at due ticks from its last pass tick on and would otherwise skip
    /// the timer until the counter wraps, 49.7 days later. Ticks are compared modulo 2^32,
    /// so a due tick must lie less than 2^31 ms (24.8 days) ahead.
    bool AddTimer(timer_item* pItem);

    /// Unlists pItem, keeping the others in order; false when it is not listed. After true
    /// the service no longer touches the record (see the header comment for copies).
    bool RemoveTimer(timer_item* pItem);

    /// The start tick of the latest pass that found the list non-empty, or the tick of
    /// construction before the first such pass.
    DWORD GetLastPassTick() const { return dwLastPassTick.load(); }

  protected:
    /// For the one thread that runs the passes: when the list is empty, waits until AddTimer
    /// lists a timer or WakeWaiter is called (either may come first: a signal given before
    /// the wait ends it at once). True at once when the list holds a timer; false when it
    /// cannot wait (the platform refused the signal), and the caller paces itself.
    bool WaitWhileEmpty();

    /// Ends the current or the next WaitWhileEmpty; any thread.
    void WakeWaiter();

    /// From now on AddTimer refuses every record; listed timers stay listed. Any thread.
    void RefuseNewTimers();

    CPtArray timerList{/*bLocked=*/false};    // client records in add order; guarded by listLock
    CPtArray firingQueue{/*bLocked=*/false};  // copies owned during a pass; service thread only
    CMutex listLock;                          // guards timerList and the listed records
    std::atomic<DWORD> dwLastPassTick;        // written by the pass, read by anyone
    bool bRefusing = false;                   // AddTimer refuses; guarded by listLock

  private:
    void Fire(timer_item* pItem, DWORD dwNow);

    // Released by AddTimer and WakeWaiter (one count at most), taken by WaitWhileEmpty; null
    // when the platform refused it.
    std::unique_ptr<platform::CSemaphore> pListedSignal;
};

/// The timer service thread. Its constructor makes it the process-wide service and starts
/// it at the time-critical priority (unless bStartThread is false: a subclass that overrides
/// what the thread calls starts it as the last act of its own constructor, with Start(true)
/// and SetPriority(15)); its destructor stops it (waiting up to one second, then ending it by
/// force) before the lists go.
///
/// While timers are listed the thread runs a pass about every millisecond. With none listed it
/// does not wake at all: it sleeps until AddTimer lists one, then passes at once, or until a
/// stop is requested.
///
/// The process-wide service is never destroyed: at exit it is ended (End) and its storage
/// stays, so that a client that still holds it, or a thread that runs on while the process
/// ends, calls into a valid object: AddTimer is refused from then on, RemoveTimer still
/// unlists (and nothing fires any more).
class CTimerThread : public CBaseThread, public CTimer {
  public:
    explicit CTimerThread(bool bStartThread = true);

    /// End(), then the lists go.
    ~CTimerThread() override;

    /// Ends the service for good: refuses new timers, stops the thread (waiting up to one
    /// second, then ending it by force; at once when called from a callback, whose pass is
    /// then the last) and, when the process-wide pointer names this service, clears it. Any
    /// thread; a second call does nothing more.
    void End();

    /// With timers listed, one pass, then a 1 ms sleep; with none, the sleep until one is
    /// listed or a stop is requested. Always true.
    bool Step() override;

    /// Also wakes the thread from its sleep over an empty list.
    void RequestStop() override;
};

/// The process-wide timer service, or null: before it is built (an earlier static
/// constructor) and once it has ended at exit (it is the first process-wide object to end).
/// Safe from any thread at any moment of the process's life; a pointer taken earlier stays
/// valid for good (see CTimerThread).
CTimerThread* GetTimerService();

}  // namespace YRAPI
