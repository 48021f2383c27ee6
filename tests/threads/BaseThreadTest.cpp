// BaseThreadTest.cpp - CBaseThread: the step loop, stop requests, bounded waits, forced ends,
// restarts and the refusals of the platform.
#include "tests/support/TempDir.h"
#include "yrapi/log/LogInterface.h"
#include "yrapi/platform/Testing.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"
#include "yrapi/threads/BaseThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace YRAPI {
namespace {

using platform::testing::FailNext;
using platform::testing::Fault;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

milliseconds ElapsedSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// A worker with the default step (Idle(1000)) that counts its calls.
class CIdleWorker : public CBaseThread {
  public:
    ~CIdleWorker() override { StopForDestruction(1000); }
    std::atomic<int> nSteps{0};
    std::atomic<int> nBeforeRun{0};
    std::atomic<int> nAfterRun{0};
    std::atomic<bool> bStepSawCreated{false};
    std::atomic<DWORD> dwStepThreadId{0};

  protected:
    void BeforeRun() override { ++nBeforeRun; }
    void AfterRun() override { ++nAfterRun; }
    bool Step() override {
        if (GetState() != StateRunning && GetState() != StateStopping) bStepSawCreated = true;
        dwStepThreadId = platform::GetCurrentThreadId();
        ++nSteps;
        return CBaseThread::Step();
    }
};

// A worker whose step ignores stop requests and sleeps in short naps, as a stuck job would.
class CStubbornWorker : public CBaseThread {
  public:
    ~CStubbornWorker() override { StopForDestruction(100); }
    std::atomic<long> nNaps{0};

  protected:
    bool Step() override {
        for (;;) {
            platform::Sleep(5);
            ++nNaps;
        }
    }
};

TEST(CBaseThread, StartsWithKnownIdentifierAndStopsWithinAboutOneSleep) {
    CIdleWorker worker;
    ASSERT_TRUE(worker.Start(true));
    EXPECT_NE(worker.GetThreadId(), 0u);
    EXPECT_TRUE(worker.HasThread());
    ASSERT_TRUE(test::WaitUntil([&] { return worker.nSteps.load() > 0; }));

    auto start = Clock::now();
    EXPECT_TRUE(worker.Stop(1000));
    EXPECT_LT(ElapsedSince(start), milliseconds(900));  // one 100 ms sleep, generously
    EXPECT_FALSE(worker.HasThread());
    EXPECT_EQ(worker.GetThreadId(), 0u);
    EXPECT_EQ(worker.GetState(), CBaseThread::StateEnded);
    EXPECT_EQ(worker.nBeforeRun.load(), 1);
    EXPECT_EQ(worker.nAfterRun.load(), 1);
}

TEST(CBaseThread, WorkerRunsUnderItsIdentifierAndNeverSeesStateCreated) {
    for (int i = 0; i < 20; ++i) {
        CIdleWorker worker;
        ASSERT_TRUE(worker.Start(true));
        DWORD dwId = worker.GetThreadId();
        ASSERT_TRUE(test::WaitUntil([&] { return worker.nSteps.load() > 0; }));
        EXPECT_EQ(worker.dwStepThreadId.load(), dwId);
        EXPECT_NE(dwId, platform::GetCurrentThreadId());
        EXPECT_TRUE(worker.Stop(2000));
        EXPECT_FALSE(worker.bStepSawCreated.load());
    }
}

TEST(CBaseThread, IdleRoundsUpToWholeSleepsAndHonoursTheStopFlag) {
    CBaseThread idler;  // Idle runs on the calling thread; no worker is needed
    auto start = Clock::now();
    idler.Idle(0);
    EXPECT_LT(ElapsedSince(start), milliseconds(50));

    start = Clock::now();
    idler.Idle(50);
    auto once = ElapsedSince(start);
    EXPECT_GE(once, milliseconds(100));
    EXPECT_LT(once, milliseconds(190) + milliseconds(800));

    start = Clock::now();
    idler.Idle(150);
    EXPECT_GE(ElapsedSince(start), milliseconds(200));

    idler.RequestStop();
    start = Clock::now();
    idler.Idle(5000);
    EXPECT_LT(ElapsedSince(start), milliseconds(50));
}

// A stop request wakes a sleep of Idle at once, rather than at the end of its 100 ms, so that
// stopping an idle worker (and the end of a process with idle service threads) is prompt.
TEST(CBaseThread, AStopRequestCutsIdlesSleepShort) {
    CBaseThread idler;
    std::thread requester([&] {
        std::this_thread::sleep_for(milliseconds(30));
        idler.RequestStop();
    });
    auto start = Clock::now();
    idler.Idle(5000);
    auto elapsed = ElapsedSince(start);
    requester.join();
    EXPECT_GE(elapsed, milliseconds(25));
    EXPECT_LT(elapsed, milliseconds(90));  // a whole sleep would be 100 ms
}

// A tick source that advances 100 ms on every reading made by the test's own thread; the
// library's service threads read it too and must not move it.
std::atomic<DWORD> gFakeTick{0};
std::atomic<DWORD> gFakeTickOwner{0};
DWORD FakeTick() {
    if (platform::GetCurrentThreadId() != gFakeTickOwner.load()) return gFakeTick.load();
    return gFakeTick.fetch_add(100);
}

TEST(CBaseThread, IdleMeasuresAcrossTheTickWrap) {
    // Starting 256 ms below the wrap, the third sleep's reading has wrapped; a wrapped
    // reading counts one millisecond less (299), so Idle(300) takes a fourth sleep.
    gFakeTick = 0xFFFFFF00u;
    gFakeTickOwner = platform::GetCurrentThreadId();
    platform::testing::SetTickSource(&FakeTick);
    CBaseThread idler;
    idler.Idle(300);
    platform::testing::SetTickSource(nullptr);
    // Readings: the start, then one per sleep.
    EXPECT_EQ(gFakeTick.load(), 0xFFFFFF00u + 500u);
}

TEST(CBaseThread, StepReturningFalseEndsTheLoopButNotTheFrame) {
    class COneStep : public CBaseThread {
      public:
        ~COneStep() override { StopForDestruction(1000); }
        std::atomic<int> nSteps{0};
        std::atomic<bool> bAfterRun{false};

      protected:
        bool Step() override {
            ++nSteps;
            return false;
        }
        void AfterRun() override { bAfterRun = true; }
    } worker;
    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.GetState() == CBaseThread::StateEnded; }));
    EXPECT_EQ(worker.nSteps.load(), 1);
    EXPECT_TRUE(worker.bAfterRun.load());
    EXPECT_EQ(worker.GetExitCode(), 0u);
    // The thread has ended on its own: a Stop now finds it gone and releases the handle.
    auto start = Clock::now();
    EXPECT_TRUE(worker.Stop(5000));
    EXPECT_LT(ElapsedSince(start), milliseconds(1000));
    EXPECT_FALSE(worker.HasThread());
}

