// KernelMutexTest.cpp - the kernel mutex: recursion, ownership, abandonment, timed waits and
// closing in every state.
#include "tests/support/TempDir.h"
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/KernelMutex.h"
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

std::unique_ptr<CKernelMutex> NewMutex() {
    auto pMutex = CKernelMutex::Create();
    EXPECT_NE(pMutex, nullptr);
    return pMutex;
}

// What another thread sees when it tries the mutex without waiting; it gives back what it got.
WaitResult TryFromOtherThread(CKernelMutex& mutex) {
    WaitResult result = WaitResult::Failed;
    std::thread([&] {
        result = mutex.Wait(0);
        if (result == WaitResult::Acquired || result == WaitResult::Abandoned) mutex.Release();
    }).join();
    return result;
}

// Another thread that takes the mutex twice on construction and holds it until End(); it
// then releases both levels or, with bAbandon, ends still holding them.
class COwner {
  public:
    COwner(CKernelMutex& mutex, bool bAbandon)
        : thread([this, &mutex, bAbandon] {
              ASSERT_EQ(mutex.Wait(INFINITE), WaitResult::Acquired);
              ASSERT_EQ(mutex.Wait(0), WaitResult::Acquired);
              bOwned = true;
              while (!bEnd) Sleep(1);
              for (int i = 0; i < 2 && !bAbandon; ++i) mutex.Release();
          }) {
        EXPECT_TRUE(test::WaitUntil([&] { return bOwned.load(); }));
    }
    ~COwner() { Join(); }
    void End() { bEnd = true; }
    void Join() {
        End();
        if (thread.joinable()) thread.join();
    }

  private:
    std::atomic<bool> bOwned{false};
    std::atomic<bool> bEnd{false};
    std::thread thread;  // last: it uses the flags above
};

TEST(CKernelMutex, RecursiveForItsOwnerAndReleasedOnlyByIt) {
    auto pMutex = NewMutex();
    EXPECT_FALSE(pMutex->Release());  // nobody owns it
    EXPECT_NE(GetLastError(), 0u);
    ASSERT_EQ(pMutex->Wait(INFINITE), WaitResult::Acquired);
    ASSERT_EQ(pMutex->Wait(0), WaitResult::Acquired);
    ASSERT_EQ(pMutex->Wait(1000), WaitResult::Acquired);

    std::thread([&] {
        EXPECT_FALSE(pMutex->Release());
        EXPECT_NE(GetLastError(), 0u);
    }).join();

    // The refused release changed nothing: others get it only after the owner's third release.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(TryFromOtherThread(*pMutex), WaitResult::Timeout) << i;
        EXPECT_TRUE(pMutex->Release());
    }
    EXPECT_EQ(TryFromOtherThread(*pMutex), WaitResult::Acquired);
    EXPECT_FALSE(pMutex->Release());
}

TEST(CKernelMutex, AbandonedMutexGoesToTheNextWaiterWhoIsToldOnce) {
    // Every kind of wait (no wait, timed, unlimited) must report the abandonment and own.
    for (DWORD dwTimeout : {DWORD{0}, DWORD{10000}, INFINITE}) {
        SCOPED_TRACE(dwTimeout);
        auto pMutex = NewMutex();
        COwner owner(*pMutex, /*bAbandon=*/true);
        // An unlimited wait is (most likely) already blocked when the owner ends and must be
        // woken by the abandonment; the others find the mutex abandoned.
        if (dwTimeout == INFINITE) {
            owner.End();
        } else {
            owner.Join();
        }
        ASSERT_EQ(pMutex->Wait(dwTimeout), WaitResult::Abandoned);
        owner.Join();
        // The dead owner's two levels are gone: the new owner holds exactly one.
        EXPECT_EQ(TryFromOtherThread(*pMutex), WaitResult::Timeout);
        EXPECT_TRUE(pMutex->Release());
        EXPECT_FALSE(pMutex->Release());

        // Abandonment is reported once; afterwards the mutex works as before.
        EXPECT_EQ(TryFromOtherThread(*pMutex), WaitResult::Acquired);
        EXPECT_EQ(pMutex->Wait(0), WaitResult::Acquired);
        EXPECT_TRUE(pMutex->Release());
    }
}

TEST(CKernelMutex, TimedWaitRunsOutWhileOwnedAndSucceedsOnARelease) {
    auto pMutex = NewMutex();
    COwner owner(*pMutex, /*bAbandon=*/false);
    EXPECT_EQ(pMutex->Wait(0), WaitResult::Timeout);
    auto start = steady_clock::now();
    EXPECT_EQ(pMutex->Wait(80), WaitResult::Timeout);
    auto elapsed = steady_clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(75));
    EXPECT_LT(elapsed, milliseconds(5000));
    EXPECT_FALSE(pMutex->Release());  // a wait that ran out owns nothing

    // The owner releases while this wait is (most likely) blocked: not the full time-out.
    owner.End();
    start = steady_clock::now();
    EXPECT_EQ(pMutex->Wait(60000), WaitResult::Acquired);
    EXPECT_LT(steady_clock::now() - start, milliseconds(30000));
    EXPECT_TRUE(pMutex->Release());
}

TEST(CKernelMutex, ContendedOwnersExcludeEachOther) {
    auto pMutex = NewMutex();
    long nTotal = 0;  // guarded by the mutex under test; lost updates show an overlap
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000;) {
                // Mix the three kinds of wait; a time-out just tries again.
                DWORD dwTimeout = i % 3 == 0 ? INFINITE : (i % 3 == 1 ? 50 : 0);
                if (pMutex->Wait(dwTimeout) != WaitResult::Acquired) continue;
                EXPECT_EQ(pMutex->Wait(0), WaitResult::Acquired);  // recursion under contention
                ++nTotal;
                ++i;
                EXPECT_TRUE(pMutex->Release());
                EXPECT_TRUE(pMutex->Release());
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(nTotal, 4 * 2000);
}

// Closing is allowed whoever owns the mutex; the sanitizer builds catch a pthread mutex
// destroyed while locked, a use after free or a leak.
TEST(CKernelMutex, ClosingIsSafeWhoeverOwnsIt) {
    auto pMutex = NewMutex();  // owned twice by the closing thread
    ASSERT_EQ(pMutex->Wait(INFINITE), WaitResult::Acquired);
    ASSERT_EQ(pMutex->Wait(INFINITE), WaitResult::Acquired);
    pMutex.reset();
    // A new mutex (possibly at the same address) starts unowned.
    pMutex = NewMutex();
    EXPECT_EQ(TryFromOtherThread(*pMutex), WaitResult::Acquired);

    COwner(*pMutex, /*bAbandon=*/true).Join();  // abandoned
    pMutex.reset();

    pMutex = NewMutex();
    {
        COwner owner(*pMutex, /*bAbandon=*/true);  // ends holding a mutex whose handle is gone
        pMutex.reset();
    }
    auto pOther = NewMutex();  // the process goes on unharmed
    EXPECT_EQ(pOther->Wait(0), WaitResult::Acquired);
    EXPECT_TRUE(pOther->Release());
}

}  // namespace
}  // namespace YRAPI::platform
