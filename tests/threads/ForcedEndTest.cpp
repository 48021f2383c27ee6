// ForcedEndTest.cpp - CBaseThread::Terminate on a worker that ignores its stop flag: where the
// forced end reaches it, what a refusal leaves, and that it never acts inside a library call
// (the log's close, a destructor that waits, a stop request, a Terminate of its own).
#include "tests/support/TempDir.h"
#include "yrapi/log/LogInterface.h"
#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"
#include "yrapi/text/ConfigFileThread.h"
#include "yrapi/threads/BaseThread.h"
#include "yrapi/threads/Timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <poll.h>
#include <time.h>
#include <unistd.h>
#endif

namespace YRAPI {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

milliseconds ElapsedSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// A worker whose step ignores its stop flag: it runs `block` again and again and counts what
// it gets to run, so that code run after a forced end shows.
class CStuckWorker : public CBaseThread {
  public:
    explicit CStuckWorker(std::function<void()> block) : block(std::move(block)) {}
    ~CStuckWorker() override { StopForDestruction(100); }

    std::atomic<int> nBlocks{0};
    std::atomic<int> nPast{0};
    std::atomic<int> nAfterRun{0};
    std::atomic<int> nThreadExit{0};

  protected:
    bool Step() override {
        for (;;) {
            ++nBlocks;
            block();
            ++nPast;
        }
    }
    void AfterRun() override { ++nAfterRun; }
    void OnThreadExit() override {
        ++nThreadExit;
        CBaseThread::OnThreadExit();
    }