TEST(CBaseThread, StopFromInsideStepReturnsAtOnceAndEndsTheLoop) {
    class CSelfStopper : public CBaseThread {
      public:
        ~CSelfStopper() override { StopForDestruction(1000); }
        std::atomic<int> nSteps{0};
        std::atomic<int> nStopResult{-1};
        std::atomic<bool> bHadThreadAfterStop{true};

      protected:
        bool Step() override {
            ++nSteps;
            nStopResult = Stop(5000) ? 1 : 0;
            bHadThreadAfterStop = HasThread();
            return true;
        }
    } worker;
    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.GetState() == CBaseThread::StateEnded; }));
    EXPECT_EQ(worker.nStopResult.load(), 1);
    EXPECT_FALSE(worker.bHadThreadAfterStop.load());
    EXPECT_EQ(worker.nSteps.load(), 1);
    EXPECT_EQ(worker.GetThreadId(), 0u);
}

TEST(CBaseThread, StopTimeOutThenTerminateEndsTheWorker) {
    CStubbornWorker worker;
    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.nNaps.load() > 0; }));

    EXPECT_FALSE(worker.Stop(100));
    EXPECT_TRUE(worker.HasThread());
    EXPECT_NE(worker.GetThreadId(), 0u);
    EXPECT_EQ(worker.GetState(), CBaseThread::StateStopping);

    FailNext(Fault::ThreadTerminate);  // a refusal changes nothing but the exit code
    EXPECT_FALSE(worker.Terminate(7));
    EXPECT_EQ(worker.GetExitCode(), 7u);
    EXPECT_EQ(worker.GetState(), CBaseThread::StateStopping);

    EXPECT_TRUE(worker.Terminate(0xFFFFFFFFu));
    EXPECT_EQ(worker.GetState(), CBaseThread::StateEnded);
    EXPECT_EQ(worker.GetExitCode(), 0xFFFFFFFFu);
    EXPECT_TRUE(worker.HasThread());  // the caller releases the handle
    long nAfter = worker.nNaps.load();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(worker.nNaps.load(), nAfter);  // none of its code runs any more
    worker.CloseHandle();
    EXPECT_FALSE(worker.HasThread());
    EXPECT_EQ(worker.GetThreadId(), 0u);
}

