// BaseThread.cpp - CBaseThread on the platform's threads.
#include "yrapi/threads/BaseThread.h"

#include "yrapi/log/LogInterface.h"
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace YRAPI {

CBaseThread::CBaseThread() : pStopSignal(platform::CSemaphore::Create(0, 1)) {
    SetState(StateInit);
}

CBaseThread::~CBaseThread() {
    // A destructor (noexcept): a forced end of the destroying thread waits until it is done.
    platform::CDeferForcedEnd defer;
    std::shared_ptr<platform::CThread> pLast;
    {
        CMutexLock lock(stateLock);
        pLast = pLastThread;
    }
    if (!pLast || pLast->GetId() == platform::GetCurrentThreadId()) return;
    if (pLast->Wait(0) == platform::WaitResult::Acquired) return;
    // A worker still runs: this is a subclass that did not stop it. Its own operations are
    // gone already, so all that is left to do safely is to end the thread before the memory.
    bStopRequested.store(true);
    if (pLast->Wait(1000) != platform::WaitResult::Acquired && !pLast->Terminate(0xFFFFFFFFu)) {
        pLast->Wait(INFINITE);
    }
}

bool CBaseThread::Start(bool bRun) { return Create(bRun) != nullptr; }

std::shared_ptr<platform::CThread> CBaseThread::CurrentHandle() const {
    CMutexLock lock(stateLock);
    return hThread;
}

bool CBaseThread::HasThread() const { return CurrentHandle() != nullptr; }

platform::CThread* CBaseThread::Create(bool bRun) {
    platform::CDeferForcedEnd defer;  // the object's thread fields change together
    if (HasThread()) Stop(200);
    std::shared_ptr<platform::CThread> pPrevious;
    {
        CMutexLock lock(stateLock);
        pPrevious = pLastThread;
    }
    if (pPrevious && pPrevious->Wait(0) != platform::WaitResult::Acquired) {
        // The earlier worker is still on its way out (or stuck): give it the same 200 ms, then
        // refuse rather than run two workers on one object.
        bool bSelf = pPrevious->GetId() == platform::GetCurrentThreadId();
        if (bSelf || pPrevious->Wait(200) != platform::WaitResult::Acquired) return nullptr;
    }
    // Created suspended, so that StateCreated and the identifier are recorded before the new
    // thread can record StateRunning or compare identifiers.
    DWORD dwId = 0;
    std::shared_ptr<platform::CThread> pThread =
        platform::CThread::Create(&CBaseThread::ThreadRoutine, this, /*bSuspended=*/true, &dwId);
    if (!pThread) return nullptr;
    {
        CMutexLock lock(stateLock);
        hThread = pThread;
        pLastThread = pThread;
        dwThreadId.store(dwId);
    }
    SetState(StateCreated);
    // A thread created without bRun stays suspended: nothing resumes it.
    if (bRun) pThread->Resume();
    return pThread.get();
}

// Not instrumented by AddressSanitizer: its clean-up during a forced end's unwind would ask the
// ASan runtime to unpoison the stack, and GCC 12's runtime then trips over the red zones of the
// frames the unwind skipped (see platform::Sleep on Linux). The thread's stack is unpoisoned
// as a whole when the thread ends.
__attribute__((no_sanitize_address)) DWORD CBaseThread::ThreadRoutine(void* pArg) {
    // No catch (...) and no noexcept on this path: a forced end unwinds through here.
    auto* pThis = static_cast<CBaseThread*>(pArg);
    // A worker ended by force (on Linux its stack is unwound, which runs this) records its end
    // itself, before its platform thread reports it gone: whoever asked for the end and
    // whenever it acted (also a request that Terminate had given up on), a thread that is gone
    // never reads StateRunning or StateStopping. None of the worker's own code runs here.
    struct CForcedEndRecorder {
        CBaseThread* pThis;
        bool bReturned = false;
        ~CForcedEndRecorder() {
            if (!bReturned) pThis->SetState(StateEnded);
        }
    } recorder{pThis};
    pThis->OnThreadStart();
    DWORD dwResult = pThis->Run();
    pThis->OnThreadExit();
    recorder.bReturned = true;
    return dwResult;
}

void CBaseThread::OnThreadStart() {
    // Each worker gets its own seed. glibc keeps one rand() state for the whole process, so
    // this reseeds that shared sequence; the seed still differs per worker object and second.
    auto dwSeed = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this)) +
                  static_cast<std::uint32_t>(std::time(nullptr));
    std::srand(dwSeed);
    SetState(StateRunning);
}

