// MutexTest.cpp - CMutex and CMutexLock: recursion, ownership, abandonment, exceptions,
// forced ends and refused creation.
#include "tests/support/TempDir.h"
#include "yrapi/platform/Testing.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"
#include "yrapi/threads/Mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>

namespace YRAPI {
namespace {

// A thread that takes the mutex with Lock() and gives it back when destroyed.
class CContender {
  public:
    explicit CContender(CMutex& mutex)
        : thread([this, &mutex] {
              bLockResult = mutex.Lock();
              bGot = true;
              while (!bRelease) platform::Sleep(1);
              mutex.Unlock();
          }) {}
    ~CContender() {
        bRelease = true;
        thread.join();
    }
    // Still blocked after a while, as it should be while someone else holds the mutex.
    bool StaysBlocked() {
        platform::Sleep(50);
        return !bGot;
    }
    // Got the mutex in time, and normally (not abandoned).
    bool GetsItNormally() {
        return test::WaitUntil([&] { return bGot.load(); }) && bLockResult;
    }

  private:
    std::atomic<bool> bGot{false};
    std::atomic<bool> bRelease{false};
    std::atomic<bool> bLockResult{false};
    std::thread thread;  // last: it uses the flags above
};

TEST(CMutex, OwnerTakesItTwiceAndOnlyItsSecondUnlockLetsOthersIn) {
    CMutex mutex;
    ASSERT_TRUE(mutex.Lock());
    ASSERT_TRUE(mutex.Lock());
    std::thread([&] { EXPECT_FALSE(mutex.Unlock()); }).join();  // not the owner: changes nothing

    CContender other(mutex);
    EXPECT_TRUE(other.StaysBlocked());
    EXPECT_TRUE(mutex.Unlock());
    EXPECT_TRUE(other.StaysBlocked());
    EXPECT_TRUE(mutex.Unlock());
    EXPECT_TRUE(other.GetsItNormally());
    EXPECT_FALSE(mutex.Unlock());  // held by the other thread now, not by us
}

TEST(CMutex, RefusedCreationThrowsTheObjectsAddress) {
    alignas(CMutex) unsigned char storage[sizeof(CMutex)];
    platform::testing::FailNext(platform::testing::Fault::MutexCreate, 2);
    CMutex* pThrown = nullptr;
    try {
        new (storage) CMutex;
    } catch (CMutex* p) {
        pThrown = p;
    }
    EXPECT_EQ(static_cast<void*>(pThrown), static_cast<void*>(storage));
    void* pVoid = nullptr;
    try {
        new (storage) CMutex;
    } catch (void* p) {  // a thrown pointer is seen by a catch (void*) too
        pVoid = p;
    }
    EXPECT_EQ(pVoid, static_cast<void*>(storage));

    // Only the armed creations are refused.
    CMutex working;
    EXPECT_TRUE(working.Lock());
    EXPECT_TRUE(working.Unlock());
}

TEST(CMutexLock, HoldsTheMutexUntilItsScopeEndsNormallyOrByAnException) {
    CMutex mutex;
    std::optional<CContender> other;
    {
        CMutexLock lock(mutex);
        other.emplace(mutex);
        EXPECT_TRUE(other->StaysBlocked());
    }
    EXPECT_TRUE(other->GetsItNormally());
    other.reset();

    try {
        CMutexLock outer(mutex);
        CMutexLock inner(mutex);  // recursion: the same thread takes it again
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    other.emplace(mutex);
    EXPECT_TRUE(other->GetsItNormally());
}

// A thread that ends holding the mutex leaves it to the next Lock(), which reports false but
// owns it. A forced end is such an end; on POSIX it unwinds the worker's stack, so the
// CMutexLock holders on it release their mutex normally, while Win32's TerminateThread runs
// no destructor and their mutex is abandoned like the bare one.
TEST(CMutex, AbandonedByItsOwnersEndUnlessACMutexLockReleasedIt) {
    struct Args {
        CMutex held;
        CMutex bare;
        std::atomic<bool> bHeld{false};
    } args;
    auto pThread = platform::CThread::Create(
        [](void* p) -> DWORD {
            auto& a = *static_cast<Args*>(p);
            CMutexLock lock(a.held);
            CMutexLock again(a.held);
            a.bare.Lock();
            a.bare.Lock();
            a.bHeld = true;
            platform::Sleep(INFINITE);
            return 0;
        },
        &args, /*bSuspended=*/false, nullptr);
    ASSERT_NE(pThread, nullptr);
    ASSERT_TRUE(test::WaitUntil([&] { return args.bHeld.load(); }));
    ASSERT_TRUE(pThread->Terminate(3));
#if defined(_WIN32)
    EXPECT_FALSE(args.held.Lock());  // abandoned with both levels
#else
    EXPECT_TRUE(args.held.Lock());  // both levels released: free, not abandoned
#endif
    EXPECT_TRUE(args.held.Unlock());
    EXPECT_FALSE(args.held.Unlock());

    EXPECT_FALSE(args.bare.Lock());  // abandoned, but ours now
    CContender other(args.bare);
    EXPECT_TRUE(other.StaysBlocked());
    EXPECT_TRUE(args.bare.Unlock());      // one level: the dead owner's levels went with it
    EXPECT_TRUE(other.GetsItNormally());  // reported once only
}

}  // namespace
}  // namespace YRAPI
