// HttpAsync.cpp - CMyHttpAsync: the fetch around the platform's HTTP exchange.
#include "yrapi/net/HttpAsync.h"

#include "yrapi/net/HttpExchange.h"
#include "yrapi/platform/Semaphore.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace YRAPI {
namespace {

// How long a fetch whose time-out has run out waits for its cancelled worker to release what it
// holds before it ends the thread by force. A cancelled worker needs a few milliseconds; this
// only bounds a worker that is stuck where a cancel cannot reach it.
constexpr DWORD kCancelGraceMs = 1000;

// The fixed wait's slices when it has no semaphore to wait on.
constexpr DWORD kFixedWaitSliceMs = 10;

// The exchange's own time-outs (0: the defaults); tests shorten them.
constinit std::atomic<DWORD> gConnectTimeoutMs{0};
constinit std::atomic<DWORD> gReceiveTimeoutMs{0};

}  // namespace

namespace detail {

DWORD HttpConnectTimeoutMs() {
    DWORD dw = gConnectTimeoutMs.load();
    return dw != 0 ? dw : CMyHttpAsync::kConnectTimeoutMs;
}

DWORD HttpReceiveTimeoutMs() {
    DWORD dw = gReceiveTimeoutMs.load();
    return dw != 0 ? dw : CMyHttpAsync::kReceiveTimeoutMs;
}

std::unique_ptr<char[]> BodyText(const char* pData, std::size_t nLength) {
    // A body whose first byte is NUL reads as an empty text and so counts as no body.
    const void* pNul = std::memchr(pData, '\0', nLength);
    if (pNul != nullptr) nLength = static_cast<std::size_t>(static_cast<const char*>(pNul) - pData);
    if (nLength == 0) return nullptr;
    auto pText = std::make_unique<char[]>(nLength + 1);
    std::memcpy(pText.get(), pData, nLength);
    pText[nLength] = '\0';
    return pText;
}

std::unique_ptr<char[]> FirstBlockText(const char* pData, std::size_t nHeld, std::size_t nBlock,
                                       long long nDeclared, fetch_report& report) {
    std::unique_ptr<char[]> pText = BodyText(pData, nHeld);
    std::size_t nText = pText ? std::strlen(pText.get()) : 0;
    std::size_t nBody = nBlock;
    if (nDeclared > 0 && static_cast<unsigned long long>(nDeclared) > nBody) {
        nBody = static_cast<std::size_t>(nDeclared);
    }
    report.nBytesReceived = nBlock;
    report.bTruncated = pText && nText < nBody;
    report.eOutcome = pText ? FetchOutcome::Text : FetchOutcome::EmptyBody;
    return pText;
}

void SetContentType(fetch_report& report, const char* szValue, std::size_t nLength) {
    while (nLength > 0 && (*szValue == ' ' || *szValue == '\t')) {
        ++szValue;
        --nLength;
    }
    while (nLength > 0 && (szValue[nLength - 1] == ' ' || szValue[nLength - 1] == '\t' ||
                           szValue[nLength - 1] == '\r' || szValue[nLength - 1] == '\n')) {
        --nLength;
    }
    nLength = std::min(nLength, sizeof(report.szContentType) - 1);
    std::memcpy(report.szContentType, szValue, nLength);
    report.szContentType[nLength] = '\0';
}

}  // namespace detail

CMyHttpAsync::CMyHttpAsync()
    : szUrl{},
      pResult(nullptr),
      pExchange(std::make_unique<detail::CHttpExchange>()),
      pCancelSignal(platform::CSemaphore::Create(0, 1)) {}

CMyHttpAsync::~CMyHttpAsync() {
    // A destructor (noexcept): the HTTP client's clean-up below must not be cut short.
    platform::CDeferForcedEnd defer;
    // Fetch never returns with its worker running, so this only guards against misuse.
    pExchange->Cancel();
    if (HasThread()) StopForDestruction(kCancelGraceMs);
    pExchange.reset();
}

