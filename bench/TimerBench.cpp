// TimerBench.cpp - the process-wide timer service beside the floors Linux offers, each pair
// measured at the same time in the same window:
//
//   EmptyListCpu      CPU of the service thread with an empty list, beside a bare loop of
//                     nanosleep(1 ms) on a thread of the same priority (the floor for a thread
//                     that wakes every millisecond to look at its list).
//   Periodic10ms      lateness of a periodic 10 ms timer on the service, from its due time
//                     (the moment the tick counter reaches the due tick) to its callback,
//                     beside a timerfd-driven periodic 10 ms timer read by a thread of the
//                     same priority (the kernel's own floor for periodic lateness).
//   ThousandTimers    the service with 1,000 periodic timers (100 ms each, spread over the
//                     period: about ten firings per pass) and the 10 ms timer: the service's
//                     CPU beside the bare loop's, and the 10 ms timer's lateness.
//   IdleCost/N        wake-ups per second and CPU of the service with N timers listed (0, 1
//                     and 1,000 periodic 100 ms timers), beside CPassEveryMs, the service's
//                     loop as it was before it slept over an empty list (a pass, then a 1 ms
//                     sleep, whatever the list holds), running the same timers at the same
//                     priority and timer slack. Wake-ups are the thread's context switches.
//
// Each benchmark is one window (10 s by default) and reports its figures as counters:
// *_cpu_pct is the CPU a thread used as a share of one core, *_p50_us and *_p99_us the median
// and 99th percentile lateness in microseconds, and cpu_ratio the service's CPU over the bare
// loop's. The service is the one every program linking yrapi runs; this program creates no
// second one.
//
//   yrapi_timer_bench --window_s=10 --benchmark_repetitions=3
//                     --benchmark_report_aggregates_only=true
//
// --window_s sets the window in seconds (fractions allowed) for a quick run.
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"
#include "yrapi/threads/BaseThread.h"
#include "yrapi/threads/Timer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using YRAPI::DWORD;

double gWindowSeconds = 10.0;

std::int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::int64_t CpuNs(clockid_t clock) {
    timespec t{};
    if (clock_gettime(clock, &t) != 0) return -1;
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The monotonic time at which the tick counter reached dwTick, taken shortly after it did:
// the counter is the monotonic clock in whole milliseconds, cut to 32 bits.
std::int64_t TickReachedNs(DWORD dwTick, std::int64_t nNowNs) {
    std::int64_t nNowMs = nNowNs / 1000000;
    auto dwBehind = static_cast<DWORD>(static_cast<DWORD>(nNowMs) - dwTick);
    return (nNowMs - dwBehind) * 1000000;
}

// Lateness samples in microseconds, written by one thread and read once it has stopped.
struct lateness_log {
    std::vector<double> samples;
    std::atomic<std::size_t> nCount{0};
    explicit lateness_log(std::size_t nMax) : samples(nMax) {}
    void Add(double dUs) {
        std::size_t n = nCount.load(std::memory_order_relaxed);
        if (n < samples.size()) samples[n] = dUs;
        nCount.store(n + 1);
    }
    double Percentile(double dShare) {
        std::size_t n = std::min(nCount.load(), samples.size());
        if (n == 0) return -1;
        std::vector<double> sorted(samples.begin(), samples.begin() + static_cast<long>(n));
        auto k = static_cast<std::size_t>(dShare * static_cast<double>(n - 1));
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(k), sorted.end());
        return sorted[k];
    }
};

// Runs pfnCallback(nParam) once on the service thread and returns after it has run.
bool RunOnService(YRAPI::TimerCallback pfnCallback, std::uintptr_t nParam) {
    std::atomic<bool> bDone{false};
    struct call {
        YRAPI::TimerCallback pfn;
        std::uintptr_t nParam;
        std::atomic<bool>* pDone;
    } c{pfnCallback, nParam, &bDone};
    auto trampoline = [](std::uintptr_t nCall, std::uintptr_t, DWORD dwTick) {
        auto* p = reinterpret_cast<call*>(nCall);
        p->pfn(p->nParam, 0, dwTick);
        p->pDone->store(true);
    };
    YRAPI::timer_item item{
        reinterpret_cast<std::uintptr_t>(&c), 0, YRAPI::platform::GetTickCount(), 0, 1, trampoline};
    YRAPI::CTimerThread* pService = YRAPI::GetTimerService();
    if (pService == nullptr || !pService->AddTimer(&item)) return false;
    std::int64_t nDeadline = MonotonicNs() + 5000000000;
    while (!bDone.load() && MonotonicNs() < nDeadline) YRAPI::platform::Sleep(1);
    pService->RemoveTimer(&item);
    return bDone.load();
}

