// SocketStartup.cpp - CSocketStartup on the platform's socket library (SocketLibrary.h).
#include "yrapi/net/SocketStartup.h"

#include "yrapi/net/SocketLibrary.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace YRAPI {
namespace {

using host_name_fn = int (*)(char*, std::size_t);
using host_by_name_fn = hostent* (*)(const char*);

constinit std::atomic<host_name_fn> gHostName{nullptr};
constinit std::atomic<host_by_name_fn> gHostByName{nullptr};

[[noreturn]] void Fail(const char* szMessage, int (*pfnCleanup)()) {
    std::printf("%s", szMessage);
    if (pfnCleanup != nullptr) pfnCleanup();
    std::exit(-1);  // flushes standard output
}

}  // namespace

CSocketStartup::CSocketStartup() : wVersion(0), nAddrCount(0) {
    for (auto& szAddress : szAddrList) szAddress[0] = '\0';
    detail::socket_library library = detail::StartSocketLibrary();
    wVersion = library.wVersion;
    pfnCleanup = library.pfnCleanup;

    host_name_fn pfnHostName = gHostName.load();
    host_by_name_fn pfnHostByName = gHostByName.load();
    if (pfnHostName == nullptr) pfnHostName = &detail::SystemHostName;
    if (pfnHostByName == nullptr) pfnHostByName = &detail::SystemHostByName;

    char szHostName[256] = {};
    if (pfnHostName(szHostName, 255) == -1) Fail("Error: Unable to get host name!\n", pfnCleanup);
    szHostName[255] = '\0';  // a name of exactly 255 characters comes without its NUL

    hostent* pHost = pfnHostByName(szHostName);
    if (pHost == nullptr) Fail("Error: Unable to get host address!\n", pfnCleanup);

    // Only IPv4 entries are read, and never more than the 4 bytes of an IPv4 address: an entry
    // of another family or length would not fit the address it is copied into.
    if (pHost->h_addrtype != AF_INET || pHost->h_length != 4 || pHost->h_addr_list == nullptr) {
        return;
    }
    for (char** ppEntry = pHost->h_addr_list; *ppEntry != nullptr && nAddrCount < kMaxAddresses;
         ++ppEntry) {
        // The dotted-decimal text that inet_ntoa gives, written into our own buffer rather
        // than the socket library's static one.
        const auto* pBytes = reinterpret_cast<const unsigned char*>(*ppEntry);
        std::snprintf(szAddrList[nAddrCount], sizeof(szAddrList[nAddrCount]), "%u.%u.%u.%u",
                      pBytes[0], pBytes[1], pBytes[2], pBytes[3]);
        ++nAddrCount;
    }
}

CSocketStartup::~CSocketStartup() {
    if (pfnCleanup != nullptr) pfnCleanup();
}

namespace testing {

void SetHostResolver(int (*pfnGetHostName)(char*, std::size_t),
                     hostent* (*pfnGetHostByName)(const char*)) {
    gHostName.store(pfnGetHostName);
    gHostByName.store(pfnGetHostByName);
}

}  // namespace testing
}  // namespace YRAPI
