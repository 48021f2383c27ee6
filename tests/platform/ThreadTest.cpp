// ThreadTest.cpp - platform threads: start (running or suspended), identifiers, waits for the
// end, exit codes, priorities, closing the handle and forced ends. On POSIX a forced end is a
// deferred cancellation that unwinds the thread's stack; one that finds no cancellation point
// in time stays pending.
#include "tests/support/TempDir.h"
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/KernelMutex.h"
#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#include <sys/resource.h>
#endif

namespace YRAPI::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// What a test worker (RunJob) works on.
struct Job {
    void (*pfnBlock)(Job&) = [](Job& job) { job.pGo->Wait(INFINITE); };  // the wait it runs
    DWORD dwResult = 3;
    std::unique_ptr<CSemaphore> pGo = CSemaphore::Create(0, 1000);  // ends the default wait
    std::unique_ptr<CSemaphore> pDone = CSemaphore::Create(0, 1);
    std::unique_ptr<CKernelMutex> pMutex = CKernelMutex::Create();  // held to the end
    CThread* pTarget = nullptr;                                     // for a wait for its end
    std::atomic<bool> bGo{false};                                   // for a busy pfnBlock
    std::atomic<bool> bRan{false};
    std::atomic<bool> bPastWait{false};
    std::atomic<int> nUnwound{0};  // guards destroyed on the worker's stack
    std::atomic<DWORD> dwSeenId{0};
};

struct Unwound {
    Job& job;
    ~Unwound() { ++job.nUnwound; }
};

// Takes the job's mutex twice without a holder, says it runs, blocks as the job says, and
// releases pDone as its very last use of the job (the test may destroy it then).
DWORD RunJob(void* pArg) {
    auto& job = *static_cast<Job*>(pArg);
    DWORD dwResult = job.dwResult;
    {
        Unwound guard{job};
        job.pMutex->Wait(INFINITE);
        job.pMutex->Wait(INFINITE);
        job.dwSeenId = GetCurrentThreadId();
        job.bRan = true;
        job.pfnBlock(job);
        job.bPastWait = true;
    }
    job.pDone->Release();
    return dwResult;
}

// Starts the job's thread running and waits until the routine runs.
std::unique_ptr<CThread> StartJob(Job& job, DWORD* pdwId = nullptr) {
    auto pThread = CThread::Create(&RunJob, &job, /*bSuspended=*/false, pdwId);
    EXPECT_NE(pThread, nullptr);
    EXPECT_TRUE(test::WaitUntil([&] { return job.bRan.load(); }));
    return pThread;
}

TEST(CThread, RunsTheRoutineAndKeepsItsResultAsExitCode) {
    Job job;
    job.dwResult = 1234;
    DWORD dwId = 0;
    auto pThread = StartJob(job, &dwId);
    ASSERT_NE(pThread, nullptr);
    EXPECT_EQ(job.dwSeenId.load(), dwId);
    EXPECT_FALSE(pThread->Resume());  // not suspended
    EXPECT_EQ(pThread->GetExitCode(), STILL_ACTIVE);
    auto start = steady_clock::now();
    EXPECT_EQ(pThread->Wait(80), WaitResult::Timeout);
    auto elapsed = steady_clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(75));
    EXPECT_LT(elapsed, milliseconds(5000));

    // The end wakes every thread waiting for it and stays signalled for every later wait.
    std::atomic<int> nWoken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&, i] {
            if (pThread->Wait(i % 2 == 0 ? INFINITE : 60000) == WaitResult::Acquired) ++nWoken;
        });
    }
    Sleep(20);
    ASSERT_TRUE(job.pGo->Release());
    for (auto& w : waiters) w.join();
    EXPECT_EQ(nWoken.load(), 4);
    EXPECT_EQ(pThread->GetExitCode(), 1234u);
    EXPECT_EQ(pThread->Wait(0), WaitResult::Acquired);
    EXPECT_EQ(pThread->Wait(INFINITE), WaitResult::Acquired);
}

