// TimerTest.cpp - the timer pass (driven through the tick seam on a plain CTimer), the list
// operations, and the process-wide service thread firing live.
#include "tests/support/TempDir.h"
#include "yrapi/ProcessObjects.h"
#include "yrapi/platform/Testing.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"
#include "yrapi/threads/Timer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace YRAPI {
namespace {

using test::WaitUntil;

std::atomic<DWORD> gTick{0};
DWORD FakeTick() { return gTick.load(); }

// Delivered firings: which timer (nParam2) and the tick each carried.
using FiringLog = std::vector<std::pair<std::uintptr_t, DWORD>>;

// nParam1 is the FiringLog to append to, nParam2 the timer's id.
void Record(std::uintptr_t nLog, std::uintptr_t nId, DWORD dwTick) {
    reinterpret_cast<FiringLog*>(nLog)->push_back({nId, dwTick});
}

timer_item Item(FiringLog& log, std::uintptr_t nId, DWORD dwDue, DWORD dwInterval, int nCount) {
    return {reinterpret_cast<std::uintptr_t>(&log), nId, dwDue, dwInterval, nCount, &Record};
}

// A CTimer whose list a test may also fill directly, as a client holding the lock could, to
// reach states that AddTimer prevents (a timer left behind the last pass).
class CTestTimer : public CTimer {
  public:
    void ListUnchecked(timer_item* pItem) {
        CMutexLock lock(listLock);
        timerList.Add(pItem);
    }
    CMutex& ListLock() { return listLock; }
};

// Pass tests: the tick is the fake counter; a timer's last pass tick starts at construction.
class CTimerPass : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::testing::SetTickSource(&FakeTick);
        BuildAt(1000);
    }
    void TearDown() override { platform::testing::SetTickSource(nullptr); }
    void BuildAt(DWORD dwTick) {
        gTick = dwTick;
        pTimer = std::make_unique<CTestTimer>();
    }
    void PassAt(DWORD dwTick) {
        gTick = dwTick;
        pTimer->ProcessTimers();
    }

    std::unique_ptr<CTestTimer> pTimer;  // built at tick 1000 unless a test rebuilds it
    FiringLog log;
};

// Count 3 fires three times and stays listed at 0; -1 keeps firing; a pass 35 ms late fires
// every missed period with its own tick; timers fire in add order, not due order; a null
// callback advances its timer and calls nothing.
TEST_F(CTimerPass, FiresEveryDuePeriodInAddOrderUntilTheCountRunsOut) {
    timer_item three = Item(log, 1, 1020, 10, 3);
    timer_item endless = Item(log, 2, 1010, 10, -1);  // added later, due earlier
    timer_item silent{0, 0, 1010, 10, 2, nullptr};
    for (timer_item* pItem : {&three, &endless, &silent}) ASSERT_TRUE(pTimer->AddTimer(pItem));
    PassAt(1045);
    PassAt(1050);
    FiringLog expected(3, {1, 1045});
    expected.insert(expected.end(), {{2, 1045}, {2, 1045}, {2, 1045}, {2, 1045}, {2, 1050}});
    EXPECT_EQ(log, expected);
    EXPECT_EQ(three.nCount, 0);
    EXPECT_EQ(endless.nCount, -1);
    EXPECT_EQ(silent.nCount, 0);
    EXPECT_EQ(silent.dwDueTick, 1030u);
    EXPECT_TRUE(pTimer->RemoveTimer(&three));  // spent, yet still listed
    EXPECT_EQ(pTimer->GetLastPassTick(), 1050u);
}

