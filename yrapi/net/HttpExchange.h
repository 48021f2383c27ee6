// HttpExchange.h - private to yrapi/net: the one HTTP GET that a CMyHttpAsync worker makes, on
// the platform's own client (libcurl on Linux, WinINet on Windows: HttpExchange<Client>.cpp).
//
// The request, whatever the client: a GET of the URL over http or https with no User-Agent
// and no request headers of ours, the system's proxy settings, no cache, verified TLS, and the
// exchange's own time-outs (CMyHttpAsync::kConnectTimeoutMs, kReceiveTimeoutMs, or what the
// test seam set). The result: the start of the body of a final 200 answer, as the client's
// first block brings it, or null for anything else.
//
// Thread-safety: Run is called on the worker, one exchange at a time; Cancel may be called
// from any other thread at any time. A cancel makes a running exchange give up within a few
// milliseconds and release everything it holds; a cancel that comes before Run makes Run give
// up at once. Reset, called while no Run is in progress, clears a cancel for the next exchange.
#pragma once

#include <yrapi/net/HttpAsync.h>
#include <yrapi/platform/Types.h>

#include <cstddef>
#include <memory>

namespace YRAPI::detail {

class CHttpExchange {
  public:
    CHttpExchange();
    ~CHttpExchange();
    CHttpExchange(const CHttpExchange&) = delete;
    CHttpExchange& operator=(const CHttpExchange&) = delete;

    /// GETs szUrl: the first block of a 200 answer's body (at most CMyHttpAsync::kMaxBody
    /// bytes, cut at its first NUL) as a text that CMyHttpAsync::FreeResult frees, or null for
    /// any other answer, a body that is empty or starts with NUL, a failure, a time-out or a
    /// cancel. Fills report (all but dwExchangeMs, which is the caller's): its outcome is
    /// Cancelled after a cancel and never None.
    std::unique_ptr<char[]> Run(const char* szUrl, fetch_report& report);

    /// Makes the running (or next) Run give up.
    void Cancel();

    /// Clears a cancel; only while no Run is in progress.
    void Reset();

    struct Impl;

  private:
    std::unique_ptr<Impl> pImpl;
};

/// The most redirects an exchange follows; it gives up at the next one.
constexpr int kMaxRedirects = 10;

/// The exchange's time-outs in effect: the test seam's (testing::SetHttpTimeouts) when set,
/// otherwise CMyHttpAsync::kConnectTimeoutMs and kReceiveTimeoutMs.
DWORD HttpConnectTimeoutMs();
DWORD HttpReceiveTimeoutMs();

/// A new text holding the first nLength bytes of pData, cut at the first NUL; null when that
/// leaves it empty.
std::unique_ptr<char[]> BodyText(const char* pData, std::size_t nLength);

/// The text of a 200 answer's first block: nBlock bytes received, of which pData holds the
/// first nHeld (at most CMyHttpAsync::kMaxBody); nDeclared is the answer's Content-Length, or
/// -1 when it gave none. Records the outcome (Text or EmptyBody), the bytes received and
/// whether the text is shorter than the body.
std::unique_ptr<char[]> FirstBlockText(const char* pData, std::size_t nHeld, std::size_t nBlock,
                                       long long nDeclared, fetch_report& report);

/// Copies a Content-Type value into the report, cut to fit and trimmed of spaces.
void SetContentType(fetch_report& report, const char* szValue, std::size_t nLength);

}  // namespace YRAPI::detail