TEST(CThread, SuspendedThreadHasItsIdentifierAndRunsOnlyAfterResume) {
    Job job;
    job.dwResult = 5;
    ASSERT_TRUE(job.pGo->Release());  // the routine will not block
    DWORD dwId = 0;
    auto pThread = CThread::Create(&RunJob, &job, /*bSuspended=*/true, &dwId);
    ASSERT_NE(pThread, nullptr);
    EXPECT_NE(dwId, 0u);
    EXPECT_EQ(pThread->GetId(), dwId);
    EXPECT_NE(dwId, GetCurrentThreadId());
    EXPECT_EQ(pThread->Wait(50), WaitResult::Timeout);
    EXPECT_FALSE(job.bRan);
    EXPECT_EQ(pThread->GetExitCode(), STILL_ACTIVE);

    EXPECT_TRUE(pThread->Resume());
    EXPECT_FALSE(pThread->Resume());  // no longer suspended
    EXPECT_EQ(pThread->Wait(INFINITE), WaitResult::Acquired);
    EXPECT_EQ(job.dwSeenId.load(), dwId);
    EXPECT_EQ(pThread->GetExitCode(), 5u);
    EXPECT_EQ(pThread->GetId(), dwId);  // still known after the end
}

// As on Win32, a thread counts as ended only once it is fully gone, so a mutex it still held
// is already abandoned when a wait reports the end.
TEST(CThread, MutexesItHeldAreAbandonedWhenItsEndIsReported) {
    for (int i = 0; i < 50; ++i) {
        Job job;
        job.pGo->Release();
        auto pThread = CThread::Create(&RunJob, &job, /*bSuspended=*/false, nullptr);
        ASSERT_NE(pThread, nullptr);
        ASSERT_EQ(pThread->Wait(i % 2 == 0 ? INFINITE : 60000), WaitResult::Acquired);
        ASSERT_EQ(job.pMutex->Wait(0), WaitResult::Abandoned) << "round " << i;
        EXPECT_TRUE(job.pMutex->Release());
    }
}

TEST(CThread, ClosingTheHandleIsSafeWhateverTheThreadDoes) {
    Job running;  // runs on without its handle
    auto pThread = StartJob(running);
    pThread.reset();
    running.pGo->Release();
    EXPECT_EQ(running.pDone->Wait(60000), WaitResult::Acquired);

    // A thread whose handle is gone before it ever ran is never started (as on Win32 it
    // stays suspended); the job outlives the process's tests, so it is static.
    static Job neverRun;
    pThread = CThread::Create(&RunJob, &neverRun, /*bSuspended=*/true, nullptr);
    ASSERT_NE(pThread, nullptr);
    pThread.reset();
    Sleep(20);
    EXPECT_FALSE(neverRun.bRan);

    // A thread may close its own handle, but not end itself by force.
    struct Self {
        std::unique_ptr<CThread> pHandle;
        Job job;
    } self;
    self.pHandle = CThread::Create(
        [](void* p) -> DWORD {
            auto& s = *static_cast<Self*>(p);
            s.job.pGo->Wait(INFINITE);
            EXPECT_FALSE(s.pHandle->Terminate(1));
            EXPECT_NE(GetLastError(), 0u);
            Sleep(1);  // a forced-end point: a pending request would end the thread here
            s.pHandle.reset();
            s.job.pDone->Release();
            return 0;
        },
        &self, /*bSuspended=*/false, nullptr);
    ASSERT_NE(self.pHandle, nullptr);
    self.job.pGo->Release();
    EXPECT_EQ(self.job.pDone->Wait(60000), WaitResult::Acquired);
}

#if defined(__linux__)
// The values the scheduler holds for a thread (its nice value and policy).
int NiceOf(DWORD dwId) { return getpriority(PRIO_PROCESS, static_cast<id_t>(dwId)); }
int PolicyOf(DWORD dwId) { return sched_getscheduler(static_cast<pid_t>(dwId)); }

