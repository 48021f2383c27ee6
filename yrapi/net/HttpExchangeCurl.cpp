// HttpExchangeCurl.cpp - the HTTP exchange on libcurl (Linux).
//
// The worker drives one easy handle through a multi handle of its own, so that it can wait for
// the network in curl_multi_poll and still notice a cancel at once: Cancel sets the cancel
// flag and wakes the poll (curl_multi_wakeup). libcurl resolves names on a thread of its own
// (Debian builds it with the threaded resolver), so a hanging lookup or connect never blocks
// the worker outside that poll.
//
// The receive time-out counts bytes, not lines: libcurl hands over header lines and body
// blocks only once they are whole, so the worker opens the transfer's sockets itself and asks
// the kernel after each wake-up how many bytes each has received (TCP_INFO). Any new byte, in
// a header, a body or a TLS record, resets the idle clock.
#include "yrapi/net/HttpAsync.h"
#include "yrapi/net/HttpExchange.h"
#include "yrapi/threads/Mutex.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <linux/tcp.h>  // TCP_INFO with tcpi_bytes_received, which <netinet/tcp.h> lacks
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace YRAPI::detail {

struct CHttpExchange::Impl {
    std::atomic<bool> bCancel{false};  // set by Cancel, polled by the worker
    CMutex wakeLock;                   // leaf lock: guards pWakeTarget only
    CURLM* pWakeTarget = nullptr;      // guarded by wakeLock: the worker's transfer while it runs
};

namespace {

// The longest single wait for network activity; a cancel wakes the wait at once.
constexpr int kPollMs = 1000;

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

// A socket of the transfer and the bytes it had received at the last look.
struct socket_count {
    curl_socket_t nSocket;
    std::uint64_t nReceived;
};

// The start of the body, as the first block of a 200 answer brings it, and when the exchange
// last heard from the server (only the worker touches it).
struct first_block {
    CURL* pEasy = nullptr;
    bool bTaken = false;
    std::size_t nBlock = 0;             // bytes of the first block as libcurl handed it over
    bool bConnected = false;            // a connection is up: the receive time-out runs
    Clock::time_point heard;            // the connection's start or the latest byte received
    std::vector<socket_count> sockets;  // the transfer's open sockets
    std::size_t nLength = 0;
    char szText[CMyHttpAsync::kMaxBody] = {};  // not terminated: nLength bytes
};

// Called once a connection is up, before the request goes out (again after a redirect).
int OnConnected(void* pUser, char*, char*, int, int) {
    auto* pBlock = static_cast<first_block*>(pUser);
    pBlock->bConnected = true;
    pBlock->heard = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// Opens a socket for libcurl and lists it, so that its received bytes can be counted.
curl_socket_t OnOpenSocket(void* pUser, curlsocktype, curl_sockaddr* pAddress) {
    auto* pBlock = static_cast<first_block*>(pUser);
    int nSocket = socket(pAddress->family, pAddress->socktype | SOCK_CLOEXEC, pAddress->protocol);
    if (nSocket == -1) return CURL_SOCKET_BAD;
    pBlock->sockets.push_back({nSocket, 0});
    return nSocket;
}

// Closes a socket that OnOpenSocket opened, and forgets it before its number can be reused.
int OnCloseSocket(void* pUser, curl_socket_t nSocket) {
    auto& sockets = static_cast<first_block*>(pUser)->sockets;
    sockets.erase(std::remove_if(sockets.begin(), sockets.end(),
                                 [&](const socket_count& c) { return c.nSocket == nSocket; }),
                  sockets.end());
    return close(nSocket);
}

// The bytes a TCP socket has received so far, as the kernel counts them; 0 when it cannot say.
std::uint64_t ReceivedBytes(curl_socket_t nSocket) {
    tcp_info info{};
    socklen_t nLength = sizeof(info);
    if (getsockopt(nSocket, IPPROTO_TCP, TCP_INFO, &info, &nLength) != 0 ||
        nLength < offsetof(tcp_info, tcpi_bytes_received) + sizeof(info.tcpi_bytes_received)) {
        return 0;
    }
    return info.tcpi_bytes_received;
}

// Resets the idle clock when any socket of the transfer has received a byte since the last
// look.
void NoteReceived(first_block& block) {
    for (socket_count& count : block.sockets) {
        std::uint64_t nReceived = ReceivedBytes(count.nSocket);
        if (nReceived > count.nReceived) {
            count.nReceived = nReceived;
            block.heard = Clock::now();
        }
    }
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
        pBlock->nBlock = nBytes;
        pBlock->nLength = nBytes < sizeof(pBlock->szText) ? nBytes : sizeof(pBlock->szText);
        std::memcpy(pBlock->szText, pData, pBlock->nLength);
        pBlock->bTaken = true;
    }
    return 0;  // fewer bytes than offered: libcurl ends the transfer (CURLE_WRITE_ERROR)
}

// A GET with libcurl's defaults otherwise: no User-Agent and no request headers of ours, the
// proxy from the usual environment variables (http_proxy, https_proxy, no_proxy...), no cache
// (libcurl keeps none) and certificates verified. The time-outs are those a platform client
// has of its own (libcurl's connect time-out is 300 s, and it has none for receiving): the
// connection within the connect time-out, then no more than the receive time-out without a
// byte.
bool SetOptions(CURL* pEasy, const char* szUrl, first_block* pBlock) {
    return curl_easy_setopt(pEasy, CURLOPT_URL, szUrl) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_CONNECTTIMEOUT_MS,
                            static_cast<long>(HttpConnectTimeoutMs())) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_PREREQFUNCTION, &OnConnected) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_PREREQDATA, pBlock) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_OPENSOCKETDATA, pBlock) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_CLOSESOCKETFUNCTION, &OnCloseSocket) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_CLOSESOCKETDATA, pBlock) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_HEADERFUNCTION, &OnHeader) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_HEADERDATA, pBlock) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
           curl_easy_setopt(pEasy, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects)) ==
               CURLE_OK &&
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

