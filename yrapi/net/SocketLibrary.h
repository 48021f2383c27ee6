// SocketLibrary.h - private to yrapi/net: the platform's socket library as CSocketStartup uses
// it (SocketLibrary<Platform>.cpp): its start-up and clean-up, and the host name and resolver
// calls, with the platform's socket headers.
// Thread-safety: called by CSocketStartup's constructor and destructor, on one thread at a time.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#else
#include <netdb.h>
#endif

#include <cstddef>

namespace YRAPI::detail {

/// A started socket library: the version granted (major in the low byte, minor in the high
/// byte) and the call that cleans it up; 0 and null where there is nothing to start.
struct socket_library {
    unsigned short wVersion = 0;
    int (*pfnCleanup)() = nullptr;
};

/// Starts the socket library, as the platform needs. Asks for 2.2 and falls back to 1.1,
/// printing the fixed lines; when neither is granted it prints the last line and ends the
/// process with exit code -1.
socket_library StartSocketLibrary();

/// The system's gethostname and gethostbyname.
int SystemHostName(char* szName, std::size_t nLength);
hostent* SystemHostByName(const char* szName);

}  // namespace YRAPI::detail
