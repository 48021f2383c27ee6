// LogInterfaceTest.cpp - the log front-end: the line's exact form and its limits, the trace
// level filter, the log table's entries, and what Log does with a faulty table.
#include "yrapi/log/LogInterface.h"
#include "yrapi/log/LogState.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace YRAPI {
namespace {

// The whole line as a reader would expect it for a call at second t, formatted here without
// the front-end's code.
std::string ExpectedLine(std::time_t t, const char* szTag, const std::string& message) {
    std::tm local{};
    localtime_r(&t, &local);
    char szStamp[80];
    std::snprintf(szStamp, sizeof szStamp, "%4d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return std::string(szTag) + " [" + szStamp + "] " + message + "\n";
}

// True when line is the expected line for some second from tFrom to tTo.
::testing::AssertionResult IsLineOfWindow(const std::string& line, std::time_t tFrom,
                                          std::time_t tTo, const char* szTag,
                                          const std::string& message) {
    for (std::time_t t = tFrom; t <= tTo; ++t) {
        if (line == ExpectedLine(t, szTag, message)) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "'" << line << "' is not '" << ExpectedLine(tFrom, szTag, message)
           << "' for any second up to " << (tTo - tFrom) << " s later";
}

// Digits masked, so that lines stamped in different seconds compare equal.
std::string Masked(std::string s) {
    for (char& c : s) c = (c >= '0' && c <= '9') ? '0' : c;
    return s;
}

// Each test starts with an empty queue and leaves the table and trace level as it found them.
class LogFront : public ::testing::Test {
  protected:
    void SetUp() override {
        GetLogQueue().Clear();
        savedApi = *GetLogApi();
    }
    void TearDown() override {
        *GetLogApi() = savedApi;
        detail::GetLogState().dwTraceLevel = 4;
    }

    static std::vector<std::string> Drain() {
        std::vector<std::string> lines;
        yr_log_str rec;
        while (GetLogQueue().Pop(&rec, INFINITE)) lines.emplace_back(rec.text);
        return lines;
    }

    // "abc...zabc..." of nLength characters: a cut in the wrong place shows.
    static std::string Message(std::size_t nLength) {
        std::string s(nLength, ' ');
        for (std::size_t i = 0; i < nLength; ++i) s[i] = static_cast<char>('a' + i % 26);
        return s;
    }

    yr_log_api savedApi{};
};

// --- The line -------------------------------------------------------------------------------

TEST_F(LogFront, LineIsTagStampAndMessageAndTheStampFollowsTheClock) {
    std::time_t tBefore = std::time(nullptr);
    CYRLogInterface::Log(1, "failed: %s (%d)", "open", 5);
    CYRLogInterface::Log(2, "warning");
    CYRLogInterface::Log(4, "progress %u%%", 50u);
    std::time_t tMid = std::time(nullptr);
    // Each thread caches the stamp of the second it last saw; a new second must show.
    while (std::time(nullptr) == tMid) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::time_t tSecond = std::time(nullptr);
    CYRLogInterface::Log(4, "next second");
    std::time_t tAfter = std::time(nullptr);
    auto lines = Drain();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(IsLineOfWindow(lines[0], tBefore, tMid, "X", "failed: open (5)"));
    EXPECT_TRUE(IsLineOfWindow(lines[1], tBefore, tMid, "!", "warning"));
    EXPECT_TRUE(IsLineOfWindow(lines[2], tBefore, tMid, " ", "progress 50%"));
    EXPECT_TRUE(IsLineOfWindow(lines[3], tSecond, tAfter, " ", "next second"));
    for (int n : {-1, 0, 3, 5, 100}) {  // only levels 1 and 2 have a tag
        char szLine[64] = {};
        FormatLogLine(szLine, sizeof szLine, n, "m");
        EXPECT_EQ(std::string(szLine, 3), "  [") << "level " << n;
    }
}

TEST_F(LogFront, MessageOf998KeepsTheLineBreakAndLongerOnesAreCut) {
    std::string m998 = Message(998), m999 = Message(999), m5000 = Message(5000);
    for (const std::string* p : {&m998, &m999, &m5000}) CYRLogInterface::Log(4, "%s", p->c_str());
    auto lines = Drain();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(24), m998 + "\n");
    EXPECT_EQ(lines[1].substr(24), m999);
    EXPECT_EQ(lines[2].substr(24), m999);
}

TEST_F(LogFront, FormatLogLineStaysInsideOutSizeAndTakesNullTextAsEmpty) {
    char szFull[64] = {}, buffer[64];
    FormatLogLine(szFull, sizeof szFull, 1, "message");
    ASSERT_EQ(std::strlen(szFull), 24u + 8u);
    for (int nSize : {1, 2, 10, 24, 25, 32, 33}) {
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(FormatLogLine(buffer, nSize, 1, "message"), buffer);
        std::string expected = std::string(szFull).substr(0, static_cast<std::size_t>(nSize) - 1);
        EXPECT_EQ(Masked(buffer), Masked(expected)) << "outSize " << nSize;
        for (std::size_t i = expected.size() + 1; i < sizeof buffer; ++i) {
            ASSERT_EQ(buffer[i], '#') << "written past outSize " << nSize << " at " << i;
        }
    }
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(FormatLogLine(buffer, 0, 4, "x"), buffer);
    EXPECT_EQ(FormatLogLine(buffer, -5, 4, "x"), buffer);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(FormatLogLine(nullptr, 100, 4, "x"), nullptr);
    FormatLogLine(szFull, sizeof szFull, 4, nullptr);
    EXPECT_EQ(std::string(szFull).substr(22), "] \n");
}

// --- The trace level and the queue ----------------------------------------------------------

TEST_F(LogFront, TraceLevelPassesLevelsUpToItComparedUnsigned) {
    EXPECT_EQ(detail::GetLogState().dwTraceLevel.load(), 4u);  // the default
    const std::pair<DWORD, const char*> cases[] = {
        {4, "0 1 4 "}, {0xFFFFFFFF, "-100 -1 0 1 4 5 1000 "}, {0, "0 "}};
    for (const auto& [dwTrace, szPassed] : cases) {
        detail::GetLogState().dwTraceLevel = dwTrace;
        for (int n : {-100, -1, 0, 1, 4, 5, 1000}) CYRLogInterface::Log(n, "%d", n);
        std::string passed;
        for (const auto& line : Drain()) passed += line.substr(24, line.size() - 25) + " ";
        EXPECT_EQ(passed, szPassed) << "trace level " << dwTrace;
    }
}

TEST_F(LogFront, ThreadsLogWholeLinesInTheirOwnOrderAndTheyStayQueuedBeforeAnyOpen) {
    ASSERT_EQ(detail::GetLogState().pWriter, nullptr);
    constexpr int kThreads = 3, kPerThread = 2000;  // far past the queue's first ring
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i) CYRLogInterface::Log(4, "t%d %d", t, i);
        });
    }
    for (auto& th : threads) th.join();
    auto lines = Drain();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kPerThread));
    int nNext[kThreads] = {};
    for (const auto& line : lines) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.c_str() + 24, "t%d %d", &t, &i), 2) << line;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        ASSERT_EQ(i, nNext[t]++) << line;
        ASSERT_EQ(line.find('\n'), line.size() - 1) << line;
        ASSERT_EQ(line.substr(0, 3) + line[22], "  []") << line;
    }
}

