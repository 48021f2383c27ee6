// SemaphoreTest.cpp - the counting semaphore: counts, maximum, time-outs and contention.
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace YRAPI::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(CSemaphore, HandsOutItsCountUpToTheMaximumThenTimesOut) {
    EXPECT_EQ(CSemaphore::Create(3, 2), nullptr);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(CSemaphore::Create(0, 0), nullptr);

    auto pSemaphore = CSemaphore::Create(1, 2);
    ASSERT_NE(pSemaphore, nullptr);
    EXPECT_EQ(pSemaphore->Wait(INFINITE), WaitResult::Acquired);
    EXPECT_EQ(pSemaphore->Wait(0), WaitResult::Timeout);
    auto start = steady_clock::now();
    EXPECT_EQ(pSemaphore->Wait(80), WaitResult::Timeout);
    auto elapsed = steady_clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(75));
    EXPECT_LT(elapsed, milliseconds(5000));

    // Counts released after the time-outs are there to take; one past the maximum adds nothing.
    EXPECT_TRUE(pSemaphore->Release());
    EXPECT_TRUE(pSemaphore->Release());
    EXPECT_FALSE(pSemaphore->Release());
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(pSemaphore->Wait(0), WaitResult::Acquired);
    EXPECT_EQ(pSemaphore->Wait(1000), WaitResult::Acquired);
    EXPECT_EQ(pSemaphore->Wait(0), WaitResult::Timeout);

    auto pLargest = CSemaphore::Create(0x7FFFFFFF, 0x7FFFFFFF);
    ASSERT_NE(pLargest, nullptr);
    EXPECT_FALSE(pLargest->Release());
    EXPECT_EQ(pLargest->Wait(0), WaitResult::Acquired);
}

TEST(CSemaphore, ReleaseWakesAWaiterBlockedWithAndWithoutLimit) {
    for (DWORD dwTimeout : {INFINITE, DWORD{60000}}) {
        SCOPED_TRACE(dwTimeout);
        auto pSemaphore = CSemaphore::Create(0, 1);
        ASSERT_NE(pSemaphore, nullptr);
        WaitResult result = WaitResult::Failed;
        std::thread waiter([&] { result = pSemaphore->Wait(dwTimeout); });
        Sleep(30);  // let the waiter block (the outcome is the same if it has not yet)
        auto start = steady_clock::now();
        EXPECT_TRUE(pSemaphore->Release());
        waiter.join();
        EXPECT_EQ(result, WaitResult::Acquired);
        EXPECT_LT(steady_clock::now() - start, milliseconds(30000));
        EXPECT_EQ(pSemaphore->Wait(0), WaitResult::Timeout);  // the waiter took the count
    }
}

TEST(CSemaphore, EveryReleasedCountIsTakenExactlyOnceUnderContention) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 2000;
    auto pSemaphore = CSemaphore::Create(0, 0x7FFFFFFF);
    ASSERT_NE(pSemaphore, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kPerThread; ++i) ASSERT_TRUE(pSemaphore->Release());
        });
        threads.emplace_back([&, t] {
            // Half the consumers poll with short time-outs, half wait without limit.
            for (int i = 0; i < kPerThread;) {
                WaitResult result = pSemaphore->Wait(t % 2 == 0 ? INFINITE : 5);
                ASSERT_NE(result, WaitResult::Failed);
                if (result == WaitResult::Acquired) ++i;
            }
        });
    }
    // The consumers end only if no count was lost; one taken twice would leave a count behind.
    for (auto& t : threads) t.join();
    EXPECT_EQ(pSemaphore->Wait(0), WaitResult::Timeout);
}

// A "done" signal: the waiter destroys the semaphore as soon as its wait returns, while the
// releasing thread may still be inside Release().
TEST(CSemaphore, WaiterMayDestroyItAsSoonAsTheReleasedCountIsTaken) {
    for (int i = 0; i < 500; ++i) {
        auto pSemaphore = CSemaphore::Create(0, 1);
        ASSERT_NE(pSemaphore, nullptr);
        CSemaphore* pRaw = pSemaphore.get();
        std::thread releaser([pRaw] { pRaw->Release(); });
        ASSERT_EQ(pSemaphore->Wait(INFINITE), WaitResult::Acquired);
        pSemaphore.reset();
        releaser.join();
    }
}

}  // namespace
}  // namespace YRAPI::platform
