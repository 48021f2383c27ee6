// HttpExchangeWinInet.cpp - the HTTP exchange on WinINet (Windows).
//
// The session runs in WinINet's asynchronous mode: each call that has to wait for the network
// returns ERROR_IO_PENDING and completes on one of WinINet's own threads, which reports it
// through the status callback. The worker meanwhile waits on two events, the completion and
// its cancel, so a cancel ends the wait at once wherever the request is (a synchronous
// WinINet call cannot be interrupted everywhere: under Wine, closing its handles does not end
// a blocking connect or receive).
//
// What WinINet may still touch after the worker has given up (the callback's context, and the
// buffers a pending read writes into) lives in one reference-counted request_context: one
// reference is the worker's, the other is WinINet's and is dropped when the session handle
// reports INTERNET_STATUS_HANDLE_CLOSING, its last callback, which comes only once every
// handle opened under it has gone.
#include "yrapi/net/HttpAsync.h"
#include "yrapi/net/HttpExchange.h"
#include "yrapi/threads/Mutex.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <wininet.h>

namespace YRAPI::detail {
namespace {

// One exchange's meeting point with WinINet's threads.
struct request_context {
    std::atomic<int> nRefs{2};     // the worker's, and WinINet's until the session is closed
    HANDLE hComplete = nullptr;    // auto-reset: the pending call has completed
    HANDLE hCancel = nullptr;      // manual-reset: the exchange is cancelled
    HINTERNET hSession = nullptr;  // set before the callback is installed, then only read
    ::DWORD dwConnectMs = 0;       // the exchange's time-outs, fixed before it starts
    ::DWORD dwReceiveMs = 0;
    // Written by the callback before it sets hComplete; read by the worker after its wait.
    DWORD_PTR dwResult = 0;
    ::DWORD dwError = 0;
    // Redirects WinINet announced, counted by the callback; past kMaxRedirects the callback
    // gives the request up (WinINet has no limit of its own under Wine) and keeps the status.
    std::atomic<int> nRedirects{0};
    std::atomic<bool> bTooManyRedirects{false};
    std::atomic<::DWORD> dwRedirectStatus{0};
    // The latest status the callback reported and when (GetTickCount): the open's watchdog.
    std::atomic<::DWORD> dwLastStatus{0};
    std::atomic<::DWORD> dwLastStatusTick{0};
    // Destinations of calls that may complete after the worker has given up.
    ::DWORD dwAvailable = 0;
    ::DWORD dwRead = 0;
    char szBody[CMyHttpAsync::kMaxBody] = {};  // not terminated: dwRead bytes

