// win32/Thread.cpp - platform threads as Win32 threads.
//
// The kernel keeps most of what the interface asks for: the identifier from CreateThread, a
// thread handle that can be waited on any number of times and from several threads, the exit
// code and suspension. Each thread shares a control block with its handle object; the thread
// holds its reference for as long as it runs, so the block outlives a closed handle.
//
// The forced end is TerminateThread, struck only while the thread is blocked in one of the
// layer's own waits (Sleep, the waits of a mutex, a semaphore or a thread's end). Anywhere
// else the thread may hold a lock that no one would release again: the loader's while it
// starts, the heap's, the C runtime's time-zone lock inside time(). Terminate suspends the
// thread, looks whether it is in such a wait (win32::CTerminableWait counts them) and either
// ends it there or lets it run on and looks again, for a few seconds at most.
#include "yrapi/platform/Thread.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/win32/Win32.h"

#include <atomic>
#include <memory>
#include <mmsystem.h>

namespace YRAPI::platform {

struct CThread::Control {
    win32::CHandle hThread;
    ::DWORD dwId = 0;
    ThreadRoutine routine = nullptr;
    void* pArg = nullptr;
    std::atomic<bool> bResumed{false};
    std::atomic<int> nInWait{0};  // the layer's waits the thread is blocked in (CTerminableWait)
    // The thread's own reference to this block, handed over in CreateThread's argument. The
    // thread drops it when its routine returns; Terminate drops it for a thread it ended.
    std::atomic<std::shared_ptr<Control>*> pThreadsReference{nullptr};
};

namespace {

::DWORD WINAPI ThreadStart(void* p) {
    auto* pReference = static_cast<std::shared_ptr<CThread::Control>*>(p);
    CThread::Control& c = **pReference;
    // From here on the layer's waits on this thread are counted where Terminate looks.
    win32::SetWaitCount(&c.nInWait);
    DWORD dwResult = c.routine(c.pArg);
    win32::SetWaitCount(nullptr);
    // May be the block's last reference, when the handle object has gone.
    delete c.pThreadsReference.exchange(nullptr);
    return dwResult;
}

bool HasEnded(HANDLE hThread) { return ::WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; }

}  // namespace

DWORD GetCurrentThreadId() { return ::GetCurrentThreadId(); }

bool SetCurrentThreadTimerSlack(unsigned nNanoseconds) {
    // Windows has no slack of its own per thread: what bounds a short sleep's overrun is the
    // system timer's resolution, 15.6 ms by default. A thread that asks for less than 1 ms
    // raises it to 1 ms (timeBeginPeriod) until it sets 0 again or the process ends.
    thread_local bool tbRaised = false;
    const bool bRaise = nNanoseconds != 0 && nNanoseconds < 1000000u;
    if (bRaise == tbRaised) return true;
    MMRESULT result = bRaise ? ::timeBeginPeriod(1) : ::timeEndPeriod(1);
    if (result != TIMERR_NOERROR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    tbRaised = bRaise;
    return true;
}

CThread::CThread(std::shared_ptr<Control> pControl) : pControl(std::move(pControl)) {}

std::unique_ptr<CThread> CThread::Create(ThreadRoutine routine, void* pArg, bool bSuspended,
                                         DWORD* pdwThreadId) {
    if (detail::ConsumeFault(testing::Fault::ThreadCreate)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto pControl = std::make_shared<Control>();
    pControl->routine = routine;
    pControl->pArg = pArg;
    pControl->bResumed.store(!bSuspended);
    auto* pReference = new std::shared_ptr<Control>(pControl);
    pControl->pThreadsReference.store(pReference);
    ::DWORD dwId = 0;
    // Default security, the program's default stack size; the kernel stores the identifier
    // before CreateThread returns.
    HANDLE hThread = ::CreateThread(nullptr, 0, &ThreadStart, pReference,
                                    bSuspended ? CREATE_SUSPENDED : 0, &dwId);
    if (hThread == nullptr) {
        win32::KeepSystemError();
        pControl->pThreadsReference.store(nullptr);
        delete pReference;
        return nullptr;
    }
    pControl->hThread.Reset(hThread);
    pControl->dwId = dwId;
    if (pdwThreadId != nullptr) *pdwThreadId = dwId;
    return std::unique_ptr<CThread>(new CThread(std::move(pControl)));
}

CThread::~CThread() = default;

DWORD CThread::GetId() const { return pControl->dwId; }

bool CThread::Resume() {
    pControl->bResumed.store(true);
    // ResumeThread gives the suspend count before the call: 0 for a thread that was running.
    ::DWORD dwPrevious = ::ResumeThread(pControl->hThread.Get());
    if (dwPrevious == static_cast<::DWORD>(-1)) win32::KeepSystemError();
    return dwPrevious != static_cast<::DWORD>(-1) && dwPrevious != 0;
}

WaitResult CThread::Wait(DWORD dwTimeoutMs) {
    if (detail::ConsumeFault(testing::Fault::ThreadWait)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WaitResult::Failed;
    }
    win32::CTerminableWait wait;
    return win32::FromWait(::WaitForSingleObject(pControl->hThread.Get(), dwTimeoutMs));
}

DWORD CThread::GetExitCode() const {
    ::DWORD dwCode = 0;
    if (!::GetExitCodeThread(pControl->hThread.Get(), &dwCode)) return STILL_ACTIVE;
    return dwCode;
}

bool CThread::Terminate(DWORD dwExitCode) {
    // How long the thread may take to reach one of the layer's waits, and then to be gone.
    constexpr ::DWORD kTerminateWaitMs = 5000;
    if (detail::ConsumeFault(testing::Fault::ThreadTerminate)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    Control& c = *pControl;
    HANDLE hThread = c.hThread.Get();
    if (HasEnded(hThread)) return true;  // its own exit code stays
    if (c.dwId == ::GetCurrentThreadId()) {
        SetLastError(ERROR_POSSIBLE_DEADLOCK);
        return false;
    }
    const ::DWORD dwStart = ::GetTickCount();
    for (;;) {
        if (::SuspendThread(hThread) == static_cast<::DWORD>(-1)) {
            win32::KeepSystemError();
            return HasEnded(hThread);  // a thread that has just ended cannot be suspended
        }
        // SuspendThread only asks; reading the context waits until the thread has stopped.
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        ::GetThreadContext(hThread, &context);
        // A thread that was never resumed has run nothing yet.
        if (!c.bResumed.load() || c.nInWait.load() > 0) break;
        ::ResumeThread(hThread);
        if (::GetTickCount() - dwStart >= kTerminateWaitMs) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        ::Sleep(1);
        if (HasEnded(hThread)) return true;
    }
    // The thread stays suspended until the kernel ends it, so it never leaves its wait.
    if (!::TerminateThread(hThread, dwExitCode)) {
        win32::KeepSystemError();
        ::ResumeThread(hThread);
        return false;
    }
    if (::WaitForSingleObject(hThread, kTerminateWaitMs) != WAIT_OBJECT_0) {
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    delete c.pThreadsReference.exchange(nullptr);
    return true;
}

bool CThread::SetPriority(int nPriority) {
    if (detail::ConsumeFault(testing::Fault::ThreadPriority)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    HANDLE hThread = pControl->hThread.Get();
    // The kernel would still accept a priority for an ended thread; it has none to change.
    if (HasEnded(hThread)) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return false;
    }
    // Values between the named levels are taken to the nearest one, as on POSIX.
    int nLevel = nPriority;
    if (nPriority >= THREAD_PRIORITY_TIME_CRITICAL) {
        nLevel = THREAD_PRIORITY_TIME_CRITICAL;
    } else if (nPriority <= THREAD_PRIORITY_IDLE) {
        nLevel = THREAD_PRIORITY_IDLE;
    } else if (nPriority > THREAD_PRIORITY_HIGHEST) {
        nLevel = THREAD_PRIORITY_HIGHEST;
    } else if (nPriority < THREAD_PRIORITY_LOWEST) {
        nLevel = THREAD_PRIORITY_LOWEST;
    }
    if (!::SetThreadPriority(hThread, nLevel)) {
        win32::KeepSystemError();
        return false;
    }
    return true;
}

}  // namespace YRAPI::platform