// The service thread's CPU clock, and what it runs at, read on the service thread itself.
struct service_facts {
    clockid_t cpuClock{};
    int nPolicy = -1;
    int nRtPriority = 0;
    long nSlackNs = -1;
    bool bKnown = false;
} gService;

void ReadServiceFacts(std::uintptr_t nFacts, std::uintptr_t, DWORD) {
    auto& facts = *reinterpret_cast<service_facts*>(nFacts);
    facts.bKnown = pthread_getcpuclockid(pthread_self(), &facts.cpuClock) == 0;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &facts.nPolicy, &param);
    facts.nRtPriority = param.sched_priority;
    facts.nSlackNs = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
}

std::string ServiceLabel() {
    const char* szPolicy = gService.nPolicy == SCHED_FIFO ? "SCHED_FIFO" : "SCHED_OTHER";
    return std::string("service ") + szPolicy + " " + std::to_string(gService.nRtPriority) +
           ", slack " + std::to_string(gService.nSlackNs) + " ns";
}

// A reference thread at the service's priority, whose CPU clock the main thread can read.
class CReferenceThread : public YRAPI::CBaseThread {
  public:
    ~CReferenceThread() override { StopForDestruction(1000); }
    bool Begin() {
        if (!Start(/*bRun=*/true)) return false;
        SetPriority(15);
        std::int64_t nDeadline = MonotonicNs() + 5000000000;
        while (!bClockKnown.load() && MonotonicNs() < nDeadline) YRAPI::platform::Sleep(1);
        return bClockKnown.load();
    }
    std::int64_t Cpu() const { return CpuNs(cpuClock); }

  private:
    DWORD Run() final {
        pthread_getcpuclockid(pthread_self(), &cpuClock);
        bClockKnown.store(true);
        Loop();
        return 0;
    }
    virtual void Loop() = 0;

    clockid_t cpuClock{};
    std::atomic<bool> bClockKnown{false};
};

// The floor for this design: wake every millisecond and do nothing else.
class CBareLoop : public CReferenceThread {
    void Loop() override {
        const timespec ms{0, 1000000};
        while (!IsStopRequested()) nanosleep(&ms, nullptr);
    }
};

// The floor for periodic lateness: a 10 ms timerfd, read as it expires.
class CTimerFdLoop : public CReferenceThread {
  public:
    explicit CTimerFdLoop(lateness_log& log) : log(log) {}

  private:
    void Loop() override {
        int fd = timerfd_create(CLOCK_MONOTONIC, 0);
        if (fd < 0) return;
        // First expiry on a millisecond boundary 10 ms ahead, like the service's due ticks.
        std::int64_t nFirstNs = (MonotonicNs() / 1000000 + 10) * 1000000;
        itimerspec spec{};
        spec.it_value = {static_cast<time_t>(nFirstNs / 1000000000), nFirstNs % 1000000000};
        spec.it_interval = {0, 10000000};
        timerfd_settime(fd, TFD_TIMER_ABSTIME, &spec, nullptr);
        std::int64_t nExpired = 0;
        while (!IsStopRequested()) {
            std::uint64_t nNew = 0;
            if (read(fd, &nNew, sizeof nNew) != static_cast<ssize_t>(sizeof nNew)) continue;
            std::int64_t nNowNs = MonotonicNs();
            for (std::uint64_t i = 0; i < nNew; ++i, ++nExpired) {
                log.Add(static_cast<double>(nNowNs - (nFirstNs + nExpired * 10000000)) / 1000.0);
            }
        }
        close(fd);
    }
    lateness_log& log;
};

// The periodic 10 ms timer on the service; the k-th firing is due at the first due tick
// plus 10 k.
struct periodic {
    lateness_log log;
    DWORD dwFirstDue = 0;
    std::uint32_t nFired = 0;  // touched only by the service thread
    YRAPI::timer_item item{};
    explicit periodic(std::size_t nMax) : log(nMax) {}
};

void OnPeriodic(std::uintptr_t nPeriodic, std::uintptr_t, DWORD) {
    std::int64_t nNowNs = MonotonicNs();
    auto& p = *reinterpret_cast<periodic*>(nPeriodic);
    DWORD dwDue = p.dwFirstDue + 10 * p.nFired++;
    p.log.Add(static_cast<double>(nNowNs - TickReachedNs(dwDue, nNowNs)) / 1000.0);
}

void Nothing(std::uintptr_t, std::uintptr_t, DWORD) {}

std::size_t MaxSamples() { return static_cast<std::size_t>(gWindowSeconds * 100 + 1000); }

void SleepWindow() {
    auto nNs = static_cast<std::int64_t>(gWindowSeconds * 1e9);
    timespec t{static_cast<time_t>(nNs / 1000000000), static_cast<long>(nNs % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &t, &t) != 0) {
    }
}

