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
#include <pthread.h>
#include <semaphore.h>

namespace YRAPI::platform {

struct CThread::Control {
    win32::CHandle hThread;
    ::DWORD dwId = 0;
    ThreadRoutine routine = nullptr;
    void* pArg = nullptr;
    std::atomic<bool> bResumed{false};
    win32::CForcedEndCounts counts;  // read by Terminate while the thread is suspended
    // The thread's own reference to this block, handed over in CreateThread's argument. The
    // thread drops it when its routine returns; Terminate drops it for a thread it ended.
    std::atomic<std::shared_ptr<Control>*> pThreadsReference{nullptr};
};

namespace {

::DWORD WINAPI ThreadStart(void* p) {
    auto* pReference = static_cast<std::shared_ptr<CThread::Control>*>(p);
    CThread::Control& c = **pReference;
    // From here on the layer's waits on this thread are counted where Terminate looks.
    win32::SetForcedEndCounts(&c.counts);
    DWORD dwResult = c.routine(c.pArg);
    win32::SetForcedEndCounts(nullptr);
    // May be the block's last reference, when the handle object has gone.
    delete c.pThreadsReference.exchange(nullptr);
    return dwResult;
}

bool HasEnded(HANDLE hThread) { return ::WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; }

#if defined(__x86_64__) || defined(_M_X64)
// Where a suspended thread stands, told from its stack: whether it is blocked in a sleep or a
// wait on kernel objects that the program's own code called. Nothing here may take a lock
// (the suspended thread could hold it): the modules' extents and unwind tables are read from
// their headers once, before any thread is suspended, and the stack is walked with
// RtlVirtualUnwind alone, which only reads memory.

// One loaded image: its extent and its function table (.pdata).
struct CImage {
    DWORD64 dwBase = 0;
    DWORD64 dwEnd = 0;
    const RUNTIME_FUNCTION* pFunctions = nullptr;
    DWORD nFunctions = 0;

    explicit CImage(HMODULE hModule) {
        if (hModule == nullptr) return;
        const auto* pBytes = reinterpret_cast<const BYTE*>(hModule);
        const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBytes);
        const auto* pNt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(pBytes + pDos->e_lfanew);
        dwBase = reinterpret_cast<DWORD64>(pBytes);
        dwEnd = dwBase + pNt->OptionalHeader.SizeOfImage;
        const IMAGE_DATA_DIRECTORY& table =
            pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
        pFunctions = reinterpret_cast<const RUNTIME_FUNCTION*>(pBytes + table.VirtualAddress);
        nFunctions = table.VirtualAddress != 0 ? table.Size / sizeof(RUNTIME_FUNCTION) : 0;
    }

    bool Holds(DWORD64 dwPc) const { return dwPc >= dwBase && dwPc < dwEnd; }

    // The function entry that holds dwPc (the table is sorted), or null for a leaf.
    const RUNTIME_FUNCTION* Find(DWORD64 dwPc) const {
        const auto dwRva = static_cast<::DWORD>(dwPc - dwBase);
        DWORD nLow = 0;
        DWORD nHigh = nFunctions;
        while (nLow < nHigh) {
            DWORD nMid = nLow + (nHigh - nLow) / 2;
            if (dwRva < pFunctions[nMid].BeginAddress) {
                nHigh = nMid;
            } else if (dwRva >= pFunctions[nMid].EndAddress) {
                nLow = nMid + 1;
            } else {
                return &pFunctions[nMid];
            }
        }
        return nullptr;
    }
};

struct CSystemCode {
    CImage ntdll{::GetModuleHandleA("ntdll.dll")};
    CImage kernel32{::GetModuleHandleA("kernel32.dll")};
    CImage kernelBase{::GetModuleHandleA("kernelbase.dll")};
    CImage program{::GetModuleHandleA(nullptr)};
    // The system calls a sleep or a wait on kernel objects blocks in.
    DWORD64 waitCalls[3] = {Address("NtDelayExecution"), Address("NtWaitForSingleObject"),
                            Address("NtWaitForMultipleObjects")};
    // The C++ runtime's locks, condition variables, joins and one-time calls (the pthread
    // emulation that std::mutex, std::condition_variable, std::thread, std::call_once and
    // static initialisation rest on). A thread ended inside one leaves the object's waiter
    // counts or its lock wrong for every other thread, so a wait with one of them on its stack
    // is never a place to end it.
    DWORD64 runtimeLocks[15] = {Entry(&pthread_mutex_lock),
                                Entry(&pthread_mutex_timedlock),
                                Entry(&pthread_cond_wait),
                                Entry(&pthread_cond_timedwait),
                                Entry(&pthread_rwlock_rdlock),
                                Entry(&pthread_rwlock_wrlock),
                                Entry(&pthread_rwlock_timedrdlock),
                                Entry(&pthread_rwlock_timedwrlock),
                                Entry(&pthread_join),
                                Entry(&pthread_once),
                                Entry(&pthread_barrier_wait),
                                Entry(&pthread_spin_lock),
                                Entry(&sem_wait),
                                Entry(&sem_timedwait),
                                Entry(&pthread_cond_timedwait_relative_np)};

