// TestingTest.cpp - the injected platform refusals: each Fault kind fails exactly the armed
// number of calls of its kind, with an error code, and nothing else.
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/KernelMutex.h"
#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Testing.h"
#include "yrapi/platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace YRAPI::platform {
namespace {

using testing::FailNext;
using testing::Fault;

TEST(FailNext, CreationFaultsFailTheArmedNumberOfCreations) {
    FailNext(Fault::MutexCreate, 2);
    SetLastError(0);
    EXPECT_EQ(CKernelMutex::Create(), nullptr);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(CKernelMutex::Create(), nullptr);
    auto pMutex = CKernelMutex::Create();
    ASSERT_NE(pMutex, nullptr);
    EXPECT_EQ(pMutex->Wait(0), WaitResult::Acquired);
    EXPECT_TRUE(pMutex->Release());

    static std::atomic<int> nRuns{0};
    auto countRun = [](void*) -> DWORD {
        ++nRuns;
        return 0;
    };
    FailNext(Fault::ThreadCreate);
    SetLastError(0);
    EXPECT_EQ(CThread::Create(countRun, nullptr, /*bSuspended=*/false, nullptr), nullptr);
    EXPECT_NE(GetLastError(), 0u);
    auto pThread = CThread::Create(countRun, nullptr, /*bSuspended=*/false, nullptr);
    ASSERT_NE(pThread, nullptr);
    EXPECT_EQ(pThread->Wait(INFINITE), WaitResult::Acquired);
    EXPECT_EQ(nRuns.load(), 1);  // the refused thread never ran its routine
}

TEST(FailNext, EachKindFailsOnlyItsOwnArmedCallsAndZeroTimesDisarms) {
    FailNext(Fault::MutexCreate, 5);
    FailNext(Fault::MutexCreate, 0);
    EXPECT_NE(CKernelMutex::Create(), nullptr);

    // A thread blocked until pGo is released; only non-fatal checks follow, so it always is.
    auto pGo = CSemaphore::Create(0, 1);
    auto pThread = CThread::Create(
        [](void* p) -> DWORD {
            static_cast<CSemaphore*>(p)->Wait(INFINITE);
            return 0;
        },
        pGo.get(), /*bSuspended=*/false, nullptr);
    ASSERT_NE(pThread, nullptr);
    CThread& thread = *pThread;
    FailNext(Fault::ThreadWait);
    FailNext(Fault::ThreadTerminate);
    EXPECT_NE(CSemaphore::Create(0, 1), nullptr);  // other kinds work
    EXPECT_TRUE(thread.SetPriority(THREAD_PRIORITY_NORMAL));
    SetLastError(0);
    EXPECT_FALSE(thread.Terminate(1));
    EXPECT_NE(GetLastError(), 0u);
    SetLastError(0);
    EXPECT_EQ(thread.Wait(0), WaitResult::Failed);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(thread.Wait(50), WaitResult::Timeout);  // the refused Terminate ended nothing
    EXPECT_EQ(thread.GetExitCode(), STILL_ACTIVE);

    FailNext(Fault::ThreadPriority);
    SetLastError(0);
    EXPECT_FALSE(thread.SetPriority(THREAD_PRIORITY_NORMAL));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_TRUE(thread.SetPriority(THREAD_PRIORITY_NORMAL));

    pGo->Release();
    EXPECT_EQ(thread.Wait(INFINITE), WaitResult::Acquired);
}

TEST(FailNext, ConcurrentCallersShareTheArmedRefusalsExactly) {
    constexpr unsigned kArmed = 100;
    FailNext(Fault::SemaphoreCreate, kArmed);
    std::atomic<unsigned> nRefused{0};
    std::atomic<unsigned> nWithoutError{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                SetLastError(0);
                if (CSemaphore::Create(0, 1) != nullptr) continue;
                ++nRefused;
                if (GetLastError() == 0) ++nWithoutError;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(nRefused.load(), kArmed);
    EXPECT_EQ(nWithoutError.load(), 0u);
    EXPECT_NE(CSemaphore::Create(0, 1), nullptr);
}

}  // namespace
}  // namespace YRAPI::platform