// Adds the 10 ms timer and nTimers 100 ms timers, runs one window (beside the bare loop when
// given) and reports the counters.
void RunWindow(benchmark::State& state, int nTimers, bool bPeriodic, bool bTimerFd) {
    YRAPI::CTimerThread* pService = YRAPI::GetTimerService();
    if (pService == nullptr || !gService.bKnown) {
        state.SkipWithError("no process-wide timer service");
        return;
    }
    for (auto _ : state) {
        std::vector<YRAPI::timer_item> many(static_cast<std::size_t>(nTimers));
        DWORD dwNow = YRAPI::platform::GetTickCount();
        for (int i = 0; i < nTimers; ++i) {
            many[i] = {0, 0, dwNow + 1 + static_cast<DWORD>(i % 100), 100, -1, &Nothing};
            pService->AddTimer(&many[i]);
        }
        auto pPeriodic = std::make_unique<periodic>(MaxSamples());
        if (bPeriodic) {
            pPeriodic->dwFirstDue = YRAPI::platform::GetTickCount() + 10;
            pPeriodic->item = {reinterpret_cast<std::uintptr_t>(pPeriodic.get()),
                               0,
                               pPeriodic->dwFirstDue,
                               10,
                               -1,
                               &OnPeriodic};
            pService->AddTimer(&pPeriodic->item);
        }
        lateness_log fdLog(MaxSamples());
        std::unique_ptr<CReferenceThread> pReference;
        if (bTimerFd) {
            pReference = std::make_unique<CTimerFdLoop>(fdLog);
        } else {
            pReference = std::make_unique<CBareLoop>();
        }
        if (!pReference->Begin()) {
            state.SkipWithError("the reference thread did not start");
            break;
        }

        std::int64_t nWallStart = MonotonicNs();
        std::int64_t nServiceStart = CpuNs(gService.cpuClock);
        std::int64_t nReferenceStart = pReference->Cpu();
        SleepWindow();
        std::int64_t nServiceCpu = CpuNs(gService.cpuClock) - nServiceStart;
        std::int64_t nReferenceCpu = pReference->Cpu() - nReferenceStart;
        std::int64_t nWall = MonotonicNs() - nWallStart;

        pReference.reset();
        if (bPeriodic) pService->RemoveTimer(&pPeriodic->item);
        for (auto& item : many) pService->RemoveTimer(&item);
        // Any firing taken before the removals has been delivered once this has run.
        RunOnService(&Nothing, 0);
        state.SetIterationTime(static_cast<double>(nWall) / 1e9);

        auto pct = [&](std::int64_t nCpu) { return 100.0 * static_cast<double>(nCpu) / nWall; };
        state.counters["service_cpu_pct"] = pct(nServiceCpu);
        if (bTimerFd) {
            state.counters["timerfd_p50_us"] = fdLog.Percentile(0.50);
            state.counters["timerfd_p99_us"] = fdLog.Percentile(0.99);
        } else {
            state.counters["loop_cpu_pct"] = pct(nReferenceCpu);
            state.counters["cpu_ratio"] =
                static_cast<double>(nServiceCpu) / static_cast<double>(nReferenceCpu);
        }
        if (bPeriodic) {
            state.counters["service_p50_us"] = pPeriodic->log.Percentile(0.50);
            state.counters["service_p99_us"] = pPeriodic->log.Percentile(0.99);
            state.counters["samples"] = static_cast<double>(pPeriodic->log.nCount.load());
        }
    }
    state.SetLabel(ServiceLabel());
}

// The service's loop before it slept over an empty list, on a timer list of its own.
class CPassEveryMs : public YRAPI::CBaseThread, public YRAPI::CTimer {
  public:
    ~CPassEveryMs() override { StopForDestruction(1000); }
    bool Begin() {
        if (!Start(/*bRun=*/true)) return false;
        SetPriority(15);
        std::int64_t nDeadline = MonotonicNs() + 5000000000;
        while (!bClockKnown.load() && MonotonicNs() < nDeadline) YRAPI::platform::Sleep(1);
        return bClockKnown.load();
    }
    std::int64_t Cpu() const { return CpuNs(cpuClock); }

    bool Step() override {
        if (!bClockKnown.load()) {
            YRAPI::platform::SetCurrentThreadTimerSlack(1000);  // as the service sets it
            pthread_getcpuclockid(pthread_self(), &cpuClock);
            bClockKnown.store(true);
        }
        ProcessTimers();
        YRAPI::platform::Sleep(1);
        return true;
    }

  private:
    clockid_t cpuClock{};
    std::atomic<bool> bClockKnown{false};
};