DWORD CBaseThread::Run() {
    BeforeRun();
    while (!bStopRequested.load()) {
        if (!Step()) break;
    }
    AfterRun();
    return dwExitCode.load();
}

void CBaseThread::OnThreadExit() { SetState(StateEnded); }

bool CBaseThread::Step() {
    Idle(1000);
    return true;
}

void CBaseThread::Idle(DWORD nMilliseconds) {
    DWORD dwStart = platform::GetTickCount();
    if (bStopRequested.load()) return;
    DWORD dwNow = dwStart;
    for (;;) {
        DWORD dwElapsed = dwNow >= dwStart ? dwNow - dwStart : dwNow - dwStart - 1;
        if (dwElapsed >= nMilliseconds) return;
        // One 100 ms sleep, which a stop request ends early.
        if (pStopSignal) {
            pStopSignal->Wait(100);
        } else {
            platform::Sleep(100);
        }
        dwNow = platform::GetTickCount();
        if (bStopRequested.load()) return;
    }
}

void CBaseThread::RequestStop() {
    platform::CDeferForcedEnd defer;  // the state and the flag go together
    SetState(StateStopping);
    bStopRequested.store(true);
    // A count that is already there (an earlier request) is enough.
    if (pStopSignal) pStopSignal->Release();
}

bool CBaseThread::SetPriority(int nPriority) {
    std::shared_ptr<platform::CThread> pThread = CurrentHandle();
    return pThread && pThread->SetPriority(nPriority);
}

void CBaseThread::SetState(int nNewState) {
    platform::CDeferForcedEnd defer;  // the state lock is held
    stateLock.Lock();
    nState.store(nNewState);
    stateLock.Unlock();
}

void CBaseThread::CloseHandle() {
    CMutexLock lock(stateLock);
    hThread.reset();
    dwThreadId.store(0);
}

bool CBaseThread::Stop(DWORD nTimeout) {
    // A library call with state in flight: a forced end of the calling thread waits for it.
    platform::CDeferForcedEnd defer;
    RequestStop();
    if (!WaitForExit(nTimeout)) {
        // WaitUntillStop declines at once once the worker has recorded StateEnded. When that
        // happened just after our request, the thread has ended (or is leaving): confirm it on
        // the handle rather than report a stop that worked as a failure.
        std::shared_ptr<platform::CThread> pThread = CurrentHandle();
        if (GetState() != StateEnded || !pThread ||
            pThread->Wait(nTimeout) != platform::WaitResult::Acquired) {
            return false;
        }
    }
    CloseHandle();
    return true;
}

bool CBaseThread::WaitForExit(DWORD nTimeout) {
    if (platform::GetCurrentThreadId() == dwThreadId.load()) return true;
    return WaitUntillStop(nTimeout);
}

bool CBaseThread::WaitUntillStop(DWORD nTimeout) {
    std::shared_ptr<platform::CThread> pThread = CurrentHandle();
    if (!pThread || GetState() == StateEnded) return false;
    switch (pThread->Wait(nTimeout)) {
        case platform::WaitResult::Acquired:
            return true;
        case platform::WaitResult::Failed: {
            DWORD dwError = platform::GetLastError();
            CYRLogInterface::Log(1, "CBaseThread::WaitUntillStop %d Error: %s",
                                 static_cast<int>(nTimeout), platform::ErrorText(dwError).c_str());
            return false;
        }
        default:
            return false;
    }
}

bool CBaseThread::Terminate(DWORD nExitCode) {
    platform::CDeferForcedEnd defer;
    dwExitCode.store(nExitCode);
    std::shared_ptr<platform::CThread> pThread = CurrentHandle();
    if (!pThread || !pThread->Terminate(nExitCode)) return false;
    SetState(StateEnded);
    return true;
}

void CBaseThread::StopForDestruction(DWORD nTimeout) {
    // Called from destructors, which are noexcept and must complete: a forced end of the
    // calling thread waits until this returns.
    platform::CDeferForcedEnd defer;
    if (Stop(nTimeout)) {
        // Stop returns true at once on the worker itself; otherwise the thread has ended.
        return;
    }
    std::shared_ptr<platform::CThread> pThread = CurrentHandle();
    if (!pThread) return;
    if (!Terminate(0xFFFFFFFFu)) pThread->Wait(INFINITE);
    CloseHandle();
}

}  // namespace YRAPI