    request_context() {
        hComplete = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        hCancel = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~request_context() {
        if (hComplete != nullptr) ::CloseHandle(hComplete);
        if (hCancel != nullptr) ::CloseHandle(hCancel);
    }
    request_context(const request_context&) = delete;
    request_context& operator=(const request_context&) = delete;

    void Release() {
        if (nRefs.fetch_sub(1) == 1) delete this;
    }
};

// Gives a handle the exchange's time-outs. Every handle takes them: Windows passes a session's
// on to the handles opened under it, but Wine keeps a request's own and ignores the session's.
bool SetTimeouts(HINTERNET hInternet, const request_context& context) {
    ::DWORD dwConnectMs = context.dwConnectMs;
    ::DWORD dwReceiveMs = context.dwReceiveMs;
    return ::InternetSetOptionA(hInternet, INTERNET_OPTION_CONNECT_TIMEOUT, &dwConnectMs,
                                sizeof(dwConnectMs)) &&
           ::InternetSetOptionA(hInternet, INTERNET_OPTION_RECEIVE_TIMEOUT, &dwReceiveMs,
                                sizeof(dwReceiveMs));
}

void CALLBACK OnStatus(HINTERNET hInternet, DWORD_PTR dwContext, ::DWORD dwStatus, LPVOID pInfo,
                       ::DWORD /*dwInfoLength*/) {
    auto* pContext = reinterpret_cast<request_context*>(dwContext);
    if (pContext == nullptr) return;
    pContext->dwLastStatusTick.store(::GetTickCount());
    pContext->dwLastStatus.store(dwStatus);
    if (dwStatus == INTERNET_STATUS_HANDLE_CREATED) {
        // InternetOpenUrl's request, before it connects: the first moment it can be reached.
        const auto* pCreated = static_cast<const INTERNET_ASYNC_RESULT*>(pInfo);
        SetTimeouts(reinterpret_cast<HINTERNET>(pCreated->dwResult), *pContext);
    } else if (dwStatus == INTERNET_STATUS_REQUEST_COMPLETE) {
        const auto* pResult = static_cast<const INTERNET_ASYNC_RESULT*>(pInfo);
        pContext->dwResult = pResult->dwResult;
        pContext->dwError = pResult->dwError;
        ::SetEvent(pContext->hComplete);
    } else if (dwStatus == INTERNET_STATUS_REDIRECT) {
        if (pContext->nRedirects.fetch_add(1) + 1 > kMaxRedirects) {
            ::DWORD dwCode = 0;
            ::DWORD dwLength = sizeof(dwCode);
            if (::HttpQueryInfoA(hInternet, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                 &dwCode, &dwLength, nullptr)) {
                pContext->dwRedirectStatus.store(dwCode);
            }
            pContext->bTooManyRedirects.store(true);
            ::SetEvent(pContext->hCancel);  // the worker gives the request up
        }
    } else if (dwStatus == INTERNET_STATUS_HANDLE_CLOSING && hInternet == pContext->hSession) {
        pContext->Release();  // nothing under this session calls back any more
    }
}

// Why the worker stopped waiting for a call.
enum class Outcome { Done, Failed, Quiet, GivenUp };

// Waits up to dwLimitMs for the pending call to complete, or for a cancel. A failed call
// leaves its error code in *pdwError.
Outcome AwaitCompletion(request_context& context, ::DWORD dwLimitMs, ::DWORD* pdwError) {
    HANDLE events[2] = {context.hCancel, context.hComplete};
    switch (::WaitForMultipleObjects(2, events, FALSE, dwLimitMs)) {
        case WAIT_OBJECT_0 + 1:
            *pdwError = context.dwError;
            return context.dwError == ERROR_SUCCESS ? Outcome::Done : Outcome::Failed;
        case WAIT_TIMEOUT:  // the exchange's own time-out
            *pdwError = ERROR_INTERNET_TIMEOUT;
            return Outcome::Quiet;
        default:  // the cancel, or a failed wait
            *pdwError = ERROR_OPERATION_ABORTED;
            return Outcome::GivenUp;
    }
}

// Waits for InternetOpenUrl to complete, or for a cancel. WinINet tells nothing while it
// receives the answer's head (no callback comes until the head is complete), so there its own
// receive time-out, which every byte received resets, is the one that applies. Until then
// (name, connect, request) the worker gives up when WinINet has been quiet for dwQuietMs.
Outcome AwaitOpen(request_context& context, ::DWORD dwQuietMs, ::DWORD* pdwError) {
    for (;;) {
        ::DWORD dwQuiet = ::GetTickCount() - context.dwLastStatusTick.load();
        ::DWORD dwStatus = context.dwLastStatus.load();
        bool bReceiving = dwStatus == INTERNET_STATUS_RECEIVING_RESPONSE ||
                          dwStatus == INTERNET_STATUS_RESPONSE_RECEIVED;
        ::DWORD dwWaitMs = bReceiving ? dwQuietMs : (dwQuiet < dwQuietMs ? dwQuietMs - dwQuiet : 0);
        Outcome eOutcome = AwaitCompletion(context, dwWaitMs, pdwError);
        if (eOutcome != Outcome::Quiet || (!bReceiving && dwWaitMs == 0)) return eOutcome;
    }
}

// Whether a call's BOOL (or handle) result means done, failed or pending; waits when pending.
Outcome Complete(request_context& context, bool bDone, ::DWORD dwLimitMs, ::DWORD* pdwError) {
    if (bDone) return Outcome::Done;
    *pdwError = ::GetLastError();
    if (*pdwError != ERROR_IO_PENDING) return Outcome::Failed;
    return AwaitCompletion(context, dwLimitMs, pdwError);
}

// The reason for a failed WinINet call. WinINet has one code for every failed connect that is
// not a time-out (refused, unreachable): it reads as refused, the usual cause.
FetchOutcome Failure(::DWORD dwError) {
    switch (dwError) {
        case ERROR_INTERNET_TIMEOUT:
            return FetchOutcome::TimedOut;
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return FetchOutcome::NameNotResolved;
        case ERROR_INTERNET_CANNOT_CONNECT:
            return FetchOutcome::ConnectionRefused;
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED:
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_CLIENT_AUTH_NOT_SETUP:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_CERT_NO_REV:
        case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        case ERROR_INTERNET_SEC_INVALID_CERT:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
            return FetchOutcome::TlsFailure;
        default:
            return FetchOutcome::ConnectionFailed;
    }
}

// Copies a header of the answer into a buffer; false when it has none.
bool QueryHeader(HINTERNET hRequest, ::DWORD dwInfo, char* szBuffer, ::DWORD dwSize,
                 ::DWORD* pdwLength) {
    *pdwLength = dwSize;
    return ::HttpQueryInfoA(hRequest, dwInfo, szBuffer, pdwLength, nullptr) != FALSE;
}

bool IsHttpUrl(const char* szUrl) {
    return _strnicmp(szUrl, "http://", 7) == 0 || _strnicmp(szUrl, "https://", 8) == 0;
}

// The exchange proper, once the session is set up. Leaves any request handle in *phRequest.
std::unique_ptr<char[]> Exchange(request_context& context, const char* szUrl, HINTERNET* phRequest,
                                 fetch_report& report) {
    const ::DWORD dwReceiveMs = context.dwReceiveMs;
    // The open covers the connect, the request and the answer's head: WinINet's own time-outs
    // end it first; the watchdog only keeps the worker safe from a client that ignores them
    // before the answer comes.
    const ::DWORD dwQuietMs = context.dwConnectMs + dwReceiveMs;
    ::DWORD dwError = ERROR_SUCCESS;

    // Fetched from the server, never from the cache, and not stored there. No headers of ours.
    ::ResetEvent(context.hComplete);
    context.dwLastStatusTick.store(::GetTickCount());
    HINTERNET hRequest = ::InternetOpenUrlA(context.hSession, szUrl, nullptr, 0,
                                            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                                            reinterpret_cast<DWORD_PTR>(&context));
    Outcome eOpen = Outcome::Done;
    if (hRequest == nullptr) {
        dwError = ::GetLastError();
        eOpen =
            dwError == ERROR_IO_PENDING ? AwaitOpen(context, dwQuietMs, &dwError) : Outcome::Failed;
    }
    if (eOpen != Outcome::Done) {
        if (context.bTooManyRedirects.load()) {
            report.nHttpStatus = static_cast<int>(context.dwRedirectStatus.load());
            report.eOutcome = FetchOutcome::TooManyRedirects;
        } else {
            report.eOutcome = Failure(dwError);
        }
        return nullptr;
    }
    if (hRequest == nullptr) hRequest = reinterpret_cast<HINTERNET>(context.dwResult);
    *phRequest = hRequest;
    if (hRequest == nullptr) return nullptr;

    // The final answer's status, after the redirects that WinINet followed.
    ::DWORD dwStatus = 0;
    ::DWORD dwLength = sizeof(dwStatus);
    if (!::HttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus,
                          &dwLength, nullptr)) {
        return nullptr;
    }
    if (dwStatus == 0) return nullptr;  // no answer: the connection ended before a status
    report.nHttpStatus = static_cast<int>(dwStatus);
    char szHeader[sizeof(report.szContentType)];
    if (QueryHeader(hRequest, HTTP_QUERY_CONTENT_TYPE, szHeader, sizeof(szHeader), &dwLength)) {
        SetContentType(report, szHeader, dwLength);
    }
    if (dwStatus != 200) {
        report.eOutcome = FetchOutcome::HttpStatus;
        return nullptr;
    }
    long long nDeclared = -1;
    if (QueryHeader(hRequest, HTTP_QUERY_CONTENT_LENGTH, szHeader, sizeof(szHeader), &dwLength)) {
        szHeader[dwLength < sizeof(szHeader) ? dwLength : sizeof(szHeader) - 1] = '\0';
        nDeclared = std::strtoll(szHeader, nullptr, 10);
    }