// Voluntary and involuntary context switches of one thread of this process so far.
long ContextSwitches(DWORD dwThreadId) {
    std::ifstream status("/proc/self/task/" + std::to_string(dwThreadId) + "/status");
    std::string line;
    long nSwitches = 0;
    while (std::getline(status, line)) {
        if (line.find("ctxt_switches:") != std::string::npos) {
            nSwitches += std::atol(line.c_str() + line.find(':') + 1);
        }
    }
    return nSwitches;
}

void IdleCost(benchmark::State& state) {
    YRAPI::CTimerThread* pService = YRAPI::GetTimerService();
    if (pService == nullptr || !gService.bKnown) {
        state.SkipWithError("no process-wide timer service");
        return;
    }
    const auto nTimers = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        CPassEveryMs before;
        if (!before.Begin()) {
            state.SkipWithError("the reference thread did not start");
            break;
        }
        // The same timers on both: 100 ms each, spread over the period.
        std::vector<YRAPI::timer_item> ours(nTimers), theirs(nTimers);
        DWORD dwNow = YRAPI::platform::GetTickCount();
        for (std::size_t i = 0; i < nTimers; ++i) {
            ours[i] = {0, 0, dwNow + 1 + static_cast<DWORD>(i % 100), 100, -1, &Nothing};
            theirs[i] = ours[i];
            pService->AddTimer(&ours[i]);
            before.AddTimer(&theirs[i]);
        }
        YRAPI::platform::Sleep(50);  // both settle into their passes

        std::int64_t nWallStart = MonotonicNs();
        std::int64_t nServiceCpu = CpuNs(gService.cpuClock);
        std::int64_t nBeforeCpu = before.Cpu();
        long nServiceSwitches = ContextSwitches(pService->GetThreadId());
        long nBeforeSwitches = ContextSwitches(before.GetThreadId());
        SleepWindow();
        nServiceCpu = CpuNs(gService.cpuClock) - nServiceCpu;
        nBeforeCpu = before.Cpu() - nBeforeCpu;
        nServiceSwitches = ContextSwitches(pService->GetThreadId()) - nServiceSwitches;
        nBeforeSwitches = ContextSwitches(before.GetThreadId()) - nBeforeSwitches;
        std::int64_t nWall = MonotonicNs() - nWallStart;

        for (auto& item : ours) pService->RemoveTimer(&item);
        RunOnService(&Nothing, 0);
        state.SetIterationTime(static_cast<double>(nWall) / 1e9);

        double dSeconds = static_cast<double>(nWall) / 1e9;
        auto pct = [&](std::int64_t nCpu) { return 100.0 * static_cast<double>(nCpu) / nWall; };
        state.counters["service_wakeups_per_s"] = static_cast<double>(nServiceSwitches) / dSeconds;
        state.counters["before_wakeups_per_s"] = static_cast<double>(nBeforeSwitches) / dSeconds;
        state.counters["service_cpu_pct"] = pct(nServiceCpu);
        state.counters["before_cpu_pct"] = pct(nBeforeCpu);
        state.counters["cpu_ratio"] =
            static_cast<double>(nServiceCpu) / static_cast<double>(nBeforeCpu);
    }
    state.SetLabel(ServiceLabel());
}

void EmptyListCpu(benchmark::State& state) { RunWindow(state, 0, false, false); }
void Periodic10ms(benchmark::State& state) { RunWindow(state, 0, true, true); }
void ThousandTimers(benchmark::State& state) { RunWindow(state, 1000, true, false); }

}  // namespace

int main(int argc, char** argv) {
    // Take --window_s=N out of the arguments before Google Benchmark sees them.
    int nKept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--window_s=", 11) == 0) {
            gWindowSeconds = std::atof(argv[i] + 11);
        } else {
            argv[nKept++] = argv[i];
        }
    }
    argc = nKept;
    if (gWindowSeconds <= 0) {
        std::fprintf(stderr, "--window_s must be positive\n");
        return 2;
    }
    if (!RunOnService(&ReadServiceFacts, reinterpret_cast<std::uintptr_t>(&gService))) {
        std::fprintf(stderr, "the process-wide timer service did not run a callback\n");
        return 1;
    }
    for (auto* pfn : {&EmptyListCpu, &Periodic10ms, &ThousandTimers}) {
        const char* szName = pfn == &EmptyListCpu   ? "EmptyListCpu"
                             : pfn == &Periodic10ms ? "Periodic10ms"
                                                    : "ThousandTimers";
        benchmark::RegisterBenchmark(szName, pfn)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    }
    benchmark::RegisterBenchmark("IdleCost", &IdleCost)
        ->Arg(0)
        ->Arg(1)
        ->Arg(1000)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
