// HttpAsync.h - CMyHttpAsync, an HTTP GET of one URL on a worker thread of its own, so that the
// calling thread can bound how long it waits for the answer.
//
// Thread-safety: one fetcher serves one fetch at a time and is used from one calling thread;
// several fetches may follow one another on the same fetcher. Inside a fetch two threads touch
// the object: the caller writes szUrl before the worker exists and reads pResult only once the
// worker has ended; the worker reads szUrl and writes pResult. The creation of the thread and
// the wait for its end order those accesses, so no lock guards them; the fetch's report is
// handed over the same way. Cancel may be called from any thread at any time: the fetcher's
// cancel lock (a leaf, but for the exchange's own lock taken inside it) decides whether a fetch
// is running, so that a cancel between fetches reaches none.
//
// The exchange itself is the platform's HTTP client: libcurl on Linux, WinINet on Windows.
//
// Timing: Fetch always waits 500 ms, then up to its time-out for the worker. When the time-out
// runs out the worker's request is cancelled and Fetch waits for the worker to release what it
// holds, which takes a few milliseconds; it never returns while the worker still runs.
//
// Ownership: a text returned by Fetch belongs to the caller, who frees it with FreeResult (from
// any thread, with or without the fetcher). The fetcher never frees pResult.
#pragma once

#include <yrapi/platform/Types.h>
#include <yrapi/threads/BaseThread.h>

#include <cstddef>
#include <memory>

namespace YRAPI {

/// Why a fetch gave the result it did. Fetch still reports every failure as a null text; the
/// report beside it says which failure it was. WinINet reports every failed connect that is not
/// a time-out with one code: there it reads ConnectionRefused.
enum class FetchOutcome {
    None,               ///< no fetch has run on this fetcher yet
    Text,               ///< a 200 answer with a non-empty body: the text was returned
    TimedOut,           ///< the caller's time-out (or the exchange's own) ran out first
    Cancelled,          ///< Cancel() was called during the fetch
    NameNotResolved,    ///< the host name could not be resolved
    ConnectionRefused,  ///< the host answered, but nothing listens on that port
    ConnectionFailed,   ///< no exchange for another reason (reset, bad URL, no worker thread)
    TlsFailure,         ///< the TLS handshake or the server's certificate failed
    HttpStatus,         ///< the answer's status was not 200 (see nHttpStatus)
    EmptyBody,          ///< a 200 answer whose body was empty
    TooManyRedirects,   ///< the redirects did not end
};

/// What the last fetch of a fetcher came to. A small value, copied out to the caller.
struct fetch_report {
    FetchOutcome eOutcome = FetchOutcome::None;
    int nHttpStatus = 0;             ///< the final answer's status code; 0 when none arrived
    std::size_t nBytesReceived = 0;  ///< body bytes of a 200 answer in its first block
    bool bTruncated = false;         ///< the text holds less than the body: it is only the first
                                     ///< block (or kMaxBody bytes, or cut at a NUL) of a body that
                                     ///< the answer's Content-Length or that block says is longer
    DWORD dwExchangeMs = 0;          ///< how long the exchange itself took, beside the fixed wait
    char szContentType[128] = {};    ///< the answer's Content-Type (with its charset), or empty
};

namespace detail {
class CHttpExchange;
}

class CMyHttpAsync : public CBaseThread {
  public:
    /// The longest body text a fetch returns, in bytes (a NUL follows it).
    static constexpr int kMaxBody = 10239;

    /// The fixed wait of every fetch before its time-out begins, in milliseconds.
    static constexpr DWORD kFixedWaitMs = 500;

    /// The exchange's own time-outs, whatever the caller's: a connection must be up within
    /// kConnectTimeoutMs, and the server may then stay silent (no header or body bytes) for
    /// at most kReceiveTimeoutMs; either failure makes the fetch's result null. So a fetch with
    /// an INFINITE time-out still ends.
    static constexpr DWORD kConnectTimeoutMs = 60000;
    static constexpr DWORD kReceiveTimeoutMs = 60000;

    /// No thread yet; szUrl empty and pResult null.
    CMyHttpAsync();

    /// Cancels and waits for a worker that still runs (none does between fetches). Does not
    /// free pResult: every text handed out belongs to its caller.
    ~CMyHttpAsync() override;

    /// GETs url (its first 1023 characters) over http or https and returns the start of the
    /// body (at most kMaxBody bytes of the first block received) as a new NUL-terminated text,
    /// or null for anything but a 200 answer with a non-empty body. Blocks for 500 ms plus up
    /// to timeoutMs (INFINITE: no limit), plus the few milliseconds a cancelled request needs
    /// to release its resources. The caller frees the text with FreeResult.
    char* Fetch(const char* url, DWORD timeoutMs);

    /// Ends the running fetch, if any: Fetch returns null within 100 ms of the call (also during
    /// its fixed 500 ms wait), its report saying Cancelled. Callable from any thread; without a
    /// running fetch it does nothing, and the next fetch is not affected.
    void Cancel();

    /// What the last completed fetch came to; eOutcome None before the first. Read it on the
    /// thread that called Fetch, after Fetch returned.
    fetch_report GetLastReport() const;

    /// Frees a text returned by Fetch; does nothing for null.
    static void FreeResult(char* text);

    /// The worker body: one exchange for szUrl; stores the outcome in pResult. Exit code 0.
    DWORD Run() override;

    char szUrl[1024];  ///< The URL of the current fetch; written only between fetches.
    char* pResult;     ///< The current fetch's text or null; the caller owns the text.

  private:
    /// Repeats Stop until it reports the worker's end or dwBudgetMs have passed.
    bool StopWithin(DWORD dwBudgetMs);

    /// Cancels the worker's request and waits for the worker to release what it holds.
    void EndWorker();

    /// The fixed wait before the time-out; false when a cancel cut it short.
    bool WaitFixed();

    std::unique_ptr<detail::CHttpExchange> pExchange;  // the worker's request; cancellable
    CMutex cancelLock;
    bool bFetchRunning = false;     // guarded by cancelLock: between a fetch's start and end
    bool bCancelRequested = false;  // guarded by cancelLock: Cancel reached the running fetch
    // Released by Cancel to cut the fixed wait short; null when the platform refused it (the
    // wait then sleeps in short slices).
    std::unique_ptr<platform::CSemaphore> pCancelSignal;
    fetch_report workerReport;  // written by the worker, read once it has ended (like pResult)
    fetch_report lastReport;    // the calling thread's
};

namespace testing {

/// Replaces the exchange's own time-outs for the fetches that start afterwards (0 restores
/// the default of each). For tests that cannot wait a minute.
void SetHttpTimeouts(DWORD dwConnectMs, DWORD dwReceiveMs);

}  // namespace testing
}  // namespace YRAPI
