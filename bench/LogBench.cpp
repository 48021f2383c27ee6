// LogBench.cpp - the per-call cost of CYRLogInterface::Log, beside spdlog logging the same
// message through its async logger and through a synchronous file logger with a local-time
// pattern, from 1 and 2 threads in the same run.
//
// Each call is timed on its own (rdtsc, fenced) so that the median and the 99th percentile of
// single calls can be reported; the cost of an empty timed region is measured first and taken
// off every sample. Every 1024 calls, between two timed calls, each thread empties the log
// record queue as the log writer would, so the front-end never runs into the queue's ceiling
// (with two threads, one thread's emptying contends with the other's timed calls).
//
//   yrapi_log_bench                              Google Benchmark run, then a table of medians
//                                                over all repetitions and the ratios to spdlog
//   yrapi_log_bench --callgrind N                only N calls of Log (no threads of its own),
//                                                for counting instructions:
//     valgrind --tool=callgrind --toggle-collect='YRAPI::CYRLogInterface::Log(*'
//              ./yrapi_log_bench --callgrind 100000        (total Ir / N = instructions per call)
//     or without --toggle-collect, with N and with 0: (Ir(N) - Ir(0)) / N.
#include "yrapi/log/LogInterface.h"

#include <benchmark/benchmark.h>
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <x86intrin.h>

namespace {

// The message every logger writes: "user alice logged in from 10.0.0.1, session <n>".
constexpr const char* kUser = "alice";
constexpr const char* kAddress = "10.0.0.1";
// The same local-time line as the front-end's: tag, stamp in brackets, message.
constexpr const char* kSpdlogPattern = "%L [%Y-%m-%d %H:%M:%S] %v";

inline std::uint64_t Ticks() {
    _mm_lfence();
    std::uint64_t t = __rdtsc();
    _mm_lfence();
    return t;
}

double gNsPerTick = 1.0;
std::uint64_t gOverheadTicks = 0;  // median cost of an empty timed region

void Calibrate() {
    auto c0 = std::chrono::steady_clock::now();
    std::uint64_t t0 = Ticks();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::uint64_t t1 = Ticks();
    auto c1 = std::chrono::steady_clock::now();
    gNsPerTick =
        std::chrono::duration<double, std::nano>(c1 - c0).count() / static_cast<double>(t1 - t0);
    std::vector<std::uint64_t> empty(100000);
    for (auto& d : empty) {
        std::uint64_t a = Ticks();
        d = Ticks() - a;
    }
    std::nth_element(empty.begin(), empty.begin() + empty.size() / 2, empty.end());
    gOverheadTicks = empty[empty.size() / 2];
}

// Per-call samples of one benchmark thread: the last kSamples calls of its run.
class CSamples {
  public:
    static constexpr std::size_t kSamples = 1 << 20;
    CSamples() : ticks(kSamples) {}

    void Add(std::uint64_t d) {
        ticks[n++ & (kSamples - 1)] = d > gOverheadTicks ? d - gOverheadTicks : 0;
    }

    // p50 and p99 in nanoseconds; false when the run was too short to say.
    bool Percentiles(double& p50, double& p99) {
        std::size_t nUsed = std::min(n, kSamples);
        if (nUsed < 10000) return false;
        auto end = ticks.begin() + static_cast<std::ptrdiff_t>(nUsed);
        auto at = [&](double q) {
            auto it =
                ticks.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(nUsed - 1));
            std::nth_element(ticks.begin(), it, end);
            return static_cast<double>(*it) * gNsPerTick;
        };
        p50 = at(0.50);
        p99 = at(0.99);
        return true;
    }

  private:
    std::vector<std::uint64_t> ticks;
    std::size_t n = 0;
};

// Every thread-run's percentiles, by benchmark name, for the table after the run.
std::mutex gResultsMutex;
std::map<std::string, std::vector<std::pair<double, double>>> gResults;  // guarded

void Report(benchmark::State& state, const std::string& name, CSamples& samples) {
    double p50 = 0, p99 = 0;
    if (!samples.Percentiles(p50, p99)) return;
    state.counters["p50_ns"] = benchmark::Counter(p50, benchmark::Counter::kAvgThreads);
    state.counters["p99_ns"] = benchmark::Counter(p99, benchmark::Counter::kAvgThreads);
    std::lock_guard<std::mutex> lock(gResultsMutex);
    gResults[name + "/threads:" + std::to_string(state.threads())].emplace_back(p50, p99);
}

std::size_t LineBytes(const YRAPI::yr_log_str& rec) {
    return strnlen(rec.text, sizeof rec.text - 1) + 1;
}

// Empties the log record queue as the log writer would (reading only each line's bytes).
void DrainLogQueue() {
    YRAPI::yr_log_str rec;
    auto& q = YRAPI::GetLogQueue();
    while (q.count.load(std::memory_order_relaxed) != 0)
        q.PopPrefix(&rec, LineBytes, YRAPI::INFINITE);
}

std::shared_ptr<spdlog::logger> gAsync;
std::shared_ptr<spdlog::logger> gSync;

