// HttpAsync.cpp - CMyHttpAsync on libcurl.
//
// The worker drives one easy handle through a multi handle of its own, so that it can wait for
// the network in curl_multi_poll and still notice a cancel at once: the caller sets the cancel
// flag and wakes the poll (curl_multi_wakeup). libcurl resolves names on a thread of its own
// (Debian builds it with the threaded resolver), so a hanging lookup or connect never blocks
// the worker outside that poll.
#include "yrapi/net/HttpAsync.h"

#include "yrapi/platform/Time.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>

namespace YRAPI {
namespace {

// How long a fetch whose time-out has run out waits for its cancelled worker to release what it
// holds before it ends the thread by force. A cancelled worker needs a few milliseconds; this
// only bounds a worker that is stuck where a cancel cannot reach it.
constexpr DWORD kCancelGraceMs = 1000;

// The longest single wait for network activity; a cancel wakes the wait at once.
constexpr int kPollMs = 1000;

// The exchange's own time-outs (0: the defaults); tests shorten them.
constinit std::atomic<DWORD> gConnectTimeoutMs{0};
constinit std::atomic<DWORD> gReceiveTimeoutMs{0};

DWORD ConnectTimeoutMs() {
    DWORD dw = gConnectTimeoutMs.load();
    return dw != 0 ? dw : CMyHttpAsync::kConnectTimeoutMs;
}

DWORD ReceiveTimeoutMs() {
    DWORD dw = gReceiveTimeoutMs.load();
    return dw != 0 ? dw : CMyHttpAsync::kReceiveTimeoutMs;
}

using Clock = std::chrono::steady_clock;

// libcurl's global set-up is safe to run from two threads at once only in builds that report
// CURL_VERSION_THREADSAFE (7.84 and later), and curl_easy_init would otherwise run it on
// whichever worker comes first: run it once, before the first handle.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CEasyDeleter {
    void operator()(CURL* p) const { curl_easy_cleanup(p); }
};
struct CMultiDeleter {
    void operator()(CURLM* p) const { curl_multi_cleanup(p); }
};
using easy_ptr = std::unique_ptr<CURL, CEasyDeleter>;
using multi_ptr = std::unique_ptr<CURLM, CMultiDeleter>;

// The start of the body, as the first block of a 200 answer brings it, and when the exchange
// last heard from the server (only the worker touches it).
struct first_block {
    CURL* pEasy = nullptr;
    bool bTaken = false;
    bool bConnected = false;  // a connection is up: the receive time-out runs
    Clock::time_point heard;  // the connection's start or the latest header or body bytes
    char szText[CMyHttpAsync::kMaxBody + 1] = {};
};

// Called once a connection is up, before the request goes out (again after a redirect).
int OnConnected(void* pUser, char*, char*, int, int) {
    auto* pBlock = static_cast<first_block*>(pUser);
    pBlock->bConnected = true;
    pBlock->heard = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// Each header line of an answer is a sign of life.
size_t OnHeader(char*, size_t nSize, size_t nCount, void* pUser) {
    static_cast<first_block*>(pUser)->heard = Clock::now();
    return nSize * nCount;
}

// Keeps the first block of a 200 answer and then ends the transfer: the rest of a longer body
// is never read. Any other answer that brings a body ends the transfer too, since it can only
// fail. (libcurl does not hand over the bodies of redirects that it follows.)
size_t OnBody(char* pData, size_t nSize, size_t nCount, void* pUser) {
    auto* pBlock = static_cast<first_block*>(pUser);
    size_t nBytes = nSize * nCount;
    pBlock->heard = Clock::now();
    if (nBytes == 0) return 0;
    long nCode = 0;
    curl_easy_getinfo(pBlock->pEasy, CURLINFO_RESPONSE_CODE, &nCode);
    if (nCode == 200 && !pBlock->bTaken) {
        size_t nKeep = nBytes < sizeof(pBlock->szText) - 1 ? nBytes : sizeof(pBlock->szText) - 1;
        std::memcpy(pBlock->szText, pData, nKeep);
        pBlock->szText[nKeep] = '\0';
        pBlock->bTaken = true;
    }
    return 0;  // fewer bytes than offered: libcurl ends the transfer (CURLE_WRITE_ERROR)
}

// A GET with libcurl's defaults otherwise: no User-Agent and no request headers of ours, the
// proxy from the usual environment variables (http_proxy, https_proxy, no_proxy...), no cache
// (libcurl keeps none) and certificates verified. The time-outs are those a platform client
// has of its own (libcurl's connect time-out is 300 s, and it has none for receiving): the
// connection within kConnectTimeoutMs, then no more than kReceiveTimeoutMs without a byte.
bool SetOptions(CURL* pEasy, const char* szUrl, first_block* pBlock) {
    return curl_easy_setopt(pEasy, CURLOPT_URL, szUrl) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_CONNECTTIMEOUT_MS,
                            static_cast<long>(ConnectTimeoutMs())) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_PREREQFUNCTION, &OnConnected) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_PREREQDATA, pBlock) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_HEADERFUNCTION, &OnHeader) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_HEADERDATA, pBlock) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_MAXREDIRS, 10L) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
           // Signals cannot time out a thread of a multithreaded program.
           curl_easy_setopt(pEasy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
           // A cancelled lookup leaves libcurl's resolver thread to finish (and free its own
           // data) in the background instead of joining it, which could block until the
           // system's lookup time-out.
           curl_easy_setopt(pEasy, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_WRITEFUNCTION, &OnBody) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_WRITEDATA, pBlock) == CURLE_OK;
}

