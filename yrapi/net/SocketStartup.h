// SocketStartup.h - CSocketStartup, the process's socket start-up and the list of the local
// host's IPv4 addresses, built once as a process-wide object before the library's others.
//
// Thread-safety: the constructor runs on one thread (the main thread during start-up); afterwards
// the fields are only read, from any thread, without a lock. A failure to learn the host name or
// its addresses is fatal: the constructor prints its line on standard output and ends the
// process with exit code -1. The test seam below is for tests only; set it before constructing.
//
// Linux needs no start-up or clean-up call for its sockets, so the object only reads the host's
// name and addresses here.
#pragma once

#include <cstddef>

struct hostent;

namespace YRAPI {

class CSocketStartup {
  public:
    static constexpr int kMaxAddresses = 32;
    static constexpr int kAddressSize = 255;

    /// Resolves the host's own name to its IPv4 addresses, in the resolver's order, keeping at
    /// most kMaxAddresses. Returns only on success; otherwise prints "Error: Unable to get host
    /// name!\n" or "Error: Unable to get host address!\n" and calls exit(-1).
    CSocketStartup();
    ~CSocketStartup() = default;

    CSocketStartup(const CSocketStartup&) = delete;
    CSocketStartup& operator=(const CSocketStartup&) = delete;

    int nAddrCount;                                ///< Strings held, 0 to kMaxAddresses.
    char szAddrList[kMaxAddresses][kAddressSize];  ///< Dotted-decimal; empty from nAddrCount on.
};

/// The process-wide instance, built before the library's other process-wide objects.
const CSocketStartup& GetSocketStartup();

namespace testing {

/// Replaces the host-name and resolver calls that CSocketStartup makes (gethostname and
/// gethostbyname by default); nullptr for either restores the system's call.
void SetHostResolver(int (*pfnGetHostName)(char* szName, std::size_t nLength),
                     hostent* (*pfnGetHostByName)(const char* szName));

}  // namespace testing
}  // namespace YRAPI
