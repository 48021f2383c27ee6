// Timer.cpp - CTimer's pass and list, and the process-wide timer service thread.
#include "yrapi/threads/Timer.h"

#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"

#include <cstring>
#include <new>

namespace YRAPI {
namespace {

// Constant-initialised, so that it is null before any process-wide object is built.
constinit std::atomic<CTimerThread*> gpTimerService{nullptr};

// The service thread's timer slack. Linux lets an ordinary thread's 1 ms sleep overrun by
// up to 50 us so that wake-ups can be merged; each pass would start that much later and the
// average lateness of a timer grow with it. Real-time threads (what the time-critical
// priority gives where the process may use it) sleep without slack anyway.
constexpr unsigned kServiceTimerSlackNs = 1000;

// Timer slack is a property of the calling thread: set once on each service thread.
thread_local bool tbTimerSlackSet = false;

// Whether a pass may fire the record. A record whose count has run out is skipped; so is one
// changed in place into what AddTimer refuses, since firing it could loop without end.
bool IsFireable(const timer_item& item) {
    return item.nCount > 0 || (item.nCount == -1 && item.dwInterval != 0);
}

}  // namespace

CTimer::CTimer()
    : dwLastPassTick(platform::GetTickCount()), pListedSignal(platform::CSemaphore::Create(0, 1)) {}

CTimer::~CTimer() {
    // Copies a pass left behind: only a forced end in a callback leaves any.
    for (int i = 0; i < firingQueue.count.load(); ++i) {
        delete static_cast<timer_item*>(firingQueue.items[i]);
    }
}

bool CTimer::OnTimer(timer_item* pItem, DWORD dwNow) {
    if (pItem->pfnCallback == nullptr) return true;
    auto* pCopy = new (std::nothrow) timer_item(*pItem);
    if (pCopy == nullptr) return false;
    pCopy->dwDueTick = dwNow;
    if (firingQueue.Add(pCopy) < 0) {
        delete pCopy;
        return false;
    }
    return true;
}

void CTimer::Fire(timer_item* pItem, DWORD dwNow) {
    if (pItem->nCount == -1 || pItem->nCount > 0) {
        OnTimer(pItem, dwNow);
        pItem->dwDueTick += pItem->dwInterval;
    }
    if (pItem->nCount > 0) --pItem->nCount;
}

void CTimer::ProcessTimers() {
    if (timerList.count.load() == 0) return;
    firingQueue.count = 0;
    const DWORD dwNow = platform::GetTickCount();
    {
        CMutexLock lock(listLock);
        const DWORD dwLast = dwLastPassTick.load();
        // The counter wrapped since the last pass: the window runs from dwLast to the end of
        // the counter's range (phase A), then from 0 to dwNow (phase B).
        const bool bWrapped = dwNow < dwLast;
        for (int i = 0; i < timerList.count.load(); ++i) {
            auto* pItem = static_cast<timer_item*>(timerList.items[i]);
            if (!IsFireable(*pItem)) continue;
            // Phase A: occurrences that came due before the wrap.
            if (bWrapped && pItem->dwDueTick >= dwLast) {
                do {
                    Fire(pItem, dwNow);
                } while (pItem->nCount != 0 && pItem->dwDueTick >= dwLast);
            }
            // Phase B: occurrences due by now. With dwNow equal to dwLast (two passes within
            // one reading of the counter) it also fires, once, a timer that is behind.
            if (pItem->nCount != 0 && (dwNow <= dwLast || pItem->dwDueTick >= dwLast) &&
                pItem->dwDueTick <= dwNow) {
                // Without a wrap, a due tick below dwLast can only have wrapped past the end
                // of the range: it lies ahead. After a wrap every due tick from 0 to dwNow is
                // due, so this phase catches up every missed period there as well; stopping
                // at the first one would leave the timer behind dwNow, where no later pass
                // looks until the counter wraps again.
                do {
                    Fire(pItem, dwNow);
                } while (pItem->nCount != 0 && pItem->dwDueTick <= dwNow &&
                         (bWrapped || pItem->dwDueTick >= dwLast));
            }
        }
    }
    // Callbacks run with no lock held, on copies: they may add and remove timers.
    for (int i = 0; i < firingQueue.count.load(); ++i) {
        auto* pCopy = static_cast<timer_item*>(firingQueue.items[i]);
        if (pCopy == nullptr) continue;
        if (pCopy->pfnCallback != nullptr) {
            pCopy->pfnCallback(pCopy->nParam1, pCopy->nParam2, pCopy->dwDueTick);
        }
        // Taken out of the queue only once delivered: a forced end acting in a callback
        // leaves this copy and the rest to the destructor.
        firingQueue.items[i] = nullptr;
        delete pCopy;
    }
    firingQueue.count = 0;
    dwLastPassTick.store(dwNow);
}

bool CTimer::AddTimer(timer_item* pItem) {
    if (pItem == nullptr) return false;
    {
        CMutexLock lock(listLock);
        if (bRefusing || !IsFireable(*pItem)) return false;
        const int nCount = timerList.count.load();
        for (int i = 0; i < nCount; ++i) {
            if (timerList.items[i] == pItem) return false;
        }
        // Read under the lock: a pass that has already scanned the list without this record
        // started at a tick no later than this one, so the record cannot fall behind it.
        const DWORD dwNow = platform::GetTickCount();
        if (timerList.Add(pItem) < 0) return false;
        if (static_cast<std::int32_t>(pItem->dwDueTick - dwNow) < 0) pItem->dwDueTick = dwNow;
    }
    // After the lock, so that the woken service does not wait for it. A service asleep over
    // the empty list passes at once: the record is due at the earliest now.
    WakeWaiter();
    return true;
}

bool CTimer::RemoveTimer(timer_item* pItem) {
    if (pItem == nullptr) return false;
    CMutexLock lock(listLock);
    const int nCount = timerList.count.load();
    for (int i = 0; i < nCount; ++i) {
        if (timerList.items[i] != pItem) continue;
        std::memmove(static_cast<void*>(&timerList.items[i]), &timerList.items[i + 1],
                     static_cast<std::size_t>(nCount - i - 1) * sizeof(void*));
        timerList.count = nCount - 1;
        return true;
    }
    return false;
}

bool CTimer::WaitWhileEmpty() {
    if (timerList.count.load() != 0) return true;
    // A count left by an AddTimer whose timer has gone again only costs one more look.
    return pListedSignal && pListedSignal->Wait(INFINITE) == platform::WaitResult::Acquired;
}

void CTimer::RefuseNewTimers() {
    CMutexLock lock(listLock);
    bRefusing = true;
}

void CTimer::WakeWaiter() {
    // Refused when a count is already there, which wakes the waiter just as well.
    if (pListedSignal) pListedSignal->Release();
}

CTimerThread::CTimerThread(bool bStartThread) {
    gpTimerService.store(this);
    if (!bStartThread) return;
    // Priority 15 is the time-critical level. On Linux the platform layer maps it to
    // SCHED_FIFO at the highest real-time priority the process may use (root, or
    // RLIMIT_RTPRIO), else to the lowest nice value the process may set; the thread sleeps
    // 1 ms between passes, so it never holds a processor for long either way.
    if (Start(/*bRun=*/true)) SetPriority(platform::THREAD_PRIORITY_TIME_CRITICAL);
}

CTimerThread::~CTimerThread() { End(); }

void CTimerThread::End() {
    RefuseNewTimers();
    // Stops this object's own thread (not whichever service the process-wide pointer names:
    // a later CTimerThread takes the pointer over) and waits for it, by force when it does not
    // stop within one second, so that the lists are never freed under a running pass.
    StopForDestruction(1000);
    CTimerThread* pSelf = this;
    gpTimerService.compare_exchange_strong(pSelf, nullptr);
}

bool CTimerThread::Step() {
    if (!tbTimerSlackSet) {
        platform::SetCurrentThreadTimerSlack(kServiceTimerSlackNs);
        tbTimerSlackSet = true;
    }
    // Nothing listed: no pass to run until AddTimer lists a timer (or a stop is requested).
    // A service that cannot wait so runs its empty passes as before.
    if (timerList.count.load() == 0 && !IsStopRequested() && WaitWhileEmpty()) return true;
    ProcessTimers();
    platform::Sleep(1);
    return true;
}

void CTimerThread::RequestStop() {
    CBaseThread::RequestStop();
    WakeWaiter();
}

CTimerThread* GetTimerService() { return gpTimerService.load(); }

}  // namespace YRAPI
