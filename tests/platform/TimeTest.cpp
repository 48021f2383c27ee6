// TimeTest.cpp - the tick counter, its test seam and the sleep.
#include "yrapi/platform/Testing.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#if defined(__linux__)
#include <signal.h>
#include <unistd.h>
#endif

namespace YRAPI::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// How far a reading of the real counter may trail the time: a millisecond on Linux; on
// Windows the counter moves in steps of the system timer's period, up to 15.6 ms.
#if defined(_WIN32)
constexpr DWORD kTickStepMs = 16;
#else
constexpr DWORD kTickStepMs = 1;
#endif

// A tick source a test moves by hand; readable from any thread.
std::atomic<DWORD> gManualTick{0};
DWORD ManualTick() { return gManualTick.load(); }

TEST(GetTickCount, InstalledSourceIsSeenByEveryThreadUntilReset) {
    testing::SetTickSource(&ManualTick);
    gManualTick = 0xFFFFFF00u;
    DWORD dwStart = GetTickCount();
    gManualTick += 0x180u;  // wraps to 0x80
    DWORD dwSeen = 0;
    std::thread([&] { dwSeen = GetTickCount(); }).join();
    EXPECT_EQ(dwSeen, 0x80u);
    // Elapsed time across the wrap is the unsigned difference; a plain comparison goes wrong.
    EXPECT_LT(dwSeen, dwStart);
    EXPECT_EQ(dwSeen - dwStart, 0x180u);

    testing::SetTickSource(nullptr);
    std::thread([&] { dwSeen = GetTickCount(); }).join();
    EXPECT_NE(dwSeen, 0x80u);
}

TEST(GetTickCount, RealCounterAdvancesInMillisecondsWhileSleepWaits) {
    auto start = steady_clock::now();
    DWORD dwStart = GetTickCount();
    Sleep(100);
    DWORD dwElapsed = GetTickCount() - dwStart;
    auto elapsed = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    EXPECT_GE(elapsed, milliseconds(100));  // Sleep lasts at least the asked time
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    EXPECT_GE(dwElapsed, 100u - kTickStepMs);
    // Both clocks count the same milliseconds (within the rounding of two readings).
    EXPECT_LE(dwElapsed, static_cast<DWORD>(elapsed.count()) + 1 + kTickStepMs);

    start = steady_clock::now();
    for (int i = 0; i < 100; ++i) Sleep(0);  // only yields
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
}

#if defined(__linux__)
std::atomic<int> gSignals{0};
void CountSignal(int) { ++gSignals; }

TEST(Sleep, SignalsDoNotCutItShort) {
    struct sigaction action {};
    action.sa_handler = &CountSignal;  // no SA_RESTART: an interrupted sleep would return
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &action, nullptr), 0);

    const auto tid = static_cast<pid_t>(GetCurrentThreadId());
    std::atomic<bool> bDone{false};
    std::thread sender([&] {
        for (int i = 0; i < 10 && !bDone; ++i) {
            Sleep(15);
            if (!bDone) tgkill(getpid(), tid, SIGUSR1);
        }
    });
    auto start = steady_clock::now();
    Sleep(300);
    auto slept = steady_clock::now() - start;
    bDone = true;
    sender.join();
    EXPECT_GT(gSignals.load(), 0);
    EXPECT_GE(slept, milliseconds(300));
}
#endif

}  // namespace
}  // namespace YRAPI::platform
