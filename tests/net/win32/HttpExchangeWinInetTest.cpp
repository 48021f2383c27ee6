// win32/HttpExchangeWinInetTest.cpp - what only the WinINet exchange does: the request WinINet
// sends for a fetch, and the exchange's receive time-out reaching WinINet's own request, so
// that the connection is closed when it runs out.
#include "tests/support/LoopbackHttpServer.h"
#include "yrapi/net/HttpAsync.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace YRAPI {
namespace {

using std::chrono::milliseconds;
using test::CLoopbackHttpServer;
using test::http_answer;
using test::http_request;
using Clock = std::chrono::steady_clock;

http_answer Answer(std::string szBody, milliseconds delay = milliseconds(0)) {
    http_answer answer;
    answer.szBody = std::move(szBody);
    answer.delay = delay;
    return answer;
}

TEST(HttpExchangeWinInet, SendsAGetWithAnEmptyUserAgentAndNoCacheOrCookieHeaders) {
    CLoopbackHttpServer server([](const http_request&) { return Answer("fine"); });
    CMyHttpAsync fetcher;
    char* pText = fetcher.Fetch(server.Url("/page?q=1").c_str(), 5000);
    ASSERT_NE(pText, nullptr);
    EXPECT_STREQ(pText, "fine");
    CMyHttpAsync::FreeResult(pText);
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string szHead = server.Requests()[0].szHead;
    EXPECT_EQ(szHead.rfind("GET /page?q=1 HTTP/1.1\r\n", 0), 0u) << szHead;
    EXPECT_NE(szHead.find("\r\nHost: " + server.Url("").substr(7) + "\r\n"), std::string::npos)
        << szHead;
    // The user agent is the empty one the session was opened with.
    std::size_t nAgent = szHead.find("\r\nUser-Agent:");
    if (nAgent != std::string::npos) {
        EXPECT_EQ(szHead.compare(nAgent, 16, "\r\nUser-Agent: \r\n"), 0) << szHead;
    }
    for (const char* szHeader : {"Cookie:", "If-Modified-Since:", "If-None-Match:"}) {
        EXPECT_EQ(szHead.find(szHeader), std::string::npos) << szHeader << " in " << szHead;
    }
}

// The receive time-out is WinINet's own (set on its request as soon as it exists): when it runs
// out WinINet closes the connection, so the one-connection-at-a-time server is free for the
// next request at once, not only when its late answer would have gone out.
TEST(HttpExchangeWinInet, TheReceiveTimeOutClosesTheConnection) {
    constexpr DWORD kShortMs = 400;
    testing::SetHttpTimeouts(kShortMs, kShortMs);
    CLoopbackHttpServer server([](const http_request& request) {
        return Answer("answer",
                      request.szTarget == "/late" ? milliseconds(30000) : milliseconds(0));
    });
    CMyHttpAsync fetcher;
    auto start = Clock::now();
    char* pText = fetcher.Fetch(server.Url("/late").c_str(), INFINITE);
    EXPECT_EQ(pText, nullptr);
    CMyHttpAsync::FreeResult(pText);
    pText = fetcher.Fetch(server.Url("/now").c_str(), 5000);
    EXPECT_LT(Clock::now() - start, milliseconds(10000));
    ASSERT_NE(pText, nullptr);
    EXPECT_STREQ(pText, "answer");
    CMyHttpAsync::FreeResult(pText);
    testing::SetHttpTimeouts(0, 0);
}

}  // namespace
}  // namespace YRAPI