// Why Drive stopped driving the transfer.
enum class Drove { Over, Cancelled, Silent, Failed };

// Runs the transfer until it is over, bCancel is set, or a connection has been silent for
// the receive time-out (the transfer is then given up, and the fetch fails).
Drove Drive(CURLM* pMulti, first_block& block, const std::atomic<bool>& bCancel) {
    const auto receiveTimeout = std::chrono::milliseconds(HttpReceiveTimeoutMs());
    int nRunning = 1;
    while (!bCancel.load()) {
        if (curl_multi_perform(pMulti, &nRunning) != CURLM_OK) return Drove::Failed;
        if (nRunning == 0) return Drove::Over;
        if (bCancel.load()) break;
        int nWaitMs = kPollMs;
        if (block.bConnected) {
            NoteReceived(block);
            auto left = block.heard + receiveTimeout - Clock::now();
            if (left <= Clock::duration::zero()) return Drove::Silent;
            auto nLeftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
            if (nLeftMs < nWaitMs) nWaitMs = static_cast<int>(nLeftMs);
        }
        if (curl_multi_poll(pMulti, nullptr, 0, nWaitMs, nullptr) != CURLM_OK) {
            return Drove::Failed;
        }
    }
    return Drove::Cancelled;
}

// The reason for a transfer that libcurl ended with eCode and brought no text.
FetchOutcome Failure(CURLcode eCode, long nStatus, long nOsError) {
    switch (eCode) {
        case CURLE_TOO_MANY_REDIRECTS:
            return FetchOutcome::TooManyRedirects;
        case CURLE_OPERATION_TIMEDOUT:
            return FetchOutcome::TimedOut;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return FetchOutcome::NameNotResolved;
        case CURLE_COULDNT_CONNECT:
            return nOsError == ECONNREFUSED ? FetchOutcome::ConnectionRefused
                                            : FetchOutcome::ConnectionFailed;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CLIENTCERT:
        case CURLE_USE_SSL_FAILED:
            return FetchOutcome::TlsFailure;
        default:
            break;
    }
    // An answer came but gave no text: a status other than 200 (also a redirect that could
    // not be followed), or a 200 whose body was empty.
    if (nStatus != 0 && nStatus != 200) return FetchOutcome::HttpStatus;
    if (nStatus == 200 && (eCode == CURLE_OK || eCode == CURLE_WRITE_ERROR)) {
        return FetchOutcome::EmptyBody;
    }
    return FetchOutcome::ConnectionFailed;
}