TEST(CThread, PrioritiesMapToLinuxScheduling) {
    Job job;
    DWORD dwId = 0;
    auto pThread = StartJob(job, &dwId);
    ASSERT_NE(pThread, nullptr);
    int nBaseNice = NiceOf(dwId);

    // Time-critical: real-time when the process may use it, else the lowest nice allowed,
    // which is at worst the one a fresh thread already has, so it is always granted.
    EXPECT_TRUE(pThread->SetPriority(THREAD_PRIORITY_TIME_CRITICAL));
    int nPolicy = PolicyOf(dwId);
    EXPECT_TRUE(nPolicy == SCHED_FIFO || (nPolicy == SCHED_OTHER && NiceOf(dwId) <= nBaseNice))
        << nPolicy;
    // From high to low, with the nice value each maps to: raising a nice value (below 0) may
    // need privileges, lowering never does.
    const int levels[][2] = {{THREAD_PRIORITY_HIGHEST, -10},
                             {THREAD_PRIORITY_ABOVE_NORMAL, -5},
                             {THREAD_PRIORITY_NORMAL, 0},
                             {THREAD_PRIORITY_BELOW_NORMAL, 5},
                             {THREAD_PRIORITY_LOWEST, 10}};
    for (const auto& [nPriority, nNice] : levels) {
        SCOPED_TRACE(nPriority);
        bool bSet = pThread->SetPriority(nPriority);
        EXPECT_TRUE(bSet || nNice < 0);
        if (bSet) {
            EXPECT_EQ(PolicyOf(dwId), SCHED_OTHER);
            EXPECT_EQ(NiceOf(dwId), nNice);
        }
    }
    ASSERT_TRUE(pThread->SetPriority(THREAD_PRIORITY_IDLE));
    EXPECT_EQ(PolicyOf(dwId), SCHED_IDLE);
    // The setting belongs to that thread, not to the caller.
    EXPECT_EQ(PolicyOf(GetCurrentThreadId()), SCHED_OTHER);

    job.pGo->Release();
    ASSERT_EQ(pThread->Wait(INFINITE), WaitResult::Acquired);
    EXPECT_FALSE(pThread->SetPriority(THREAD_PRIORITY_NORMAL));  // no thread any more
    EXPECT_NE(GetLastError(), 0u);
}
#endif

// The forced end on POSIX, which unwinds the thread's stack. (Win32's TerminateThread unwinds
// nothing; win32/ThreadTest.cpp has its tests.)
#if !defined(_WIN32)
// Checks that a job ended by force with code 42 is fully gone: stack unwound, code after the
// wait never run, and the mutex it held without a holder abandoned at once.
void ExpectEndedByForce(CThread& thread, Job& job) {
    EXPECT_EQ(thread.Wait(0), WaitResult::Acquired);
    EXPECT_EQ(thread.GetExitCode(), 42u);
    EXPECT_EQ(job.nUnwound.load(), 1);
    EXPECT_FALSE(job.bPastWait);
    EXPECT_EQ(job.pMutex->Wait(0), WaitResult::Abandoned);
    EXPECT_TRUE(job.pMutex->Release());
    EXPECT_FALSE(job.pMutex->Release());
}

TEST(CThreadTerminate, EndsAThreadInEveryKindOfWaitAndUnwindsIt) {
    Job target;  // blocked in a semaphore wait; the OtherThread job waits for its end
    auto pTarget = StartJob(target);
    ASSERT_NE(pTarget, nullptr);

    void (*const blocks[])(Job&) = {
        [](Job&) { Sleep(INFINITE); },  // a sleep
        [](Job&) {
            for (;;) Sleep(0);  // a busy loop that yields
        },
        [](Job& job) { job.pGo->Wait(INFINITE); },       // a semaphore wait
        [](Job& job) { job.pGo->Wait(600000); },         // a timed semaphore wait
        [](Job& job) { job.pTarget->Wait(INFINITE); }};  // a wait for a thread's end
    for (const auto& pfnBlock : blocks) {
        SCOPED_TRACE(&pfnBlock - blocks);
        Job job;
        job.pfnBlock = pfnBlock;
        job.pTarget = pTarget.get();
        auto pThread = StartJob(job);
        ASSERT_NE(pThread, nullptr);
        Sleep(20);  // let the worker enter its wait; a request sent earlier waits for it anyway
        EXPECT_TRUE(pThread->Terminate(42));
        ExpectEndedByForce(*pThread, job);
        // A cancelled semaphore waiter took no count and left the semaphore's own lock free.
        EXPECT_EQ(job.pGo->Wait(0), WaitResult::Timeout);
        EXPECT_TRUE(job.pGo->Release());
        EXPECT_EQ(job.pGo->Wait(1000), WaitResult::Acquired);
    }

    // The waited-for thread is untouched and its handle still works from other threads.
    EXPECT_EQ(pTarget->Wait(0), WaitResult::Timeout);
    EXPECT_EQ(pTarget->GetExitCode(), STILL_ACTIVE);
    ASSERT_TRUE(target.pGo->Release());
    EXPECT_EQ(pTarget->Wait(60000), WaitResult::Acquired);
    EXPECT_EQ(pTarget->GetExitCode(), 3u);
}
#endif  // !defined(_WIN32)