    DWORD64 Address(const char* szName) const {
        HMODULE hNtdll = ::GetModuleHandleA("ntdll.dll");
        return hNtdll != nullptr ? reinterpret_cast<DWORD64>(::GetProcAddress(hNtdll, szName)) : 0;
    }

    // The start of the function that holds pFunction's code, as the stack walk sees it.
    template <class F>
    DWORD64 Entry(F* pFunction) const {
        auto dwPc = reinterpret_cast<DWORD64>(pFunction);
        const RUNTIME_FUNCTION* pEntry = program.Holds(dwPc) ? program.Find(dwPc) : nullptr;
        return pEntry != nullptr ? program.dwBase + pEntry->BeginAddress : dwPc;
    }

    const CImage* ImageOf(DWORD64 dwPc) const {
        for (const CImage* pImage : {&ntdll, &kernel32, &kernelBase, &program}) {
            if (pImage->Holds(dwPc)) return pImage;
        }
        return nullptr;
    }
};

const CSystemCode& SystemCode() {
    static const CSystemCode code;
    return code;
}

// Steps context to its caller's frame; false when the frame's code is not in a known image.
bool Unwind(const CSystemCode& code, CONTEXT& context) {
    const CImage* pImage = code.ImageOf(context.Rip);
    if (pImage == nullptr) return false;
    const RUNTIME_FUNCTION* pEntry = pImage->Find(context.Rip);
    if (pEntry == nullptr) {
        // A leaf (a system call's stub): the return address is on top of the stack.
        context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
        context.Rsp += 8;
        return true;
    }
    void* pHandlerData = nullptr;
    DWORD64 dwEstablisher = 0;
    ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, pImage->dwBase, context.Rip,
                       const_cast<RUNTIME_FUNCTION*>(pEntry), &context, &pHandlerData,
                       &dwEstablisher, nullptr);
    return true;
}

// True when the suspended thread is blocked in a sleep or a wait on kernel objects that the
// program's own code called, with no runtime lock on its stack: its stack is then the system
// call's stub, the Win32 functions (kernel32, kernelbase) and nothing but the program's frames
// down to the thread's start. A wait reached any other way (inside the loader, a critical
// section of the heap or the C runtime, another DLL, a runtime lock) is no place to end it.
bool IsInOwnWait(CONTEXT context) {
    const CSystemCode& code = SystemCode();
    bool bInWaitCall = false;
    for (DWORD64 dwCall : code.waitCalls) {
        if (dwCall != 0 && context.Rip >= dwCall && context.Rip < dwCall + 32) bInWaitCall = true;
    }
    if (!bInWaitCall || !Unwind(code, context)) return false;
    while (code.kernelBase.Holds(context.Rip) || code.kernel32.Holds(context.Rip)) {
        if (!Unwind(code, context)) return false;
    }
    if (!code.program.Holds(context.Rip)) return false;
    for (int nFrame = 0; nFrame < 64; ++nFrame) {
        if (!code.program.Holds(context.Rip)) {
            // The thread's start, which Windows calls through kernel32.
            return code.kernel32.Holds(context.Rip);
        }
        const RUNTIME_FUNCTION* pEntry = code.program.Find(context.Rip);
        if (pEntry != nullptr) {
            DWORD64 dwFunction = code.program.dwBase + pEntry->BeginAddress;
            for (DWORD64 dwLock : code.runtimeLocks) {
                if (dwFunction == dwLock) return false;
            }
        }
        if (!Unwind(code, context)) return false;
    }
    return false;
}
#endif

// Whether the suspended thread may be ended where it stands: outside every library call, and
// blocked in one of the layer's own waits, or (64-bit) in a sleep or a wait on kernel objects
// of the program's own.
bool IsTerminableHere(CThread::Control& c, const CONTEXT& context) {
    if (c.counts.nDeferred.load() != 0) return false;
    if (c.counts.nInWait.load() > 0) return true;
#if defined(__x86_64__) || defined(_M_X64)
    return IsInOwnWait(context);
#else
    (void)context;
    return false;
#endif
}

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
    CDeferForcedEnd defer;  // a library call: the start-up completes
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
    constexpr ::DWORD kTerminateWaitMs = 2000;
    if (detail::ConsumeFault(testing::Fault::ThreadTerminate)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    CDeferForcedEnd defer;  // a caller that is itself being ended finishes this call first
    Control& c = *pControl;
    HANDLE hThread = c.hThread.Get();
    if (HasEnded(hThread)) return true;  // its own exit code stays
    if (c.dwId == ::GetCurrentThreadId()) {
        SetLastError(ERROR_POSSIBLE_DEADLOCK);
        return false;
    }
#if defined(__x86_64__) || defined(_M_X64)
    SystemCode();  // read while no thread is suspended: building it may take the loader's lock
#endif
    const ::DWORD dwStart = ::GetTickCount();
    for (;;) {
        if (::SuspendThread(hThread) == static_cast<::DWORD>(-1)) {
            win32::KeepSystemError();
            return HasEnded(hThread);  // a thread that has just ended cannot be suspended
        }
        // SuspendThread only asks; reading the context waits until the thread has stopped.
        CONTEXT context{};
        context.ContextFlags = CONTEXT_FULL;
        ::GetThreadContext(hThread, &context);
        // A thread that was never resumed has run nothing yet.
        if (!c.bResumed.load() || IsTerminableHere(c, context)) break;
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