// What the finished (or given up) transfer came to; the text when it brought one.
std::unique_ptr<char[]> Conclude(CURLM* pMulti, CURL* pEasy, Drove eDrove, const first_block& block,
                                 fetch_report& report) {
    CURLcode eCode = CURLE_OK;
    int nQueued = 0;
    while (CURLMsg* pMessage = curl_multi_info_read(pMulti, &nQueued)) {
        if (pMessage->msg == CURLMSG_DONE && pMessage->easy_handle == pEasy) {
            eCode = pMessage->data.result;
        }
    }
    long nStatus = 0;
    long nOsError = 0;
    char* szType = nullptr;
    curl_easy_getinfo(pEasy, CURLINFO_RESPONSE_CODE, &nStatus);
    curl_easy_getinfo(pEasy, CURLINFO_OS_ERRNO, &nOsError);
    if (curl_easy_getinfo(pEasy, CURLINFO_CONTENT_TYPE, &szType) == CURLE_OK && szType) {
        SetContentType(report, szType, std::strlen(szType));
    }
    report.nHttpStatus = static_cast<int>(nStatus);
    if (block.bTaken) {
        curl_off_t nDeclared = -1;
        curl_easy_getinfo(pEasy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &nDeclared);
        return FirstBlockText(block.szText, block.nLength, block.nBlock, nDeclared, report);
    }
    switch (eDrove) {
        case Drove::Cancelled:
            report.eOutcome = FetchOutcome::Cancelled;
            break;
        case Drove::Silent:
            report.eOutcome = FetchOutcome::TimedOut;
            break;
        case Drove::Failed:
            report.eOutcome = FetchOutcome::ConnectionFailed;
            break;
        case Drove::Over:
            report.eOutcome = Failure(eCode, nStatus, nOsError);
            break;
    }
    return nullptr;
}

// Publishes the worker's multi handle for Cancel while the transfer runs, and withdraws it on
// every way out (a forced end unwinds through here too) before the handle goes.
class CWakeRegistration {
  public:
    CWakeRegistration(CHttpExchange::Impl& impl, CURLM* pMulti) : impl(impl) {
        CMutexLock hold(impl.wakeLock);
        impl.pWakeTarget = pMulti;
    }
    ~CWakeRegistration() {
        CMutexLock hold(impl.wakeLock);
        impl.pWakeTarget = nullptr;
    }
    CWakeRegistration(const CWakeRegistration&) = delete;
    CWakeRegistration& operator=(const CWakeRegistration&) = delete;

  private:
    CHttpExchange::Impl& impl;
};

}  // namespace

CHttpExchange::CHttpExchange() : pImpl(std::make_unique<Impl>()) {}

CHttpExchange::~CHttpExchange() = default;

std::unique_ptr<char[]> CHttpExchange::Run(const char* szUrl, fetch_report& report) {
    InitCurlOnce();
    report.eOutcome = FetchOutcome::ConnectionFailed;  // until the transfer says otherwise
    std::unique_ptr<char[]> pText;
    // Declared first, so that it outlives the handles that point into it.
    auto pBlock = std::make_unique<first_block>();
    multi_ptr pMulti(curl_multi_init());
    easy_ptr pEasy(curl_easy_init());
    if (pMulti && pEasy) {
        pBlock->pEasy = pEasy.get();
        if (SetOptions(pEasy.get(), szUrl, pBlock.get()) &&
            curl_multi_add_handle(pMulti.get(), pEasy.get()) == CURLM_OK) {
            Drove eDrove = Drove::Failed;
            {
                CWakeRegistration registration(*pImpl, pMulti.get());
                eDrove = Drive(pMulti.get(), *pBlock, pImpl->bCancel);
            }
            pText = Conclude(pMulti.get(), pEasy.get(), eDrove, *pBlock, report);
            curl_multi_remove_handle(pMulti.get(), pEasy.get());
        }
    }
    if (pImpl->bCancel.load() && !pText) report.eOutcome = FetchOutcome::Cancelled;
    pEasy.reset();
    pMulti.reset();
    return pText;
}

void CHttpExchange::Cancel() {
    pImpl->bCancel.store(true);
    CMutexLock lock(pImpl->wakeLock);
    // A wake-up before the worker polls is kept: its next poll returns at once.
    if (pImpl->pWakeTarget != nullptr) curl_multi_wakeup(pImpl->pWakeTarget);
}

void CHttpExchange::Reset() { pImpl->bCancel.store(false); }

}  // namespace YRAPI::detail
