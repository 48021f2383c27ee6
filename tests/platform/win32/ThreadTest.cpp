// win32/ThreadTest.cpp - what only the Win32 backend's threads do: the forced end through
// TerminateThread (at once in the layer's waits, never elsewhere, nothing unwound), and the
// thread priorities as the kernel keeps them.
#include "tests/support/Platform.h"
#include "tests/support/TempDir.h"
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/KernelMutex.h"
#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <windows.h>

namespace YRAPI::platform {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A worker that takes a mutex, says it runs, then does what pfnBlock says; the code after it
// and the destructor of its guard are what a forced end must not run.
struct Job {
    void (*pfnBlock)(Job&) = nullptr;
    std::unique_ptr<CKernelMutex> pMutex = CKernelMutex::Create();
    std::unique_ptr<CSemaphore> pGo = CSemaphore::Create(0, 1);
    std::unique_ptr<CKernelMutex> pBusy = CKernelMutex::Create();  // held by the test
    std::unique_ptr<CThread> pOther;  // for a wait for another thread's end
    std::atomic<bool> bRunning{false};
    std::atomic<bool> bPastBlock{false};
    std::atomic<bool> bRelease{false};  // ends a busy block
    std::atomic<int> nUnwound{0};
};

struct Guard {
    Job& job;
    ~Guard() { ++job.nUnwound; }
};

DWORD RunJob(void* pArg) {
    auto& job = *static_cast<Job*>(pArg);
    Guard guard{job};
    job.pMutex->Wait(INFINITE);
    job.bRunning = true;
    job.pfnBlock(job);
    job.bPastBlock = true;
    return 3;
}

std::unique_ptr<CThread> StartJob(Job& job) {
    auto pThread = CThread::Create(&RunJob, &job, /*bSuspended=*/false, nullptr);
    EXPECT_NE(pThread, nullptr);
    EXPECT_TRUE(test::WaitUntil([&] { return job.bRunning.load(); }));
    return pThread;
}

TEST(CThreadTerminateWin32, EndsAThreadInEachOfTheLayersWaitsAtOnceAndUnwindsNothing) {
    const struct {
        const char* szWait;
        void (*pfnBlock)(Job&);
    } cases[] = {
        {"sleep", [](Job&) { Sleep(INFINITE); }},
        {"semaphore", [](Job& job) { job.pGo->Wait(INFINITE); }},
        {"timed semaphore", [](Job& job) { job.pGo->Wait(600000); }},
        {"thread's end", [](Job& job) { job.pOther->Wait(INFINITE); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szWait);
        Job job;
        job.pfnBlock = c.pfnBlock;
        ASSERT_EQ(job.pBusy->Wait(0), WaitResult::Acquired);
        // A thread that is never resumed never ends by itself.
        job.pOther = CThread::Create([](void*) -> DWORD { return 0; }, nullptr,
                                     /*bSuspended=*/true, nullptr);
        auto pThread = StartJob(job);
        ASSERT_NE(pThread, nullptr);
        Sleep(20);  // into its wait
        auto start = Clock::now();
        EXPECT_TRUE(pThread->Terminate(42));
        EXPECT_LT(Clock::now() - start, milliseconds(2000));
        EXPECT_EQ(pThread->Wait(0), WaitResult::Acquired);
        EXPECT_EQ(pThread->GetExitCode(), 42u);
        EXPECT_FALSE(job.bPastBlock);
        EXPECT_EQ(job.nUnwound.load(), 0);  // no destructor ran on its stack
        // The mutex it owned is abandoned, and the next waiter owns it.
        EXPECT_EQ(job.pMutex->Wait(0), WaitResult::Abandoned);
        EXPECT_TRUE(job.pMutex->Release());
        EXPECT_TRUE(job.pBusy->Release());
        EXPECT_TRUE(job.pOther->Terminate(0));
    }
}

// Where a thread may hold a lock, or may be taking one, it is not ended: in computation, in a
// kernel mutex wait (which may be a stop request waiting for a worker's state lock), in a
// wait for a C++ runtime mutex or a critical section (whose waiter counts an end would leave
// wrong). A refused end leaves nothing pending. (Each row takes the 2 s bound.)
TEST(CThreadTerminateWin32, ThreadWhereALockMayBeInPlayIsNotEndedAndNothingStaysPending) {
    static std::mutex runtimeMutex;
    static CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    const struct {
        const char* szWhere;
        void (*pfnBlock)(Job&);
    } cases[] = {
        {"computation",
         [](Job& job) {
             while (!job.bRelease) {
             }
         }},
        {"kernel mutex wait", [](Job& job) { job.pBusy->Wait(INFINITE); }},
        {"std::mutex", [](Job&) { std::lock_guard<std::mutex> hold(runtimeMutex); }},
        {"critical section",
         [](Job&) {
             EnterCriticalSection(&section);
             LeaveCriticalSection(&section);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szWhere);
        Job job;
        ASSERT_EQ(job.pBusy->Wait(0), WaitResult::Acquired);
        runtimeMutex.lock();
        EnterCriticalSection(&section);
        // The row's block, then the layer's wait.
        static void (*pfnPicked)(Job&) = nullptr;
        pfnPicked = c.pfnBlock;
        job.pfnBlock = [](Job& job) {
            pfnPicked(job);
            job.pGo->Wait(INFINITE);
        };
        auto pThread = StartJob(job);
        ASSERT_NE(pThread, nullptr);
        Sleep(50);  // into its block
        auto start = Clock::now();
        SetLastError(0);
        EXPECT_FALSE(pThread->Terminate(42));
        EXPECT_NE(GetLastError(), 0u);
        EXPECT_GE(Clock::now() - start, milliseconds(1000));
        EXPECT_EQ(pThread->GetExitCode(), STILL_ACTIVE);

        // Released into the layer's wait, the thread is not ended by the earlier request...
        job.bRelease = true;
        EXPECT_TRUE(job.pBusy->Release());
        runtimeMutex.unlock();
        LeaveCriticalSection(&section);
        Sleep(100);
        EXPECT_EQ(pThread->Wait(0), WaitResult::Timeout);
        // ...but by a new one, at once.
        EXPECT_TRUE(pThread->Terminate(43));
        EXPECT_EQ(pThread->GetExitCode(), 43u);
        EXPECT_FALSE(job.bPastBlock);
    }
    DeleteCriticalSection(&section);
}

// A thread ended while it starts (inside the system's loader, which holds its lock for the
// new thread) would leave every later thread unable to start or end. Ended right after a
// running start, again and again, threads still come and go.
TEST(CThreadTerminateWin32, EndsThreadsRightAfterTheirStartAndThreadsStillComeAndGo) {
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        auto pThread = CThread::Create(
            [](void*) -> DWORD {
                for (;;) Sleep(1);
            },
            nullptr, /*bSuspended=*/i % 2 == 0, nullptr);
        ASSERT_NE(pThread, nullptr);
        if (i % 2 == 0) pThread->Resume();
        ASSERT_TRUE(pThread->Terminate(7));
        EXPECT_EQ(pThread->GetExitCode(), 7u);
        auto pNext = CThread::Create([](void*) -> DWORD { return 9; }, nullptr, false, nullptr);
        ASSERT_NE(pNext, nullptr);
        ASSERT_EQ(pNext->Wait(10000), WaitResult::Acquired);
        EXPECT_EQ(pNext->GetExitCode(), 9u);
    }
}

// The priority a thread has, as the kernel reports it.
int PriorityOf(DWORD dwId) {
    HANDLE hThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, dwId);
    if (hThread == nullptr) return THREAD_PRIORITY_ERROR_RETURN;
    int nPriority = GetThreadPriority(hThread);
    CloseHandle(hThread);
    return nPriority;
}

TEST(CThreadWin32, PrioritiesAreTheKernelsLevelsAndValuesBetweenThemTheNearest) {
    Job job;
    job.pfnBlock = [](Job& job) { job.pGo->Wait(INFINITE); };
    DWORD dwId = 0;
    auto pThread = CThread::Create(&RunJob, &job, /*bSuspended=*/false, &dwId);
    ASSERT_NE(pThread, nullptr);
    const int levels[][2] = {{15, 15}, {99, 15}, {2, 2},   {7, 2},     {1, 1},    {0, 0},
                             {-1, -1}, {-2, -2}, {-9, -2}, {-15, -15}, {-99, -15}};
    for (const auto& [nAsked, nGot] : levels) {
        SCOPED_TRACE(nAsked);
        ASSERT_TRUE(pThread->SetPriority(nAsked));
        EXPECT_EQ(PriorityOf(dwId), nGot);
    }
    job.pGo->Release();
    ASSERT_EQ(pThread->Wait(INFINITE), WaitResult::Acquired);
    EXPECT_FALSE(pThread->SetPriority(0));  // no thread any more
    EXPECT_NE(GetLastError(), 0u);
}

}  // namespace
}  // namespace YRAPI::platform