  private:
    std::function<void()> block;
};

// Checks the results of a forced end: state, exit code, and no code of the worker since.
void ExpectEndedByForce(CStuckWorker& worker, int nPastBefore) {
    EXPECT_EQ(worker.GetState(), CBaseThread::StateEnded);
    EXPECT_EQ(worker.GetExitCode(), 0xFFFFFFFFu);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(worker.nPast.load(), nPastBefore);
    EXPECT_EQ(worker.nAfterRun.load(), 0);
    EXPECT_EQ(worker.nThreadExit.load(), 0);
}

// A blocking call of the runtime or of the library that never returns by itself.
struct BlockingCall {
    const char* szName;
    std::function<void()> block;
};

TEST(ForcedEnd, ReachesAWorkerBlockedInABlockingCallWithinMilliseconds) {
    std::unique_ptr<platform::CSemaphore> pNever = platform::CSemaphore::Create(0, 1);
#if defined(_WIN32)
    HANDLE hEvents[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr),
                         CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    const BlockingCall calls[] = {
#if defined(_WIN64)
        // A 32-bit forced end strikes only in the library's own waits: it cannot tell where
        // a suspended thread stands in the program's own code without unwind tables.
        {"Sleep", [] { ::Sleep(INFINITE); }},
        {"SleepEx", [] { ::SleepEx(INFINITE, FALSE); }},
        {"std::this_thread::sleep_for", [] { std::this_thread::sleep_for(std::chrono::hours(1)); }},
        {"WaitForSingleObject", [&] { ::WaitForSingleObject(hEvents[0], INFINITE); }},
        {"WaitForSingleObjectEx", [&] { ::WaitForSingleObjectEx(hEvents[0], INFINITE, FALSE); }},
        {"WaitForMultipleObjects", [&] { ::WaitForMultipleObjects(2, hEvents, FALSE, INFINITE); }},
        {"WaitForMultipleObjectsEx",
         [&] { ::WaitForMultipleObjectsEx(2, hEvents, TRUE, INFINITE, FALSE); }},
#endif
        {"the library's Sleep", [] { platform::Sleep(INFINITE); }},
        {"the library's semaphore wait", [&] { pNever->Wait(INFINITE); }},
    };
#else
    int fds[2] = {-1, -1};
    ASSERT_EQ(pipe(fds), 0);
    const BlockingCall calls[] = {
        {"std::this_thread::sleep_for", [] { std::this_thread::sleep_for(std::chrono::hours(1)); }},
        {"nanosleep",
         [] {
             timespec t{3600, 0};
             nanosleep(&t, nullptr);
         }},
        {"read on a pipe",
         [&] {
             char c = 0;
             if (read(fds[0], &c, 1) < 0) std::perror("read");
         }},
        {"poll",
         [&] {
             pollfd p{fds[0], POLLIN, 0};
             poll(&p, 1, -1);
         }},
        {"std::condition_variable::wait",
         [] {
             std::mutex m;
             std::condition_variable cv;
             std::unique_lock<std::mutex> lock(m);
             cv.wait(lock);
         }},
        {"the library's Sleep", [] { platform::Sleep(INFINITE); }},
        {"the library's semaphore wait", [&] { pNever->Wait(INFINITE); }},
    };
#endif
    for (const auto& call : calls) {
        SCOPED_TRACE(call.szName);
        CStuckWorker worker(call.block);
        ASSERT_TRUE(worker.Start(true));
        ASSERT_TRUE(test::WaitUntil([&] { return worker.nBlocks.load() > 0; }));
        EXPECT_FALSE(worker.Stop(200));
        EXPECT_EQ(worker.GetState(), CBaseThread::StateStopping);
        int nPast = worker.nPast.load();
        auto start = Clock::now();
        EXPECT_TRUE(worker.Terminate(0xFFFFFFFFu));
        // Within about a millisecond; the bound only has to tell that from a refusal (2 s).
        EXPECT_LT(ElapsedSince(start), milliseconds(1000));
        ExpectEndedByForce(worker, nPast);
        worker.CloseHandle();
    }
#if defined(_WIN32)
    CloseHandle(hEvents[0]);
    CloseHandle(hEvents[1]);
#else
    close(fds[0]);
    close(fds[1]);
#endif
}

// Pure computation: no call where a forced end could act. Terminate gives up after its bound
// and reports false, keeping the exit code it was given and the state. On Linux the request
// stays pending and acts at the worker's next blocking call; on Windows nothing stays pending.
TEST(ForcedEnd, PureComputationIsRefusedAndTheRefusalIsAsStated) {
    std::atomic<bool> bGo{false};
    CStuckWorker worker([&] {
        while (!bGo.load()) {
        }
        // Computation done: from now on the worker naps between short pieces of work (on
        // 32-bit Windows in the library's own sleep, the only place a forced end reaches
        // there).
#if defined(_WIN32) && !defined(_WIN64)
        for (;;) platform::Sleep(1);
#else
        for (;;) std::this_thread::sleep_for(milliseconds(1));
#endif
    });
    ASSERT_TRUE(worker.Start(true));
    ASSERT_TRUE(test::WaitUntil([&] { return worker.nBlocks.load() > 0; }));
    EXPECT_FALSE(worker.Stop(200));
    auto start = Clock::now();
    EXPECT_FALSE(worker.Terminate(0xFFFFFFFFu));
    EXPECT_GE(ElapsedSince(start), milliseconds(1000));
    EXPECT_EQ(worker.GetExitCode(), 0xFFFFFFFFu);
    EXPECT_EQ(worker.GetState(), CBaseThread::StateStopping);

    bGo = true;
#if defined(_WIN32)
    // Nothing pending: the worker naps on; a new request ends it in its nap.
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(worker.GetState(), CBaseThread::StateStopping);
    EXPECT_TRUE(worker.Terminate(0xFFFFFFFFu));
#else
    // The request acts at the first nap, and the worker's end records StateEnded.
    ASSERT_TRUE(test::WaitUntil([&] { return worker.GetState() == CBaseThread::StateEnded; }));
    EXPECT_FALSE(worker.WaitUntillStop(0));  // StateEnded: nothing to wait for
    // A later Terminate finds the same end.
    EXPECT_TRUE(worker.Terminate(0xFFFFFFFFu));
#endif
    ExpectEndedByForce(worker, 0);
}

// A timer callback stuck in a sleep holds the service's thread; destroying the service ends
// it by force (after its Stop(1000) fails) instead of waiting for ever, and the firings that
// pass had queued are freed (the leak check of the sanitizer build sees any that are not).
TEST(ForcedEnd, ATimerServiceWithAStuckCallbackIsDestroyedInTime) {
    static std::atomic<int> nCalls{0};
    auto pService = std::make_unique<CTimerThread>();
    // Two timers due in the same pass: the second firing is still queued when the first
    // callback is ended.
    timer_item items[2] = {};
    for (auto& item : items) {
        item.dwDueTick = platform::GetTickCount();
        item.dwInterval = 1000;
        item.nCount = -1;
        item.pfnCallback = [](std::uintptr_t, std::uintptr_t, DWORD) {
            ++nCalls;
#if defined(_WIN32) && !defined(_WIN64)
            platform::Sleep(3600 * 1000);  // where a 32-bit forced end reaches
#else
            std::this_thread::sleep_for(std::chrono::hours(1));
#endif
        };
    }
    ASSERT_TRUE(pService->AddTimer(&items[0]));
    ASSERT_TRUE(pService->AddTimer(&items[1]));
    ASSERT_TRUE(test::WaitUntil([] { return nCalls.load() > 0; }));
    auto start = Clock::now();
    pService.reset();
    EXPECT_LT(ElapsedSince(start), milliseconds(2500));  // Stop(1000), then at once
    EXPECT_EQ(nCalls.load(), 1);
}

// Runs scenario in a child process (which re-runs this test up to the death test) and expects
// it to report success and the process to end normally, its exit-time work included. A
// scenario that aborts, crashes or hangs there fails here.
#define EXPECT_CHILD_SUCCEEDS(scenario) \
    EXPECT_EXIT(std::exit((scenario)() ? 0 : 1), ::testing::ExitedWithCode(0), "")

// Prints why a scenario failed (the child's output shows in the failure message).
bool Check(bool bOk, const char* szWhat) {
    if (!bOk) std::fprintf(stderr, "failed: %s\n", szWhat);
    return bOk;
}

// A worker asked to end while it computes, and then released (by another thread, after
// dwDelayMs) into `act`, a library call that waits; then it naps. The forced end must wait for
// act to return and end the worker at its nap.
struct CActsWhileEnding {
    std::function<void()> act;
    std::atomic<bool> bGo{false};
    std::atomic<bool> bActed{false};
    CStuckWorker worker{[this] {
        while (!bGo.load()) {
        }
        act();
        bActed = true;
        for (;;) platform::Sleep(1);
    }};