// A worker caught where no forced end can reach it (here 3 s of computation) makes Terminate
// give up after its 2 s. What it does next is a library call, the start of a worker of its
// own, which completes (a request left pending once ended the outer worker inside that start,
// with the start-up lock held, so the inner one never ran). On Linux the request then acts at
// the worker's next wait (its Idle), and its end records StateEnded; on Windows nothing was
// left pending, and a later Stop ends it.
TEST(CBaseThread, AfterARefusedForcedEndTheWorkersLibraryCallsComplete) {
    class CBusyWorker : public CBaseThread {
      public:
        ~CBusyWorker() override { StopForDestruction(1000); }
        CIdleWorker child;
        std::atomic<bool> bStepping{false};
        std::atomic<bool> bChildStarted{false};

      protected:
        bool Step() override {
            bStepping = true;
            auto start = Clock::now();
            while (ElapsedSince(start) < milliseconds(3000)) {
            }
            bChildStarted = child.Start(true);
            while (!IsStopRequested()) Idle(100);
            return false;
        }
    } worker;
    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.bStepping.load(); }));
    auto start = Clock::now();
    EXPECT_FALSE(worker.Terminate(7));
    EXPECT_GE(ElapsedSince(start), milliseconds(1000));
    EXPECT_NE(worker.GetState(), CBaseThread::StateEnded);

    ASSERT_TRUE(test::WaitUntil([&] { return worker.child.nSteps.load() > 0; }));
    EXPECT_TRUE(worker.bChildStarted);
#if defined(_WIN32)
    EXPECT_TRUE(worker.Stop(5000));
#else
    EXPECT_TRUE(test::WaitUntil([&] { return worker.GetState() == CBaseThread::StateEnded; }));
#endif
    EXPECT_EQ(worker.GetState(), CBaseThread::StateEnded);
    EXPECT_TRUE(worker.child.Stop(5000));
}

TEST(CBaseThread, DestructorEndsAStuckWorkerBeforeTheObjectGoes) {
    auto pWorker = std::make_unique<CStubbornWorker>();
    ASSERT_TRUE(pWorker->Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return pWorker->nNaps.load() > 0; }));
    auto start = Clock::now();
    pWorker.reset();  // Stop(100) fails, then the forced end; ASan would see a late access
    EXPECT_LT(ElapsedSince(start), milliseconds(5000));
}

TEST(CBaseThread, WithoutAThreadStopWaitPriorityAndTerminateFail) {
    CIdleWorker thread;
    EXPECT_EQ(thread.GetState(), CBaseThread::StateInit);
    EXPECT_FALSE(thread.WaitUntillStop(10));
    EXPECT_FALSE(thread.SetPriority(0));
    EXPECT_FALSE(thread.Terminate(3));
    EXPECT_FALSE(thread.Stop(10));
    EXPECT_TRUE(thread.IsStopRequested());
    EXPECT_EQ(thread.GetState(), CBaseThread::StateStopping);

    CIdleWorker running;
    ASSERT_TRUE(running.Start(true));
    EXPECT_TRUE(running.SetPriority(0));
    FailNext(Fault::ThreadPriority);
    EXPECT_FALSE(running.SetPriority(0));
}

TEST(CBaseThread, RestartAfterStopRunsNoStep) {
    CIdleWorker worker;
    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.nSteps.load() > 0; }));
    ASSERT_TRUE(worker.Stop(2000));
    int nStepsBefore = worker.nSteps.load();

    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.nAfterRun.load() == 2; }));
    EXPECT_EQ(worker.nBeforeRun.load(), 2);
    EXPECT_EQ(worker.nSteps.load(), nStepsBefore);
    EXPECT_TRUE(worker.Stop(2000));
}