void BM_YrapiLog(benchmark::State& state) {
    CSamples samples;
    int nSession = 0;
    for (auto _ : state) {
        std::uint64_t t0 = Ticks();
        YRAPI::CYRLogInterface::Log(4, "user %s logged in from %s, session %d", kUser, kAddress,
                                    ++nSession);
        samples.Add(Ticks() - t0);
        if ((nSession & 1023) == 0) DrainLogQueue();  // between timed calls
    }
    DrainLogQueue();
    Report(state, "yrapi Log", samples);
}

template <std::shared_ptr<spdlog::logger>* ppLogger>
void BM_Spdlog(benchmark::State& state, const char* szName) {
    spdlog::logger& logger = **ppLogger;
    CSamples samples;
    int nSession = 0;
    for (auto _ : state) {
        std::uint64_t t0 = Ticks();
        logger.info("user {} logged in from {}, session {}", kUser, kAddress, ++nSession);
        samples.Add(Ticks() - t0);
    }
    Report(state, szName, samples);
}

void BM_SpdlogAsync(benchmark::State& state) { BM_Spdlog<&gAsync>(state, "spdlog async"); }
void BM_SpdlogSyncFile(benchmark::State& state) { BM_Spdlog<&gSync>(state, "spdlog sync file"); }

BENCHMARK(BM_YrapiLog)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_SpdlogAsync)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_SpdlogSyncFile)->Threads(1)->Threads(2)->UseRealTime();

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void PrintTable() {
    std::printf(
        "\nPer call, ns (rdtsc, empty-region cost %.1f ns taken off); median over all "
        "runs and threads\n",
        static_cast<double>(gOverheadTicks) * gNsPerTick);
    std::printf("%-30s %10s %10s %14s %14s\n", "", "p50", "p99", "p50/async", "p99/async");
    for (const char* szThreads : {"/threads:1", "/threads:2"}) {
        std::map<std::string, std::pair<double, double>> rows;
        for (const char* szName : {"yrapi Log", "spdlog async", "spdlog sync file"}) {
            std::vector<double> p50s, p99s;
            for (auto [p50, p99] : gResults[std::string(szName) + szThreads]) {
                p50s.push_back(p50);
                p99s.push_back(p99);
            }
            rows[szName] = {Median(p50s), Median(p99s)};
        }
        auto async = rows["spdlog async"];
        for (const char* szName : {"yrapi Log", "spdlog async", "spdlog sync file"}) {
            auto [p50, p99] = rows[szName];
            std::printf("%-30s %10.1f %10.1f %14.3f %14.3f\n",
                        (std::string(szName) + szThreads).c_str(), p50, p99,
                        async.first > 0 ? p50 / async.first : 0.0,
                        async.second > 0 ? p99 / async.second : 0.0);
        }
    }
}

int RunCallgrindMode(long nCalls) {
    auto& q = YRAPI::GetLogQueue();
    for (long i = 0; i < nCalls; ++i) {
        YRAPI::CYRLogInterface::Log(4, "user %s logged in from %s, session %d", kUser, kAddress,
                                    static_cast<int>(i));
        if ((i & 63) == 63) q.Clear();  // keeps the ring at its first size
    }
    std::printf("%ld calls\n", nCalls);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--callgrind") == 0) {
        return RunCallgrindMode(std::atol(argv[2]));
    }
    // Defaults for a comparable run, unless given on the command line.
    std::vector<char*> args(argv, argv + argc);
    std::string szReps = "--benchmark_repetitions=5";
    std::string szAggregates = "--benchmark_report_aggregates_only=true";
    bool bHasReps = false;
    for (int i = 1; i < argc; ++i) bHasReps = bHasReps || std::strstr(argv[i], "repetitions");
    if (!bHasReps) {
        args.push_back(szReps.data());
        args.push_back(szAggregates.data());
    }
    int nArgs = static_cast<int>(args.size());
    benchmark::Initialize(&nArgs, args.data());
    if (benchmark::ReportUnrecognizedArguments(nArgs, args.data())) return 1;

    Calibrate();
    char szDir[] = "/tmp/yrapi_log_bench.XXXXXX";
    if (mkdtemp(szDir) == nullptr) return 1;
    std::string dir = szDir;
    spdlog::init_thread_pool(8192, 1);  // spdlog's default queue size, one worker
    gAsync = spdlog::create_async<spdlog::sinks::basic_file_sink_mt>("async", dir + "/async.log",
                                                                     /*truncate=*/true);
    gSync = spdlog::basic_logger_mt("sync", dir + "/sync.log", /*truncate=*/true);
    for (auto& logger : {gAsync, gSync})
        logger->set_pattern(kSpdlogPattern, spdlog::pattern_time_type::local);
    benchmark::RunSpecifiedBenchmarks();
    std::uint32_t dwRingCapacity = YRAPI::GetLogQueue().capacity;
    gAsync.reset();
    gSync.reset();
    spdlog::shutdown();
    std::filesystem::remove_all(dir);
    benchmark::Shutdown();
    PrintTable();
    std::printf("log record queue ring at the end: %u records (no line is lost below 131072)\n",
                dwRingCapacity);
    return 0;
}
