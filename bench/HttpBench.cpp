// HttpBench.cpp - what CMyHttpAsync::Fetch costs beyond its fixed 500 ms wait, beside a bare
// libcurl GET of the same URL from the same loopback server, in the same run:
//
//   BareGet           one curl_easy_perform of the URL on a fresh easy handle (what any GET
//                     costs: handle, connect, request, answer, clean-up).
//   FetchBeyondWait   one Fetch of the URL, timed by hand minus the 500 ms it always waits.
//                     Each iteration also times one bare GET right before its fetch, so the
//                     counters bare_us and beyond_us (means per iteration) and ratio =
//                     beyond_us / bare_us compare the two under the same load.
//
//   CancelLatency     Cancel from another thread, 100 ms into a fetch (its fixed wait) or
//                     700 ms into one (waiting for a late answer): the time from the Cancel
//                     call to Fetch's return, as iteration time; counters fixed_wait_ms and
//                     late_answer_ms are the means of each kind.
//
// Targets: a fetch costs at most 1.2x the bare GET beyond its 500 ms (ratio <= 1.2); a cancel
// ends the fetch within 100 ms.
//
//   yrapi_http_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "tests/support/LoopbackHttpServer.h"
#include "yrapi/net/HttpAsync.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<YRAPI::test::CLoopbackHttpServer> gServer;
std::string gUrl;
std::string gLateUrl;  // answered after 30 s

size_t Collect(char* pData, size_t nSize, size_t nCount, void* pUser) {
    static_cast<std::string*>(pUser)->append(pData, nSize * nCount);
    return nSize * nCount;
}

// A GET as an application would write it with libcurl alone; false unless it got the body.
bool BareGet() {
    std::string szBody;
    CURL* pEasy = curl_easy_init();
    if (pEasy == nullptr) return false;
    curl_easy_setopt(pEasy, CURLOPT_URL, gUrl.c_str());
    curl_easy_setopt(pEasy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(pEasy, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(pEasy, CURLOPT_WRITEDATA, &szBody);
    bool bOk = curl_easy_perform(pEasy) == CURLE_OK && !szBody.empty();
    curl_easy_cleanup(pEasy);
    return bOk;
}

void BM_BareGet(benchmark::State& state) {
    for (auto _ : state) {
        if (!BareGet()) state.SkipWithError("bare GET failed");
    }
}
BENCHMARK(BM_BareGet)->Unit(benchmark::kMicrosecond);

void BM_FetchBeyondWait(benchmark::State& state) {
    YRAPI::CMyHttpAsync fetcher;
    double dBareUs = 0;
    double dBeyondUs = 0;
    for (auto _ : state) {
        auto bareStart = Clock::now();
        bool bBareOk = BareGet();
        dBareUs += std::chrono::duration<double, std::micro>(Clock::now() - bareStart).count();

        auto start = Clock::now();
        char* pText = fetcher.Fetch(gUrl.c_str(), 5000);
        std::chrono::duration<double> elapsed = Clock::now() - start;
        YRAPI::CMyHttpAsync::FreeResult(pText);
        double dBeyond = elapsed.count() - YRAPI::CMyHttpAsync::kFixedWaitMs / 1000.0;
        state.SetIterationTime(dBeyond);
        dBeyondUs += dBeyond * 1e6;
        if (pText == nullptr || !bBareOk) state.SkipWithError("fetch failed");
    }
    state.counters["bare_us"] = benchmark::Counter(dBareUs, benchmark::Counter::kAvgIterations);
    state.counters["beyond_us"] = benchmark::Counter(dBeyondUs, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = dBareUs > 0 ? dBeyondUs / dBareUs : 0;
}
// Each iteration lasts 500 ms, so the count is fixed rather than left to the library.
BENCHMARK(BM_FetchBeyondWait)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);

// Fetches url and cancels it from another thread after cancelAfter; the seconds from the
// Cancel call to Fetch's return, or a negative value when the fetch did not end cancelled.
double CancelledFetch(YRAPI::CMyHttpAsync& fetcher, const std::string& url,
                      std::chrono::milliseconds cancelAfter) {
    Clock::time_point cancelled;
    std::thread canceller([&] {
        std::this_thread::sleep_for(cancelAfter);
        cancelled = Clock::now();
        fetcher.Cancel();
    });
    char* pText = fetcher.Fetch(url.c_str(), 20000);
    auto end = Clock::now();
    canceller.join();
    YRAPI::CMyHttpAsync::FreeResult(pText);
    bool bCancelled =
        pText == nullptr && fetcher.GetLastReport().eOutcome == YRAPI::FetchOutcome::Cancelled;
    return bCancelled ? std::chrono::duration<double>(end - cancelled).count() : -1.0;
}

void BM_CancelLatency(benchmark::State& state) {
    YRAPI::CMyHttpAsync fetcher;
    double dFixedMs = 0;
    double dLateMs = 0;
    int nIteration = 0;
    for (auto _ : state) {
        bool bFixed = nIteration++ % 2 == 0;
        double dSeconds = bFixed
                              ? CancelledFetch(fetcher, gUrl, std::chrono::milliseconds(100))
                              : CancelledFetch(fetcher, gLateUrl, std::chrono::milliseconds(700));
        if (dSeconds < 0) {
            state.SkipWithError("the fetch was not cancelled");
            break;
        }
        state.SetIterationTime(dSeconds);
        (bFixed ? dFixedMs : dLateMs) += dSeconds * 1e3;
    }
    state.counters["fixed_wait_ms"] = nIteration > 0 ? dFixedMs / ((nIteration + 1) / 2) : 0;
    state.counters["late_answer_ms"] = nIteration > 1 ? dLateMs / (nIteration / 2) : 0;
}
BENCHMARK(BM_CancelLatency)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    gServer = std::make_unique<YRAPI::test::CLoopbackHttpServer>([](const auto&) {
        YRAPI::test::http_answer answer;
        answer.szBody = "hello from the loopback server";
        return answer;
    });
    gUrl = gServer->Url("/page");
    YRAPI::test::CLoopbackHttpServer late([](const auto&) {
        YRAPI::test::http_answer answer;
        answer.szBody = "too late";
        answer.delay = std::chrono::milliseconds(30000);
        return answer;
    });
    gLateUrl = late.Url("/late");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gServer.reset();
    return 0;
}