// A pass fires the due ticks from the last pass tick to now. Across the wrap every period on
// both sides fires, however many lie after it: a due tick left behind the pass would be
// skipped by every later one until the next wrap. A timer already behind the last pass fires
// only in a pass with that same tick (1000/1000), not later (1000/1016).
TEST_F(CTimerPass, FiresTheDueTicksBetweenTheLastPassAndNow) {
    struct window_case {
        DWORD dwLast, dwDue, dwInterval, dwNow;
        std::size_t nFirings;
        DWORD dwNextDue;
    };
    for (window_case c :
         {window_case{0xFFFFFFF0u, 0xFFFFFFF8u, 16, 0x5, 1, 0x8},
          window_case{0xFFFFFFF0u, 0xFFFFFFF8u, 16, 0x10, 2, 0x18},
          window_case{0xFFFFFFF0u, 0xFFFFFFF8u, 4, 0x10, 7, 0x14},
          window_case{1000, 990, 4, 1000, 1, 994}, window_case{1000, 990, 4, 1016, 0, 990}}) {
        log.clear();
        BuildAt(c.dwLast);
        timer_item item = Item(log, 1, c.dwDue, c.dwInterval, -1);
        pTimer->ListUnchecked(&item);
        PassAt(c.dwNow);
        EXPECT_EQ(log, FiringLog(c.nFirings, {1, c.dwNow})) << c.dwLast << "->" << c.dwNow;
        EXPECT_EQ(item.dwDueTick, c.dwNextDue) << c.dwLast << "->" << c.dwNow;
    }
}

TEST_F(CTimerPass, EmptyListKeepsTheLastPassTickAndTakesNoLock) {
    std::future<void> pass;
    {
        CMutexLock lock(pTimer->ListLock());
        pass = std::async(std::launch::async, [&] { PassAt(2000); });
        EXPECT_EQ(pass.wait_for(std::chrono::seconds(5)), std::future_status::ready)
            << "a pass over an empty list waited for the list lock";
    }
    pass.get();
    EXPECT_EQ(pTimer->GetLastPassTick(), 1000u);
}

TEST_F(CTimerPass, AddAndRemoveCheckTheirRecords) {
    timer_item item = Item(log, 1, 1000, 10, 0);
    EXPECT_FALSE(pTimer->AddTimer(nullptr));
    EXPECT_FALSE(pTimer->AddTimer(&item));
    item.nCount = -2;
    EXPECT_FALSE(pTimer->AddTimer(&item));
    item = Item(log, 1, 1000, 0, -1);  // endless with interval 0 would never end a pass
    EXPECT_FALSE(pTimer->AddTimer(&item));
    item.nCount = 1;  // a one-shot needs no interval
    EXPECT_TRUE(pTimer->AddTimer(&item));
    EXPECT_FALSE(pTimer->AddTimer(&item)) << "listed twice, a removal would leave it listed";
    EXPECT_TRUE(pTimer->RemoveTimer(&item));
    EXPECT_FALSE(pTimer->RemoveTimer(&item));
    EXPECT_FALSE(pTimer->RemoveTimer(nullptr));
}

// Removal keeps the others in add order and a re-added timer goes last. A client that read
// the counter before the last pass started may add a timer due at that stale reading: it is
// moved up to the current tick, so the next pass still fires it.
TEST_F(CTimerPass, RemoveKeepsAddOrderAndAddMovesAPastDueTickUp) {
    std::array<timer_item, 3> items{Item(log, 1, 1000, 10, -1), Item(log, 2, 1000, 10, -1),
                                    Item(log, 3, 1000, 10, -1)};
    for (auto& item : items) ASSERT_TRUE(pTimer->AddTimer(&item));
    ASSERT_TRUE(pTimer->RemoveTimer(&items[0]));
    PassAt(1005);
    items[0].dwDueTick = 1004;
    ASSERT_TRUE(pTimer->AddTimer(&items[0]));
    EXPECT_EQ(items[0].dwDueTick, 1005u);
    PassAt(1010);
    EXPECT_EQ(log, (FiringLog{{2, 1005}, {3, 1005}, {2, 1010}, {3, 1010}, {1, 1010}}));
}

// Callbacks may remove and add timers, their own included, and another thread gets the list
// lock while one runs; a firing already taken in the pass is delivered even for a timer that
// thread removed meanwhile.
struct mutation {
    CTestTimer* pTimer;
    FiringLog log;
    timer_item self, victim, added;
    std::future<bool> elsewhere;
};

void Mutate(std::uintptr_t nMutation, std::uintptr_t nId, DWORD dwTick) {
    auto& m = *reinterpret_cast<mutation*>(nMutation);
    m.log.push_back({nId, dwTick});
    if (nId != 1) return;
    m.pTimer->RemoveTimer(&m.self);
    m.pTimer->AddTimer(&m.added);
    m.elsewhere = std::async(std::launch::async, [&m] { return m.pTimer->RemoveTimer(&m.victim); });
    EXPECT_EQ(m.elsewhere.wait_for(std::chrono::seconds(5)), std::future_status::ready)
        << "the list lock was held while a callback ran";
}

