// Tests of the core's fetch job: the outcome reaches the callback once, on the job's thread;
// one fetch at a time; a cancel or the job's end cuts a silent fetch short.
#include "core/FetchJob.h"
#include "tests/support/LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Tamberon::CFetchJob;
using Tamberon::fetch_outcome;
using YRAPI::FetchOutcome;
using YRAPI::test::CLoopbackHttpServer;
using YRAPI::test::http_answer;
using YRAPI::test::http_request;

// Collects the outcomes a job gives, from its thread.
class COutcomes {
  public:
    CFetchJob::callback Callback() {
        return [this](const fetch_outcome& outcome) {
            std::lock_guard<std::mutex> lock(mutex);
            outcomes.push_back(outcome);
            threads.push_back(std::this_thread::get_id());
            arrived.notify_all();
        };
    }
    std::optional<fetch_outcome> Wait(std::size_t nIndex, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex);
        if (!arrived.wait_for(lock, limit, [&] { return outcomes.size() > nIndex; })) return {};
        return outcomes[nIndex];
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return outcomes.size();
    }
    std::thread::id Thread(std::size_t nIndex) {
        std::lock_guard<std::mutex> lock(mutex);
        return threads.at(nIndex);
    }

  private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<fetch_outcome> outcomes;
    std::vector<std::thread::id> threads;
};

TEST(CoreFetchJob, TheOutcomeReachesTheCallbackOnceOnTheJobsThread) {
    CLoopbackHttpServer server([](const http_request& request) {
        http_answer answer;
        if (request.szTarget == "/missing") {
            answer.nStatus = 404;
        } else {
            answer.headers.push_back("Content-Type: text/plain; charset=utf-8");
            answer.szBody = "hello";
        }
        return answer;
    });
    struct test_case {
        const char* szPath;
        FetchOutcome eOutcome;
        bool bText;
        const char* szBody;
    };
    const test_case cases[] = {
        {"/text", FetchOutcome::Text, true, "hello"},
        {"/missing", FetchOutcome::HttpStatus, false, ""},
    };
    CFetchJob job;
    COutcomes got;
    std::size_t nIndex = 0;
    for (const test_case& c : cases) {
        ASSERT_TRUE(job.Start(server.Url(c.szPath), 10000, got.Callback())) << c.szPath;
        std::optional<fetch_outcome> outcome = got.Wait(nIndex, 60s);
        ASSERT_TRUE(outcome.has_value()) << c.szPath;
        EXPECT_EQ(outcome->report.eOutcome, c.eOutcome) << c.szPath;
        EXPECT_EQ(outcome->bText, c.bText) << c.szPath;
        EXPECT_EQ(outcome->szBody, c.szBody) << c.szPath;
        EXPECT_GE(outcome->nElapsedMs, 0) << c.szPath;
        EXPECT_NE(got.Thread(nIndex), std::this_thread::get_id()) << c.szPath;
        ++nIndex;
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(got.Count(), nIndex);  // once each
}

TEST(CoreFetchJob, OneFetchAtATimeAndACancelEndsASilentOne) {
    CLoopbackHttpServer server([](const http_request&) {
        http_answer answer;
        answer.delay = 60s;  // silent: only a cancel ends the fetch soon
        return answer;
    });
    CFetchJob job;
    COutcomes got;
    ASSERT_TRUE(job.Start(server.Url("/silent"), 60000, got.Callback()));
    EXPECT_FALSE(job.Start(server.Url("/second"), 60000, got.Callback()));
    std::this_thread::sleep_for(700ms);  // past the fixed wait, into the exchange
    auto start = std::chrono::steady_clock::now();
    job.Cancel();
    std::optional<fetch_outcome> outcome = got.Wait(0, 30s);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->report.eOutcome, FetchOutcome::Cancelled);
    EXPECT_FALSE(outcome->bText);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);  // not the 60 s time-out
}

TEST(CoreFetchJob, TheJobsEndCancelsAFetchUnderWay) {
    CLoopbackHttpServer server([](const http_request&) {
        http_answer answer;
        answer.delay = 60s;
        return answer;
    });
    COutcomes got;
    auto start = std::chrono::steady_clock::now();
    {
        CFetchJob job;
        ASSERT_TRUE(job.Start(server.Url("/silent"), 60000, got.Callback()));
    }
    // The destructor returned after the callback: the outcome is there already.
    EXPECT_EQ(got.Count(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
}

}  // namespace
