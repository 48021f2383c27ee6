// WriterBench.cpp - the log writer's cost per pass of 2000 queued lines, beside the floor: a
// plain loop that fputs the same lines to a file and to standard output, both sent on to the
// kernel at the end of the loop, in the same run.
//
// The ratio to FloorFputs is the writer's target (at most 1.5).
//
// Standard output is pointed at /dev/null before anything is printed, so that it is fully
// buffered as it is for any program whose output goes to a file or a pipe; the benchmark's
// own report goes to standard error (and to --benchmark_out when given).
//
//   yrapi_writer_bench --benchmark_repetitions=15 --benchmark_report_aggregates_only=true
//
// After the run, a table gives the median of each benchmark and its ratio to the floor.
//
// Benchmarks (each iteration handles 2000 lines of about 90 characters; filling the queue
// before a pass is not timed):
//   WriterPass            CYRLOGTraceThread::Step on a queue of 2000 lines: size test, file
//                         opened "a+", 2000 pops with echo and write, close, stdout flushed.
//                         The maximum size is large, so no pass rotates.
//   WriterPassRotating    the same with the default maximum of 1 MiB: one pass in about five
//                         rotates the file through its generations.
//   FloorFputs            the floor: fputs of each line to a file kept open and to stdout,
//                         then both flushed.
//   FloorFputsOpenClose   the floor with the file opened "a+" and closed each time, as the
//                         writer must do.
//   FloorFputs64KiB       the floor with the 64 KiB file buffer that the writer gives its
//                         file: what is left of the writer's figure beyond it is the queue.
// The files are cut back to empty (not timed) once they pass 64 MiB.
#include "yrapi/log/LogInterface.h"
#include "yrapi/log/LogState.h"
#include "yrapi/log/TraceThread.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kLines = 2000;
constexpr std::uintmax_t kTruncateAt = 64u << 20;

std::string gDir;
std::vector<YRAPI::yr_log_str> gRecords;  // the 2000 lines, as the front-end queues them

void BuildLines() {
    gRecords.resize(kLines);
    for (int i = 0; i < kLines; ++i) {
        char szMessage[128];
        std::snprintf(szMessage, sizeof szMessage,
                      "request %d served in %d ms by worker %d, %d bytes sent", 100000 + i, i % 97,
                      i % 8, 1000 + 37 * i);
        YRAPI::FormatLogLine(gRecords[i].text, sizeof gRecords[i].text, 4, szMessage);
    }
}

void CutBackIfLarge(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) > kTruncateAt && !ec) {
        std::filesystem::resize_file(path, 0, ec);
    }
}

void RemoveGenerations(const std::string& base) {
    std::error_code ec;
    std::filesystem::remove(base + "log", ec);
    for (int n = 1; n <= 9; ++n) std::filesystem::remove(base + std::to_string(n), ec);
}

void WriterPass(benchmark::State& state, const std::string& base, YRAPI::DWORD dwMaxSize) {
    RemoveGenerations(base);
    std::string file = base + "log";
    auto& log = YRAPI::detail::GetLogState();
    std::snprintf(log.szFileName, sizeof log.szFileName, "%s", file.c_str());
    log.dwMaxFileSize.store(dwMaxSize);
    auto& queue = YRAPI::GetLogQueue();
    YRAPI::CYRLOGTraceThread writer;  // never started: its passes run here
    writer.RequestStop();             // so that each pass's Idle(2000) returns at once
    for (auto _ : state) {
        state.PauseTiming();
        CutBackIfLarge(file);
        for (const auto& record : gRecords) queue.Push(&record, YRAPI::INFINITE);
        state.ResumeTiming();
        writer.Step();
    }
    if (queue.count.load() != 0) state.SkipWithError("a pass left lines in the queue");
    state.SetItemsProcessed(state.iterations() * kLines);
    RemoveGenerations(base);
}

void BM_WriterPass(benchmark::State& state) { WriterPass(state, gDir + "/writer.", 0x7FFFFFFF); }

void BM_WriterPassRotating(benchmark::State& state) {
    WriterPass(state, gDir + "/rotating.", 1048576);
}

void FloorFputs(benchmark::State& state, std::size_t nBufferBytes) {
    std::string file = gDir + "/floor.log";
    std::FILE* pFile = std::fopen(file.c_str(), "a+");
    if (pFile == nullptr) {
        state.SkipWithError("cannot open the floor's file");
        return;
    }
    std::vector<char> buffer(nBufferBytes);
    if (nBufferBytes != 0) std::setvbuf(pFile, buffer.data(), _IOFBF, nBufferBytes);
    for (auto _ : state) {
        state.PauseTiming();
        std::fflush(pFile);
        CutBackIfLarge(file);
        state.ResumeTiming();
        for (const auto& record : gRecords) {
            std::fputs(record.text, stdout);
            std::fputs(record.text, pFile);
        }
        std::fflush(pFile);
        std::fflush(stdout);
    }
    std::fclose(pFile);
    std::remove(file.c_str());
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_FloorFputs(benchmark::State& state) { FloorFputs(state, 0); }

void BM_FloorFputs64KiB(benchmark::State& state) { FloorFputs(state, 65536); }

void BM_FloorFputsOpenClose(benchmark::State& state) {
    std::string file = gDir + "/floor-open.log";
    for (auto _ : state) {
        state.PauseTiming();
        CutBackIfLarge(file);
        state.ResumeTiming();
        std::FILE* pFile = std::fopen(file.c_str(), "a+");
        if (pFile == nullptr) {
            state.SkipWithError("cannot open the floor's file");
            break;
        }
        for (const auto& record : gRecords) {
            std::fputs(record.text, stdout);
            std::fputs(record.text, pFile);
        }
        std::fclose(pFile);
        std::fflush(stdout);
    }
    std::remove(file.c_str());
    state.SetItemsProcessed(state.iterations() * kLines);
}

BENCHMARK(BM_FloorFputs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorFputsOpenClose)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorFputs64KiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriterPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriterPassRotating)->Unit(benchmark::kMicrosecond);

// The console report, plus the median real time of each benchmark for the closing table.
class CMedianReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median" ||
                (run.run_type == Run::RT_Iteration && medians.count(run.run_name.str()) == 0)) {
                medians[run.run_name.str()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        auto floor = medians.find("BM_FloorFputs");
        std::fprintf(stderr, "\n%-26s %14s %10s\n", "median per pass", "us", "x floor");
        for (const auto& [name, dTime] : medians) {
            double dRatio = floor != medians.end() ? dTime / floor->second : 0.0;
            std::fprintf(stderr, "%-26s %14.1f %10.2f\n", name.c_str(), dTime, dRatio);
        }
    }

  private:
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    // Before any output: standard output goes to /dev/null, fully buffered.
    std::fflush(stdout);
    int nNull = open("/dev/null", O_WRONLY);
    if (nNull < 0 || dup2(nNull, 1) < 0) {
        std::perror("/dev/null");
        return 1;
    }
    close(nNull);

    char szDir[] = "/tmp/yrapi-writer-bench-XXXXXX";
    if (mkdtemp(szDir) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    gDir = szDir;
    BuildLines();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CMedianReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintRatios();

    std::error_code ec;
    std::filesystem::remove_all(gDir, ec);
    return 0;
}