TEST_F(CTimerPass, CallbacksMayChangeTheListWithNoLockHeld) {
    mutation m{pTimer.get(), {}, {}, {}, {}, {}};
    auto param = reinterpret_cast<std::uintptr_t>(&m);
    m.self = {param, 1, 1000, 10, -1, &Mutate};
    m.victim = {param, 2, 1000, 10, -1, &Mutate};
    m.added = {param, 3, 1000, 10, -1, &Mutate};
    ASSERT_TRUE(pTimer->AddTimer(&m.self));
    ASSERT_TRUE(pTimer->AddTimer(&m.victim));
    PassAt(1000);
    EXPECT_TRUE(m.elsewhere.get());
    PassAt(1001);
    PassAt(1010);
    EXPECT_EQ(m.log, (FiringLog{{1, 1000}, {2, 1000}, {3, 1001}, {3, 1010}}));
}

// Live tests on the process-wide service.
struct live_timer {
    std::atomic<int> nFired{0};
    std::atomic<DWORD> dwThread{0};
};

std::atomic<int> gLiveFirings{0};

void CountLive(std::uintptr_t nLive, std::uintptr_t, DWORD) {
    auto& live = *reinterpret_cast<live_timer*>(nLive);
    live.dwThread = platform::GetCurrentThreadId();
    ++live.nFired;
    ++gLiveFirings;
}

timer_item LiveItem(live_timer& live, DWORD dwInterval, int nCount) {
    auto nLive = reinterpret_cast<std::uintptr_t>(&live);
    return {nLive, 0, platform::GetTickCount(), dwInterval, nCount, &CountLive};
}

// Many threads add and remove timers while the service runs. Then a timer counted to 4 is
// added: it fires four times on the service thread, in passes that start after every pass in
// progress during the removals, so no firing of a removed timer can arrive after it.
TEST(CTimerThread, FiresOnItsThreadWhileManyThreadsAddAndRemove) {
    CTimerThread* pService = GetTimerService();
    ASSERT_NE(pService, nullptr);
    constexpr int kThreads = 4, kTimers = 50;  // timers per thread
    std::array<live_timer, kThreads * kTimers> live;
    std::array<timer_item, kThreads * kTimers> items;
    std::atomic<int> nFailures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = t * kTimers; i < (t + 1) * kTimers; ++i) {
                items[i] = LiveItem(live[i], 1 + i % 3, -1);
                if (!pService->AddTimer(&items[i])) ++nFailures;
            }
            for (int i = t * kTimers; i < (t + 1) * kTimers; ++i) {
                if (!WaitUntil([&] { return live[i].nFired > 0; })) ++nFailures;
                if (!pService->RemoveTimer(&items[i])) ++nFailures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(nFailures, 0);
    live_timer four;
    timer_item item = LiveItem(four, 5, 4);
    ASSERT_TRUE(pService->AddTimer(&item));
    EXPECT_TRUE(WaitUntil([&] { return four.nFired == 4; }));
    EXPECT_TRUE(pService->RemoveTimer(&item));
    EXPECT_EQ(item.nCount, 0);
    EXPECT_EQ(four.dwThread, pService->GetThreadId());
    EXPECT_LT(platform::GetTickCount() - pService->GetLastPassTick(), 5000u);  // a recent pass
    int nSettled = gLiveFirings;
    platform::Sleep(20);
    EXPECT_EQ(gLiveFirings, nSettled) << "a removed timer fired after its removal had settled";
}

// A second service takes the process-wide pointer over; destroying it stops its thread at
// once and touches none of its records. Run in a child process, which is left with its own
// process-wide service unreachable: that one must still stop cleanly at exit.
int DestroyASecondService() {
    auto pService = std::make_unique<CTimerThread>();
    live_timer live;
    timer_item item = LiveItem(live, 1, -1);
    bool bOk = GetTimerService() == pService.get() && pService->AddTimer(&item) &&
               WaitUntil([&] { return live.nFired > 2; });
    auto start = std::chrono::steady_clock::now();
    pService.reset();
    bOk = bOk && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(900);
    int nFired = live.nFired;
    platform::Sleep(20);
    bOk = bOk && live.nFired == nFired && item.nCount == -1 && item.dwInterval == 1;
    return bOk && GetTimerService() == nullptr ? 0 : 1;
}

