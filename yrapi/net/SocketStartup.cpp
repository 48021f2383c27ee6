// SocketStartup.cpp - CSocketStartup on the POSIX resolver.
#include "yrapi/net/SocketStartup.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace YRAPI {
namespace {

using host_name_fn = int (*)(char*, std::size_t);
using host_by_name_fn = hostent* (*)(const char*);

constinit std::atomic<host_name_fn> gHostName{nullptr};
constinit std::atomic<host_by_name_fn> gHostByName{nullptr};

int SystemHostName(char* szName, std::size_t nLength) { return ::gethostname(szName, nLength); }

// gethostbyname keeps the resolver's order of the addresses, which the list preserves. Its
// result lives in a static buffer: the constructor runs once, at start-up, on one thread.
hostent* SystemHostByName(const char* szName) { return ::gethostbyname(szName); }

[[noreturn]] void Fail(const char* szMessage) {
    std::printf("%s", szMessage);
    std::exit(-1);  // flushes standard output
}

}  // namespace

CSocketStartup::CSocketStartup() : nAddrCount(0) {
    host_name_fn pfnHostName = gHostName.load();
    host_by_name_fn pfnHostByName = gHostByName.load();
    if (pfnHostName == nullptr) pfnHostName = &SystemHostName;
    if (pfnHostByName == nullptr) pfnHostByName = &SystemHostByName;

    char szHostName[256] = {};
    if (pfnHostName(szHostName, 255) == -1) Fail("Error: Unable to get host name!\n");
    szHostName[255] = '\0';  // a name of exactly 255 characters comes without its NUL

    hostent* pHost = pfnHostByName(szHostName);
    if (pHost == nullptr) Fail("Error: Unable to get host address!\n");

    for (auto& szAddress : szAddrList) szAddress[0] = '\0';
    // Only IPv4 entries are read, and never more than the 4 bytes of an IPv4 address: an entry
    // of another family or length would not fit the address it is copied into.
    if (pHost->h_addrtype != AF_INET || pHost->h_length != static_cast<int>(sizeof(in_addr)) ||
        pHost->h_addr_list == nullptr) {
        return;
    }
    for (char** ppEntry = pHost->h_addr_list; *ppEntry != nullptr && nAddrCount < kMaxAddresses;
         ++ppEntry) {
        in_addr address{};
        std::memcpy(&address, *ppEntry, sizeof(address));
        // inet_ntop writes the same dotted-decimal text as inet_ntoa, into our own buffer
        // rather than a static one.
        char szText[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &address, szText, sizeof(szText)) == nullptr) continue;
        std::snprintf(szAddrList[nAddrCount], sizeof(szAddrList[nAddrCount]), "%s", szText);
        ++nAddrCount;
    }
}

namespace testing {

void SetHostResolver(int (*pfnGetHostName)(char*, std::size_t),
                     hostent* (*pfnGetHostByName)(const char*)) {
    gHostName.store(pfnGetHostName);
    gHostByName.store(pfnGetHostByName);
}

}  // namespace testing
}  // namespace YRAPI