TEST(CBaseThread, ReplacedRunCanBeStartedAgainAndAgain) {
    class CJob : public CBaseThread {
      public:
        ~CJob() override { StopForDestruction(1000); }
        std::atomic<int> nRuns{0};

      protected:
        DWORD Run() override {
            ++nRuns;
            return 0;
        }
    } job;
    for (int i = 1; i <= 5; ++i) {
        ASSERT_TRUE(job.Start(true));
        EXPECT_TRUE(job.Stop(5000));
        EXPECT_EQ(job.nRuns.load(), i);
    }
}

TEST(CBaseThread, NoSecondWorkerWhileTheFirstStillRuns) {
    CStubbornWorker worker;
    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.nNaps.load() > 0; }));
    EXPECT_FALSE(worker.Start(true));  // Stop(200) fails: the old worker still uses the object
    EXPECT_TRUE(worker.Terminate(1));
    worker.CloseHandle();
    EXPECT_TRUE(worker.Start(true));  // the old one is gone now
}

TEST(CBaseThread, CreationRefusedLeavesTheObjectAsItWas) {
    CIdleWorker worker;
    FailNext(Fault::ThreadCreate);
    EXPECT_FALSE(worker.Start(true));
    EXPECT_FALSE(worker.HasThread());
    EXPECT_EQ(worker.GetThreadId(), 0u);
    EXPECT_EQ(worker.GetState(), CBaseThread::StateInit);
    EXPECT_TRUE(worker.Start(true));
}

TEST(CBaseThread, SuspendedThreadRunsNothingUntilEnded) {
    CIdleWorker worker;
    ASSERT_TRUE(worker.Start(false));
    EXPECT_EQ(worker.GetState(), CBaseThread::StateCreated);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(worker.nBeforeRun.load(), 0);
    EXPECT_FALSE(worker.Stop(50));
    EXPECT_TRUE(worker.Terminate(0xFFFFFFFFu));
    worker.CloseHandle();
    EXPECT_EQ(worker.nBeforeRun.load(), 0);
}

TEST(CBaseThread, FailedWaitIsLoggedAtLevelOne) {
    CIdleWorker worker;
    ASSERT_TRUE(worker.Start(true));
    FailNext(Fault::ThreadWait);
    EXPECT_FALSE(worker.WaitUntillStop(500));
    yr_log_str record;
    std::vector<std::string> lines;
    while (GetLogQueue().Pop(&record, INFINITE)) lines.emplace_back(record.text);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("X [", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("] CBaseThread::WaitUntillStop 500 Error: "), std::string::npos)
        << lines[0];
    EXPECT_GT(lines[0].size(),
              std::strlen("X [0000-00-00 00:00:00] CBaseThread::WaitUntillStop 500 Error: \n"));
    EXPECT_TRUE(worker.Stop(2000));
}

TEST(CBaseThread, HammeredStartStopTerminateStaysConsistent) {
    constexpr int kObjects = 3;
    constexpr int kRounds = 15;
    std::atomic<bool> bDone{false};
    std::vector<std::unique_ptr<CIdleWorker>> workers;
    for (int i = 0; i < kObjects; ++i) workers.push_back(std::make_unique<CIdleWorker>());

    std::vector<std::thread> readers;
    for (int i = 0; i < kObjects; ++i) {
        readers.emplace_back([&, i] {
            while (!bDone.load()) {
                int nState = workers[i]->GetState();
                EXPECT_TRUE(nState >= 0 && nState <= 5 && nState != 3);
                (void)workers[i]->HasThread();
                (void)workers[i]->GetThreadId();
                std::this_thread::yield();
            }
        });
    }
    std::vector<std::thread> controllers;
    for (int i = 0; i < kObjects; ++i) {
        controllers.emplace_back([&, i] {
            CIdleWorker& worker = *workers[i];
            for (int round = 0; round < kRounds; ++round) {
                ASSERT_TRUE(worker.Start(true));
                if (round % 3 == 0) {
                    EXPECT_TRUE(worker.Terminate(0xFFFFFFFFu));
                    worker.CloseHandle();
                } else {
                    EXPECT_TRUE(worker.Stop(5000));
                }
                EXPECT_FALSE(worker.HasThread());
                EXPECT_EQ(worker.GetThreadId(), 0u);
                // A worker that ended before Stop's request keeps the StateStopping it recorded.
                int nState = worker.GetState();
                EXPECT_TRUE(nState == CBaseThread::StateEnded ||
                            nState == CBaseThread::StateStopping);
            }
        });
    }
    for (auto& t : controllers) t.join();
    bDone = true;
    for (auto& t : readers) t.join();
}

}  // namespace
}  // namespace YRAPI
