// SocketStartupTest.cpp - CSocketStartup: the address list through a replaced resolver, the
// fatal failures (death tests) and the process-wide instance.
#include "yrapi/ProcessObjects.h"
#include "yrapi/net/SocketStartup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace YRAPI {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

// exit(-1) as the parent sees it: the low byte of the status on POSIX, the whole code on Windows.
#if defined(_WIN32)
constexpr int kExitMinusOne = -1;
#else
constexpr int kExitMinusOne = 255;
#endif

// The fake resolver: the host gName (an empty name fails) with the addresses gAddresses, or no
// host at all unless gbResolves.
std::string gName;
bool gbResolves = true;
std::vector<in_addr> gAddresses;
std::vector<char*> gEntries;
hostent gHost{};
std::string gAskedName;

int FakeHostName(char* szName, std::size_t nLength) {
    std::size_t nCopied = gName.copy(szName, nLength);
    if (nCopied < nLength) szName[nCopied] = '\0';  // a name that fills the length has no NUL
    return gName.empty() ? -1 : 0;
}

hostent* FakeHostByName(const char* szName) {
    gAskedName = szName;
    gEntries.clear();
    for (in_addr& address : gAddresses) gEntries.push_back(reinterpret_cast<char*>(&address));
    gEntries.push_back(nullptr);
    gHost.h_addrtype = AF_INET;
    gHost.h_length = sizeof(in_addr);
    gHost.h_addr_list = gEntries.data();
    return gbResolves ? &gHost : nullptr;
}

// Installs the fake resolver. Each test runs in a process of its own; the test of the real
// resolver restores that for runs of several tests in one process.
void UseFakeResolver(const std::string& szName, const std::vector<std::string>& texts,
                     bool bResolves = true) {
    gName = szName;
    gbResolves = bResolves;
    gAddresses.clear();
    for (const std::string& szText : texts) {
        inet_pton(AF_INET, szText.c_str(), &gAddresses.emplace_back());
    }
    testing::SetHostResolver(&FakeHostName, &FakeHostByName);
}

TEST(CSocketStartup, ListsUpToTheFirst32AddressesInTheResolversOrder) {
    std::vector<std::string> many;
    for (int i = 1; i <= 33; ++i) many.push_back("172.16.0." + std::to_string(i));
    for (const std::vector<std::string>& texts :
         {std::vector<std::string>{"10.1.2.3", "192.168.100.254", "127.0.0.1"}, many,
          std::vector<std::string>{}}) {
        UseFakeResolver("fake-host", texts);
        CSocketStartup startup;
        int nExpected = std::min(static_cast<int>(texts.size()), 32);
        ASSERT_EQ(startup.nAddrCount, nExpected);
        for (int i = 0; i < CSocketStartup::kMaxAddresses; ++i) {
            EXPECT_EQ(startup.szAddrList[i], i < nExpected ? texts[i] : "") << i;
        }
    }
}

TEST(CSocketStartup, AHostNameThatFillsTheBufferIsTerminated) {
    UseFakeResolver(std::string(300, 'h'), {"10.0.0.1"});
    CSocketStartup startup;
    EXPECT_EQ(gAskedName, std::string(255, 'h'));
    EXPECT_EQ(startup.nAddrCount, 1);
}

// The messages go to standard output; death tests see standard error, so the child sends its
// standard output there before the constructor runs.
void ConstructWith(const std::string& szName, bool bResolves) {
    UseFakeResolver(szName, {}, bResolves);
    std::fflush(stdout);
    dup2(2, 1);
    CSocketStartup startup;
}

TEST(CSocketStartup, FailuresEndTheProcessWithTheirMessage) {
    EXPECT_EXIT(ConstructWith("", true), ::testing::ExitedWithCode(kExitMinusOne),
                AllOf(HasSubstr("Error: Unable to get host name!\n"), Not(HasSubstr("address"))));
    EXPECT_EXIT(
        ConstructWith("fake-host", false), ::testing::ExitedWithCode(kExitMinusOne),
        AllOf(HasSubstr("Error: Unable to get host address!\n"), Not(HasSubstr("host name"))));
}

TEST(CSocketStartup, TheProcessWideInstanceIsBuiltFirstFromTheRealResolver) {
    testing::SetHostResolver(nullptr, nullptr);
    const char* names[16] = {};
    ASSERT_GE(testing::ProcessObjectsBuilt(names, 16), 1);
    EXPECT_STREQ(names[0], "socket start-up");

    // A second object on the system's resolver finds the same list.
    const CSocketStartup& instance = GetSocketStartup();
    CSocketStartup fresh;
    ASSERT_EQ(instance.nAddrCount, fresh.nAddrCount);
    for (int i = 0; i < CSocketStartup::kMaxAddresses; ++i) {
        EXPECT_STREQ(instance.szAddrList[i], fresh.szAddrList[i]);
        in_addr address{};  // dotted-decimal IPv4 texts, then empty ones
        EXPECT_EQ(inet_pton(AF_INET, instance.szAddrList[i], &address),
                  i < instance.nAddrCount ? 1 : 0);
    }
}

}  // namespace
}  // namespace YRAPI
