// FetchJob.h - CFetchJob, one HTTP fetch at a time (CMyHttpAsync::Fetch, which blocks for
// 500 ms plus up to its time-out) on a thread of its own, so that a front end never waits for
// the network. The outcome, with the fetcher's report of what happened, goes to the callback
// given to Start, on the job's thread: the front end hands it on to its own thread (a queued
// call, a posted message). A running fetch can be cancelled at once.
//
// Thread-safety: Start, Cancel and the destructor are called on one (the front end's) thread.
// The worker thread touches only its own copies of the request, the fields under mutex and the
// callback. Lock order: mutex before the fetcher's own locks (Cancel is called under it); the
// worker never calls the fetcher or the callback while holding it. Ownership: the worker owns
// its CMyHttpAsync (on its stack) and frees the fetched text with FreeResult after copying it.
//
// Lifetime: the destructor cancels a fetch under way and waits for the worker, which ends
// within about 100 ms of the cancel; the callback has returned by then.
#pragma once

#include <yrapi/net/HttpAsync.h>
#include <yrapi/platform/Types.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Tamberon {

/// What one fetch gave.
struct fetch_outcome {
    bool bText = false;          // the fetch gave a text: szBody
    std::string szBody;          // the body's bytes, as the answer sent them
    YRAPI::fetch_report report;  // what happened (Cancelled when cancelled before it began)
    std::int64_t nElapsedMs = 0;
};

class CFetchJob {
  public:
    using callback = std::function<void(const fetch_outcome&)>;

    CFetchJob() = default;
    ~CFetchJob();
    CFetchJob(const CFetchJob&) = delete;
    CFetchJob& operator=(const CFetchJob&) = delete;

    /// Starts fetching szUrl (UTF-8) with a time-out of dwTimeoutMs on a new worker thread,
    /// which calls onDone once with the outcome and ends. False (nothing started) while the
    /// previous fetch runs; once it is calling its callback, Start waits for its worker to
    /// end (so Start must not be called from the callback itself).
    bool Start(const std::string& szUrl, YRAPI::DWORD dwTimeoutMs, callback onDone);

    /// Cancels the running fetch, if any: its outcome follows soon, its report saying
    /// Cancelled.
    void Cancel();

  private:
    /// Cancels the running fetch; REQUIRES: mutex held.
    void CancelLocked();

    std::thread worker;
    std::mutex mutex;
    std::condition_variable ended;
    YRAPI::CMyHttpAsync* pRunning = nullptr;  // guarded by mutex: the worker's fetcher
    bool bCancel = false;                     // guarded by mutex: a cancel was asked for
    bool bReported = true;                    // guarded by mutex: the outcome is being given
    bool bEnded = true;                       // guarded by mutex: the worker is done
};

}  // namespace Tamberon