// --- The table ------------------------------------------------------------------------------

TEST_F(LogFront, TableHasEveryEntryAndLogExIgnoresItsFirstArgument) {
    yr_log_api* p = GetLogApi();
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p->_Open, nullptr);
    EXPECT_NE(p->_Close, nullptr);
    for (auto pfnReserved : {p->_Reserved3, p->_Reserved4, p->_Reserved7, p->_Reserved8}) {
        ASSERT_NE(pfnReserved, nullptr);
        pfnReserved();
    }
    EXPECT_EQ(GetLogQueue().count, 0u);
    p->_LogEx(12345, 2, "via LogEx");
    p->_LogEx(0, 5, "dropped");
    p->_Log(1, "via Log");
    auto lines = Drain();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][0] + lines[0].substr(24), "!via LogEx\n");
    EXPECT_EQ(lines[1][0], 'X');
}

std::string gCaptured;
int gCapturedLevel = 0, gCalls = 0;

TEST_F(LogFront, LongFormatIsCutTo1023BeforeTheTableSeesIt) {
    GetLogApi()->_Log = [](int nTraceLevel, const char* Comment) {
        ++gCalls;
        gCapturedLevel = nTraceLevel;
        gCaptured = Comment;
    };
    std::string m = Message(3000);
    // Level 99 is above the trace level: the table still gets the cut text, because the
    // level test is the table's, after the cut.
    CYRLogInterface::Log(99, "%s%s", m.c_str(), "tail");
    EXPECT_EQ(gCalls, 1);
    EXPECT_EQ(gCapturedLevel, 99);
    EXPECT_EQ(gCaptured, m.substr(0, 1023));
    EXPECT_EQ(GetLogQueue().count, 0u);
}

TEST_F(LogFront, ThrowingOrNullTableEntryAndNullFormatNeverEscapeLog) {
    using LogFn = void (*)(int, const char*);
    for (LogFn pfn : {LogFn{[](int, const char*) { throw std::runtime_error("table failure"); }},
                      LogFn{[](int, const char*) { throw 42; }}, LogFn{nullptr}}) {
        GetLogApi()->_Log = pfn;
        ::testing::internal::CaptureStdout();
        CYRLogInterface::Log(1, "boom %d", 1);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  pfn ? "CYRLogInterface::Log (*p->_Log)(nTraceLevel, Comment) ERROR!" : "");
    }
    *GetLogApi() = savedApi;
    const char* volatile szNoFormat = nullptr;  // volatile: keeps the compiler's check quiet
    CYRLogInterface::Log(1, szNoFormat);
    CYRLogInterface::Log(4, "after");  // the front-end still works
    auto lines = Drain();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(24), "after\n");
}

}  // namespace
}  // namespace YRAPI
