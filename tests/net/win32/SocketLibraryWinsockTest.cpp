// win32/SocketLibraryWinsockTest.cpp - Windows Sockets' start-up in CSocketStartup: version 2.2,
// the fall-back to 1.1 with its fixed lines, the fatal refusals, and one clean-up for each
// start-up that worked.
#include "yrapi/net/SocketStartup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace YRAPI {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kNoUsable = "Error: Unable to find usable WinSock dll!\n";
constexpr const char* kNo22 = "Error: Unable to find WinSock 2.2 dll!\n";
constexpr const char* kTrying11 = "Error: trying to check if WinSock 1.1 dll is available!\n";
constexpr const char* kNo11 = "Error: Unable to find WinSock 1.1 dll! exit!\n";

// The fake socket library: what it grants for 2.2 and for 1.1 (0: the start-up fails), and
// the calls it saw, as one line: "S202 C S101 C" (start-ups with the version asked, clean-ups).
unsigned short gwGrantFor22 = 0x0202;
unsigned short gwGrantFor11 = 0x0101;
std::string gCalls;

int FakeStartup(unsigned short wRequested, unsigned short* pwGranted) {
    char szCall[16];
    std::snprintf(szCall, sizeof szCall, "S%x ", wRequested);
    gCalls += szCall;
    *pwGranted = wRequested == 0x0202 ? gwGrantFor22 : gwGrantFor11;
    return *pwGranted == 0 ? 10091 /* WSASYSNOTREADY */ : 0;
}

int FakeCleanup() {
    gCalls += "C ";
    return 0;
}

void UseFake(unsigned short wGrantFor22, unsigned short wGrantFor11) {
    gwGrantFor22 = wGrantFor22;
    gwGrantFor11 = wGrantFor11;
    gCalls.clear();
    testing::SetSocketLibrary(&FakeStartup, &FakeCleanup);
}

TEST(SocketLibraryWinsock, AsksFor22AndFallsBackTo11WithItsTwoLines) {
    const struct {
        unsigned short wGrantFor22;
        const char* szOutput;
        const char* szCalls;
        unsigned short wVersion;
    } cases[] = {
        {0x0202, "", "S202 C ", 0x0202},
        {0x0101,
         "Error: Unable to find WinSock 2.2 dll!\n"
         "Error: trying to check if WinSock 1.1 dll is available!\n",
         "S202 C S101 C ", 0x0101},
        {0x0102,
         "Error: Unable to find WinSock 2.2 dll!\n"
         "Error: trying to check if WinSock 1.1 dll is available!\n",
         "S202 C S101 C ", 0x0101},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wGrantFor22);
        UseFake(c.wGrantFor22, 0x0101);
        ::testing::internal::CaptureStdout();
        unsigned short wVersion = 0;
        {
            CSocketStartup startup;
            wVersion = startup.wVersion;
        }
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.szOutput);
        EXPECT_EQ(wVersion, c.wVersion);
        EXPECT_EQ(gCalls, c.szCalls);  // the last clean-up is the destructor's
    }
    testing::SetSocketLibrary(nullptr, nullptr);
}

// The child's standard output goes to standard error, which the death test sees; the fake
// clean-up writes there too, so each expectation also says how often it ran.
void ConstructWithFake(unsigned short wGrantFor22, unsigned short wGrantFor11) {
    UseFake(wGrantFor22, wGrantFor11);
    testing::SetSocketLibrary(&FakeStartup, [] {
        std::fprintf(stdout, "[cleanup]");
        return 0;
    });
    std::fflush(stdout);
    dup2(2, 1);
    CSocketStartup startup;
}

TEST(SocketLibraryWinsock, RefusedStartUpsEndTheProcessWithTheirLines) {
    EXPECT_EXIT(ConstructWithFake(0, 0x0101), ::testing::ExitedWithCode(-1),
                ::testing::StrEq(kNoUsable));
    EXPECT_EXIT(ConstructWithFake(0x0101, 0), ::testing::ExitedWithCode(-1),
                ::testing::StrEq(std::string(kNo22) + kTrying11 + "[cleanup]" + kNoUsable));
    EXPECT_EXIT(
        ConstructWithFake(0x0101, 0x0002), ::testing::ExitedWithCode(-1),
        ::testing::StrEq(std::string(kNo22) + kTrying11 + "[cleanup]" + kNo11 + "[cleanup]"));
}

TEST(SocketLibraryWinsock, TheProcessWideInstanceRunsOnWinsock22) {
    testing::SetSocketLibrary(nullptr, nullptr);
    EXPECT_EQ(GetSocketStartup().wVersion, 0x0202);
    UseFake(0x0202, 0x0101);  // a host-name failure cleans up the start-up that worked
    EXPECT_EXIT(
        {
            testing::SetSocketLibrary(&FakeStartup, [] {
                std::fprintf(stdout, "[cleanup]");
                return 0;
            });
            testing::SetHostResolver([](char*, std::size_t) { return -1; }, nullptr);
            std::fflush(stdout);
            dup2(2, 1);
            CSocketStartup startup;
        },
        ::testing::ExitedWithCode(-1),
        ::testing::StrEq("Error: Unable to get host name!\n[cleanup]"));
}

}  // namespace
}  // namespace YRAPI