    explicit CActsWhileEnding(std::function<void()> act) : act(std::move(act)) {}

    // Starts the worker, ends it by force while it acts; true when all went as it must.
    bool Run(DWORD dwDelayMs = 100) {
        if (!Check(worker.Start(true), "start") ||
            !Check(test::WaitUntil([&] { return worker.nBlocks.load() > 0; }), "running")) {
            return false;
        }
        std::thread releaser([&] {
            platform::Sleep(dwDelayMs);
            bGo = true;
        });
        bool bEnded = worker.Terminate(0xFFFFFFFFu);
        releaser.join();
        return Check(bEnded, "Terminate") && Check(bActed.load(), "the call completed") &&
               Check(worker.GetState() == CBaseThread::StateEnded, "StateEnded") &&
               Check(worker.nThreadExit.load() == 0, "no OnThreadExit");
    }
};

// The log's close, called by a worker whose forced end is pending, completes: the log is
// closed, its lines are written, and later opens and closes (and the exit's) work. Cut short
// in its wait for the writer, it used to leave the log pointing at a freed writer.
TEST(ForcedEndDeathTest, TheLogsCloseCompletesBeforeTheForcedEnd) {
    test::CTempDir dir;
    const std::string file = dir.File("close.log");
    auto scenario = [&] {
        GetLogApi()->_Open(file.c_str(), 4, 1048576);
        CYRLogInterface::Log(4, "queued before the close");
        CActsWhileEnding closer([] { GetLogApi()->_Close(); });
        bool bOk = closer.Run();
        bOk = Check(test::ReadFile(file).find("queued before the close") != std::string::npos,
                    "the queued line written") &&
              bOk;
        GetLogApi()->_Close();  // closed already: nothing to do
        GetLogApi()->_Open(file.c_str(), 4, 1048576);
        CYRLogInterface::Log(4, "after a reopen");
        GetLogApi()->_Close();
        return Check(test::ReadFile(file).find("after a reopen") != std::string::npos,
                     "a reopened log writes") &&
               bOk;
    };
    EXPECT_CHILD_SUCCEEDS(scenario);
}

// A library destructor that waits for its thread (noexcept, as destructors are) completes
// before a pending forced end acts: cut short inside, it used to abort the process.
TEST(ForcedEndDeathTest, ALibraryDestructorCompletesBeforeTheForcedEnd) {
    class CIdleWorker : public CBaseThread {
      public:
        ~CIdleWorker() override { StopForDestruction(1000); }
    };
    const struct {
        const char* szName;
        std::function<std::shared_ptr<void>()> make;
    } objects[] = {
        {"a worker",
         [] {
             auto p = std::make_shared<CIdleWorker>();
             p->Start(true);
             return std::shared_ptr<void>(p);
         }},
        {"a configuration thread",
         [] { return std::shared_ptr<void>(std::make_shared<CConfigFileThread>(5000u)); }},
        {"a timer service", [] { return std::shared_ptr<void>(std::make_shared<CTimerThread>()); }},
    };
    for (const auto& object : objects) {
        SCOPED_TRACE(object.szName);
        auto scenario = [&] {
            std::shared_ptr<void> pObject = object.make();
            // The worker holds the only reference: its release runs the destructor.
            CActsWhileEnding destroyer([&pObject] { pObject.reset(); });
            return destroyer.Run() && Check(pObject == nullptr, "destroyed");
        };
        EXPECT_CHILD_SUCCEEDS(scenario);
    }
}

// A thread ended by force while it destroys a worker (whose Stop takes the worker's state lock)
// finishes the destruction first: the destroyed worker never runs on. Rounds end the destroying
// thread at random moments; its only nap is taken with no worker alive.
TEST(ForcedEndDeathTest, AThreadEndedWhileItStopsAWorkerLeavesNoWorkerRunning) {
    static std::atomic<int> nLive{0};
    static std::atomic<long> nSteps{0};
    // A worker that keeps its state lock busy.
    class CContended : public CBaseThread {
      public:
        ~CContended() override { StopForDestruction(1000); }

      protected:
        void BeforeRun() override { ++nLive; }
        void AfterRun() override { --nLive; }
        bool Step() override {
            for (int i = 0; i < 100; ++i) (void)HasThread();
            ++nSteps;
            return true;
        }
    };
    class CDestroyer : public CBaseThread {
      public:
        ~CDestroyer() override { StopForDestruction(1000); }

      protected:
        bool Step() override {
            for (;;) {
                {
                    auto pWorker = std::make_unique<CContended>();
                    pWorker->Start(true);
                    long n = nSteps.load();
                    while (nSteps.load() == n) {
                    }
                }
                platform::Sleep(1);
            }
        }
    };
    auto scenario = [] {
        bool bOk = true;
        for (int nRound = 0; nRound < 30 && bOk; ++nRound) {
            CDestroyer destroyer;
            bOk = Check(destroyer.Start(true), "start");
            platform::Sleep(static_cast<DWORD>(1 + nRound % 7));
            bOk = Check(destroyer.Terminate(0xFFFFFFFFu), "Terminate") && bOk;
            destroyer.CloseHandle();
        }
        return Check(test::WaitUntil([] { return nLive.load() == 0; }), "no worker runs on") && bOk;
    };
    EXPECT_CHILD_SUCCEEDS(scenario);
}

// A thread that asks for another's forced end and is itself ended by force meanwhile finishes
// its Terminate call first; the other thread's state and life agree whatever became of that
// request (on Linux it acts later and the end records StateEnded; on Windows it was dropped).
TEST(ForcedEndDeathTest, ATerminateCallCompletesAndStateAndLifeAgree) {
    auto scenario = [] {
        std::atomic<bool> bGo{false};
        CStuckWorker target([&] {
            while (!bGo.load()) {
            }
            for (;;) platform::Sleep(1);
        });
        std::atomic<int> nResult{-1};
        CStuckWorker controller([&] {
            nResult = target.Terminate(0xFFFFFFFFu) ? 1 : 0;
            for (;;) platform::Sleep(1);
        });
        if (!Check(target.Start(true), "start the target")) return false;
        if (!Check(test::WaitUntil([&] { return target.nBlocks.load() > 0; }), "running")) {
            return false;
        }
        if (!Check(controller.Start(true), "start the controller")) return false;
        platform::Sleep(300);  // the controller is in its Terminate now (2 s against computation)
        bool bOk = Check(!controller.Terminate(0xFFFFFFFFu) || nResult.load() == 0,
                         "Terminate(target) completed");
        if (!bOk) return false;
        if (controller.GetState() != CBaseThread::StateEnded) {
            bOk = Check(
                test::WaitUntil([&] { return controller.GetState() == CBaseThread::StateEnded; }),
                "the controller ends after its call");
        }
        bOk = Check(nResult.load() == 0, "the target's end refused") && bOk;
        bGo = true;  // the target naps from now on
        platform::Sleep(200);
#if defined(_WIN32)
        bOk = Check(target.GetState() == CBaseThread::StateRunning, "target runs on") && bOk;
        bOk = Check(target.Terminate(0xFFFFFFFFu), "a new request ends it") && bOk;
#endif
        // Gone, and reading StateEnded.
        return Check(test::WaitUntil([&] { return target.GetState() == CBaseThread::StateEnded; }),
                     "the target's state agrees with its end") &&
               Check(target.Terminate(0xFFFFFFFFu), "the target is gone") && bOk;
    };
    EXPECT_CHILD_SUCCEEDS(scenario);
}

}  // namespace
}  // namespace YRAPI
