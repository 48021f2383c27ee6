// FetchJob.cpp - CFetchJob.
#include "FetchJob.h"

#include <chrono>
#include <cstring>

namespace Tamberon {

CFetchJob::~CFetchJob() {
    {
        std::unique_lock<std::mutex> lock(mutex);
        // A cancel that reaches the fetcher before its fetch has begun is forgotten by it:
        // repeat it until the worker is done.
        while (!bEnded) {
            CancelLocked();
            ended.wait_for(lock, std::chrono::milliseconds(20));
        }
    }
    if (worker.joinable()) worker.join();
}

void CFetchJob::CancelLocked() {
    bCancel = true;
    if (pRunning != nullptr) pRunning->Cancel();
}

void CFetchJob::Cancel() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!bEnded) CancelLocked();
}

bool CFetchJob::Start(const std::string& szUrl, YRAPI::DWORD dwTimeoutMs, callback onDone) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!bReported) return false;
    }
    // The previous worker is calling its callback or ending, or has ended.
    if (worker.joinable()) worker.join();
    {
        std::lock_guard<std::mutex> lock(mutex);
        bCancel = false;
        bReported = false;
        bEnded = false;
    }
    worker = std::thread([this, szUrl, dwTimeoutMs, onDone = std::move(onDone)] {
        auto start = std::chrono::steady_clock::now();
        fetch_outcome outcome;
        {
            YRAPI::CMyHttpAsync fetcher;
            bool bSkip = false;
            {
                std::lock_guard<std::mutex> lock(mutex);
                bSkip = bCancel;
                if (!bSkip) pRunning = &fetcher;
            }
            char* pText = bSkip ? nullptr : fetcher.Fetch(szUrl.c_str(), dwTimeoutMs);
            {
                std::lock_guard<std::mutex> lock(mutex);
                pRunning = nullptr;
            }
            outcome.report = fetcher.GetLastReport();
            if (bSkip) outcome.report.eOutcome = YRAPI::FetchOutcome::Cancelled;
            if (pText != nullptr) {
                outcome.bText = true;
                outcome.szBody.assign(pText, std::strlen(pText));
                YRAPI::CMyHttpAsync::FreeResult(pText);
            }
        }
        outcome.nElapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        {
            std::lock_guard<std::mutex> lock(mutex);
            bReported = true;
        }
        if (onDone) onDone(outcome);
        std::lock_guard<std::mutex> lock(mutex);
        bEnded = true;
        ended.notify_all();
    });
    return true;
}

}  // namespace Tamberon