    // The first block: what the client has received of the body when it first has any. A
    // pending query completes once data has come (or the connection's end, which Wine may
    // report as ERROR_NO_MORE_FILES with the data already there); asked again, the query then
    // counts what there is at once, or fails for good.
    context.dwAvailable = 0;
    for (int nTry = 0; nTry < 3; ++nTry) {
        ::ResetEvent(context.hComplete);
        if (::InternetQueryDataAvailable(hRequest, &context.dwAvailable, 0, 0)) break;
        dwError = ::GetLastError();
        if (dwError != ERROR_IO_PENDING) {
            report.eOutcome = Failure(dwError);
            return nullptr;
        }
        Outcome eOutcome = AwaitCompletion(context, dwReceiveMs, &dwError);
        if (eOutcome == Outcome::Quiet || eOutcome == Outcome::GivenUp) {
            report.eOutcome = Failure(dwError);
            return nullptr;
        }
    }
    ::DWORD dwAvailable = context.dwAvailable;
    if (dwAvailable == 0) {  // an empty body (or none came)
        report.eOutcome = FetchOutcome::EmptyBody;
        return nullptr;
    }
    ::DWORD dwWanted = dwAvailable < sizeof(context.szBody) ? dwAvailable : sizeof(context.szBody);

    ::ResetEvent(context.hComplete);
    context.dwRead = 0;
    bool bRead = ::InternetReadFile(hRequest, context.szBody, dwWanted, &context.dwRead) != FALSE;
    if (Complete(context, bRead, dwReceiveMs, &dwError) != Outcome::Done) {
        report.eOutcome = Failure(dwError);
        return nullptr;
    }
    ::DWORD dwRead = context.dwRead < dwWanted ? context.dwRead : dwWanted;
    return FirstBlockText(context.szBody, dwRead, dwAvailable > dwRead ? dwAvailable : dwRead,
                          nDeclared, report);
}

}  // namespace

struct CHttpExchange::Impl {
    std::atomic<bool> bCancel{false};     // set by Cancel, read by the worker
    CMutex lock;                          // leaf lock: guards pCurrent only
    request_context* pCurrent = nullptr;  // guarded by lock: the running exchange's context
};

CHttpExchange::CHttpExchange() : pImpl(std::make_unique<Impl>()) {}

CHttpExchange::~CHttpExchange() = default;

std::unique_ptr<char[]> CHttpExchange::Run(const char* szUrl, fetch_report& report) {
    report.eOutcome = FetchOutcome::ConnectionFailed;  // until the exchange says otherwise
    if (!IsHttpUrl(szUrl)) return nullptr;             // WinINet would also try ftp: and file:
    auto* pContext = new request_context;
    if (pContext->hComplete == nullptr || pContext->hCancel == nullptr) {
        delete pContext;
        return nullptr;
    }
    {
        CMutexLock hold(pImpl->lock);
        pImpl->pCurrent = pContext;
        if (pImpl->bCancel.load()) ::SetEvent(pContext->hCancel);  // cancelled before it ran
    }

    // An empty user agent, the system's proxy settings, asynchronous calls. The exchange's
    // time-outs go on the session and, as WinINet creates them, on its handles (OnStatus).
    std::unique_ptr<char[]> pText;
    HINTERNET hSession =
        ::InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    bool bCallback = false;
    if (hSession != nullptr) {
        pContext->hSession = hSession;
        pContext->dwConnectMs = HttpConnectTimeoutMs();
        pContext->dwReceiveMs = HttpReceiveTimeoutMs();
        DWORD_PTR dwContext = reinterpret_cast<DWORD_PTR>(pContext);
        bCallback =
            SetTimeouts(hSession, *pContext) &&
            ::InternetSetOptionA(hSession, INTERNET_OPTION_CONTEXT_VALUE, &dwContext,
                                 sizeof(dwContext)) &&
            ::InternetSetStatusCallbackA(hSession, &OnStatus) != INTERNET_INVALID_STATUS_CALLBACK;
    }
    HINTERNET hRequest = nullptr;
    if (bCallback) pText = Exchange(*pContext, szUrl, &hRequest, report);
    if (!pText && pImpl->bCancel.load()) report.eOutcome = FetchOutcome::Cancelled;

    // Closing ends whatever is still pending; WinINet finishes that on its own threads and then
    // reports the session's end, which drops its reference to the context.
    if (hRequest != nullptr) ::InternetCloseHandle(hRequest);
    if (hSession != nullptr) ::InternetCloseHandle(hSession);
    {
        CMutexLock hold(pImpl->lock);
        pImpl->pCurrent = nullptr;
    }
    if (!bCallback) pContext->Release();  // no callback will report the session's end
    pContext->Release();
    return pText;
}

void CHttpExchange::Cancel() {
    pImpl->bCancel.store(true);
    CMutexLock hold(pImpl->lock);
    if (pImpl->pCurrent != nullptr) ::SetEvent(pImpl->pCurrent->hCancel);
}

void CHttpExchange::Reset() { pImpl->bCancel.store(false); }

}  // namespace YRAPI::detail