// Runs the transfer until it is over, bCancel is set, or a connection has been silent for
// the receive time-out (the transfer is then given up, and the fetch fails).
void Drive(CURLM* pMulti, const first_block& block, const std::atomic<bool>& bCancel) {
    const auto receiveTimeout = std::chrono::milliseconds(ReceiveTimeoutMs());
    int nRunning = 1;
    while (!bCancel.load()) {
        if (curl_multi_perform(pMulti, &nRunning) != CURLM_OK || nRunning == 0) return;
        if (bCancel.load()) return;
        int nWaitMs = kPollMs;
        if (block.bConnected) {
            auto left = block.heard + receiveTimeout - Clock::now();
            if (left <= Clock::duration::zero()) return;
            auto nLeftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
            if (nLeftMs < nWaitMs) nWaitMs = static_cast<int>(nLeftMs);
        }
        if (curl_multi_poll(pMulti, nullptr, 0, nWaitMs, nullptr) != CURLM_OK) return;
    }
}

// Publishes the worker's multi handle for CancelRequest while the transfer runs, and withdraws
// it on every way out (a forced end unwinds through here too) before the handle goes.
class CWakeRegistration {
  public:
    CWakeRegistration(CMutex& lock, void*& pTarget, CURLM* pMulti) : lock(lock), pTarget(pTarget) {
        CMutexLock hold(lock);
        pTarget = pMulti;
    }
    ~CWakeRegistration() {
        CMutexLock hold(lock);
        pTarget = nullptr;
    }
    CWakeRegistration(const CWakeRegistration&) = delete;
    CWakeRegistration& operator=(const CWakeRegistration&) = delete;

  private:
    CMutex& lock;
    void*& pTarget;
};

}  // namespace

CMyHttpAsync::CMyHttpAsync() : szUrl{}, pResult(nullptr) {}

CMyHttpAsync::~CMyHttpAsync() {
    // Fetch never returns with its worker running, so this only guards against misuse.
    CancelRequest();
    if (HasThread()) StopForDestruction(kCancelGraceMs);
}

char* CMyHttpAsync::Fetch(const char* url, DWORD timeoutMs) {
    // The previous fetch's text belongs to its caller; this fetch starts from null.
    pResult = nullptr;
    // strncpy fills the rest of the field with zero bytes; the last byte stays NUL.
    std::strncpy(szUrl, url != nullptr ? url : "", sizeof(szUrl) - 1);
    szUrl[sizeof(szUrl) - 1] = '\0';
    bCancelRequested.store(false);

    Start(true);  // when no thread can be made, the waits below find none and pResult stays null
    platform::Sleep(kFixedWaitMs);
    if (!Stop(timeoutMs)) {
        // Time is up (or no thread ran). Rather than end the worker mid-transfer, which would
        // strand its handles, ask it to give up and wait for it to release everything, so that
        // it never touches this object after Fetch returns.
        CancelRequest();
        if (!StopWithin(kCancelGraceMs)) {
            // Last resort for a worker that a cancel cannot reach. A forced end acts only where
            // the platform lets it (see platform::CThread::Terminate; a worker inside libcurl
            // is out of its reach on POSIX), and where it acts libcurl may be left holding
            // memory or an internal lock of that transfer. When it is refused, this waits for
            // the worker's end, which the exchange's own time-outs bound.
            StopForDestruction(0);
        }
    }
    return pResult;
}

void CMyHttpAsync::FreeResult(char* text) { delete[] text; }

DWORD CMyHttpAsync::Run() {
    pResult = nullptr;
    InitCurlOnce();
    // Declared first, so that it outlives the handles that point into it.
    auto pBlock = std::make_unique<first_block>();
    multi_ptr pMulti(curl_multi_init());
    easy_ptr pEasy(curl_easy_init());
    if (pMulti && pEasy) {
        pBlock->pEasy = pEasy.get();
        if (SetOptions(pEasy.get(), szUrl, pBlock.get()) &&
            curl_multi_add_handle(pMulti.get(), pEasy.get()) == CURLM_OK) {
            {
                CWakeRegistration registration(wakeLock, pWakeTarget, pMulti.get());
                Drive(pMulti.get(), *pBlock, bCancelRequested);
            }
            curl_multi_remove_handle(pMulti.get(), pEasy.get());
        }
    }
    pEasy.reset();
    pMulti.reset();

    // A body whose first byte is NUL reads as an empty text and so counts as no body.
    if (pBlock->bTaken && pBlock->szText[0] != '\0') {
        size_t nLength = std::strlen(pBlock->szText);
        auto* pText = new char[nLength + 1];
        std::memcpy(pText, pBlock->szText, nLength + 1);
        pResult = pText;
    }
    return 0;
}

void CMyHttpAsync::CancelRequest() {
    bCancelRequested.store(true);
    CMutexLock lock(wakeLock);
    // A wake-up before the worker polls is kept: its next poll returns at once.
    if (pWakeTarget != nullptr) curl_multi_wakeup(static_cast<CURLM*>(pWakeTarget));
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