char* CMyHttpAsync::Fetch(const char* url, DWORD timeoutMs) {
    platform::CDeferForcedEnd defer;  // its worker never outlives a fetch cut short
    // The previous fetch's text belongs to its caller; this fetch starts from null.
    pResult = nullptr;
    // strncpy fills the rest of the field with zero bytes; the last byte stays NUL.
    std::strncpy(szUrl, url != nullptr ? url : "", sizeof(szUrl) - 1);
    szUrl[sizeof(szUrl) - 1] = '\0';
    workerReport = fetch_report{};
    {
        // From here on a Cancel reaches this fetch; one that came earlier is forgotten.
        CMutexLock hold(cancelLock);
        if (pCancelSignal) {
            while (pCancelSignal->Wait(0) == platform::WaitResult::Acquired) {
            }
        }
        pExchange->Reset();
        bCancelRequested = false;
        bFetchRunning = true;
    }

    // When no thread can be made, the waits below find none and pResult stays null.
    bool bStarted = Start(true);
    bool bTimedOut = false;
    if (!WaitFixed()) {
        EndWorker();  // cancelled during the fixed wait
    } else if (!Stop(timeoutMs)) {
        bTimedOut = HasThread();
        EndWorker();
    }

    bool bCancelled = false;
    {
        CMutexLock hold(cancelLock);
        bFetchRunning = false;
        bCancelled = bCancelRequested;
    }
    fetch_report report = workerReport;
    if (bCancelled) {
        // A cancel that came while the fetch ran wins, even over a text that came just then.
        FreeResult(pResult);
        pResult = nullptr;
        report.eOutcome = FetchOutcome::Cancelled;
    } else if (pResult == nullptr && bTimedOut &&
               (report.eOutcome == FetchOutcome::Cancelled ||
                report.eOutcome == FetchOutcome::None)) {
        // The worker gave up because the time-out ran out (unless it had just ended anyway).
        report.eOutcome = FetchOutcome::TimedOut;
    } else if (!bStarted && report.eOutcome == FetchOutcome::None) {
        report.eOutcome = FetchOutcome::ConnectionFailed;
    }
    lastReport = report;
    return pResult;
}

void CMyHttpAsync::Cancel() {
    CMutexLock hold(cancelLock);
    if (!bFetchRunning) return;
    bCancelRequested = true;
    // Under the lock, so that this cancel cannot reach a later fetch's exchange.
    pExchange->Cancel();
    if (pCancelSignal) pCancelSignal->Release();
}

fetch_report CMyHttpAsync::GetLastReport() const { return lastReport; }

void CMyHttpAsync::FreeResult(char* text) { delete[] text; }

DWORD CMyHttpAsync::Run() {
    // The HTTP client's state is never left half changed: its own time-outs and the cancel
    // end the exchange instead.
    platform::CDeferForcedEnd defer;
    pResult = nullptr;
    DWORD dwStart = platform::GetTickCount();
    fetch_report report;
    char* pText = pExchange->Run(szUrl, report).release();
    report.dwExchangeMs = platform::GetTickCount() - dwStart;
    workerReport = report;
    pResult = pText;
    return 0;
}

void CMyHttpAsync::EndWorker() {
    // Rather than end the worker mid-transfer, which would strand its handles, ask it to give
    // up and wait for it to release everything, so that it never touches this object after
    // Fetch returns.
    pExchange->Cancel();
    if (!StopWithin(kCancelGraceMs)) {
        // Last resort for a worker that a cancel cannot reach. A forced end acts only where the
        // platform lets it (see platform::CThread::Terminate: only at the platform layer's own
        // waits, which a worker inside the HTTP client never reaches), and where it acts the
        // client may be left holding memory or an internal lock of that transfer. When it is
        // refused, this waits for the worker's end, which the exchange's own time-outs bound.
        StopForDestruction(0);
    }
}

bool CMyHttpAsync::WaitFixed() {
    if (pCancelSignal) {
        // Only Cancel releases the signal, and only while this fetch runs (Fetch drained it).
        return pCancelSignal->Wait(kFixedWaitMs) != platform::WaitResult::Acquired;
    }
    DWORD dwStart = platform::GetTickCount();
    for (;;) {
        {
            CMutexLock hold(cancelLock);
            if (bCancelRequested) return false;
        }
        DWORD dwElapsed = platform::GetTickCount() - dwStart;
        if (dwElapsed >= kFixedWaitMs) return true;
        platform::Sleep(std::min(kFixedWaitSliceMs, kFixedWaitMs - dwElapsed));
    }
}

bool CMyHttpAsync::StopWithin(DWORD dwBudgetMs) {
    // Stop can report false once for a worker that records its end between Stop's request and
    // its wait; the next Stop then sees the ended thread. The try count bounds the loop even
    // under a test's frozen tick source.
    DWORD dwStart = platform::GetTickCount();
    for (int nTry = 0; nTry < 4; ++nTry) {
        if (!HasThread()) return true;
        DWORD dwElapsed = platform::GetTickCount() - dwStart;
        if (dwElapsed >= dwBudgetMs) break;
        if (Stop(dwBudgetMs - dwElapsed)) return true;
    }
    return !HasThread();
}

namespace testing {

void SetHttpTimeouts(DWORD dwConnectMs, DWORD dwReceiveMs) {
    gConnectTimeoutMs.store(dwConnectMs);
    gReceiveTimeoutMs.store(dwReceiveMs);
}

}  // namespace testing
}  // namespace YRAPI
