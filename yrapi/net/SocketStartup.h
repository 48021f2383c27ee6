// SocketStartup.h - CSocketStartup, the process's socket start-up and the list of the local
// host's IPv4 addresses, built once as a process-wide object before the library's others.
//
// Thread-safety: the constructor runs on one thread (the main thread during start-up); afterwards
// the fields are only read, from any thread, without a lock. A failure to learn the host name or
// its addresses is fatal: the constructor prints its line on standard output and ends the
// process with exit code -1. The test seam below is for tests only; set it before constructing.
//
// On Windows the object starts Windows Sockets first (version 2.2, else 1.1, printing its fixed
// lines; a failure there is fatal too) and cleans it up once in its destructor. Linux needs no
// start-up or clean-up call for its sockets, so there the object only reads the host's name and
// addresses.
#pragma once

#include <cstddef>

struct hostent;

namespace YRAPI {

class CSocketStartup {
  public:
    static constexpr int kMaxAddresses = 32;
    static constexpr int kAddressSize = 255;

    /// Starts the socket library where the platform has one, then resolves the host's own
    /// name to its IPv4 addresses, in the resolver's order, keeping at most kMaxAddresses.
    /// Returns only on success; otherwise prints "Error: Unable to get host name!\n" or
    /// "Error: Unable to get host address!\n" (or the socket library's lines), cleans up a
    /// started socket library and calls exit(-1).
    CSocketStartup();

    /// Cleans up the socket library started by the constructor (WSACleanup), once.
    ~CSocketStartup();

    CSocketStartup(const CSocketStartup&) = delete;
    CSocketStartup& operator=(const CSocketStartup&) = delete;

    /// The socket library's version granted (major in the low byte, minor in the high byte:
    /// 0x0202 for 2.2), or 0 where the platform has no start-up call.
    unsigned short wVersion;
    int nAddrCount;                                ///< Strings held, 0 to kMaxAddresses.
    char szAddrList[kMaxAddresses][kAddressSize];  ///< Dotted-decimal; empty from nAddrCount on.

  private:
    int (*pfnCleanup)() = nullptr;  // cleans up the socket library started; null for none
};

/// The process-wide instance, built before the library's other process-wide objects.
const CSocketStartup& GetSocketStartup();

namespace testing {

/// Replaces the host-name and resolver calls that CSocketStartup makes (gethostname and
/// gethostbyname by default); nullptr for either restores the system's call.
void SetHostResolver(int (*pfnGetHostName)(char* szName, std::size_t nLength),
                     hostent* (*pfnGetHostByName)(const char* szName));

#if defined(_WIN32)
/// Replaces WSAStartup and WSACleanup for the objects constructed afterwards (each object
/// cleans up with the calls it started with); nullptr for either restores the system's call.
/// pfnStartup is asked for a version and stores the version it grants; a result other than 0
/// is a failure.
void SetSocketLibrary(int (*pfnStartup)(unsigned short wRequested, unsigned short* pwGranted),
                      int (*pfnCleanup)());
#endif

}  // namespace testing
}  // namespace YRAPI