TEST(CTimerThread, DestructionStopsTheThreadAndLeavesTheRecords) {
    EXPECT_EXIT(std::exit(DestroyASecondService()), ::testing::ExitedWithCode(0), "");
}

// A service whose steps are counted: each step is one wake-up of its thread.
class CCountingService : public CTimerThread {
  public:
    CCountingService() : CTimerThread(/*bStartThread=*/false) {
        if (Start(/*bRun=*/true)) SetPriority(platform::THREAD_PRIORITY_TIME_CRITICAL);
    }
    ~CCountingService() override { StopForDestruction(1000); }
    bool Step() override {
        ++nSteps;
        return CTimerThread::Step();
    }
    std::atomic<int> nSteps{0};
};

// Steps of pService over about nMs milliseconds.
int StepsDuring(CCountingService& service, DWORD nMs) {
    int nBefore = service.nSteps;
    platform::Sleep(nMs);
    return service.nSteps - nBefore;
}

// With no timer listed the service does not wake (it used to pass every millisecond); a
// timer added then fires at once, not after some sleep; once the last timer is removed the
// service sleeps again; a stop wakes it (well within the one second after which it would be
// ended by force). Run in a child process: the second service takes the process-wide pointer.
int SleepOverAnEmptyList() {
    auto pService = std::make_unique<CCountingService>();
    int nFailures = 0;
    auto check = [&](bool bOk, const char* szWhat) {
        if (!bOk) {
            std::fprintf(stderr, "failed: %s\n", szWhat);
            ++nFailures;
        }
    };
    check(WaitUntil([&] { return pService->nSteps > 0; }), "the service started");
    int nIdleSteps = StepsDuring(*pService, 300);
    check(nIdleSteps <= 2, "no wake-ups over the empty list");

    live_timer live;
    timer_item item = LiveItem(live, 1, 1);
    DWORD dwDue = item.dwDueTick;
    check(pService->AddTimer(&item), "added");
    check(WaitUntil([&] { return live.nFired == 1; }), "the one-shot fired");
    check(platform::GetTickCount() - dwDue < 1000, "and at once");
    check(StepsDuring(*pService, 100) > 5, "passes while a timer is listed");
    check(pService->RemoveTimer(&item), "removed");
    platform::Sleep(20);
    check(StepsDuring(*pService, 300) <= 2, "no wake-ups once the list is empty again");

    auto start = std::chrono::steady_clock::now();
    pService.reset();
    check(std::chrono::steady_clock::now() - start < std::chrono::milliseconds(900),
          "a stop wakes the sleeping service");
    std::fprintf(stderr, "idle steps %d\n", nIdleSteps);
    return nFailures;
}

TEST(CTimerThread, SleepsWhileNoTimerIsListed) {
    EXPECT_EXIT(std::exit(SleepOverAnEmptyList()), ::testing::ExitedWithCode(0), "");
}

// The service is the last process-wide object built and the first destroyed; the pointer to
// it is cleared once it has gone.
void PrintDestruction(const char* szName) {
    std::fprintf(stderr, "[%s:%d]", szName, GetTimerService() != nullptr ? 1 : 0);
}

// The service's own entry first, the pointer still set, then the next object's, by which it
// was cleared. (A predicate rather than a regular expression: GoogleTest on Windows has only
// its simple regular expressions, without bracket expressions.)
bool ServiceFirstThenCleared(const std::string& szOutput) {
    const std::string szFirst = "[timer service:1][";
    if (szOutput.rfind(szFirst, 0) != 0) return false;
    std::size_t nEnd = szOutput.find(']', szFirst.size());
    return nEnd != std::string::npos && szOutput.compare(nEnd - 2, 3, ":0]") == 0;
}

TEST(CTimerThread, IsTheLastProcessWideObjectBuiltAndTheFirstDestroyed) {
    const char* names[16] = {};
    int nCount = testing::ProcessObjectsBuilt(names, 16);
    ASSERT_GE(nCount, 1);
    EXPECT_STREQ(names[nCount - 1], "timer service");
    EXPECT_EXIT(
        {
            testing::SetProcessObjectObserver(&PrintDestruction);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), ::testing::Truly(&ServiceFirstThenCleared));
}

}  // namespace
}  // namespace YRAPI