TEST(CThreadTerminate, EndsASuspendedThreadBeforeItsRoutineRunsAndSparesAnEndedOne) {
    Job job;
    auto pThread = CThread::Create(&RunJob, &job, /*bSuspended=*/true, nullptr);
    ASSERT_NE(pThread, nullptr);
    EXPECT_TRUE(pThread->Terminate(7));
    EXPECT_EQ(pThread->Wait(0), WaitResult::Acquired);
    EXPECT_EQ(pThread->GetExitCode(), 7u);
    EXPECT_FALSE(job.bRan);

    // A thread that has already ended keeps its own exit code.
    pThread = CThread::Create([](void*) -> DWORD { return 5; }, nullptr,
                              /*bSuspended=*/false, nullptr);
    ASSERT_NE(pThread, nullptr);
    ASSERT_EQ(pThread->Wait(INFINITE), WaitResult::Acquired);
    EXPECT_TRUE(pThread->Terminate(9));
    EXPECT_EQ(pThread->GetExitCode(), 5u);
}

#if !defined(_WIN32)
// A thread that reaches no cancellation point within the bound is not ended: Terminate
// reports false after it, and the request stays pending. It then acts at the first blocking
// call the thread makes outside a library call: not in the start of a thread of its own (a
// library call, which completes; its wait for the new thread's identifier is where a pending
// request once ended a thread with the start-up lock held), but in the nap after it. A later
// Terminate finds that end. (The only check of that path here; it takes the bound, 2 s.)
TEST(CThreadTerminate, ARefusedForcedEndActsAtTheNextBlockingCallOutsideALibraryCall) {
    Job job;
    static std::atomic<bool> bChildRan{false};
    job.pfnBlock = [](Job& job) {
        while (!job.bGo) {
        }
        auto pChild = CThread::Create(
            [](void*) -> DWORD {
                bChildRan = true;
                return 8;
            },
            nullptr, /*bSuspended=*/false, nullptr);
        job.dwSeenId = pChild != nullptr ? 1 : 2;
        Sleep(10);
        job.dwResult = 99;  // never reached
    };
    auto pThread = StartJob(job);
    ASSERT_NE(pThread, nullptr);
    auto start = steady_clock::now();
    EXPECT_FALSE(pThread->Terminate(42));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_GE(steady_clock::now() - start, milliseconds(1000));
    EXPECT_EQ(pThread->GetExitCode(), STILL_ACTIVE);

    job.bGo = true;
    ASSERT_EQ(pThread->Wait(60000), WaitResult::Acquired);
    EXPECT_EQ(job.dwSeenId.load(), 1u);
    EXPECT_TRUE(test::WaitUntil([] { return bChildRan.load(); }));
    EXPECT_EQ(job.dwResult, 3u);
    ExpectEndedByForce(*pThread, job);
    EXPECT_TRUE(pThread->Terminate(43));
    EXPECT_EQ(pThread->GetExitCode(), 42u);
}
#endif  // !defined(_WIN32)

}  // namespace
}  // namespace YRAPI::platform
