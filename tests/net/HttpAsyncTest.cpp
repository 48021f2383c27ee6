// HttpAsyncTest.cpp - CMyHttpAsync against real HTTP servers on the loopback address: the
// scripted server of tests/support and Python's http.server, which the tests start and stop.
// Every time bound is generous (sanitizer builds, a busy machine); timed-out fetches are checked
// for leaks by the asan build's leak check at exit.
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/Platform.h"
#include "tests/support/TempDir.h"
#include "yrapi/net/HttpAsync.h"
#include "yrapi/platform/Testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <winsock2.h>  // and <windows.h>, after it
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace YRAPI {

// GoogleTest prints an outcome by its name (found by argument-dependent lookup).
void PrintTo(FetchOutcome eOutcome, std::ostream* pOut) {
    const char* names[] = {"None",
                           "Text",
                           "TimedOut",
                           "Cancelled",
                           "NameNotResolved",
                           "ConnectionRefused",
                           "ConnectionFailed",
                           "TlsFailure",
                           "HttpStatus",
                           "EmptyBody",
                           "TooManyRedirects"};
    *pOut << names[static_cast<int>(eOutcome)];
}

namespace {

using std::chrono::milliseconds;
using test::CLoopbackHttpServer;
using test::http_answer;
using test::http_request;
using Clock = std::chrono::steady_clock;

// Allowance beyond 500 ms + time-out for thread start, cancel and a slow sanitizer build.
constexpr milliseconds kMargin{1500};
constexpr milliseconds kFixedWait{CMyHttpAsync::kFixedWaitMs};

// Fetches url, checks that the fetch lasted its fixed wait but no longer than that plus
// timeoutMs plus the margin, and returns the text (nullopt for a null result).
std::optional<std::string> FetchText(CMyHttpAsync& fetcher, const std::string& url,
                                     DWORD timeoutMs = 5000, milliseconds* pElapsed = nullptr) {
    auto start = Clock::now();
    char* pText = fetcher.Fetch(url.c_str(), timeoutMs);
    auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    EXPECT_GE(elapsed, kFixedWait) << url;
    EXPECT_LE(elapsed, kFixedWait + milliseconds(timeoutMs) + kMargin) << url;
    if (pElapsed != nullptr) *pElapsed = elapsed;
    auto text = pText != nullptr ? std::optional<std::string>(pText) : std::nullopt;
    CMyHttpAsync::FreeResult(pText);
    return text;
}

http_answer Answer(int nStatus, std::string szBody, std::vector<std::string> headers = {}) {
    http_answer answer;
    answer.nStatus = nStatus;
    answer.szBody = std::move(szBody);
    answer.headers = std::move(headers);
    return answer;
}

// A handler that answers each path from the table and any other path with a 404.
CLoopbackHttpServer::handler Routes(std::map<std::string, http_answer> table) {
    return [table = std::move(table)](const http_request& request) {
        auto it = table.find(request.szTarget);
        return it != table.end() ? it->second : Answer(404, "no such page");
    };
}

TEST(CMyHttpAsync, SendsAPlainGetOfTheFirst1023CharactersOfTheUrl) {
    CLoopbackHttpServer server([](const http_request&) { return Answer(200, "hello, world"); });
    std::string url = server.Url("/greeting?a=");
    while (url.size() < 1500) url += static_cast<char>('a' + url.size() % 26);
    CMyHttpAsync fetcher;
    EXPECT_EQ(FetchText(fetcher, url), "hello, world");
    EXPECT_EQ(std::string(fetcher.szUrl), url.substr(0, 1023));

    ASSERT_EQ(server.Requests().size(), 1u);
    std::string szOrigin = server.Url("").substr(7);  // "127.0.0.1:<port>"
    std::string szTarget = url.substr(7 + szOrigin.size(), 1023 - 7 - szOrigin.size());
    EXPECT_EQ(server.Requests()[0].szTarget, szTarget);
#if !defined(_WIN32)
    // One GET of the cut URL, with no User-Agent and no headers of our own (no cache control):
    // only what HTTP/1.1 needs and libcurl's Accept. (WinINet's head: net/win32/.)
    EXPECT_EQ(server.Requests()[0].szHead,
              "GET " + szTarget + " HTTP/1.1\r\nHost: " + szOrigin + "\r\nAccept: */*\r\n\r\n");
#endif
}

TEST(CMyHttpAsync, GivesTheFirstBlockOfAFinal200BodyAndNullForAnythingElse) {
    http_answer pieces = Answer(200, "first|second");  // the rest follows 30 s after "first|"
    pieces.nFirstPiece = 6;
    pieces.pieceGap = milliseconds(30000);
    const struct {
        const char* szPath;
        http_answer answer;
        std::optional<std::string> expected;
    } cases[] = {{"/ok", Answer(200, "fine"), "fine"},
                 {"/404", Answer(404, "no such page"), std::nullopt},
                 {"/500", Answer(500, "server error page"), std::nullopt},
                 {"/201", Answer(201, "created"), std::nullopt},
                 {"/empty", Answer(200, ""), std::nullopt},
                 {"/nul", Answer(200, std::string("\0after", 6)), std::nullopt},
                 {"/moved", Answer(302, "redirect body", {"Location: /ok"}), "fine"},
                 {"/moved-to-missing", Answer(301, "gone", {"Location: /404"}), std::nullopt},
                 {"/no-location", Answer(302, "where to?"), std::nullopt},
                 {"/to-ftp", Answer(302, "", {"Location: ftp://127.0.0.1/x"}), std::nullopt}};
    std::string szLarge;
    for (int i = 0; szLarge.size() < 50000; ++i) szLarge += std::to_string(i) + ",";
    szLarge.resize(50000);
    std::map<std::string, http_answer> routes = {{"/large", Answer(200, szLarge)},
                                                 {"/pieces", pieces},
                                                 {"/hop/0", Answer(200, "end of the chain")}};
    for (const auto& c : cases) routes[c.szPath] = c.answer;
    for (int i = 1; i <= 11; ++i) {  // /hop/N redirects to /hop/N-1
        routes["/hop/" + std::to_string(i)] =
            Answer(307, "", {"Location: /hop/" + std::to_string(i - 1)});
    }
    CLoopbackHttpServer server(Routes(routes));
    CMyHttpAsync fetcher;  // one fetcher for all: each fetch starts from a null result
    for (const auto& c : cases) {
        EXPECT_EQ(FetchText(fetcher, server.Url(c.szPath)), c.expected) << c.szPath;
    }
    milliseconds elapsed{};  // the first block, without a wait for the rest
    EXPECT_EQ(FetchText(fetcher, server.Url("/pieces"), 5000, &elapsed), "first|");
    EXPECT_LT(elapsed, kFixedWait + milliseconds(2500));
    std::optional<std::string> large = FetchText(fetcher, server.Url("/large"));
    ASSERT_TRUE(large && !large->empty() && large->size() <= 10239u);
    EXPECT_EQ(*large, szLarge.substr(0, large->size()));
    // Ten redirects are followed, the eleventh is not. With libcurl both chains ask 11 times;
    // WinINet may have sent the twelfth request by the time its eleventh redirect is refused.
    EXPECT_EQ(FetchText(fetcher, server.Url("/hop/10")), "end of the chain");
    for (int nHops : {10, 11}) {
        std::size_t nBefore = server.Requests().size();
        EXPECT_EQ(FetchText(fetcher, server.Url("/hop/" + std::to_string(nHops))).has_value(),
                  nHops == 10);
#if !defined(_WIN32)
        EXPECT_EQ(server.Requests().size() - nBefore, 11u) << nHops;
#else
        EXPECT_GE(server.Requests().size() - nBefore, 11u) << nHops;
#endif
    }
}

// The few socket calls of the tests' own listener, for POSIX sockets and Windows Sockets (whose
// start-up the library's process-wide CSocketStartup has made).
#if defined(_WIN32)
using socket_id = SOCKET;
constexpr socket_id kNoSocket = INVALID_SOCKET;
using socket_length = int;
socket_id NewSocket(bool bNonBlocking) {
    SOCKET nSocket = socket(AF_INET, SOCK_STREAM, 0);
    u_long nOn = 1;
    if (bNonBlocking && nSocket != INVALID_SOCKET) ioctlsocket(nSocket, FIONBIO, &nOn);
    return nSocket;
}
void CloseSocket(socket_id nSocket) { closesocket(nSocket); }
bool ConnectsWithin(socket_id nSocket, int nMs) {
    WSAPOLLFD fd{nSocket, POLLWRNORM, 0};
    return WSAPoll(&fd, 1, nMs) != 0;
}
#else
using socket_id = int;
constexpr socket_id kNoSocket = -1;
using socket_length = socklen_t;
socket_id NewSocket(bool bNonBlocking) {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (bNonBlocking ? SOCK_NONBLOCK : 0), 0);
}
void CloseSocket(socket_id nSocket) { close(nSocket); }
bool ConnectsWithin(socket_id nSocket, int nMs) {
    pollfd fd{nSocket, POLLOUT, 0};
    return poll(&fd, 1, nMs) != 0;
}
#endif

// A listener on the loopback address that never accepts: the kernel still completes the first
// connections into its queue (a server that takes a request and stays silent), and once the
// queue is full a further connect hangs. HangingConnectUrl is empty where the system's
// loopback never leaves a connect pending.
class CSilentListener {
  public:
    CSilentListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socket_length nLength = sizeof(address);
        nListen = NewSocket(/*bNonBlocking=*/false);
        bOk = nListen != kNoSocket &&
              bind(nListen, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
              getsockname(nListen, reinterpret_cast<sockaddr*>(&address), &nLength) == 0 &&
              listen(nListen, 0) == 0;
        szUrl = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    }
    ~CSilentListener() {
        for (socket_id nSocket : fillers) CloseSocket(nSocket);
        if (nListen != kNoSocket) CloseSocket(nListen);
    }
    CSilentListener(const CSilentListener&) = delete;
    CSilentListener& operator=(const CSilentListener&) = delete;

    // Fills the queue; the URL then leads to a connect that hangs.
    std::string HangingConnectUrl() {
        sockaddr_in address{};
        socket_length nLength = sizeof(address);
        getsockname(nListen, reinterpret_cast<sockaddr*>(&address), &nLength);
        for (int i = 0; i < 64; ++i) {
            fillers.push_back(NewSocket(/*bNonBlocking=*/true));
            connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
            if (!ConnectsWithin(fillers.back(), 200)) return szUrl;
        }
        return {};
    }

    bool bOk = false;
    std::string szUrl;  // a server that takes the request and never answers

  private:
    socket_id nListen = kNoSocket;
    std::vector<socket_id> fillers;
};

TEST(CMyHttpAsync, AFetchThatTimesOutIsCancelledInTime) {
    http_answer slow = Answer(200, "too late");
    slow.delay = milliseconds(30000);
    CLoopbackHttpServer server(Routes({{"/slow", slow}, {"/fast", Answer(200, "in time")}}));
    // Wine's WinINet keeps a cancelled request's connection open until its receive time-out
    // (a minute), and the scripted server serves one connection at a time: there the next
    // fetch goes to a second server.
    std::optional<CLoopbackHttpServer> other;
    if (test::RunningUnderWine()) other.emplace(Routes({{"/fast", Answer(200, "in time")}}));
    const CLoopbackHttpServer& next = other ? *other : server;
    CSilentListener silent;
    ASSERT_TRUE(silent.bOk);
    std::vector<std::string> urls = {server.Url("/slow")};
    std::string szHanging = silent.HangingConnectUrl();
    if (!szHanging.empty()) urls.push_back(szHanging);
    CMyHttpAsync fetcher;
    for (const std::string& url : urls) {
        milliseconds elapsed{};
        EXPECT_EQ(FetchText(fetcher, url, 1000, &elapsed), std::nullopt) << url;
        EXPECT_GE(elapsed, kFixedWait + milliseconds(1000));
        // Cancelled, not ended by force (which leaves the exit code 0xFFFFFFFF), and the thread
        // is released: the fetcher serves on.
        EXPECT_EQ(fetcher.GetExitCode(), 0u);
        EXPECT_FALSE(fetcher.HasThread());
        EXPECT_EQ(FetchText(fetcher, next.Url("/fast")), "in time");
    }
    if (szHanging.empty()) GTEST_SKIP() << "this system's loopback never leaves a connect pending";
}

// With no time-out of its own (INFINITE), a fetch still ends by the exchange's time-outs: a
// server that takes the request and stays silent, one that answers too late, and a connect
// that hangs. The time-outs are shortened here; the defaults are a minute each.
TEST(CMyHttpAsync, AFetchWithoutATimeOutEndsByTheExchangesOwnTimeOuts) {
    constexpr DWORD kShortMs = 400;
    testing::SetHttpTimeouts(kShortMs, kShortMs);
    http_answer late = Answer(200, "too late");
    late.delay = milliseconds(30000);
    http_answer slowHead = Answer(200, "slow but steady");
    slowHead.delay = milliseconds(kShortMs / 2);  // silent for less than the time-out: fine
    CLoopbackHttpServer server(Routes({{"/late", late}, {"/steady", slowHead}}));
    CSilentListener silent;
    ASSERT_TRUE(silent.bOk);
    std::vector<std::string> urls = {silent.szUrl, server.Url("/late")};
    std::string szHanging = silent.HangingConnectUrl();
    if (!szHanging.empty()) urls.push_back(szHanging);
    CMyHttpAsync fetcher;
    for (const std::string& url : urls) {
        auto start = Clock::now();
        char* pText = fetcher.Fetch(url.c_str(), INFINITE);
        auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        EXPECT_EQ(pText, nullptr) << url;
        CMyHttpAsync::FreeResult(pText);
        EXPECT_GE(elapsed, milliseconds(kShortMs)) << url;
        EXPECT_LE(elapsed, kFixedWait + milliseconds(kShortMs) + kMargin) << url;
    }
    EXPECT_EQ(FetchText(fetcher, server.Url("/steady")), "slow but steady");
    testing::SetHttpTimeouts(0, 0);
}

TEST(CMyHttpAsync, UnsupportedSchemesAndUnreachableAddressesGiveNullInTime) {
    // The port of a server that is gone: nothing listens there.
    std::string szClosed = CLoopbackHttpServer(Routes({})).Url("").substr(7);
    CMyHttpAsync fetcher;
    for (const std::string& url :
         {std::string("file:///etc/passwd"), "ftp://" + szClosed + "/x", "gopher://" + szClosed,
          std::string("not a url"), std::string(), "http://" + szClosed + "/"}) {
        EXPECT_EQ(FetchText(fetcher, url, 2000), std::nullopt) << url;
    }
}

TEST(CMyHttpAsync, ServesSeveralFetchesInTurnAndLeavesTheTextsToTheCaller) {
    CLoopbackHttpServer server([](const http_request& request) {
        return Answer(request.szTarget == "/gone" ? 404 : 200, "text of " + request.szTarget);
    });
    CMyHttpAsync fetcher;
    char* pFirst = fetcher.Fetch(server.Url("/one").c_str(), 5000);
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(fetcher.Fetch(server.Url("/gone").c_str(), 5000), nullptr);
    EXPECT_EQ(fetcher.pResult, nullptr);  // cleared for the new fetch
    char* pThird = fetcher.Fetch(server.Url("/three").c_str(), 5000);
    ASSERT_NE(pThird, nullptr);
    EXPECT_STREQ(pThird, "text of /three");
    // The earlier text is still the caller's, untouched by the later fetches.
    EXPECT_STREQ(pFirst, "text of /one");
    CMyHttpAsync::FreeResult(pFirst);
    CMyHttpAsync::FreeResult(pThird);
}

TEST(CMyHttpAsync, WithoutAWorkerThreadGivesNullAfterTheFixedWait) {
    CLoopbackHttpServer server(Routes({{"/", Answer(200, "unused")}}));
    CMyHttpAsync fetcher;
    platform::testing::FailNext(platform::testing::Fault::ThreadCreate);
    milliseconds elapsed{};
    EXPECT_EQ(FetchText(fetcher, server.Url("/"), 60000, &elapsed), std::nullopt);
    EXPECT_LT(elapsed, kFixedWait + kMargin);  // no thread: nothing to wait for
}

// Python's http.server serving the current folder on a free loopback port (over TLS with a
// self-signed certificate for 127.0.0.1 when argv[1] is "tls": right name, but no trusted
// issuer). Once it listens it prints "<pid> <port>".
constexpr const char* kPythonServer = R"(
import http.server, os, ssl, subprocess, sys
server = http.server.HTTPServer(('127.0.0.1', 0), http.server.SimpleHTTPRequestHandler)
if sys.argv[1] == 'tls':
    subprocess.run('openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 '
                   '-addext subjectAltName=IP:127.0.0.1 -keyout key.pem -out cert.pem',
                   shell=True, check=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain('cert.pem', 'key.pem')
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(os.getpid(), server.server_address[1], flush=True)
server.serve_forever()
)";

#if defined(_WIN32)
// Under Wine a Windows program can start the host's own programs: CreateProcess runs a Unix
// executable named by its Unix path, and Wine's kernel32 tells a Windows path's Unix name.
// Python then runs on the Linux side, and the fetch reaches it on the shared loopback address.
// On Windows itself there is no such host: the text is empty.
std::string UnixPathOf(const std::string& szPath) {
    using unix_name_fn = char*(__cdecl*)(const wchar_t*);
    auto pfnUnixName = reinterpret_cast<unix_name_fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (pfnUnixName == nullptr) return {};
    char* pName = pfnUnixName(std::filesystem::path(szPath).wstring().c_str());
    std::string szUnix = pName != nullptr ? pName : "";
    if (pName != nullptr) HeapFree(GetProcessHeap(), 0, pName);
    return szUnix;
}

// Runs szCommand with the host's /bin/sh; does not wait for it.
bool RunOnHost(const std::string& szCommand) {
    std::string szLine = "/bin/sh -c \"" + szCommand + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, szLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    // Wine gives no usable handles for a host process; close what it gave.
    if (process.hThread != nullptr) CloseHandle(process.hThread);
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    return true;
}
#else
std::string UnixPathOf(const std::string& szPath) { return szPath; }
bool RunOnHost(const std::string& szCommand) { return std::system(szCommand.c_str()) == 0; }
#endif

// Runs kPythonServer in dir, in the background, and kills it when the test is over; nPort stays
// 0 when the server did not start.
class CPythonServer {
  public:
    CPythonServer(const test::CTempDir& dir, const std::string& szMode) {
        test::WriteFile(dir.File("server.py"), kPythonServer);
        std::string szFolder = UnixPathOf(dir.Path());
        if (szFolder.empty()) return;
        std::string szCommand =
            "cd " + szFolder + " && python3 server.py " + szMode + " >started.txt 2>/dev/null &";
        if (RunOnHost(szCommand) &&
            test::WaitUntil([&] { return !test::ReadFile(dir.File("started.txt")).empty(); },
                            std::chrono::seconds(30))) {
            std::istringstream(test::ReadFile(dir.File("started.txt"))) >> pid >> nPort;
        }
    }
    ~CPythonServer() {
#if defined(_WIN32)
        if (pid > 0) RunOnHost("kill -KILL " + std::to_string(pid));
#else
        if (pid > 0) kill(static_cast<pid_t>(pid), SIGKILL);
#endif
    }
    CPythonServer(const CPythonServer&) = delete;
    CPythonServer& operator=(const CPythonServer&) = delete;

    long pid = 0;  // the host's process id
    int nPort = 0;
};

TEST(CMyHttpAsync, FetchesFromPythonsHttpServer) {
    test::CTempDir dir;
    ASSERT_TRUE(test::WriteFile(dir.File("hello.txt"), "hello from a file\n"));
    std::filesystem::create_directory(dir.File("docs"));
    ASSERT_TRUE(test::WriteFile(dir.File("docs/index.html"), "<p>index</p>"));
    CPythonServer server(dir, "plain");
    ASSERT_GT(server.nPort, 0) << "python3's http.server did not start";
    std::string szOrigin = "http://127.0.0.1:" + std::to_string(server.nPort);
    CMyHttpAsync fetcher;
    EXPECT_EQ(FetchText(fetcher, szOrigin + "/hello.txt"), "hello from a file\n");
    EXPECT_EQ(FetchText(fetcher, szOrigin + "/missing.txt"), std::nullopt);  // a 404 page
    // A folder without its slash is answered with a 301 to the folder, then its index.
    EXPECT_EQ(FetchText(fetcher, szOrigin + "/docs"), "<p>index</p>");
}

TEST(CMyHttpAsync, RefusesAServerWhoseCertificateIsNotTrusted) {
    test::CTempDir dir;
    ASSERT_TRUE(test::WriteFile(dir.File("page.txt"), "secret page"));
    CPythonServer server(dir, "tls");
    if (server.nPort <= 0) GTEST_SKIP() << "no TLS server (python3 with ssl, openssl) here";
    std::string url = "https://127.0.0.1:" + std::to_string(server.nPort) + "/page.txt";
    CMyHttpAsync fetcher;
    EXPECT_EQ(FetchText(fetcher, url), std::nullopt);  // without verification: "secret page"
    EXPECT_EQ(fetcher.GetLastReport().eOutcome, FetchOutcome::TlsFailure);
}

// The report beside each fetch's result: why it gave no text, the final status, the bytes of
// the first block, whether the text is only part of the body, and the Content-Type.
TEST(CMyHttpAsync, ReportsWhyEachFetchGaveItsResult) {
    std::string szLarge(50000, 'x');
    http_answer pieces = Answer(200, "first|second", {"Content-Type: text/plain"});
    pieces.nFirstPiece = 6;  // the rest 30 s later: the text is the first block only
    pieces.pieceGap = milliseconds(30000);
    http_answer late = Answer(200, "too late");
    late.delay = milliseconds(30000);
    http_answer delayed = Answer(200, "a while");
    delayed.delay = milliseconds(800);
    std::map<std::string, http_answer> routes = {
        {"/ok", Answer(200, "caf\xe9", {"Content-Type: text/plain; charset=ISO-8859-1"})},
        {"/large", Answer(200, szLarge)},
        {"/pieces", pieces},
        {"/delayed", delayed},
        {"/404", Answer(404, "no such page", {"Content-Type: text/html; charset=utf-8"})},
        {"/503", Answer(503, "")},
        {"/empty", Answer(200, "", {"Content-Type: text/plain"})},
        {"/nul", Answer(200, std::string("\0after", 6))},
        {"/hang-up", Answer(0, "")},
        {"/to-ftp", Answer(302, "", {"Location: ftp://127.0.0.1/x"})}};
    for (int i = 1; i <= 40; ++i) {  // /hop/N redirects to /hop/N-1: 40 redirects never end
        routes["/hop/" + std::to_string(i)] =
            Answer(307, "", {"Location: /hop/" + std::to_string(i - 1)});
    }
    CLoopbackHttpServer server(Routes(routes));
    // Wine's WinINet keeps a timed-out request's connection until its receive time-out, and the
    // scripted server serves one connection at a time: the late answer has a server of its own.
    CLoopbackHttpServer lateServer(Routes({{"/late", late}}));
    std::string szClosed = CLoopbackHttpServer(Routes({})).Url("/");  // nothing listens there
    const struct {
        std::string url;
        FetchOutcome eOutcome;
        int nStatus;
        std::optional<std::string> text;
        std::size_t nBytes;
        bool bTruncated;
        const char* szContentType;
        DWORD timeoutMs = 5000;
    } cases[] = {
        {server.Url("/ok"), FetchOutcome::Text, 200, "caf\xe9", 4, false,
         "text/plain; charset=ISO-8859-1"},
        {server.Url("/pieces"), FetchOutcome::Text, 200, "first|", 6, true, "text/plain"},
        {server.Url("/delayed"), FetchOutcome::Text, 200, "a while", 7, false, ""},
        {server.Url("/404"), FetchOutcome::HttpStatus, 404, std::nullopt, 0, false,
         "text/html; charset=utf-8"},
        {server.Url("/503"), FetchOutcome::HttpStatus, 503, std::nullopt, 0, false, ""},
        {server.Url("/to-ftp"), FetchOutcome::HttpStatus, 302, std::nullopt, 0, false, ""},
        {server.Url("/empty"), FetchOutcome::EmptyBody, 200, std::nullopt, 0, false, "text/plain"},
        {server.Url("/nul"), FetchOutcome::EmptyBody, 200, std::nullopt, 6, false, ""},
        {server.Url("/hop/40"), FetchOutcome::TooManyRedirects, 307, std::nullopt, 0, false, ""},
        {server.Url("/hang-up"), FetchOutcome::ConnectionFailed, 0, std::nullopt, 0, false, ""},
        {szClosed, FetchOutcome::ConnectionRefused, 0, std::nullopt, 0, false, ""},
        {"http://no-such-host.invalid/", FetchOutcome::NameNotResolved, 0, std::nullopt, 0, false,
         "", 10000},
        {"ftp://127.0.0.1/x", FetchOutcome::ConnectionFailed, 0, std::nullopt, 0, false, ""},
        {lateServer.Url("/late"), FetchOutcome::TimedOut, 0, std::nullopt, 0, false, "", 1000},
    };
    CMyHttpAsync fetcher;
    EXPECT_EQ(fetcher.GetLastReport().eOutcome, FetchOutcome::None);
    for (const auto& c : cases) {
        EXPECT_EQ(FetchText(fetcher, c.url, c.timeoutMs), c.text) << c.url;
        fetch_report report = fetcher.GetLastReport();
        EXPECT_EQ(report.eOutcome, c.eOutcome) << c.url;
        EXPECT_EQ(report.nHttpStatus, c.nStatus) << c.url;
        EXPECT_EQ(report.nBytesReceived, c.nBytes) << c.url;
        EXPECT_EQ(report.bTruncated, c.bTruncated) << c.url;
        EXPECT_STREQ(report.szContentType, c.szContentType) << c.url;
    }
    // The delayed answer's exchange lasted its delay; the refused one only a moment.
    FetchText(fetcher, server.Url("/delayed"));
    EXPECT_GE(fetcher.GetLastReport().dwExchangeMs, 700u);
    EXPECT_LT(fetcher.GetLastReport().dwExchangeMs, 5000u);
    // Of a body longer than a text can hold: the first block, cut to kMaxBody.
    std::optional<std::string> large = FetchText(fetcher, server.Url("/large"));
    ASSERT_TRUE(large.has_value());
    fetch_report report = fetcher.GetLastReport();
    EXPECT_EQ(report.eOutcome, FetchOutcome::Text);
    EXPECT_TRUE(report.bTruncated);
    EXPECT_GE(report.nBytesReceived, large->size());
    EXPECT_LE(large->size(), static_cast<std::size_t>(CMyHttpAsync::kMaxBody));
}

// Cancel from another thread: the running fetch gives null within 100 ms (checked here with a
// generous bound that the fixed wait alone would pass), wherever it is; a cancel while no fetch
// runs reaches nothing.
TEST(CMyHttpAsync, ACancelEndsTheRunningFetchAndNoOther) {
    http_answer late = Answer(200, "too late");
    late.delay = milliseconds(30000);
    CLoopbackHttpServer server(Routes({{"/fast", Answer(200, "in time")}, {"/late", late}}));
    // Wine's WinINet keeps a cancelled request's connection open until its receive time-out;
    // the fetches after one go to a second server there.
    std::optional<CLoopbackHttpServer> other;
    if (test::RunningUnderWine()) other.emplace(Routes({{"/fast", Answer(200, "in time")}}));
    const CLoopbackHttpServer& next = other ? *other : server;
    CSilentListener silent;
    ASSERT_TRUE(silent.bOk);
    constexpr milliseconds kBound{350};
    const struct {
        const char* szWhat;
        std::string url;
        milliseconds cancelAfter;
    } cases[] = {
        {"in the fixed wait, after the answer came", server.Url("/fast"), milliseconds(150)},
        {"in the fixed wait, at once", server.Url("/late"), milliseconds(0)},
        {"while the answer is awaited", server.Url("/late"), milliseconds(1200)},
        {"while a silent server holds the request", silent.szUrl, milliseconds(900)},
    };
    CMyHttpAsync fetcher;
    for (const auto& c : cases) {
        Clock::time_point cancelled;
        std::thread canceller([&] {
            // From the worker's start: a cancel before the fetch has begun would reach nothing.
            while (!fetcher.HasThread()) std::this_thread::sleep_for(milliseconds(1));
            std::this_thread::sleep_for(c.cancelAfter);
            cancelled = Clock::now();
            fetcher.Cancel();
        });
        auto start = Clock::now();
        char* pText = fetcher.Fetch(c.url.c_str(), 20000);
        auto end = Clock::now();
        canceller.join();
        EXPECT_EQ(pText, nullptr) << c.szWhat;
        CMyHttpAsync::FreeResult(pText);
        EXPECT_EQ(fetcher.GetLastReport().eOutcome, FetchOutcome::Cancelled) << c.szWhat;
        EXPECT_LE(end - std::max(start, cancelled), kBound) << c.szWhat;
        EXPECT_FALSE(fetcher.HasThread()) << c.szWhat;
        // The next fetch is not affected.
        EXPECT_EQ(FetchText(fetcher, next.Url("/fast")), "in time") << c.szWhat;
        EXPECT_EQ(fetcher.GetLastReport().eOutcome, FetchOutcome::Text) << c.szWhat;
    }
    // Cancels between fetches, just before one and just after one, reach none of them.
    fetcher.Cancel();
    EXPECT_EQ(FetchText(fetcher, next.Url("/fast")), "in time");
    fetcher.Cancel();
    fetcher.Cancel();
    EXPECT_EQ(FetchText(fetcher, next.Url("/fast")), "in time");
    EXPECT_EQ(fetcher.GetLastReport().eOutcome, FetchOutcome::Text);
}

// Any byte received resets the exchange's receive time-out: a server that sends its answer a
// byte at a time, never silent for long, is waited for however long the whole takes.
TEST(CMyHttpAsync, AServerThatTricklesItsAnswerIsNotCutOff) {
    constexpr DWORD kIdleMs = 1500;
    testing::SetHttpTimeouts(kIdleMs, kIdleMs);
    constexpr std::size_t kBytes = 12;  // 12 bytes 300 ms apart: 3.3 s in all
    http_answer status = Answer(200, "slow but sure");
    status.nTrickle = kBytes;  // the status line
    status.byteGap = milliseconds(300);
    http_answer header = status;  // a header line in the middle of the head
    header.headers = {"X-Slow: a header line that takes its time"};
    header.nTrickleFrom = 60;
    CLoopbackHttpServer server(Routes({{"/status", status}, {"/header", header}}));
    CMyHttpAsync fetcher;
    for (const char* szPath : {"/status", "/header"}) {
        milliseconds elapsed{};
        EXPECT_EQ(FetchText(fetcher, server.Url(szPath), 20000, &elapsed), "slow but sure")
            << szPath;
        EXPECT_GE(elapsed, milliseconds(300 * (kBytes - 1)) - milliseconds(100)) << szPath;
        EXPECT_EQ(fetcher.GetLastReport().eOutcome, FetchOutcome::Text) << szPath;
    }
    testing::SetHttpTimeouts(0, 0);
}

}  // namespace
}  // namespace YRAPI
